#pragma once

#include <cstdint>

namespace orvr {

enum class RunState : uint8_t { Idle = 0, Started = 1, Measuring = 2, Ended = 3 };

// The measurement run as the busy poll advances it.
struct Run {
    RunState state = RunState::Idle;
    int32_t startCountdown = 0;

    // Start: Started, countdown 5, from any state.
    void start();
    // BUSY "0". Measuring becomes Ended. Only a run still Started counts down; returns
    // true when that run is given up (countdown exhausted: state becomes Idle).
    bool onIdle();
    // BUSY "1": Started becomes Measuring.
    void onBusy();
    // End of a tick: an Ended run becomes Idle; returns true when the readout is due.
    bool takeEnded();
};

}  // namespace orvr
