#pragma once

#include <QColor>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <array>
#include <vector>

#include "axis.h"

namespace orvr {

inline constexpr int kSeriesCount = 6;

struct SeriesData {
    QString name;  // "Series1" .. "Series6"
    QColor color;
    std::vector<QPointF> points;  // ascending X; equal X keep arrival order
    QString legendText = QStringLiteral("no data");
    bool visible = true;
    qreal lineWidth = 1;
};

// The chart without widgets: six series, two axes, the legend rules. Index 0..5 is
// channel 1..6. Every change emits changed() so a view can follow; setting a value to
// what it already is emits nothing.
class ChartModel : public QObject {
    Q_OBJECT
  public:
    explicit ChartModel(QObject* parent = nullptr);

    const SeriesData& series(int i) const { return series_[i]; }
    void clearPoints(int i);
    // Ordered insertion after the last point whose X is <= the new X.
    void addPoint(int i, QPointF p);
    // Appends a batch as if each point were added in order (stable by X).
    void addPoints(int i, const std::vector<QPointF>& points);
    void setLineWidth(int i, qreal width);
    void setVisible(int i, bool visible);
    void setLegendText(int i, const QString& text);

    Axis& bottom() { return bottom_; }
    Axis& left() { return left_; }
    const Axis& bottom() const { return bottom_; }
    const Axis& left() const { return left_; }
    // Re-reads the automatic ranges from the shown points ("each time it is drawn").
    // The left axis rounds its automatic minimum down to a label step. The model also
    // does this itself whenever the shown points change, so an automatic axis is always
    // current; this call matters after a limit was set on an automatic axis by hand. It
    // emits changed() only when a range actually moved.
    void updateAutoRanges();

    bool legendVisible() const { return legendVisible_; }
    void setLegendVisible(bool on);
    bool legendSymbolsVisible() const { return symbolsVisible_; }
    void setLegendSymbolsVisible(bool on);

    int shownCount() const;
    // The legend as listed: one entry per shown series (legend text, or the series name
    // when empty); with exactly one shown series one "X Y" entry per point; none: empty.
    QStringList legendEntries() const;
    // One point's legend entry: X and Y in their shortest exact form, a blank between.
    static QString pointEntry(QPointF p);
    // Only the shown series' indices, in order.
    std::vector<int> shownSeries() const;

    // Announce a change made through bottom()/left() directly.
    void notify() { emit changed(); }

  signals:
    void changed();

  private:
    void pointsChanged(int i);
    bool computeAutoRanges();  // true when a range moved

    std::array<SeriesData, kSeriesCount> series_;
    Axis bottom_;
    Axis left_;
    bool legendVisible_ = true;
    bool symbolsVisible_ = true;
};

}  // namespace orvr
