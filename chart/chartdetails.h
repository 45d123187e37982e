#pragma once

#include <QString>
#include <array>
#include <cstdint>

namespace orvr {

class ChartModel;

struct TMessdata {
    int32_t ArrMessdatenVorhanden = 0;
    QString stDataEnheit;
    QString stKurztext;
    uint8_t byYAchse = 0;
};

struct TChartData {
    std::array<TMessdata, 6> Messdata;
    bool boXLogSkalierung = false;
    float siMinY1 = 0;
    float siMaxY1 = 0;
    float siMinY2 = 0;
    float siMaxY2 = 0;
    bool boY2Aktiv = false;
    float siMinX = 0;
    float siMaxX = 0;
    QString stxEinheit;
};

// Stores a CHARTDETAILS reply in data and applies it to the chart: the 27 fields in
// order, the "no data" rule, siMaxX < 10 to 95000, the legend texts, then the bottom
// axis steps B1-B8 and the left axis steps L1-L5. An empty reply or one with fewer than
// 27 fields changes nothing. Integer fields raise ConversionError (Plain wording) and
// refused axis settings AxisError, each ending the operation where it happens.
void ApplyChartDetails(const QString& reply, TChartData& data, ChartModel& chart);

}  // namespace orvr
