#include "chartmodel.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace orvr {

namespace {

constexpr std::array<QRgb, kSeriesCount> kSeriesColors = {
    0xFFFEAEAA, 0xFFBBFFA4, 0xFF067BEE, 0xFF09FC6E, 0xFFFC6262, 0xFFE7F79B,
};

// Ascending X with NaN after every number, so that a curve holding NaN X values stays a
// sorted sequence for the binary searches below. Points equal under this order keep
// their arrival order.
bool XLess(const QPointF& a, const QPointF& b) {
    const double ax = a.x();
    const double bx = b.x();
    return ax < bx || (!std::isnan(ax) && std::isnan(bx));
}

struct Range {
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    bool empty() const { return min > max; }
    void add(double v) {
        // A NaN or an infinity cannot be shown on a scale, so it does not stretch one.
        if (std::isfinite(v)) {
            min = std::min(min, v);
            max = std::max(max, v);
        }
    }
};

}  // namespace

ChartModel::ChartModel(QObject* parent) : QObject(parent) {
    for (int i = 0; i < kSeriesCount; ++i) {
        series_[i].name = QStringLiteral("Series%1").arg(i + 1);
        series_[i].color = QColor::fromRgba(kSeriesColors[i]);
    }
    bottom_.setLogarithmic(true);
}

void ChartModel::clearPoints(int i) {
    if (series_[i].points.empty()) {
        return;
    }
    series_[i].points.clear();
    pointsChanged(i);
}

void ChartModel::addPoint(int i, QPointF p) {
    auto& points = series_[i].points;
    points.insert(std::upper_bound(points.begin(), points.end(), p, XLess), p);
    pointsChanged(i);
}

void ChartModel::addPoints(int i, const std::vector<QPointF>& batch) {
    if (batch.empty()) {
        return;
    }
    auto& points = series_[i].points;
    const auto old = static_cast<std::ptrdiff_t>(points.size());
    points.insert(points.end(), batch.begin(), batch.end());
    const auto mid = points.begin() + old;
    // A curve usually arrives in order: then appending is all there is to do.
    if (!std::is_sorted(mid, points.end(), XLess)) {
        std::stable_sort(mid, points.end(), XLess);
    }
    // Merging keeps the earlier points ahead of equal new ones, as single insertions would.
    if (old > 0 && XLess(*mid, *(mid - 1))) {
        std::inplace_merge(points.begin(), mid, points.end(), XLess);
    }
    pointsChanged(i);
}

void ChartModel::setLineWidth(int i, qreal width) {
    if (series_[i].lineWidth == width) {
        return;
    }
    series_[i].lineWidth = width;
    emit changed();
}

void ChartModel::setVisible(int i, bool visible) {
    if (series_[i].visible == visible) {
        return;
    }
    series_[i].visible = visible;
    computeAutoRanges();
    emit changed();
}

void ChartModel::setLegendText(int i, const QString& text) {
    if (series_[i].legendText == text) {
        return;
    }
    series_[i].legendText = text;
    emit changed();
}

void ChartModel::pointsChanged(int i) {
    if (series_[i].visible) {
        computeAutoRanges();
    }
    emit changed();
}

bool ChartModel::computeAutoRanges() {
    Range x;
    Range y;
    for (const SeriesData& s : series_) {
        if (!s.visible) {
            continue;
        }
        for (const QPointF& p : s.points) {
            x.add(p.x());
            y.add(p.y());
        }
    }
    if (x.empty()) {
        x.min = x.max = 0;
    }
    if (y.empty()) {
        y.min = y.max = 0;
    }
    const double yMin = RoundDownToStep(y.min, LabelStep(y.min, y.max));

    const double before[] = {bottom_.min(), bottom_.max(), left_.min(), left_.max()};
    bottom_.setAutoRange(x.min, x.max);
    left_.setAutoRange(yMin, y.max);
    const double after[] = {bottom_.min(), bottom_.max(), left_.min(), left_.max()};
    return !std::equal(std::begin(before), std::end(before), std::begin(after));
}

void ChartModel::updateAutoRanges() {
    if (computeAutoRanges()) {
        emit changed();
    }
}

void ChartModel::setLegendVisible(bool on) {
    if (legendVisible_ == on) {
        return;
    }
    legendVisible_ = on;
    emit changed();
}

void ChartModel::setLegendSymbolsVisible(bool on) {
    if (symbolsVisible_ == on) {
        return;
    }
    symbolsVisible_ = on;
    emit changed();
}

int ChartModel::shownCount() const {
    return static_cast<int>(std::count_if(series_.begin(), series_.end(),
                                          [](const SeriesData& s) { return s.visible; }));
}

std::vector<int> ChartModel::shownSeries() const {
    std::vector<int> shown;
    for (int i = 0; i < kSeriesCount; ++i) {
        if (series_[i].visible) {
            shown.push_back(i);
        }
    }
    return shown;
}

QString ChartModel::pointEntry(QPointF p) {
    return QString::number(p.x(), 'g', QLocale::FloatingPointShortest) + QLatin1Char(' ') +
           QString::number(p.y(), 'g', QLocale::FloatingPointShortest);
}

QStringList ChartModel::legendEntries() const {
    const std::vector<int> shown = shownSeries();
    QStringList entries;
    if (shown.size() == 1) {
        const SeriesData& s = series_[shown.front()];
        entries.reserve(static_cast<qsizetype>(s.points.size()));
        for (const QPointF& p : s.points) {
            entries.push_back(pointEntry(p));
        }
        return entries;
    }
    for (const int i : shown) {
        const SeriesData& s = series_[i];
        entries.push_back(s.legendText.isEmpty() ? s.name : s.legendText);
    }
    return entries;
}

}  // namespace orvr
