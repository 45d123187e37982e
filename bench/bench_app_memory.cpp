// Peak resident memory of the whole window holding six curves at the longest line a
// reply may carry, read and drawn, beside the same window empty and drawn in the same
// process. The in-process simulator is set up first, so the baseline carries it too.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <cstdio>

#include "bench/sixcurvewindow.h"

using namespace orvr;

namespace {

// A field of /proc/self/status in MB ("VmHWM", "VmRSS"); -1 when it cannot be read.
double StatusMb(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix)) {
            bool ok = false;
            const double kb = line.mid(prefix.size()).trimmed().split(' ').front().toDouble(&ok);
            return ok ? kb / 1024.0 : -1;
        }
    }
    return -1;
}

struct Setup : bench::SixCurveWindow {
    double emptyPeakMb = 0;
    double emptyRssMb = 0;

    Setup() {
        draw();
        emptyPeakMb = StatusMb("VmHWM");
        emptyRssMb = StatusMb("VmRSS");
    }

    void draw() {
        const QPixmap picture = form->Chart1->renderPicture();
        benchmark::DoNotOptimize(picture.cacheKey());
    }
};

Setup* setup = nullptr;

// Each repetition reads and draws again; a peak that climbs between repetitions is a
// readout that keeps what it should have let go.
void BM_WindowWithSixCurves(benchmark::State& state) {
    for (auto _ : state) {
        setup->form->sbOrvLeseAlleKanaeleClick();
        QCoreApplication::processEvents();
        setup->draw();
    }
    if (!setup->full()) {
        state.SkipWithError("the readout did not deliver six full curves");
        return;
    }
    setup->server->clearLog();
    state.counters["peak_mb"] = StatusMb("VmHWM");
    state.counters["rss_mb"] = StatusMb("VmRSS");
    state.counters["empty_peak_mb"] = setup->emptyPeakMb;
}
BENCHMARK(BM_WindowWithSixCurves)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    bench::PreferOffscreen();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Setup built;
    setup = &built;
    std::printf("empty window drawn: peak %.1f MB, resident %.1f MB\n", built.emptyPeakMb,
                built.emptyRssMb);

    bench::MedianRecorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    const auto it = recorder.runs.find("BM_WindowWithSixCurves");
    if (it != recorder.runs.end()) {
        const double peak = it->second.counters.at("peak_mb");
        std::printf(
            "six curves read and drawn: peak %.1f MB (target <= 120), empty window "
            "%.1f MB, difference %.1f MB; resident after %.1f MB\n",
            peak, built.emptyPeakMb, peak - built.emptyPeakMb,
            double(it->second.counters.at("rss_mb")));
    }
    benchmark::Shutdown();
    setup = nullptr;
    return 0;
}
