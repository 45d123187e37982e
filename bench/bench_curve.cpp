// Curve readout throughput: one full-length curve line parsed into points, against the
// obvious split-and-convert path, plus sorting a readout's points into a series.
#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "bench/benchsupport.h"
#include "chart/chartmodel.h"
#include "chart/curve.h"

namespace {

constexpr qsizetype kLineLength = 256000;

// Pairs like "1234.5678;-12.345678;" until the line is full, ending on a whole pair.
const QString& CurveLine() {
    static const QString line = [] {
        std::mt19937 rng(1);
        std::uniform_real_distribution<double> hz(10, 99999);
        std::uniform_real_distribution<double> level(-99, 99);
        std::string s;
        char pair[64];
        for (;;) {
            std::snprintf(pair, sizeof pair, "%.4f;%.6f;", hz(rng), level(rng));
            if (s.size() + std::strlen(pair) > static_cast<size_t>(kLineLength)) {
                break;
            }
            s += pair;
        }
        return QString::fromLatin1(s);
    }();
    return line;
}

void BM_ParseCurve(benchmark::State& state) {
    const QString& line = CurveLine();
    std::vector<QPointF> points;
    int32_t count = 0;
    for (auto _ : state) {
        orvr::ParseCurve(line, QLatin1Char('.'), points, count);
        benchmark::DoNotOptimize(points.data());
    }
    state.SetBytesProcessed(state.iterations() * line.size());
    state.counters["points"] = static_cast<double>(points.size());
}
BENCHMARK(BM_ParseCurve)->Unit(benchmark::kMicrosecond);

void BM_SplitToDouble(benchmark::State& state) {
    const QString& line = CurveLine();
    std::vector<QPointF> points;
    for (auto _ : state) {
        points.clear();
        const QStringList fields = line.split(QLatin1Char(';'));
        for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
            points.emplace_back(fields[i].toDouble(), fields[i + 1].toDouble());
        }
        benchmark::DoNotOptimize(points.data());
    }
    state.SetBytesProcessed(state.iterations() * line.size());
    state.counters["points"] = static_cast<double>(points.size());
}
BENCHMARK(BM_SplitToDouble)->Unit(benchmark::kMicrosecond);

// 17,000 points into a cleared series: in order (a frequency sweep), and shuffled.
void BM_AddPoints17000(benchmark::State& state) {
    std::vector<QPointF> points(17000);
    for (size_t i = 0; i < points.size(); ++i) {
        points[i] = QPointF(10.0 + static_cast<double>(i) * 5.5, static_cast<double>(i % 97));
    }
    if (state.range(0) != 0) {
        std::shuffle(points.begin(), points.end(), std::mt19937(2));
    }
    orvr::ChartModel chart;
    for (auto _ : state) {
        chart.clearPoints(0);
        chart.addPoints(0, points);
        benchmark::DoNotOptimize(chart.series(0).points.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(points.size()));
}
BENCHMARK(BM_AddPoints17000)->ArgName("shuffled")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    orvr::bench::MedianRecorder reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto* fast = reporter.find("BM_ParseCurve");
    const auto* naive = reporter.find("BM_SplitToDouble");
    if (fast != nullptr && naive != nullptr) {
        // Characters of the line count as bytes: it arrives as one byte each.
        const double f = fast->counters.at("bytes_per_second");
        const double n = naive->counters.at("bytes_per_second");
        if (n > 0) {
            std::printf("ParseCurve %.0f MB/s, split + toDouble %.1f MB/s, ratio %.1f\n", f / 1e6,
                        n / 1e6, f / n);
        }
    }
    return 0;
}
