#include "axis.h"

#include <algorithm>
#include <cmath>

#include "link/errors.h"

namespace orvr {

void Axis::setMin(double v) {
    // Written as a negated test so that a NaN limit is refused as well.
    if (!(v <= max_)) {
        throw AxisError(kAxisMinError);
    }
    min_ = v;
}

void Axis::setMax(double v) {
    if (!(v >= min_)) {
        throw AxisError(kAxisMaxError);
    }
    max_ = v;
}

void Axis::setLogarithmic(bool on) {
    if (on && (min_ < 0 || max_ < 0)) {
        throw AxisError(kAxisLogError);
    }
    log_ = on;
}

void Axis::setAutomatic(bool on) {
    automatic_ = on;
}

void Axis::zoom(double min, double max) {
    // A view hands in whatever its mouse rectangle maps to; a degenerate mapping must not
    // leave the axis with limits it could never be given by hand.
    if (!std::isfinite(min) || !std::isfinite(max)) {
        return;
    }
    automatic_ = false;
    min_ = std::min(min, max);
    max_ = std::max(min, max);
}

void Axis::setAutoRange(double min, double max) {
    if (!automatic_) {
        return;
    }
    min_ = std::min(min, max);
    max_ = std::max(min, max);
}

double Axis::drawnMin() const {
    return log_ && min_ <= 0 ? 1.0 : min_;
}

double Axis::drawnMax() const {
    return std::max(max_, drawnMin());
}

double LabelStep(double min, double max) {
    double span = max - min;
    if (!(span > 0) || !std::isfinite(span)) {
        // One value only: step by its own magnitude so it stays the lowest label.
        span = std::abs(min);
    }
    if (!(span > 0) || !std::isfinite(span)) {
        return 1;
    }
    // About ten labels over the span, at 1, 2 or 5 times a power of ten.
    const double raw = span / 10;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * magnitude >= raw) {
            return factor * magnitude;
        }
    }
    return 10 * magnitude;
}

double RoundDownToStep(double value, double step) {
    if (!std::isfinite(value) || !(step > 0)) {
        return value;
    }
    const double rounded = std::floor(value / step) * step;
    // floor of a quotient that is a whole number up to rounding noise stays put.
    const double next = rounded + step;
    return next <= value ? next : rounded;
}

}  // namespace orvr
