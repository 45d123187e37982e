#pragma once

#include <QString>

namespace orvr {

inline const QString kAxisMinError = QStringLiteral("Axis Minimum Value must be <= Maximum");
inline const QString kAxisMaxError = QStringLiteral("Axis Maximum Value must be >= Minimum");
inline const QString kAxisLogError =
    QStringLiteral("Logarithmic Axis Min and Max values should be >= 0");

// One chart axis under the range rule. Refused settings change nothing and raise
// AxisError with the rule's text. While automatic, min and max follow the shown points
// (ChartModel updates them) and setting them does not switch automatic scaling off.
class Axis {
  public:
    double min() const { return min_; }
    double max() const { return max_; }
    bool automatic() const { return automatic_; }
    bool logarithmic() const { return log_; }

    void setMin(double v);         // refused when v > max()
    void setMax(double v);         // refused when v < min()
    void setLogarithmic(bool on);  // on refused when min() or max() is negative
    void setAutomatic(bool on);
    // A zoom: both limits at once, automatic scaling off.
    void zoom(double min, double max);
    // The automatic range found from the shown points; only used while automatic.
    void setAutoRange(double min, double max);

    // The range actually drawn: a logarithmic axis with min <= 0 begins at 1. The drawn
    // maximum is never below the drawn minimum.
    double drawnMin() const;
    double drawnMax() const;

  private:
    double min_ = 0;
    double max_ = 0;
    bool automatic_ = true;
    bool log_ = false;
};

// The label step of a linear axis over min..max: 1, 2 or 5 times a power of ten, about
// ten steps over the span (a single value steps by its own magnitude; 0 gives 1).
double LabelStep(double min, double max);
// The largest multiple of step that is <= value.
double RoundDownToStep(double value, double step);

}  // namespace orvr
