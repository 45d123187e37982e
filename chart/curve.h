#pragma once

#include <QChar>
#include <QPointF>
#include <QStringView>
#include <cstdint>
#include <vector>

namespace orvr {

// Reads one X or Y value: optional blanks, sign, digits with `decimalPoint` as the only
// separator (at least one digit), optional exponent, optional blanks; or NAN, INF,
// +INF, -INF in any case. No thousands separators. Returns false on any other text.
bool ParseCurveNumber(QStringView field, QChar decimalPoint, double& value);

// Parses a MEAS reply (X;Y;X;Y...) into points in reply order. A lone last field is
// ignored. `count` receives the number of fields taken as pairs. A bad value raises
// ConversionError "'%s' is not a valid floating point value" with `points` holding the
// points before it and `count` untouched.
void ParseCurve(QStringView reply, QChar decimalPoint, std::vector<QPointF>& points,
                int32_t& count);

}  // namespace orvr
