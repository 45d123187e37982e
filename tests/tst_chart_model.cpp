#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <functional>
#include <limits>
#include <random>

#include "chart/axis.h"
#include "chart/chartmodel.h"
#include "link/errors.h"

using namespace orvr;

namespace {

Axis MakeAxis(double min, double max, bool log) {
    Axis a;
    a.setAutomatic(false);
    a.setLogarithmic(log);  // while still 0 to 0
    a.setMax(std::max(max, 0.0));
    a.setMin(min);
    a.setMax(max);
    return a;
}

QString Refusal(const std::function<void()>& f) {
    try {
        f();
    } catch (const AxisError& e) {
        return e.text();
    }
    return {};
}

std::vector<double> Xs(const SeriesData& s) {
    std::vector<double> xs;
    for (const QPointF& p : s.points) {
        xs.push_back(p.x());
    }
    return xs;
}

}  // namespace

class ChartModelTest : public QObject {
    Q_OBJECT
  private slots:
    void axisRule_data();
    void axisRule();
    void automaticScaling();
    void drawnRange_data();
    void drawnRange();
    void labelStep_data();
    void labelStep();
    void startState();
    void orderedInsertion();
    void batchMatchesSingleInsertion();
    void nanXStaysOrdered();
    void legendEntries();
    void autoRanges();
    void changedOnEveryChange();
};

void ChartModelTest::axisRule_data() {
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<bool>("log");
    QTest::addColumn<QString>("op");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("error");

    const QString none;
    QTest::newRow("min above max") << 10.0 << 100.0 << false << "min" << 101.0 << kAxisMinError;
    QTest::newRow("min equal max") << 10.0 << 100.0 << false << "min" << 100.0 << none;
    QTest::newRow("min NaN") << 10.0 << 100.0 << false << "min" << qQNaN() << kAxisMinError;
    QTest::newRow("max below min") << 10.0 << 100.0 << false << "max" << 9.0 << kAxisMaxError;
    QTest::newRow("max equal min") << 10.0 << 100.0 << false << "max" << 10.0 << none;
    QTest::newRow("max NaN") << 10.0 << 100.0 << false << "max" << qQNaN() << kAxisMaxError;
    QTest::newRow("log, min negative") << -5.0 << 100.0 << false << "log" << 1.0 << kAxisLogError;
    QTest::newRow("log again, min negative")
        << -5.0 << 100.0 << true << "log" << 1.0 << kAxisLogError;
    QTest::newRow("log, max negative") << -50.0 << -5.0 << false << "log" << 1.0 << kAxisLogError;
    QTest::newRow("log, min zero") << 0.0 << 100.0 << false << "log" << 1.0 << none;
    QTest::newRow("log, both zero") << 0.0 << 0.0 << false << "log" << 1.0 << none;
    QTest::newRow("linear, min negative") << -5.0 << 100.0 << true << "log" << 0.0 << none;
}

void ChartModelTest::axisRule() {
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(bool, log);
    QFETCH(QString, op);
    QFETCH(double, value);
    QFETCH(QString, error);

    Axis a = MakeAxis(min, max, log);
    const QString refusal = Refusal([&] {
        if (op == "min") {
            a.setMin(value);
        } else if (op == "max") {
            a.setMax(value);
        } else {
            a.setLogarithmic(value != 0);
        }
    });
    QCOMPARE(refusal, error);
    if (!error.isEmpty()) {
        QCOMPARE(a.min(), min);
        QCOMPARE(a.max(), max);
        QCOMPARE(a.logarithmic(), log);
    } else if (op == "min") {
        QCOMPARE(a.min(), value);
    } else if (op == "max") {
        QCOMPARE(a.max(), value);
    } else {
        QCOMPARE(a.logarithmic(), value != 0);
    }
    QVERIFY(!a.automatic());
}

void ChartModelTest::automaticScaling() {
    Axis a;
    QVERIFY(a.automatic());
    a.setAutoRange(5, 50);
    a.setMin(10);  // a limit does not end automatic scaling
    QVERIFY(a.automatic());
    QCOMPARE(a.min(), 10.0);
    a.setAutoRange(5, 50);
    QCOMPARE(a.min(), 5.0);

    a.zoom(40, 20);  // a rectangle dragged right to left
    QVERIFY(!a.automatic());
    QCOMPARE(a.min(), 20.0);
    QCOMPARE(a.max(), 40.0);
    a.setAutoRange(0, 1);  // ignored once off
    QCOMPARE(a.min(), 20.0);
    a.zoom(qQNaN(), 1);
    QCOMPARE(a.max(), 40.0);
}

void ChartModelTest::drawnRange_data() {
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<bool>("log");
    QTest::addColumn<double>("drawnMin");
    QTest::addColumn<double>("drawnMax");
    QTest::newRow("log from 0") << 0.0 << 20000.0 << true << 1.0 << 20000.0;
    QTest::newRow("log from 10") << 10.0 << 20000.0 << true << 10.0 << 20000.0;
    QTest::newRow("log 0 to 0") << 0.0 << 0.0 << true << 1.0 << 1.0;
    QTest::newRow("log 0 to 0.5") << 0.0 << 0.5 << true << 1.0 << 1.0;
    QTest::newRow("linear from -5") << -5.0 << 5.0 << false << -5.0 << 5.0;
}

void ChartModelTest::drawnRange() {
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(bool, log);
    const Axis a = MakeAxis(min, max, log);
    QTEST(a.drawnMin(), "drawnMin");
    QTEST(a.drawnMax(), "drawnMax");
}

void ChartModelTest::labelStep_data() {
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("roundedMin");
    QTest::newRow("-37.3 to 12") << -37.3 << 12.0 << 5.0 << -40.0;
    QTest::newRow("-100 to 20") << -100.0 << 20.0 << 20.0 << -100.0;
    QTest::newRow("0.13 to 0.9") << 0.13 << 0.9 << 0.1 << 0.1;
    QTest::newRow("3 to 1003") << 3.0 << 1003.0 << 100.0 << 0.0;
    QTest::newRow("single -37") << -37.0 << -37.0 << 5.0 << -40.0;
    QTest::newRow("single 0") << 0.0 << 0.0 << 1.0 << 0.0;
}

void ChartModelTest::labelStep() {
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, step);
    QFETCH(double, roundedMin);
    QCOMPARE(LabelStep(min, max), step);
    QCOMPARE(RoundDownToStep(min, step), roundedMin);
}

void ChartModelTest::startState() {
    ChartModel m;
    const char* colors[] = {"#fffeaeaa", "#ffbbffa4", "#ff067bee",
                            "#ff09fc6e", "#fffc6262", "#ffe7f79b"};
    for (int i = 0; i < kSeriesCount; ++i) {
        const SeriesData& s = m.series(i);
        QCOMPARE(s.name, QStringLiteral("Series%1").arg(i + 1));
        QCOMPARE(s.color.name(QColor::HexArgb), QString::fromLatin1(colors[i]));
        QCOMPARE(s.legendText, QStringLiteral("no data"));
        QVERIFY(s.visible);
        QVERIFY(s.points.empty());
        QCOMPARE(s.lineWidth, 1.0);
    }
    QVERIFY(m.bottom().logarithmic());
    QVERIFY(m.bottom().automatic());
    QVERIFY(!m.left().logarithmic());
    QVERIFY(m.left().automatic());
    QCOMPARE(m.bottom().max(), 0.0);
    QCOMPARE(m.left().min(), 0.0);
    QCOMPARE(m.legendEntries(), QStringList(6, QStringLiteral("no data")));
    QVERIFY(m.legendVisible());
    QVERIFY(m.legendSymbolsVisible());
}

void ChartModelTest::orderedInsertion() {
    ChartModel m;
    // Equal X values are told apart by Y, which records their arrival.
    const QPointF arrivals[] = {{1000, 1}, {100, 2}, {100, 3}, {5000, 4}, {1000, 5}, {10, 6}};
    for (const QPointF& p : arrivals) {
        m.addPoint(0, p);
    }
    const std::vector<QPointF> expected = {{10, 6},   {100, 2},  {100, 3},
                                           {1000, 1}, {1000, 5}, {5000, 4}};
    QCOMPARE(m.series(0).points, expected);
    m.clearPoints(0);
    QVERIFY(m.series(0).points.empty());
}

void ChartModelTest::batchMatchesSingleInsertion() {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> x(0, 40);  // many equal X
    const auto byX = [](QPointF a, QPointF b) { return a.x() < b.x(); };
    for (int round = 0; round < 20; ++round) {
        ChartModel single;
        ChartModel batch;
        int arrival = 0;  // Y tells equal X apart
        // shuffled, sorted but interleaved with what is there, sorted beyond it, shuffled
        for (int part = 0; part < 4; ++part) {
            std::vector<QPointF> points(static_cast<size_t>(rng() % 60));
            for (QPointF& p : points) {
                p = QPointF(x(rng) + (part == 2 ? 100 : 0), arrival++);
            }
            if (part == 1 || part == 2) {
                std::stable_sort(points.begin(), points.end(), byX);
            }
            for (const QPointF& p : points) {
                single.addPoint(2, p);
            }
            batch.addPoints(2, points);
            QCOMPARE(batch.series(2).points, single.series(2).points);
        }
    }
}

void ChartModelTest::nanXStaysOrdered() {
    ChartModel m;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    m.addPoints(0, {{5, 0}, {nan, 0}, {1, 0}});
    m.addPoint(0, {3, 0});
    m.addPoint(0, {nan, 1});
    m.addPoint(0, {-1, 0});
    const std::vector<double> xs = Xs(m.series(0));
    QCOMPARE(xs.size(), size_t{6});
    QCOMPARE(std::vector<double>(xs.begin(), xs.begin() + 4), (std::vector<double>{-1, 1, 3, 5}));
    QVERIFY(std::isnan(xs[4]) && std::isnan(xs[5]));
    QCOMPARE(m.series(0).points[5].y(), 1.0);
    // NaN and infinite values do not stretch the automatic ranges
    m.addPoint(0, {std::numeric_limits<double>::infinity(), nan});
    QCOMPARE(m.bottom().min(), -1.0);
    QCOMPARE(m.bottom().max(), 5.0);
}

void ChartModelTest::legendEntries() {
    ChartModel m;
    m.setLegendText(1, QString());
    m.setLegendText(2, QStringLiteral("dBV"));
    QCOMPARE(m.legendEntries(),
             (QStringList{"no data", "Series2", "dBV", "no data", "no data", "no data"}));

    for (int i : {0, 3, 4, 5}) {
        m.setVisible(i, false);
    }
    QCOMPARE(m.shownSeries(), (std::vector<int>{1, 2}));
    QCOMPARE(m.legendEntries(), (QStringList{"Series2", "dBV"}));

    m.addPoints(2, {{1000, -1.25}, {100, -3.5}, {20000.5, 1e-7}});
    m.setVisible(1, false);
    QCOMPARE(m.shownCount(), 1);
    QCOMPARE(m.legendEntries(), (QStringList{"100 -3.5", "1000 -1.25", "20000.5 1e-07"}));

    m.setVisible(2, false);
    QVERIFY(m.legendEntries().isEmpty());
    QCOMPARE(m.shownCount(), 0);
}

void ChartModelTest::autoRanges() {
    ChartModel m;
    m.addPoints(0, {{20, -37.3}, {20000, 12}});
    m.addPoints(1, {{10, 50}, {30000, 60}});
    QCOMPARE(m.bottom().min(), 10.0);
    QCOMPARE(m.bottom().max(), 30000.0);
    QCOMPARE(m.left().min(), -40.0);  // rounded down to a label step of 10
    QCOMPARE(m.left().max(), 60.0);

    m.setVisible(1, false);  // hidden points leave the range
    QCOMPARE(m.bottom().min(), 20.0);
    QCOMPARE(m.left().max(), 12.0);

    // A limit set on an automatic axis holds until the range is read again.
    m.bottom().setMin(10);
    QCOMPARE(m.bottom().min(), 10.0);
    m.updateAutoRanges();
    QCOMPARE(m.bottom().min(), 20.0);

    m.clearPoints(0);
    QCOMPARE(m.bottom().min(), 0.0);
    QCOMPARE(m.bottom().max(), 0.0);
    QCOMPARE(m.left().min(), 0.0);
    QCOMPARE(m.left().max(), 0.0);

    m.addPoint(0, {50, 5});
    m.bottom().zoom(300, 400);
    m.addPoint(0, {60, 6});  // a zoomed axis keeps its range
    QCOMPARE(m.bottom().min(), 300.0);
    QCOMPARE(m.left().max(), 6.0);
}

void ChartModelTest::changedOnEveryChange() {
    ChartModel m;
    QSignalSpy spy(&m, &ChartModel::changed);
    const std::vector<std::function<void()>> changes = {
        [&] {
            m.addPoint(0, {1, 1});
        },
        [&] {
            m.addPoints(0, {{2, 2}});
        },
        [&] { m.clearPoints(0); },
        [&] { m.setLineWidth(0, 2); },
        [&] { m.setVisible(0, false); },
        [&] { m.setLegendText(0, "x"); },
        [&] { m.setLegendVisible(false); },
        [&] { m.setLegendSymbolsVisible(false); },
        [&] { m.notify(); },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        changes[i]();
        QCOMPARE(spy.count(), static_cast<int>(i + 1));
    }
    // Setting what is already there is no change.
    m.setLineWidth(0, 2);
    m.setVisible(0, false);
    m.setLegendText(0, "x");
    m.clearPoints(0);
    m.addPoints(0, {});
    m.updateAutoRanges();
    QCOMPARE(spy.count(), static_cast<int>(changes.size()));
}

QTEST_GUILESS_MAIN(ChartModelTest)
#include "tst_chart_model.moc"
