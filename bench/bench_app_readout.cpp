// The whole read-all click against the in-process simulator with six curves at the
// longest line a reply may carry, beside its floor in the same run: seven bare loopback
// exchanges with the same replies plus the seven fixed 50 ms waits, and beside that floor
// with the fixed 10 ms pause of each of the readout's two status updates added.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <chrono>
#include <cstdio>

#include "bench/sixcurvewindow.h"
#include "link/exchange.h"

using namespace orvr;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWaitMs = 50;
constexpr int kExchanges = kSeriesCount + 1;  // six curves and the chart details
constexpr int kStatusPausesMs = 2 * 10;       // "Wait" before, "Ok" after

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Setup : bench::SixCurveWindow {
    // The same seven requests without the wait: connection, transfer and close only.
    double bareExchangesMs() const {
        Bounds bounds;
        bounds.waitMs = 0;
        double total = 0;
        for (int i = 0; i < kExchanges; ++i) {
            const QString command = i < kSeriesCount ? cmd::Meas(i + 1) : cmd::ChartDetails();
            const auto start = Clock::now();
            const ExchangeResult r = Exchange("127.0.0.1", server->port(), command, bounds);
            total += Ms(Clock::now() - start);
            if (r.failure != Failure::None ||
                r.reply.size() != replyBytes[static_cast<std::size_t>(i)]) {
                return -1;
            }
        }
        return total;
    }
};

Setup* setup = nullptr;

void BM_ReadAllChannels(benchmark::State& state) {
    TForm1& form = *setup->form;
    double handlerMs = 0;
    double pendingMs = 0;
    double drawMs = 0;
    double floorMs = 0;
    double aboveMs = 0;
    double abovePausesMs = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        form.sbOrvLeseAlleKanaeleClick();
        const auto handled = Clock::now();
        // Whatever the click left queued for the chart (its rebuild, a window repaint).
        QCoreApplication::processEvents();
        const auto updated = Clock::now();
        const QPixmap picture = form.Chart1->renderPicture();
        const auto drawn = Clock::now();
        benchmark::DoNotOptimize(picture.cacheKey());

        const double bare = setup->bareExchangesMs();
        if (bare < 0 || !setup->full()) {
            state.SkipWithError("the readout or its floor did not deliver six full curves");
            return;
        }
        setup->server->clearLog();
        const double readout = Ms(updated - start);
        const double floor = bare + kExchanges * kWaitMs;
        state.SetIterationTime(readout / 1000.0);
        handlerMs += Ms(handled - start);
        pendingMs += Ms(updated - handled);
        drawMs += Ms(drawn - updated);
        floorMs += floor;
        aboveMs += readout - floor;
        abovePausesMs += readout - floor - kStatusPausesMs;
    }
    using C = benchmark::Counter;
    state.counters["handler_ms"] = C(handlerMs, C::kAvgIterations);
    state.counters["pending_ms"] = C(pendingMs, C::kAvgIterations);
    state.counters["draw_ms"] = C(drawMs, C::kAvgIterations);
    state.counters["floor_ms"] = C(floorMs, C::kAvgIterations);
    state.counters["above_floor_ms"] = C(aboveMs, C::kAvgIterations);
    state.counters["above_floor_and_pauses_ms"] = C(abovePausesMs, C::kAvgIterations);
}
BENCHMARK(BM_ReadAllChannels)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// One status update with nothing pending: the readout makes two, which its floor omits.
void BM_StatusUpdate(benchmark::State& state) {
    TForm1& form = *setup->form;
    for (auto _ : state) {
        form.SetStatus(static_cast<uint8_t>(Status::Ok), form.sbOrvLeseAlleKanaele);
    }
}
BENCHMARK(BM_StatusUpdate)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);

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
    built.form->sbOrvLeseAlleKanaeleClick();  // first use: fonts, caches, allocations
    QCoreApplication::processEvents();
    if (!built.full()) {
        std::fprintf(stderr, "the warm-up readout did not deliver six full curves\n");
        return 1;
    }
    std::printf("six curves of %d points, reply lines of %d bytes; chart %dx%d\n",
                sim::Model::kMaxPoints, built.replyBytes.front(), built.form->Chart1->width(),
                built.form->Chart1->height());

    bench::MedianRecorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    const auto it = recorder.runs.find("BM_ReadAllChannels");
    if (it != recorder.runs.end()) {
        auto counter = [&](const char* name) { return double(it->second.counters.at(name)); };
        std::printf(
            "readout %.1f ms (handler %.1f + pending %.1f), floor %.1f ms, difference %.1f ms "
            "(target <= 15), %.1f ms beyond the two status pauses as well; one draw of the "
            "chart %.1f ms\n",
            it->second.GetAdjustedRealTime(), counter("handler_ms"), counter("pending_ms"),
            counter("floor_ms"), counter("above_floor_ms"), counter("above_floor_and_pauses_ms"),
            counter("draw_ms"));
    }
    const auto status = recorder.runs.find("BM_StatusUpdate");
    if (status != recorder.runs.end()) {
        std::printf("one status update %.1f ms; the readout makes two\n",
                    status->second.GetAdjustedRealTime());
    }
    benchmark::Shutdown();
    setup = nullptr;
    return 0;
}
