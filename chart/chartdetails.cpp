#include "chartdetails.h"

#include "chartmodel.h"
#include "link/fields.h"

namespace orvr {

namespace {

constexpr int kFieldCount = 27;

float IntegerField(const QString& field) {
    return static_cast<float>(Integer(field, IntegerMessage::Plain));
}

bool Flag(const QString& field) {
    return field != QLatin1String("0");
}

// Axis settings do not announce themselves; this makes the view follow whatever part
// of the settings was done, also when a refused step ends the read.
class NotifyOnExit {
  public:
    explicit NotifyOnExit(ChartModel& chart) : chart_(chart) {}
    ~NotifyOnExit() { chart_.notify(); }
    NotifyOnExit(const NotifyOnExit&) = delete;
    NotifyOnExit& operator=(const NotifyOnExit&) = delete;

  private:
    ChartModel& chart_;
};

}  // namespace

void ApplyChartDetails(const QString& reply, TChartData& data, ChartModel& chart) {
    const QStringList f = SplitFields(reply, QLatin1Char(';'));
    // Every field has its place; a cut-off reply would leave the record half old, half
    // new, with nothing to tell which is which.
    if (f.size() < kFieldCount) {
        return;
    }

    data.siMinX = IntegerField(f[0]);
    data.siMaxX = IntegerField(f[1]);
    data.boXLogSkalierung = Flag(f[2]);
    data.stxEinheit = f[3];
    data.siMinY1 = IntegerField(f[4]);
    data.siMaxY1 = IntegerField(f[5]);
    data.siMinY2 = IntegerField(f[6]);
    data.siMaxY2 = IntegerField(f[7]);
    data.boY2Aktiv = Flag(f[8]);
    for (int c = 0; c < 6; ++c) {
        data.Messdata[c].stKurztext = f[9 + c];
    }
    for (int c = 0; c < 6; ++c) {
        data.Messdata[c].stDataEnheit = f[15 + c];
    }
    for (int c = 0; c < 6; ++c) {
        // Conversion to an unsigned 8-bit type keeps the value modulo 256.
        data.Messdata[c].byYAchse = static_cast<uint8_t>(Integer(f[21 + c], IntegerMessage::Plain));
    }

    for (TMessdata& m : data.Messdata) {
        if (m.ArrMessdatenVorhanden <= 0) {
            m.stDataEnheit = QStringLiteral("no data");
        }
    }
    if (data.siMaxX < 10) {
        data.siMaxX = 95000;
    }
    for (int c = 0; c < 6; ++c) {
        chart.setLegendText(c, data.Messdata[c].stDataEnheit);
    }

    const NotifyOnExit notify(chart);
    // The wide ranges first, so the final limits never collide with the previous ones.
    Axis& bottom = chart.bottom();
    bottom.setAutomatic(false);
    bottom.setLogarithmic(data.boXLogSkalierung);
    bottom.setMax(100000);
    bottom.setMin(10);
    bottom.setMax(data.siMaxX);
    bottom.setMin(data.siMinX);
    if (data.siMinX > 11 && data.siMinX < 100) {
        bottom.setMin(10);
    }
    if (data.siMinX > 110 && data.siMinX < 1000) {
        bottom.setMin(100);
    }

    Axis& left = chart.left();
    left.setAutomatic(false);
    left.setMax(200);
    left.setMin(-200);
    left.setMax(data.siMaxY1);
    left.setMin(data.siMinY1);
}

}  // namespace orvr
