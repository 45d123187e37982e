#include <QSignalSpy>
#include <QTest>
#include <map>

#include "chart/axis.h"
#include "chart/chartdetails.h"
#include "chart/chartmodel.h"
#include "link/errors.h"

using namespace orvr;

namespace {

// The reply of a six-channel amplitude measurement, with some fields replaced.
QString Details(const std::map<int, QString>& changes = {}) {
    QStringList f = {"10", "20000", "1", "Hz", "-100", "20", "-50", "50", "0"};
    for (int c = 1; c <= 6; ++c) {
        f << QStringLiteral("Ch%1").arg(c);
    }
    for (int c = 1; c <= 6; ++c) {
        f << QStringLiteral("dBV");
    }
    for (int c = 1; c <= 6; ++c) {
        f << QStringLiteral("1");
    }
    for (const auto& [i, text] : changes) {
        f[i] = text;
    }
    return f.join(QLatin1Char(';'));
}

// A record after six channels that all returned a curve.
TChartData WithData() {
    TChartData d;
    for (TMessdata& m : d.Messdata) {
        m.ArrMessdatenVorhanden = 4;
    }
    return d;
}

// Applies a reply and returns the error text it ended with, if any.
QString Apply(const QString& reply, TChartData& data, ChartModel& chart) {
    try {
        ApplyChartDetails(reply, data, chart);
    } catch (const Error& e) {
        return e.text();
    }
    return {};
}

struct AxisState {
    double min;
    double max;
    bool log;
    bool automatic;
};

AxisState StateOf(const Axis& a) {
    return {a.min(), a.max(), a.logarithmic(), a.automatic()};
}

}  // namespace

Q_DECLARE_METATYPE(AxisState)

class ChartDetailsTest : public QObject {
    Q_OBJECT
  private slots:
    void axes_data();
    void axes();
    void record();
    void flags_data();
    void flags();
    void yAxisLowBits_data();
    void yAxisLowBits();
    void integerErrorKeepsEarlierFields();
    void noDataRule();
    void emptyUnitShowsSeriesName();
    void incompleteReplyChangesNothing_data();
    void incompleteReplyChangesNothing();
    void viewFollowsStepsBeforeRefusal();
};

void ChartDetailsTest::axes_data() {
    QTest::addColumn<QString>("before");  // a reply applied first, or empty
    QTest::addColumn<QString>("reply");
    QTest::addColumn<AxisState>("bottom");
    QTest::addColumn<AxisState>("left");
    QTest::addColumn<QString>("error");

    const QString none;
    const AxisState left = {-100, 20, false, false};
    const AxisState untouched = {0, 0, false, true};
    QTest::newRow("amplitude reply")
        << none << Details() << AxisState{10, 20000, true, false} << left << none;
    QTest::newRow("linear") << none << Details({{2, "0"}, {0, "50"}})
                            << AxisState{10, 20000, false, false} << left << none;
    QTest::newRow("max 0 gives 95000")
        << none << Details({{1, "0"}}) << AxisState{10, 95000, true, false} << left << none;
    QTest::newRow("max 9 gives 95000")
        << none << Details({{1, "9"}}) << AxisState{10, 95000, true, false} << left << none;
    QTest::newRow("max 10 kept") << none << Details({{1, "10"}}) << AxisState{10, 10, true, false}
                                 << left << none;

    // The start of the frequency axis snaps to 10 or 100 strictly inside two bands.
    const std::pair<int, double> snapping[] = {
        {0, 0},     {11, 11},   {12, 10},   {50, 10},   {99, 10},     {100, 100},    {105, 105},
        {110, 110}, {111, 100}, {500, 100}, {999, 100}, {1000, 1000}, {19999, 19999}};
    for (const auto& [minX, axisMin] : snapping) {
        QTest::addRow("min %d", minX) << none << Details({{0, QString::number(minX)}})
                                      << AxisState{axisMin, 20000, true, false} << left << none;
    }

    const QString negativeMin = Details({{0, "-5"}});
    QTest::newRow("negative min on log accepted")
        << none << negativeMin << AxisState{-5, 20000, true, false} << left << none;
    QTest::newRow("negative min refused on the next log read")
        << negativeMin << Details({{4, "-10"}}) << AxisState{-5, 20000, true, false} << left
        << kAxisLogError;
    QTest::newRow("negative min, next read linear")
        << negativeMin << Details({{2, "0"}}) << AxisState{10, 20000, false, false} << left << none;
    QTest::newRow("frequency min above max refused")
        << none << Details({{0, "20000"}, {1, "1000"}}) << AxisState{10, 1000, true, false}
        << untouched << kAxisMinError;
    const QString high = Details({{0, "200000"}, {1, "300000"}, {4, "-10"}});
    QTest::newRow("high range accepted") << none << high << AxisState{200000, 300000, true, false}
                                         << AxisState{-10, 20, false, false} << none;
    QTest::newRow("after a high range the wide max is refused, linear applied")
        << high << Details({{2, "0"}}) << AxisState{200000, 300000, false, false}
        << AxisState{-10, 20, false, false} << kAxisMaxError;
    QTest::newRow("left max below the wide min refused")
        << none << Details({{5, "-300"}}) << AxisState{10, 20000, true, false}
        << AxisState{-200, 200, false, false} << kAxisMaxError;
    QTest::newRow("left min above max refused")
        << none << Details({{4, "50"}, {5, "20"}}) << AxisState{10, 20000, true, false}
        << AxisState{-200, 20, false, false} << kAxisMinError;
    QTest::newRow("left range beyond the wide one")
        << none << Details({{4, "-1000"}, {5, "1000"}}) << AxisState{10, 20000, true, false}
        << AxisState{-1000, 1000, false, false} << none;
    QTest::newRow("left max above the previous min")
        << Details({{4, "300"}, {5, "400"}}) << Details() << AxisState{10, 20000, true, false}
        << AxisState{300, 400, false, false} << kAxisMaxError;
}

void ChartDetailsTest::axes() {
    QFETCH(QString, before);
    QFETCH(QString, reply);
    QFETCH(AxisState, bottom);
    QFETCH(AxisState, left);
    QFETCH(QString, error);

    ChartModel chart;
    TChartData data = WithData();
    if (!before.isEmpty()) {
        QCOMPARE(Apply(before, data, chart), QString());
    }
    QCOMPARE(Apply(reply, data, chart), error);
    const AxisState b = StateOf(chart.bottom());
    const AxisState l = StateOf(chart.left());
    QCOMPARE(b.min, bottom.min);
    QCOMPARE(b.max, bottom.max);
    QCOMPARE(b.log, bottom.log);
    QCOMPARE(b.automatic, bottom.automatic);
    QCOMPARE(l.min, left.min);
    QCOMPARE(l.max, left.max);
    QCOMPARE(l.log, left.log);
    QCOMPARE(l.automatic, left.automatic);
    // the record keeps the received lowest frequency whatever the axis made of it
    QCOMPARE(data.siMinX, reply.split(';')[0].toFloat());
}

void ChartDetailsTest::record() {
    ChartModel chart;
    TChartData d = WithData();
    QCOMPARE(Apply(Details({{3, "kHz"}, {6, "16777217"}, {7, "70"}, {8, "1"}}), d, chart),
             QString());
    QCOMPARE(d.siMinX, 10.0f);
    QCOMPARE(d.siMaxX, 20000.0f);
    QVERIFY(d.boXLogSkalierung);
    QCOMPARE(d.stxEinheit, QStringLiteral("kHz"));
    QCOMPARE(d.siMinY1, -100.0f);
    QCOMPARE(d.siMaxY1, 20.0f);
    QCOMPARE(d.siMinY2, 16777216.0f);  // the nearest float
    QCOMPARE(d.siMaxY2, 70.0f);
    QVERIFY(d.boY2Aktiv);
    for (int c = 0; c < 6; ++c) {
        QCOMPARE(d.Messdata[c].stKurztext, QStringLiteral("Ch%1").arg(c + 1));
        QCOMPARE(d.Messdata[c].stDataEnheit, QStringLiteral("dBV"));
        QCOMPARE(d.Messdata[c].byYAchse, uint8_t{1});
        QCOMPARE(d.Messdata[c].ArrMessdatenVorhanden, 4);
    }
    QCOMPARE(chart.legendEntries(), QStringList(6, QStringLiteral("dBV")));

    // Fields after the 27th are ignored.
    TChartData longer = WithData();
    QCOMPARE(Apply(Details() + ";x;y", longer, chart), QString());
    QCOMPARE(longer.Messdata[5].byYAchse, uint8_t{1});
}

void ChartDetailsTest::flags_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("flag");
    QTest::newRow("0") << "0" << false;
    QTest::newRow("1") << "1" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("00") << "00" << true;
    QTest::newRow("blank 0") << " 0" << true;
    QTest::newRow("word") << "no" << true;
}

void ChartDetailsTest::flags() {
    QFETCH(QString, text);
    QFETCH(bool, flag);
    ChartModel chart;
    TChartData d = WithData();
    QCOMPARE(Apply(Details({{2, text}, {8, text}}), d, chart), QString());
    QCOMPARE(d.boXLogSkalierung, flag);
    QCOMPARE(d.boY2Aktiv, flag);
    QCOMPARE(chart.bottom().logarithmic(), flag);
}

void ChartDetailsTest::yAxisLowBits_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("axis");
    QTest::newRow("2") << "2" << 2;
    QTest::newRow("255") << "255" << 255;
    QTest::newRow("256") << "256" << 0;
    QTest::newRow("257") << "257" << 1;
    QTest::newRow("-1") << "-1" << 255;
    QTest::newRow("most negative") << "-2147483648" << 0;
}

void ChartDetailsTest::yAxisLowBits() {
    QFETCH(QString, text);
    QFETCH(int, axis);
    ChartModel chart;
    TChartData d = WithData();
    QCOMPARE(Apply(Details({{21, text}}), d, chart), QString());
    QCOMPARE(int{d.Messdata[0].byYAchse}, axis);
    QCOMPARE(int{d.Messdata[1].byYAchse}, 1);
}

void ChartDetailsTest::integerErrorKeepsEarlierFields() {
    ChartModel chart;
    TChartData d = WithData();
    QCOMPARE(Apply(Details(), d, chart), QString());
    QSignalSpy spy(&chart, &ChartModel::changed);

    QCOMPARE(Apply(Details({{0, "50"}, {1, "5000"}, {2, "0"}, {3, "s"}, {4, "1.5"}, {5, "40"}}), d,
                   chart),
             QStringLiteral("'1.5' is not a valid integer value"));
    QCOMPARE(d.siMinX, 50.0f);
    QCOMPARE(d.siMaxX, 5000.0f);
    QVERIFY(!d.boXLogSkalierung);
    QCOMPARE(d.stxEinheit, QStringLiteral("s"));
    QCOMPARE(d.siMinY1, -100.0f);
    QCOMPARE(d.siMaxY1, 20.0f);
    QCOMPARE(chart.bottom().min(), 10.0);
    QCOMPARE(chart.bottom().max(), 20000.0);
    QVERIFY(chart.bottom().logarithmic());
    QCOMPARE(spy.count(), 0);

    // Within the last group the channels before the bad one are stored.
    QCOMPARE(Apply(Details({{15, "V"}, {21, "3"}, {22, "4"}, {23, "x"}, {24, "5"}}), d, chart),
             QStringLiteral("'x' is not a valid integer value"));
    QCOMPARE(d.Messdata[0].stDataEnheit, QStringLiteral("V"));
    QCOMPARE(d.Messdata[0].byYAchse, uint8_t{3});
    QCOMPARE(d.Messdata[1].byYAchse, uint8_t{4});
    QCOMPARE(d.Messdata[3].byYAchse, uint8_t{1});
    QCOMPARE(chart.series(0).legendText, QStringLiteral("dBV"));
}

void ChartDetailsTest::noDataRule() {
    ChartModel chart;
    TChartData d = WithData();
    d.Messdata[2].ArrMessdatenVorhanden = 0;
    d.Messdata[4].ArrMessdatenVorhanden = -2;
    QCOMPARE(Apply(Details(), d, chart), QString());
    QCOMPARE(chart.legendEntries(),
             (QStringList{"dBV", "dBV", "no data", "dBV", "no data", "dBV"}));
    QCOMPARE(d.Messdata[2].stDataEnheit, QStringLiteral("no data"));
    QCOMPARE(d.Messdata[4].stDataEnheit, QStringLiteral("no data"));
    QCOMPARE(d.Messdata[3].stDataEnheit, QStringLiteral("dBV"));
}

void ChartDetailsTest::emptyUnitShowsSeriesName() {
    ChartModel chart;
    TChartData d = WithData();
    QCOMPARE(Apply(Details({{16, ""}}), d, chart), QString());
    QCOMPARE(d.Messdata[1].stDataEnheit, QString());
    QCOMPARE(chart.legendEntries()[1], QStringLiteral("Series2"));
}

void ChartDetailsTest::incompleteReplyChangesNothing_data() {
    QTest::addColumn<QString>("reply");
    QTest::newRow("empty") << QString();
    QTest::newRow("26 fields") << Details().section(';', 0, 25);
    QTest::newRow("one field") << QStringLiteral("10");
    QTest::newRow("26 fields, bad first") << Details({{0, "x"}}).section(';', 0, 25);
}

void ChartDetailsTest::incompleteReplyChangesNothing() {
    QFETCH(QString, reply);
    ChartModel chart;
    TChartData d = WithData();
    QCOMPARE(Apply(Details({{0, "100"}, {15, "V"}}), d, chart), QString());
    QSignalSpy spy(&chart, &ChartModel::changed);

    QCOMPARE(Apply(reply, d, chart), QString());
    QCOMPARE(d.siMinX, 100.0f);
    QCOMPARE(d.Messdata[0].stDataEnheit, QStringLiteral("V"));
    QCOMPARE(chart.series(0).legendText, QStringLiteral("V"));
    QCOMPARE(chart.bottom().min(), 100.0);
    QCOMPARE(spy.count(), 0);
}

void ChartDetailsTest::viewFollowsStepsBeforeRefusal() {
    ChartModel chart;
    TChartData d = WithData();
    double seenMax = -1;
    QObject::connect(&chart, &ChartModel::changed, [&] { seenMax = chart.bottom().max(); });
    QCOMPARE(Apply(Details({{0, "20000"}, {1, "1000"}}), d, chart), kAxisMinError);
    QCOMPARE(seenMax, 1000.0);  // announced although the read ended at the minimum
}

QTEST_GUILESS_MAIN(ChartDetailsTest)
#include "tst_chart_details.moc"
