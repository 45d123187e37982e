#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvr::sim {

// One recorded curve: log-spaced frequencies and the measured values.
struct Curve {
    int mode = 0;
    std::vector<double> x;  // Hz, ascending
    std::vector<double> y;
};

// What a mode measures: its unit and the step its axis range is rounded to.
struct ModeTraits {
    const char* unit;
    const char* shortText;  // prefix of the channel's short text
    double axisStep;
    double defaultMin;  // the axis when no channel holds a curve of this kind
    double defaultMax;
};
ModeTraits TraitsOf(int mode);

// Points frequencies spaced evenly on a log scale from lo to hi, both included.
std::vector<double> LogSpaced(double lo, double hi, int points);

// A plausible curve of the mode on the channel (1..6) over lo..hi Hz. The same seed
// gives the same noise, so a measurement is reproducible.
Curve GenerateCurve(int mode, int channel, double lo, double hi, int points, uint64_t seed);

// Appends "X;Y;" per point (numbers as AppendNumber writes them), never letting `out`
// grow beyond `limit` bytes: points that would not fit are left out.
void AppendCurveLine(std::string& out, const Curve& curve, char decimalPoint, std::size_t limit);

// Appends one number rounded to six significant digits but at most six decimals, in
// plain notation without trailing zeros ("20000", "12345.7", "-3.25", "0.000123"),
// with the given decimal point.
void AppendNumber(std::string& out, double value, char decimalPoint);

}  // namespace orvr::sim
