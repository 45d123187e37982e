// How long the simulator takes to record a curve and to answer MEAS with the longest line.
#include <benchmark/benchmark.h>

#include "sim/curves.h"
#include "sim/model.h"

namespace {

using orvr::sim::Model;

// Generating the points of one curve at the most points a line can carry, per mode.
void BM_GenerateCurve(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    for (auto _ : state) {
        auto c = orvr::sim::GenerateCurve(mode, 3, 1, 100000, Model::kMaxPoints, 7);
        benchmark::DoNotOptimize(c.y.data());
    }
    state.counters["points"] = Model::kMaxPoints;
}
BENCHMARK(BM_GenerateCurve)->Arg(1)->Arg(3)->Arg(5)->Arg(9)->Unit(benchmark::kMicrosecond);

// Writing that curve as a MEAS line.
void BM_FormatCurveLine(benchmark::State& state) {
    const auto c = orvr::sim::GenerateCurve(9, 3, 1, 100000, Model::kMaxPoints, 7);
    std::string line;
    for (auto _ : state) {
        line.clear();
        orvr::sim::AppendCurveLine(line, c, ',', Model::kMaxLineBytes);
        benchmark::DoNotOptimize(line.data());
    }
    state.counters["bytes"] = static_cast<double>(line.size());
}
BENCHMARK(BM_FormatCurveLine)->Unit(benchmark::kMicrosecond);

// A whole measurement: MEASURE (finishing at once) and the MEAS reply.
void BM_MeasureAndRead(benchmark::State& state) {
    orvr::sim::Options o;
    o.busyMs = 0;
    o.points = Model::kMaxPoints;
    Model m(o);
    m.respond("FFT;");
    m.respond("FMIN;1;");
    m.respond("FMAX;100000;");
    std::size_t bytes = 0;
    for (auto _ : state) {
        m.respond("MEASURE;");
        bytes = m.respond("MEAS;1;").size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_MeasureAndRead)->Unit(benchmark::kMicrosecond);

// Answering MEAS alone: the line is written once per measurement.
void BM_MeasReply(benchmark::State& state) {
    orvr::sim::Options o;
    o.busyMs = 0;
    o.points = Model::kMaxPoints;
    Model m(o);
    m.respond("MEASURE;");
    for (auto _ : state) {
        benchmark::DoNotOptimize(m.respond("MEAS;1;").size());
    }
}
BENCHMARK(BM_MeasReply)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
