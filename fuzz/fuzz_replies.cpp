// The replies that set state: MODE, VER, FPRESET and CHARTDETAILS (with the axis rule).
//
// Input: byte 0 marks the channels that have data (bit n for channel n + 1); the rest is
// one or more reply lines separated by LF, decoded as the exchange decodes them. Every
// line goes to every reader in turn, so a later line meets the state an earlier one left.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "chart/axis.h"
#include "chart/chartdetails.h"
#include "chart/chartmodel.h"
#include "link/errors.h"
#include "link/exchange.h"
#include "link/fields.h"
#include "link/version.h"
#include "measure/mode.h"
#include "measure/presets.h"

namespace {

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

std::optional<int32_t> Int(const QString& s) {
    int32_t v = 0;
    if (!orvr::TryInteger(s, v))
        return std::nullopt;
    return v;
}

bool ConversionMessage(const orvr::ConversionError& e, const QString& tail) {
    const QString& t = e.text();
    if (!t.startsWith(u'\'') || !t.endsWith(tail))
        return false;
    return !Int(t.mid(1, t.size() - 1 - tail.size()));
}

const QString kTypedTail = QStringLiteral("' is not a valid integer value for Integer type");
const QString kPlainTail = QStringLiteral("' is not a valid integer value");

bool SameMode(const orvr::ModeValues& a, const orvr::ModeValues& b) {
    return a.modeNumber == b.modeNumber && a.fmin == b.fmin && a.fmax == b.fmax &&
           a.modeChannel == b.modeChannel && a.xyFreqFlag == b.xyFreqFlag && a.xyZFlag == b.xyZFlag;
}

void CheckMode(const QString& reply, orvr::ModeValues& values) {
    const QStringList f = orvr::SplitFields(reply, u';');
    const orvr::ModeValues before = values;
    try {
        const bool applied = orvr::ApplyModeReply(reply, values);
        Require(applied == (f.size() >= 6), "MODE applies exactly with six fields or more");
        if (!applied) {
            Require(SameMode(values, before), "a short MODE reply changes nothing");
            return;
        }
        orvr::ModeValues want = before;
        want.modeNumber = static_cast<uint8_t>(*Int(f[0]));
        if (!f[1].isEmpty())
            want.fmin = *Int(f[1]);
        if (!f[2].isEmpty())
            want.fmax = *Int(f[2]);
        want.modeChannel = static_cast<uint8_t>(*Int(f[3]));
        want.xyFreqFlag = *Int(f[4]) != 0;
        want.xyZFlag = *Int(f[5]) != 0;
        Require(SameMode(values, want), "MODE values follow their fields");
    } catch (const orvr::ConversionError& e) {
        Require(f.size() >= 6, "a short MODE reply never converts");
        Require(ConversionMessage(e, kTypedTail), "MODE conversion message");
    }
    (void)orvr::ModeName(values.modeNumber);
    (void)orvr::LimitsText(values);
    const int index = orvr::ChannelSelectionIndex(values.modeChannel);
    Require(index >= -1 && index <= 5, "channel selection within the six items or none");
}

void CheckVersion(const QString& reply) {
    const QStringList parts = orvr::SplitFields(orvr::SplitFields(reply, u';').value(0), u'.');
    const std::optional<int32_t> major = Int(parts.value(0));
    const std::optional<int32_t> minor =
        parts.size() < 2 ? std::optional<int32_t>(0) : Int(parts[1]);
    try {
        const bool supported = orvr::VersionSupported(reply);
        if (reply.isEmpty()) {
            Require(!supported, "an empty VER reply is not supported");
            return;
        }
        Require(!parts.isEmpty() || !supported, "an empty version is never supported");
        if (parts.isEmpty())
            return;
        Require(major && minor, "a version that is no number raises");
        Require(supported == ((*major & 0xFF) > 2 || (*minor & 0xFF) >= 8),
                "version judged by the low 8 bits");
    } catch (const orvr::ConversionError& e) {
        Require(!reply.isEmpty() && !(major && minor), "only a version that is no number raises");
        Require(ConversionMessage(e, kTypedTail), "VER conversion message");
    }
}

void CheckPresets(const QString& reply, orvr::PresetCaptions& captions) {
    const QStringList f = orvr::SplitFields(reply, u';');
    const orvr::PresetCaptions before = captions;
    Require(orvr::ApplyPresetReply(reply, captions) == f.size(), "FPRESET gives the field count");
    for (int n = 0; n < 6; ++n) {
        const QString& given = n < f.size() ? f[n] : before[n];
        const QString want =
            given.contains(QLatin1String("0 0")) ? orvr::PresetDefaultCaption(n + 1) : given;
        Require(captions[n] == want, "caption from its field, unset presets as default");
    }
}

bool SameRecord(const orvr::TChartData& a, const orvr::TChartData& b) {
    for (int i = 0; i < 6; ++i) {
        const orvr::TMessdata& x = a.Messdata[i];
        const orvr::TMessdata& y = b.Messdata[i];
        if (x.ArrMessdatenVorhanden != y.ArrMessdatenVorhanden ||
            x.stDataEnheit != y.stDataEnheit || x.stKurztext != y.stKurztext ||
            x.byYAchse != y.byYAchse)
            return false;
    }
    return a.boXLogSkalierung == b.boXLogSkalierung && a.siMinY1 == b.siMinY1 &&
           a.siMaxY1 == b.siMaxY1 && a.siMinY2 == b.siMinY2 && a.siMaxY2 == b.siMaxY2 &&
           a.boY2Aktiv == b.boY2Aktiv && a.siMinX == b.siMinX && a.siMaxX == b.siMaxX &&
           a.stxEinheit == b.stxEinheit;
}

struct AxisState {
    double min, max;
    bool automatic, log;
    explicit AxisState(const orvr::Axis& a)
        : min(a.min()), max(a.max()), automatic(a.automatic()), log(a.logarithmic()) {}
    bool operator==(const AxisState&) const = default;
};

void CheckAxes(const orvr::ChartModel& chart) {
    Require(chart.bottom().min() <= chart.bottom().max(), "bottom axis min <= max");
    Require(chart.left().min() <= chart.left().max(), "left axis min <= max");
}

double SnappedMinX(float siMinX) {
    if (siMinX > 11 && siMinX < 100)
        return 10;
    if (siMinX > 110 && siMinX < 1000)
        return 100;
    return siMinX;
}

void CheckChartDetails(const QString& reply, orvr::TChartData& data, orvr::ChartModel& chart) {
    const QStringList f = orvr::SplitFields(reply, u';');
    const orvr::TChartData before = data;
    const AxisState bottom(chart.bottom()), left(chart.left());
    QStringList legends;
    for (int i = 0; i < orvr::kSeriesCount; ++i)
        legends << chart.series(i).legendText;

    try {
        orvr::ApplyChartDetails(reply, data, chart);
    } catch (const orvr::ConversionError& e) {
        Require(f.size() >= 27, "a short CHARTDETAILS reply never converts");
        Require(ConversionMessage(e, kPlainTail), "CHARTDETAILS conversion message");
        CheckAxes(chart);
        return;
    } catch (const orvr::AxisError& e) {
        Require(e.text() == orvr::kAxisMinError || e.text() == orvr::kAxisMaxError ||
                    e.text() == orvr::kAxisLogError,
                "a refused axis setting gives the rule's text");
        CheckAxes(chart);
        return;
    }
    CheckAxes(chart);

    if (f.size() < 27) {
        Require(SameRecord(data, before), "a short reply leaves the record");
        Require(AxisState(chart.bottom()) == bottom && AxisState(chart.left()) == left,
                "a short reply leaves the axes");
        for (int i = 0; i < orvr::kSeriesCount; ++i)
            Require(chart.series(i).legendText == legends[i], "a short reply leaves the legends");
        return;
    }

    // Applied to the end: the record and the chart say what the reply said.
    Require(data.siMinX == static_cast<float>(*Int(f[0])), "siMinX from field 0");
    const float maxX = static_cast<float>(*Int(f[1]));
    Require(data.siMaxX == (maxX < 10 ? 95000.0f : maxX), "siMaxX from field 1, at least 10");
    Require(data.boXLogSkalierung == (f[2] != u"0"), "log flag from field 2");
    Require(data.siMinY1 == static_cast<float>(*Int(f[4])) &&
                data.siMaxY1 == static_cast<float>(*Int(f[5])),
            "first Y range from fields 4 and 5");
    for (int i = 0; i < 6; ++i) {
        const orvr::TMessdata& m = data.Messdata[i];
        const QString unit = m.ArrMessdatenVorhanden <= 0 ? QStringLiteral("no data") : f[15 + i];
        Require(m.stDataEnheit == unit, "unit text, or no data");
        Require(m.stKurztext == f[9 + i], "short text");
        Require(m.byYAchse == static_cast<uint8_t>(*Int(f[21 + i])), "Y axis number, low 8 bits");
        Require(chart.series(i).legendText == unit, "legend shows the unit text");
    }
    Require(!chart.bottom().automatic() && !chart.left().automatic(), "axes no longer automatic");
    Require(chart.bottom().logarithmic() == data.boXLogSkalierung, "bottom axis log as told");
    Require(chart.bottom().max() == data.siMaxX, "bottom axis ends at siMaxX");
    Require(chart.bottom().min() == SnappedMinX(data.siMinX), "bottom axis start snapped");
    Require(chart.left().max() == data.siMaxY1 && chart.left().min() == data.siMinY1,
            "left axis from the first Y range");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const QString text = orvr::DecodeReply(reinterpret_cast<const char*>(data + 1), size - 1);

    orvr::ModeValues mode;
    orvr::PresetCaptions captions;
    for (int n = 0; n < 6; ++n)
        captions[n] = orvr::PresetDefaultCaption(n + 1);
    orvr::TChartData record;
    for (int i = 0; i < 6; ++i)
        record.Messdata[i].ArrMessdatenVorhanden = (data[0] >> i & 1) ? 2 * (i + 1) : 0;
    orvr::ChartModel chart;

    for (const QString& line : text.split(u'\n')) {
        CheckMode(line, mode);
        CheckVersion(line);
        CheckPresets(line, captions);
        CheckChartDetails(line, record, chart);
    }
    return 0;
}
