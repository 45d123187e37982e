// Reading the six curves into the chart and the chart's view controls, through the whole
// window against the in-process simulator.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "chart/chartview.h"
#include "lang/texts.h"
#include "link/fields.h"
#include "support/formrig.h"

using namespace orvr;
using namespace orvr::test;

namespace {

QStringList detailFields(sim::Model& model) {
    return SplitFields(QString::fromStdString(model.chartDetailsLine()), QLatin1Char(';'));
}

}  // namespace

class WindowChart : public QObject {
    Q_OBJECT
  private slots:
    void readoutFillsSeriesLegendsAndAxes();
    void channelWithoutCurveReadsNoData();
    void unreachableReadoutKeepsLegendsAndAxes();
    void badValueLeavesReadoutStuckUntilConnect();
    void hiddenChannelsStayHiddenWithNewCurves();
    void channelBoxesAndLegendBox();
    void activeAndAll();
    void activeWithoutChannelShowsNothing();
    void doubleClick();
    void copyAndShare();
};

void WindowChart::readoutFillsSeriesLegendsAndAxes() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    form->sbOrvLeseAlleKanaeleClick();
    QVERIFY(rig.dialogs->errors.isEmpty());

    const QStringList f = detailFields(rig.server->model());
    QVERIFY(f.size() >= 27);
    for (int ch = 1; ch <= 6; ++ch) {
        const QStringList curve = SplitFields(
            QString::fromStdString(rig.server->model().curveLine(ch)), QLatin1Char(';'));
        const auto& series = form->chart().series(ch - 1);
        const int pairs = curve.size() / 2;
        QCOMPARE(form->chartData().Messdata[ch - 1].ArrMessdatenVorhanden, pairs * 2);
        QCOMPARE(int(series.points.size()), pairs);
        QCOMPARE(series.lineWidth, 2.0);
        const QString unit = pairs > 0 ? f[14 + ch] : QStringLiteral("no data");
        QCOMPARE(series.legendText, unit);
    }
    const Axis& bottom = form->chart().bottom();
    QVERIFY(!bottom.automatic());
    QCOMPARE(bottom.logarithmic(), f[2] != QLatin1String("0"));
    QCOMPARE(bottom.max(), double(f[1].toInt()));
    const Axis& left = form->chart().left();
    QVERIFY(!left.automatic());
    QCOMPARE(left.min(), double(f[4].toInt()));
    QCOMPARE(left.max(), double(f[5].toInt()));
}

void WindowChart::channelWithoutCurveReadsNoData() {
    Rig rig;
    rig.server->setOverride("MEAS;3;", "\r\n");
    rig.server->setOverride("MEAS;5;", "100\r\n");  // one lone field: no point
    auto form = makeForm(rig);
    form->Create();
    form->sbOrvLeseAlleKanaeleClick();
    for (int index : {2, 4}) {
        QVERIFY(form->chart().series(index).points.empty());
        QCOMPARE(form->chartData().Messdata[index].ArrMessdatenVorhanden, 0);
        QCOMPARE(form->chartData().Messdata[index].stDataEnheit, QStringLiteral("no data"));
        QCOMPARE(form->chart().series(index).legendText, QStringLiteral("no data"));
    }
    QVERIFY(form->chart().series(0).legendText != QStringLiteral("no data"));
}

void WindowChart::unreachableReadoutKeepsLegendsAndAxes() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    form->sbOrvLeseAlleKanaeleClick();
    const QString legend = form->chart().series(0).legendText;
    const double max = form->chart().bottom().max();
    rig.server->setFault(sim::Fault::Refuse);
    form->sbOrvLeseAlleKanaeleClick();
    for (int i = 0; i < 6; ++i) {
        QVERIFY(form->chart().series(i).points.empty());
        QCOMPARE(form->chartData().Messdata[i].ArrMessdatenVorhanden, 0);
    }
    QCOMPARE(form->chart().series(0).legendText, legend);
    QCOMPARE(form->chart().bottom().max(), max);
    QCOMPARE(form->lbstatus->text(), QStringLiteral("Ok"));
    QVERIFY(noneLocked(*form));
    QVERIFY(form->TimerBusy->enabled());
}

void WindowChart::badValueLeavesReadoutStuckUntilConnect() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    form->sbOrvLeseAlleKanaeleClick();
    const auto before4 = form->chart().series(3).points;
    const int count3 = form->chartData().Messdata[2].ArrMessdatenVorhanden;

    rig.server->setOverride("MEAS;2;", "1000;1;100;2;\r\n");
    rig.server->setOverride("MEAS;3;", "100;1;1000;\r\n");
    form->sbOrvLeseAlleKanaeleClick();
    QCOMPARE(rig.dialogs->errors,
             QStringList{QStringLiteral("'' is not a valid floating point value.")});
    // Channel 2 ordered by X, channel 3 up to the bad value, channel 4 untouched.
    QCOMPARE(form->chart().series(1).points,
             (std::vector<QPointF>{QPointF(100, 2), QPointF(1000, 1)}));
    QCOMPARE(form->chart().series(2).points, std::vector<QPointF>{QPointF(100, 1)});
    QCOMPARE(form->chartData().Messdata[2].ArrMessdatenVorhanden, count3);
    QCOMPARE(form->chart().series(3).points, before4);
    QCOMPARE(form->lbstatus->text(), QStringLiteral("Wait..."));
    QVERIFY(allLocked(*form));
    QVERIFY(!form->TimerBusy->enabled());

    form->sbSetIPClick();
    QCOMPARE(form->lbstatus->text(), QStringLiteral("Ok"));
    QVERIFY(noneLocked(*form));
    QVERIFY(form->TimerBusy->enabled());
}

void WindowChart::hiddenChannelsStayHiddenWithNewCurves() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    for (QCheckBox* c : form->ChartCh) {
        c->setChecked(false);
    }
    form->sbOrvLeseAlleKanaeleClick();
    for (int i = 0; i < 6; ++i) {
        QVERIFY(!form->chart().series(i).visible);
        QVERIFY(!form->ChartCh[i]->isChecked());
    }
    QVERIFY(!form->chart().series(0).points.empty());
}

void WindowChart::channelBoxesAndLegendBox() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    QCheckBox* legend = form->cbChartLegendOnOff;
    for (int i = 0; i < 5; ++i) {
        form->ChartCh[i]->setChecked(false);
        QVERIFY(!form->chart().series(i).visible);
    }
    QVERIFY(!legend->isHidden());
    QVERIFY(!legend->isChecked());
    QVERIFY(!form->chart().legendVisible());
    legend->setChecked(true);  // the one series' points are then listed
    QVERIFY(form->chart().legendVisible());

    form->ChartCh[5]->setChecked(false);
    QVERIFY(legend->isHidden());
    QVERIFY(!legend->isChecked());
    QVERIFY(form->chart().legendEntries().isEmpty());

    form->ChartCh[0]->setChecked(true);
    QVERIFY(!legend->isHidden());
    QVERIFY(!legend->isChecked());
    form->ChartCh[1]->setChecked(true);
    QVERIFY(legend->isHidden());
    QVERIFY(legend->isChecked());
    QVERIFY(form->chart().legendVisible());
    QCOMPARE(form->chart().legendEntries().size(), 2);
}

void WindowChart::activeAndAll() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    form->cbMesskanal->setCurrentIndex(2);
    form->sbViewOnlySelectedChannelClick();
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(form->chart().series(i).visible, i == 2);
    }
    QVERIFY(!form->cbChartLegendOnOff->isHidden());
    QVERIFY(!form->cbChartLegendOnOff->isChecked());
    QVERIFY(!form->chart().legendVisible());
    form->cbChartLegendOnOff->setChecked(true);
    QVERIFY(!form->chart().legendSymbolsVisible());

    form->sbViewAllOrNoneChannelsClick();
    for (int i = 0; i < 6; ++i) {
        QVERIFY(form->chart().series(i).visible);
    }
    QVERIFY(form->chart().legendVisible());
    QVERIFY(form->chart().legendSymbolsVisible());
    QVERIFY(form->cbChartLegendOnOff->isHidden());
}

void WindowChart::activeWithoutChannelShowsNothing() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    QCOMPARE(form->cbMesskanal->currentIndex(), -1);
    form->sbViewOnlySelectedChannelClick();
    QCOMPARE(form->chart().shownCount(), 0);
    QVERIFY(form->cbChartLegendOnOff->isHidden());
}

void WindowChart::doubleClick() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    form->Chart1DblClick();  // the empty chart's automatic range is 0 to 0
    QCOMPARE(rig.dialogs->errors,
             QStringList{QStringLiteral("Axis Minimum Value must be <= Maximum.")});
    form->sbOrvLeseAlleKanaeleClick();
    form->chart().bottom().zoom(300, 400);
    form->Chart1DblClick();
    QCOMPARE(form->chart().bottom().min(), 10.0);
    QCOMPARE(form->chart().bottom().max(), 90000.0);
    QCOMPARE(rig.dialogs->errors.size(), 1);
}

void WindowChart::copyAndShare() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    form->resize(900, 500);
    form->sbOrvLeseAlleKanaeleClick();
    QGuiApplication::clipboard()->clear();
    form->popCopyClick();
    QImage picture = QGuiApplication::clipboard()->image();
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), form->Chart1->size());
    QCOMPARE(rig.dialogs->infos, QStringList{text::English(text::ChartCopied)});

    QGuiApplication::clipboard()->clear();
    form->SpeedButton1->click();
    QVERIFY(!QGuiApplication::clipboard()->image().isNull());
    QCOMPARE(rig.dialogs->infos.size(), 2);
    QVERIFY(form->SpeedButton1->isEnabled());
}

QTEST_MAIN(WindowChart)
#include "tst_window_chart.moc"
