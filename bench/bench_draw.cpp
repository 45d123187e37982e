// Repaint of six 17,000-point curves at 900 x 500: ChartView (reduced per pixel column)
// against a stock QChartView fed every point, in one process, with the envelopes of the
// two pictures compared per series colour.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QImage>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QRandomGenerator>
#include <QValueAxis>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "bench/benchsupport.h"
#include "chart/chartmodel.h"
#include "chart/chartview.h"

using namespace orvr;

namespace {

constexpr int kPoints = 17000;
constexpr int kWidth = 900;
constexpr int kHeight = 500;

// Log-spaced 10 Hz to 100 kHz; each channel noisy in its own band so colours never overlap.
std::vector<QPointF> curve(int channel) {
    QRandomGenerator random(static_cast<quint32>(100 + channel));
    std::vector<QPointF> points;
    points.reserve(kPoints);
    const double level = -80 + 30.0 * channel;
    for (int i = 0; i < kPoints; ++i) {
        const double x = std::pow(10.0, 1 + 4.0 * i / (kPoints - 1));
        points.emplace_back(x, level + random.bounded(20.0) - 10);
    }
    return points;
}

struct Views {
    ChartModel model;
    std::unique_ptr<ChartView> ours;
    std::unique_ptr<QChartView> stock;

    Views() {
        for (int i = 0; i < kSeriesCount; ++i) {
            model.addPoints(i, curve(i));
            model.setLineWidth(i, 2);  // as after a readout
        }
        model.bottom().zoom(10, 100000);
        model.left().zoom(-100, 100);
        model.setLegendVisible(false);  // the stock legend lists series only
        ours = std::make_unique<ChartView>(&model);
        ours->resize(kWidth, kHeight);
        ours->show();
        ours->sync();

        // The stock view shares the chart's look, so both plots land on the same pixels.
        auto* chart = new QChart;
        chart->setBackgroundBrush(QColor::fromRgba(0xFF212121));
        chart->setBackgroundPen(Qt::NoPen);
        chart->setBackgroundRoundness(0);
        chart->setTitle(QStringLiteral("Rivezorud"));
        chart->setTitleBrush(Qt::white);
        chart->legend()->hide();
        auto* x = new QLogValueAxis;
        x->setLabelFormat(QStringLiteral("%g"));
        x->setMinorTickCount(8);
        x->setMinorGridLineVisible(false);
        x->setTitleText(QStringLiteral("Hz"));
        x->setRange(10, 100000);
        auto* y = new QValueAxis;
        y->setLabelFormat(QStringLiteral("%g"));
        y->setMinorTickCount(4);
        y->setRange(-100, 100);
        chart->addAxis(y, Qt::AlignLeft);
        chart->addAxis(x, Qt::AlignBottom);
        for (int i = 0; i < kSeriesCount; ++i) {
            auto* s = new QLineSeries;
            chart->addSeries(s);
            s->attachAxis(x);
            s->attachAxis(y);
            s->setPen(QPen(model.series(i).color, 2));
            const auto& points = model.series(i).points;
            s->replace(QList<QPointF>(points.begin(), points.end()));
        }
        stock = std::make_unique<QChartView>(chart);
        stock->setFrameShape(QFrame::NoFrame);
        stock->resize(kWidth, kHeight);
        stock->show();
        QCoreApplication::processEvents();
    }
};

Views* views = nullptr;

void BM_RepaintChartView(benchmark::State& state) {
    for (auto _ : state) {
        QPixmap picture = views->ours->grab();
        benchmark::DoNotOptimize(picture);
    }
}
BENCHMARK(BM_RepaintChartView)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_RepaintStock(benchmark::State& state) {
    for (auto _ : state) {
        QPixmap picture = views->stock->grab();
        benchmark::DoNotOptimize(picture);
    }
}
BENCHMARK(BM_RepaintStock)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// What a model change costs before the next repaint: reduce six curves and hand them over.
void BM_RebuildChartView(benchmark::State& state) {
    for (auto _ : state) {
        views->ours->sync();
    }
}
BENCHMARK(BM_RebuildChartView)->Unit(benchmark::kMillisecond);

class Recorder : public benchmark::ConsoleReporter {
  public:
    struct Times {
        double real = 0;
        double cpu = 0;
    };
    std::map<std::string, Times> ms;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            ms[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// Per series colour and pixel column of the plot: topmost and bottommost pixel.
using Envelope = std::map<std::pair<QRgb, int>, std::pair<int, int>>;

Envelope envelope(const QImage& image, const QRect& plot) {
    std::map<QRgb, bool> colours;
    for (int i = 0; i < kSeriesCount; ++i) {
        colours[views->model.series(i).color.rgba()] = true;
    }
    Envelope out;
    for (int x = plot.left(); x <= plot.right(); ++x) {
        for (int y = plot.top(); y <= plot.bottom(); ++y) {
            const QRgb pixel = image.pixel(x, y);
            if (!colours.count(pixel)) {
                continue;
            }
            auto [it, fresh] = out.try_emplace({pixel, x - plot.left()}, y, y);
            if (!fresh) {
                it->second.second = y;
            }
        }
    }
    return out;
}

void compareEnvelopes() {
    const QRect oursPlot = views->ours->chart()->plotArea().toAlignedRect();
    const QRect stockPlot = views->stock->chart()->plotArea().toAlignedRect();
    std::printf("plot areas: ChartView %dx%d%+d%+d, stock %dx%d%+d%+d\n", oursPlot.width(),
                oursPlot.height(), oursPlot.x(), oursPlot.y(), stockPlot.width(),
                stockPlot.height(), stockPlot.x(), stockPlot.y());
    const QImage a = views->ours->grab().toImage();
    const QImage b = views->stock->grab().toImage();
    const Envelope ea = envelope(a, oursPlot);
    const Envelope eb = envelope(b, stockPlot);
    int worst = 0;
    int onlyOne = 0;
    int beyondTwo = 0;
    for (const auto& [key, range] : eb) {
        const auto it = ea.find(key);
        if (it == ea.end()) {
            ++onlyOne;
            continue;
        }
        const int difference = std::max(std::abs(it->second.first - range.first),
                                        std::abs(it->second.second - range.second));
        worst = std::max(worst, difference);
        beyondTwo += difference > 2 ? 1 : 0;
    }
    for (const auto& entry : ea) {
        if (!eb.count(entry.first)) {
            ++onlyOne;
        }
    }
    std::printf(
        "envelope: %zu colour columns, largest top/bottom difference %d px, %d columns "
        "beyond 2 px, %d columns drawn in one picture only\n",
        eb.size(), worst, beyondTwo, onlyOne);
}

}  // namespace

int main(int argc, char** argv) {
    bench::PreferOffscreen();
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    Views built;
    views = &built;

    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    const auto ours = recorder.ms.find("BM_RepaintChartView");
    const auto stock = recorder.ms.find("BM_RepaintStock");
    if (ours != recorder.ms.end() && stock != recorder.ms.end()) {
        // Wall time is the figure; CPU time is shown as well, as it holds on a busy machine.
        std::printf(
            "repaint: ChartView %.2f ms, stock %.2f ms, ratio %.3f (target <= 0.3); "
            "CPU %.2f / %.2f ms, ratio %.3f\n",
            ours->second.real, stock->second.real, ours->second.real / stock->second.real,
            ours->second.cpu, stock->second.cpu, ours->second.cpu / stock->second.cpu);
    }
    compareEnvelopes();
    benchmark::Shutdown();
    views = nullptr;
    return 0;
}
