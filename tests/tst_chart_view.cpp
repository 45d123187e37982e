#include <QChart>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QtTest>
#include <cmath>
#include <map>
#include <memory>

#include "chart/chartmodel.h"
#include "chart/chartview.h"

using namespace orvr;

namespace {

// A shown view of 900 x 500 over its own model.
struct Rig {
    ChartModel model;
    std::unique_ptr<ChartView> view;
    Rig() {
        view = std::make_unique<ChartView>(&model);
        view->resize(900, 500);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        view->sync();
    }
    QLineSeries* drawn(int i) const {
        return static_cast<QLineSeries*>(view->chart()->series().at(i));
    }
    QAbstractAxis* bottomAxis() const { return view->chart()->axes(Qt::Horizontal).value(0); }
    QValueAxis* leftAxis() const {
        return qobject_cast<QValueAxis*>(view->chart()->axes(Qt::Vertical).value(0));
    }
    // A point of the plot area, given as fractions of its width and height from top left.
    QPoint plotPoint(double fx, double fy) const {
        const QRectF plot = view->chart()->plotArea();
        return view->mapFromScene(view->chart()->mapToScene(
            QPointF(plot.left() + fx * plot.width(), plot.top() + fy * plot.height())));
    }
    void setRange(Axis& axis, double min, double max) {
        axis.setAutomatic(false);
        axis.zoom(min, max);
    }
};

// Log-spaced X from 10 to 100000 with noisy Y, as a measured curve.
std::vector<QPointF> noisyCurve(int count, double level, quint32 seed) {
    QRandomGenerator random(seed);
    std::vector<QPointF> points;
    for (int i = 0; i < count; ++i) {
        const double x = std::pow(10.0, 1 + 4.0 * i / (count - 1));
        points.emplace_back(x, level + random.bounded(20.0) - 10);
    }
    return points;
}

// Lowest and highest Y of the points that an aliased pen of `width` lights each device
// pixel column from (those within width/2 of its centre), as Qt Charts places them.
std::map<int, std::pair<double, double>> columnEnvelope(QChart* chart, QLineSeries* series,
                                                        const QList<QPointF>& points,
                                                        double width) {
    const QRectF plot = chart->plotArea();
    std::map<int, std::pair<double, double>> columns;
    for (const QPointF& p : points) {
        const double px = chart->mapToPosition(p, series).x();
        if (px < plot.left() || px > plot.right()) {
            continue;
        }
        const int from = static_cast<int>(std::floor(px - 0.5 - width / 2)) + 1;
        const int to = static_cast<int>(std::floor(px - 0.5 + width / 2));
        for (int column = from; column <= to; ++column) {
            auto [it, fresh] = columns.try_emplace(column, p.y(), p.y());
            if (!fresh) {
                it->second.first = std::min(it->second.first, p.y());
                it->second.second = std::max(it->second.second, p.y());
            }
        }
    }
    return columns;
}

}  // namespace

class ChartViewTest : public QObject {
    Q_OBJECT
  private slots:
    void axesFollowModel_data();
    void axesFollowModel();
    void axisSwapLeavesNoStaleDrawing();
    void dragZoomsBothAxes_data();
    void dragZoomsBothAxes();
    void wheelAndDoubleClickDoNotZoom();
    void reductionKeepsColumnEnvelope_data();
    void reductionKeepsColumnEnvelope();
    void legendListsEntriesBelowPlot();
    void pictureReflectsModelAtCall();
    void pictureOfHiddenWindowHasLaidOutSize();
};

void ChartViewTest::axesFollowModel_data() {
    QTest::addColumn<bool>("log");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("drawnMin");
    QTest::addColumn<double>("firstDrawnX");

    QTest::newRow("log from 0 begins at 1") << true << 0.0 << 1000.0 << 1.0 << 1.0;
    QTest::newRow("log") << true << 10.0 << 20000.0 << 10.0 << 10.0;
    QTest::newRow("linear from 0") << false << 0.0 << 1000.0 << 0.0 << -5.0;
}

void ChartViewTest::axesFollowModel() {
    QFETCH(bool, log);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, drawnMin);
    QFETCH(double, firstDrawnX);

    Rig rig;
    QVERIFY(qobject_cast<QLogValueAxis*>(rig.bottomAxis()) != nullptr);
    // Points at X <= 0 cannot sit on a log scale: they are drawn at its start.
    rig.model.addPoints(0, {{-5, 1}, {0, 2}, {100, 3}});
    rig.setRange(rig.model.bottom(), min, max);
    rig.model.bottom().setLogarithmic(log);
    rig.setRange(rig.model.left(), -100, 20);
    rig.model.notify();
    rig.view->sync();

    QAbstractAxis* bottom = rig.bottomAxis();
    if (log) {
        auto* axis = qobject_cast<QLogValueAxis*>(bottom);
        QVERIFY(axis != nullptr);
        QCOMPARE(axis->min(), drawnMin);
        QCOMPARE(axis->max(), max);
    } else {
        auto* axis = qobject_cast<QValueAxis*>(bottom);
        QVERIFY(axis != nullptr);
        QCOMPARE(axis->min(), drawnMin);
        QCOMPARE(axis->max(), max);
    }
    QCOMPARE(rig.view->chart()->axes(Qt::Horizontal).size(), 1);
    QCOMPARE(rig.leftAxis()->min(), -100.0);
    QCOMPARE(rig.leftAxis()->max(), 20.0);
    QCOMPARE(rig.drawn(0)->attachedAxes().size(), 2);
    QCOMPARE(rig.drawn(0)->at(0).x(), firstDrawnX);
    // The model keeps what it was given.
    QCOMPARE(rig.model.series(0).points.front().x(), -5.0);
}

void ChartViewTest::axisSwapLeavesNoStaleDrawing() {
    Rig rig;
    rig.setRange(rig.model.bottom(), 10, 100000);
    rig.model.notify();
    rig.view->sync();
    const qsizetype items = rig.view->scene()->items().size();
    // Linear and back again without an event loop turn, as a picture taken right away sees it.
    rig.model.bottom().setLogarithmic(false);
    rig.view->sync();
    rig.model.bottom().setLogarithmic(true);
    rig.view->sync();
    QCOMPARE(rig.view->scene()->items().size(), items);
}

void ChartViewTest::dragZoomsBothAxes_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<bool>("zooms");

    QTest::newRow("left drag") << int(Qt::LeftButton) << QPointF(0.25, 0.25) << QPointF(0.75, 0.75)
                               << true;
    QTest::newRow("left drag upwards")
        << int(Qt::LeftButton) << QPointF(0.75, 0.75) << QPointF(0.25, 0.25) << true;
    QTest::newRow("left click") << int(Qt::LeftButton) << QPointF(0.5, 0.5) << QPointF(0.5, 0.5)
                                << false;
    QTest::newRow("right drag") << int(Qt::RightButton) << QPointF(0.25, 0.25)
                                << QPointF(0.75, 0.75) << false;
}

void ChartViewTest::dragZoomsBothAxes() {
    QFETCH(int, button);
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(bool, zooms);

    Rig rig;
    // Automatic ranges: 10 to 100000 (log) and -100 to 100.
    rig.model.addPoints(0, {{10, -100}, {1000, 0}, {100000, 100}});
    rig.view->sync();
    QCOMPARE(rig.model.bottom().min(), 10.0);
    QCOMPARE(rig.model.left().min(), -100.0);

    QWidget* viewport = rig.view->viewport();
    const auto b = static_cast<Qt::MouseButton>(button);
    QTest::mousePress(viewport, b, {}, rig.plotPoint(from.x(), from.y()));
    QTest::mouseMove(viewport, rig.plotPoint(0.5, 0.4));
    QTest::mouseMove(viewport, rig.plotPoint(to.x(), to.y()));
    QTest::mouseRelease(viewport, b, {}, rig.plotPoint(to.x(), to.y()));

    const Axis& x = rig.model.bottom();
    const Axis& y = rig.model.left();
    QCOMPARE(x.automatic(), !zooms);
    QCOMPARE(y.automatic(), !zooms);
    if (!zooms) {
        QCOMPARE(x.min(), 10.0);
        QCOMPARE(x.max(), 100000.0);
        QCOMPARE(y.min(), -100.0);
        QCOMPARE(y.max(), 100.0);
        return;
    }
    // A quarter in from each side: 100 to 10000 on four decades, -50 to 50 on 200.
    // A pixel of rounding is about 1 % of a decade here.
    QVERIFY2(std::abs(std::log10(x.min()) - 2) < 0.02, qPrintable(QString::number(x.min())));
    QVERIFY2(std::abs(std::log10(x.max()) - 4) < 0.02, qPrintable(QString::number(x.max())));
    QVERIFY2(std::abs(y.min() + 50) < 2, qPrintable(QString::number(y.min())));
    QVERIFY2(std::abs(y.max() - 50) < 2, qPrintable(QString::number(y.max())));
    // The view follows the zoomed model.
    QCoreApplication::processEvents();
    QCOMPARE(qobject_cast<QLogValueAxis*>(rig.bottomAxis())->min(), x.min());
    QCOMPARE(rig.leftAxis()->max(), y.max());
}

void ChartViewTest::wheelAndDoubleClickDoNotZoom() {
    Rig rig;
    rig.model.addPoints(0, {{10, -100}, {100000, 100}});
    rig.view->sync();
    QSignalSpy doubleClicks(rig.view.get(), &ChartView::doubleClicked);
    QWidget* viewport = rig.view->viewport();
    const QPoint centre = rig.plotPoint(0.5, 0.5);

    QWheelEvent wheel(centre, viewport->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewport, &wheel);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, centre);

    QCOMPARE(doubleClicks.count(), 1);
    QVERIFY(rig.model.bottom().automatic());
    QVERIFY(rig.model.left().automatic());
    QCoreApplication::processEvents();
    QCOMPARE(qobject_cast<QLogValueAxis*>(rig.bottomAxis())->min(), 10.0);
    QCOMPARE(qobject_cast<QLogValueAxis*>(rig.bottomAxis())->max(), 100000.0);
}

void ChartViewTest::reductionKeepsColumnEnvelope_data() {
    QTest::addColumn<bool>("log");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("resizeTo");  // 0: keep the size

    QTest::newRow("log, whole curve") << true << 10.0 << 100000.0 << 2.0 << 0;
    QTest::newRow("log, whole curve, thin pen") << true << 10.0 << 100000.0 << 1.0 << 0;
    QTest::newRow("log, zoomed into a decade") << true << 1000.0 << 10000.0 << 2.0 << 0;
    QTest::newRow("linear, zoomed, wide pen") << false << 100.0 << 5000.0 << 3.0 << 0;
    QTest::newRow("log, after a resize") << true << 10.0 << 100000.0 << 2.0 << 500;
}

void ChartViewTest::reductionKeepsColumnEnvelope() {
    QFETCH(bool, log);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, width);
    QFETCH(int, resizeTo);

    Rig rig;
    const std::vector<QPointF> curve = noisyCurve(17000, 0, 7);
    rig.model.addPoints(2, curve);
    rig.model.setLineWidth(2, width);
    rig.model.bottom().setLogarithmic(log);
    rig.setRange(rig.model.bottom(), min, max);
    rig.setRange(rig.model.left(), -20, 20);
    rig.view->sync();
    if (resizeTo > 0) {
        // The view reduces again by itself once the new size is laid out.
        rig.view->resize(resizeTo, 400);
        QCoreApplication::processEvents();
        QCOMPARE(rig.view->width(), resizeTo);
    }

    QChart* chart = rig.view->chart();
    QLineSeries* series = rig.drawn(2);
    const QList<QPointF> reduced = series->points();
    const QList<QPointF> full(curve.begin(), curve.end());
    QVERIFY2(reduced.size() * 4 < full.size(), qPrintable(QString::number(reduced.size())));

    const auto want = columnEnvelope(chart, series, full, width);
    const auto got = columnEnvelope(chart, series, reduced, width);
    QVERIFY(want.size() > 100);
    QCOMPARE(got.size(), want.size());
    for (const auto& [column, range] : want) {
        const auto it = got.find(column);
        QVERIFY2(it != got.end(), qPrintable(QString::number(column)));
        QCOMPARE(it->second.first, range.first);
        QCOMPARE(it->second.second, range.second);
    }
    // The line still enters and leaves the plot at its edges.
    QCOMPARE(reduced.front().x() < min, curve.front().x() < min);
    QCOMPARE(reduced.back().x() > max, curve.back().x() > max);
}

void ChartViewTest::legendListsEntriesBelowPlot() {
    Rig rig;
    rig.model.addPoints(0, {{10, 1}, {20, 2.5}, {30, -3}});
    rig.model.addPoints(1, {{10, 4}});
    rig.model.setLegendText(1, QStringLiteral("dBV"));
    rig.model.setLegendText(0, QString());
    for (int i = 2; i < kSeriesCount; ++i) {
        rig.model.setVisible(i, false);
    }
    rig.view->sync();
    QCOMPARE(rig.view->legendLines(), (QStringList{"Series1", "dBV"}));
    const qreal withLegend = rig.view->chart()->plotArea().bottom();

    rig.model.setVisible(1, false);
    rig.view->sync();
    QCOMPARE(rig.view->legendLines(), (QStringList{"10 1", "20 2.5", "30 -3"}));

    rig.model.setLegendVisible(false);
    rig.view->sync();
    QVERIFY(rig.view->legendLines().isEmpty());
    // The legend takes its room below the plot instead of covering it.
    QVERIFY(rig.view->chart()->plotArea().bottom() > withLegend);

    // A lone series of a whole curve lists every point but leaves the plot most of the room.
    rig.model.setLegendVisible(true);
    rig.model.addPoints(0, noisyCurve(17000, 0, 3));
    rig.view->sync();
    QCOMPARE(rig.view->legendLines().size(), 17003);
    QVERIFY(rig.view->chart()->plotArea().height() > rig.view->height() / 3);
}

void ChartViewTest::pictureReflectsModelAtCall() {
    Rig rig;
    rig.view->resize(640, 360);
    rig.setRange(rig.model.bottom(), 10, 100000);
    rig.setRange(rig.model.left(), -50, 50);
    // No event loop turn between the change and the picture.
    rig.model.addPoints(4, {{10, 0}, {100000, 0}});
    rig.model.setLineWidth(4, 2);
    const QPixmap picture = rig.view->renderPicture();
    QCOMPARE(picture.size(), QSize(640, 360));
    QCOMPARE(rig.drawn(4)->count(), 2);

    // The flat line across the middle of the plot shows in the series colour.
    const QImage image = picture.toImage();
    const QPoint middle = rig.plotPoint(0.5, 0.5);
    const QRgb colour = rig.model.series(4).color.rgba();
    bool found = false;
    for (int dy = -2; dy <= 2 && !found; ++dy) {
        found = image.pixel(middle.x(), middle.y() + dy) == colour;
    }
    QVERIFY(found);
    QCOMPARE(image.pixel(1, 1), QColor::fromRgba(0xFF212121).rgba());
}

void ChartViewTest::pictureOfHiddenWindowHasLaidOutSize() {
    // As in a window that has never been shown: its layout is still pending.
    ChartModel model;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* view = new ChartView(&model);
    layout->addWidget(view);
    window.resize(700, 400);
    model.addPoints(0, noisyCurve(17000, 0, 5));

    const QPixmap picture = view->renderPicture();
    QVERIFY2(view->width() > 600, qPrintable(QString::number(view->width())));
    QCOMPARE(picture.size(), view->size());
    // Drawn for the laid-out plot, not for the size before.
    QCOMPARE(view->chart()->size().toSize(), view->size());
}

QTEST_MAIN(ChartViewTest)
#include "tst_chart_view.moc"
