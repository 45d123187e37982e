#pragma once

#include <chrono>

namespace orvr {

// Sleeps until the steady clock has reached the deadline: never early, and late only by
// the scheduler's wake-up latency (a coarse timer may fire up to a millisecond early).
void SleepUntil(std::chrono::steady_clock::time_point deadline);

inline void SleepFor(std::chrono::nanoseconds duration) {
    SleepUntil(std::chrono::steady_clock::now() + duration);
}

}  // namespace orvr
