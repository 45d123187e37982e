// Cost of one exchange on loopback against the in-process simulator, above the fixed
// wait, and how late the fixed wait ends.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "link/exchange.h"
#include "link/precisesleep.h"
#include "sim/server.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLongBytes = 255999;  // with its CR exactly the line limit

orvr::sim::Server& SharedServer() {
    static orvr::sim::Server* server = [] {
        auto* s = new orvr::sim::Server();
        s->listen("127.0.0.1", 0);
        s->setOverride("MEAS;1;", std::string(kLongBytes, '7') + "\r\n");
        return s;
    }();
    return *server;
}

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// Runs exchanges and reports the mean time above waitMs, and the worst.
void RunExchange(benchmark::State& state, const QString& command, int waitMs, int replySize) {
    orvr::sim::Server& server = SharedServer();
    orvr::Bounds bounds;
    bounds.waitMs = waitMs;
    double aboveUs = 0;
    double worstUs = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const orvr::ExchangeResult r = orvr::Exchange("127.0.0.1", server.port(), command, bounds);
        const double us = Micros(Clock::now() - start) - waitMs * 1000.0;
        if (r.failure != orvr::Failure::None || (replySize > 0 && r.reply.size() != replySize)) {
            state.SkipWithError("the exchange did not deliver the expected reply");
            return;
        }
        aboveUs += us;
        worstUs = std::max(worstUs, us);
    }
    server.clearLog();
    state.counters["above_wait_us"] =
        benchmark::Counter(aboveUs, benchmark::Counter::kAvgIterations);
    state.counters["worst_above_wait_us"] = worstUs;
}

void BM_ExchangeShortReply(benchmark::State& state) {
    RunExchange(state, "VER?;", 50, 0);
}
void BM_ExchangeLongReply(benchmark::State& state) {
    RunExchange(state, "MEAS;1;", 50, kLongBytes);
}
void BM_FloorShortReply(benchmark::State& state) {
    RunExchange(state, "VER?;", 0, 0);
}
void BM_FloorLongReply(benchmark::State& state) {
    RunExchange(state, "MEAS;1;", 0, kLongBytes);
}

// Framing and decoding of a full-length line without the socket, in 64 KiB pieces as
// recv delivers them.
void BM_FrameLongLine(benchmark::State& state) {
    const std::string wire = std::string(kLongBytes, '7') + "\r\n";
    for (auto _ : state) {
        orvr::LineReader reader;
        for (std::size_t at = 0; at < wire.size(); at += 65536) {
            reader.feed(wire.data() + at, std::min<std::size_t>(65536, wire.size() - at));
        }
        const QString reply =
            orvr::DecodeReply(reader.line().constData(), std::size_t(reader.line().size()));
        benchmark::DoNotOptimize(reply.constData());
    }
}

// The fixed wait on its own: how late it ends, and whether it ever ended early.
void BM_WaitLateness(benchmark::State& state) {
    const auto wait = std::chrono::milliseconds(50);
    double lateUs = 0;
    double worstUs = 0;
    double earliestUs = 1e9;
    for (auto _ : state) {
        const auto start = Clock::now();
        orvr::SleepFor(wait);
        const double us = Micros(Clock::now() - start - wait);
        lateUs += us;
        worstUs = std::max(worstUs, us);
        earliestUs = std::min(earliestUs, us);
    }
    state.counters["late_us"] = benchmark::Counter(lateUs, benchmark::Counter::kAvgIterations);
    state.counters["worst_late_us"] = worstUs;
    state.counters["least_late_us"] = earliestUs;  // below 0 would be an early wake-up
}

}  // namespace

BENCHMARK(BM_ExchangeShortReply)->Iterations(40)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExchangeLongReply)->Iterations(40)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorShortReply)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FloorLongReply)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameLongLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WaitLateness)->Iterations(40)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
