#include "chartview.h"

#include <QChart>
#include <QCoreApplication>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsRectItem>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QValueAxis>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <limits>

#include "chartmodel.h"

namespace orvr {

namespace {

const QColor kBackground = QColor::fromRgba(0xFF212121);
const QColor kWhite = QColor::fromRgba(0xFFFFFFFF);
const QColor kAxisInk = QColor::fromRgba(0xFFF9F9F9);
const QColor kBottomGrid = QColor::fromRgba(0xFFC0C0C0);
const QColor kLeftMinorGrid = QColor::fromRgba(0x53959292);
const QColor kLeftTitle = QColor::fromRgba(0xFFFDFDFD);
const QColor kLegendInk = QColor::fromRgba(0xFFF7F7F7);
const QColor kRubberBand = QColor::fromRgba(0xFFC0C0C0);
constexpr qreal kLegendFontSize = 11.73;
constexpr qreal kSymbolWidth = 13;
constexpr qreal kLegendGap = 6;
// A drag smaller than this on either side is a click, not a zoom.
constexpr qreal kMinZoomPixels = 3;

// The X or Y range as drawn, with the mapping between values and plot pixels.
struct Range {
    double lo = 0;
    double hi = 1;
    bool log = false;

    // Qt Charts cannot draw an empty interval, so one value is widened for drawing only.
    static Range drawable(double lo, double hi, bool log) {
        Range r{lo, hi, log};
        if (!std::isfinite(r.lo) || !std::isfinite(r.hi)) {
            r.lo = log ? 1 : 0;
            r.hi = log ? 10 : 1;
        }
        if (log && !(r.lo > 0)) {
            r.lo = 1;
        }
        if (!(r.hi > r.lo)) {
            r.hi = log ? r.lo * 10 : r.lo + 1;
        }
        return r;
    }
    double scaled(double v) const { return log ? std::log10(v) : v; }
    // 0 at lo, 1 at hi.
    double fraction(double v) const { return (scaled(v) - scaled(lo)) / (scaled(hi) - scaled(lo)); }
    double value(double fraction) const {
        const double s = scaled(lo) + fraction * (scaled(hi) - scaled(lo));
        return log ? std::pow(10.0, s) : s;
    }
};

// Whether a drawn series is long enough to be worth reducing to pixel columns.
bool worthReducing(std::size_t points, qreal plotWidth) {
    return plotWidth >= 1 && static_cast<double>(points) > 4 * plotWidth;
}

// The points as handed to Qt Charts. Points that cannot be placed (not finite) are left
// out; on a logarithmic axis points at X <= 0 go to the axis start.
//
// A long series keeps, for every run of consecutive points within one bin a pixel wide,
// its lowest and highest point where they were. An aliased pen of width w lights a pixel
// column from everything within w/2 of the column's centre, which for whole widths is a
// whole number of bins when the bins are placed to match the width: every pixel column
// then shows the same vertical extent as with all points, from about two points per
// column. Runs next to the edges of the visible X range also keep their first and last
// point, and runs beside it only those, so the line enters and leaves the plot as before.
QList<QPointF> drawnPoints(const std::vector<QPointF>& points, const Range& x, qreal plotLeft,
                           qreal plotWidth, qreal penWidth) {
    QList<QPointF> out;
    const bool reduce = worthReducing(points.size(), plotWidth);
    out.reserve(reduce ? static_cast<qsizetype>(4 * plotWidth) + 16
                       : static_cast<qsizetype>(points.size()));

    auto place = [&x](QPointF p) {
        if (x.log && p.x() <= 0) {
            p.setX(x.lo);
        }
        return p;
    };
    auto drawable = [](const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); };
    if (!reduce) {
        for (const QPointF& p : points) {
            if (drawable(p)) {
                out.append(place(p));
            }
        }
        return out;
    }

    constexpr long long kLeftSide = std::numeric_limits<long long>::min();
    constexpr long long kRightSide = std::numeric_limits<long long>::max();
    auto outside = [](long long bin) { return bin == kLeftSide || bin == kRightSide; };
    // A pen of odd width lights pixel column c from [c - (w-1)/2, c + 1 + (w-1)/2), an
    // even one from half a pixel further left: the bins are pixel columns, shifted so.
    const double shift = std::lround(std::max<qreal>(1, penWidth)) % 2 == 0 ? 0.5 : 0.0;
    const long long firstBin = static_cast<long long>(std::floor(plotLeft + shift));
    const long long lastBin = static_cast<long long>(std::floor(plotLeft + plotWidth + shift));
    auto binOf = [&](const QPointF& p) {
        const double f = x.fraction(p.x());
        if (f < 0) {
            return kLeftSide;
        }
        if (f > 1) {
            return kRightSide;
        }
        // Device pixels, so the bins line up with the picture's columns.
        return std::clamp(static_cast<long long>(std::floor(plotLeft + f * plotWidth + shift)),
                          firstBin, lastBin);
    };

    struct Run {
        long long bin = 0;
        std::size_t firstAt = 0, lowestAt = 0, highestAt = 0, lastAt = 0;
        QPointF first, lowest, highest, last;
    };
    Run run;
    bool inRun = false;
    bool previousOutside = true;
    auto flush = [&](long long nextBin, bool atEnd) {
        if (!inRun) {
            return;
        }
        const bool side = outside(run.bin);
        const bool keepFirst = side || previousOutside;
        const bool keepLast = side || atEnd || outside(nextBin);
        std::array<std::pair<std::size_t, QPointF>, 4> kept{};
        std::size_t n = 0;
        if (keepFirst) {
            kept[n++] = {run.firstAt, run.first};
        }
        if (!side) {
            kept[n++] = {run.lowestAt, run.lowest};
            kept[n++] = {run.highestAt, run.highest};
        }
        if (keepLast) {
            kept[n++] = {run.lastAt, run.last};
        }
        if (keepFirst || keepLast) {
            std::sort(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(n),
                      [](const auto& a, const auto& b) { return a.first < b.first; });
        } else if (!out.isEmpty() && std::abs(out.back().y() - kept[0].second.y()) <
                                         std::abs(out.back().y() - kept[1].second.y())) {
            // Entering a bin at the extreme farther from where the line is keeps the lines
            // between bins steep, as between the dense points they replace; a flat one would
            // stick its square cap out over the neighbouring column.
            std::swap(kept[0], kept[1]);
        }
        std::size_t previous = std::numeric_limits<std::size_t>::max();
        for (std::size_t k = 0; k < n; ++k) {
            if (kept[k].first != previous) {
                out.append(kept[k].second);
                previous = kept[k].first;
            }
        }
        previousOutside = side;
    };

    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!drawable(points[i])) {
            continue;
        }
        const QPointF p = place(points[i]);
        const long long bin = binOf(p);
        if (!inRun || bin != run.bin) {
            flush(bin, false);
            inRun = true;
            run.bin = bin;
            run.first = run.lowest = run.highest = p;
            run.firstAt = run.lowestAt = run.highestAt = i;
        } else {
            if (p.y() < run.lowest.y()) {
                run.lowest = p;
                run.lowestAt = i;
            }
            if (p.y() > run.highest.y()) {
                run.highest = p;
                run.highestAt = i;
            }
        }
        run.last = p;
        run.lastAt = i;
    }
    flush(0, true);
    return out;
}

// The legend below the plot: a flow of entries, each with an optional colour symbol.
// Only the entries that fit are laid out, so a one-series legend of many thousand points
// costs no more than the rows it shows.
class LegendItem : public QGraphicsItem {
  public:
    LegendItem() { font_.setPointSizeF(kLegendFontSize); }

    void setContent(QStringList entries, std::vector<QColor> colours, bool symbols) {
        entries_ = std::move(entries);
        colours_ = std::move(colours);
        symbols_ = symbols;
    }
    const QStringList& entries() const { return entries_; }

    // Lays the entries out over `width`, in at most `maxHeight`; returns the height used.
    qreal layout(qreal width, qreal maxHeight) {
        prepareGeometryChange();
        placed_.clear();
        width_ = width;
        height_ = 0;
        if (entries_.isEmpty() || width <= 0) {
            return 0;
        }
        const QFontMetricsF metrics(font_);
        const qreal rowHeight = metrics.height() + 2;
        const qreal spacing = metrics.averageCharWidth() * 2;
        const qreal symbolSpace = symbols_ ? kSymbolWidth + 4 : 0;
        std::vector<Placed> row;
        qreal rowWidth = 0;
        qreal y = 0;
        auto closeRow = [&]() {
            // Rows are centred like the rest of the chart's captions.
            const qreal shift = std::max<qreal>(0, (width - rowWidth) / 2);
            for (Placed& p : row) {
                p.x += shift;
                placed_.push_back(p);
            }
            row.clear();
            rowWidth = 0;
            y += rowHeight;
        };
        for (qsizetype i = 0; i < entries_.size(); ++i) {
            const qreal w = symbolSpace + metrics.horizontalAdvance(entries_[i]);
            const qreal needed = row.empty() ? w : rowWidth + spacing + w;
            if (!row.empty() && needed > width) {
                if (y + 2 * rowHeight > maxHeight) {
                    break;
                }
                closeRow();
            }
            if (row.empty() && y + rowHeight > maxHeight) {
                break;
            }
            const qreal x = row.empty() ? 0 : rowWidth + spacing;
            row.push_back(Placed{i, x, y});
            rowWidth = x + w;
        }
        if (!row.empty()) {
            closeRow();
        }
        height_ = y;
        rowHeight_ = rowHeight;
        return height_;
    }

    QRectF boundingRect() const override { return QRectF(0, 0, width_, height_); }

    void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
        painter->setFont(font_);
        const QFontMetricsF metrics(font_);
        const qreal symbolHeight = std::max<qreal>(4, metrics.ascent() * 0.6);
        for (const Placed& p : placed_) {
            qreal x = p.x;
            if (symbols_) {
                const QColor colour =
                    colours_.empty() ? kLegendInk
                                     : colours_[std::min<std::size_t>(
                                           static_cast<std::size_t>(p.index), colours_.size() - 1)];
                painter->fillRect(
                    QRectF(x, p.y + (rowHeight_ - symbolHeight) / 2, kSymbolWidth, symbolHeight),
                    colour);
                x += kSymbolWidth + 4;
            }
            painter->setPen(kLegendInk);
            painter->drawText(QPointF(x, p.y + 1 + metrics.ascent()), entries_[p.index]);
        }
    }

  private:
    struct Placed {
        qsizetype index;
        qreal x;
        qreal y;
    };
    QFont font_;
    QStringList entries_;
    // One colour per entry; a one-series legend gives one colour for all its points.
    std::vector<QColor> colours_;
    bool symbols_ = true;
    std::vector<Placed> placed_;
    qreal width_ = 0;
    qreal height_ = 0;
    qreal rowHeight_ = 0;
};

void styleBottom(QAbstractAxis* axis) {
    axis->setTitleText(QStringLiteral("Hz"));
    axis->setTitleBrush(kWhite);
    axis->setLinePen(QPen(kAxisInk, 1));
    axis->setLabelsColor(kAxisInk);
    axis->setGridLineVisible(true);
    axis->setGridLinePen(QPen(kBottomGrid, 1));
    axis->setMinorGridLineVisible(false);
    axis->setTruncateLabels(false);
    if (auto* log = qobject_cast<QLogValueAxis*>(axis)) {
        log->setBase(10);
        log->setLabelFormat(QStringLiteral("%g"));
        log->setMinorTickCount(8);
    } else if (auto* linear = qobject_cast<QValueAxis*>(axis)) {
        linear->setLabelFormat(QStringLiteral("%g"));
        linear->setMinorTickCount(8);
    }
}

void collectGraphicsObjects(QGraphicsItem* item, std::vector<QPointer<QObject>>& out) {
    for (QGraphicsItem* child : item->childItems()) {
        if (QGraphicsObject* object = child->toGraphicsObject()) {
            out.emplace_back(object);
        }
        collectGraphicsObjects(child, out);
    }
}

// Sets the range with labels at round values, on the steps the model rounds an automatic
// minimum to; a fixed count of ticks would label an odd range with odd numbers. Qt lays
// the labels out on every setting, so the step never meets a range it does not fit.
void setValueRange(QValueAxis* axis, const Range& range) {
    const double step = LabelStep(range.lo, range.hi);
    const double ticks = (range.hi - range.lo) / step;
    const bool dynamic = step > 0 && std::isfinite(ticks) && ticks <= 50;
    const double anchor = dynamic ? std::ceil(range.lo / step) * step : 0;
    if (axis->min() == range.lo && axis->max() == range.hi &&
        (dynamic ? axis->tickType() == QValueAxis::TicksDynamic && axis->tickInterval() == step &&
                       axis->tickAnchor() == anchor
                 : axis->tickType() == QValueAxis::TicksFixed)) {
        return;
    }
    axis->setTickType(QValueAxis::TicksFixed);
    axis->setRange(range.lo, range.hi);
    if (dynamic) {
        axis->setTickAnchor(anchor);
        axis->setTickInterval(step);
        axis->setTickType(QValueAxis::TicksDynamic);
    }
}

void styleLeft(QValueAxis* axis) {
    axis->setTitleText(QString());
    axis->setTitleBrush(kLeftTitle);
    axis->setLinePen(QPen(kWhite, 1));
    axis->setLabelsColor(kAxisInk);
    axis->setGridLinePen(QPen(kAxisInk, 1));
    axis->setMinorGridLineVisible(true);
    axis->setMinorGridLinePen(QPen(kLeftMinorGrid, 1));
    axis->setMinorTickCount(4);
    axis->setLabelFormat(QStringLiteral("%g"));
    // The plot leaves the labels too little room before the first drawing; a cut label
    // ("...") tells the user nothing.
    axis->setTruncateLabels(false);
}

}  // namespace

struct ChartView::Impl {
    QPointer<ChartModel> model;
    std::array<QLineSeries*, kSeriesCount> series{};
    QAbstractAxis* bottom = nullptr;
    QValueAxis* left = nullptr;
    LegendItem* legend = nullptr;
    QGraphicsRectItem* band = nullptr;
    QMargins baseMargins;
    Range x;
    Range y;
    bool dirty = true;
    bool scheduled = false;
    bool rebuilding = false;
    bool dragging = false;
    QPointF dragOrigin;
};

ChartView::ChartView(ChartModel* model, QWidget* parent)
    : QChartView(new QChart, parent), d_(new Impl) {
    d_->model = model;
    setObjectName(QStringLiteral("Chart1"));
    setFrameShape(QFrame::NoFrame);
    setRubberBand(QChartView::NoRubberBand);
    setDragMode(QGraphicsView::NoDrag);
    setBackgroundBrush(kBackground);

    QChart* c = chart();
    c->setBackgroundBrush(kBackground);
    c->setBackgroundPen(Qt::NoPen);
    c->setBackgroundRoundness(0);
    c->setDropShadowEnabled(false);
    c->setPlotAreaBackgroundVisible(false);
    c->setTitle(QStringLiteral("Rivezorud"));
    c->setTitleBrush(kWhite);
    c->setAnimationOptions(QChart::NoAnimation);
    // The legend of Qt Charts lists series only; ours also lists a lone series' points.
    c->legend()->hide();
    d_->baseMargins = c->margins();

    d_->left = new QValueAxis;
    styleLeft(d_->left);
    c->addAxis(d_->left, Qt::AlignLeft);
    d_->bottom = new QLogValueAxis;
    styleBottom(d_->bottom);
    c->addAxis(d_->bottom, Qt::AlignBottom);

    for (int i = 0; i < kSeriesCount; ++i) {
        auto* s = new QLineSeries;
        c->addSeries(s);
        s->attachAxis(d_->bottom);
        s->attachAxis(d_->left);
        d_->series[static_cast<std::size_t>(i)] = s;
    }

    d_->legend = new LegendItem;
    d_->legend->setParentItem(c);
    d_->legend->setZValue(10);

    d_->band = new QGraphicsRectItem;
    QPen bandPen(kRubberBand, 1);
    bandPen.setCosmetic(true);
    d_->band->setPen(bandPen);
    d_->band->setBrush(Qt::NoBrush);
    d_->band->setZValue(100);
    d_->band->hide();
    scene()->addItem(d_->band);

    if (model != nullptr) {
        connect(model, &ChartModel::changed, this, [this] {
            // The model may announce the automatic ranges it works out while we draw.
            if (!d_->rebuilding) {
                scheduleRebuild();
            }
        });
    }
    rebuild();
}

ChartView::~ChartView() {
    delete d_;
}

void ChartView::scheduleRebuild() {
    d_->dirty = true;
    if (d_->scheduled) {
        return;
    }
    d_->scheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            d_->scheduled = false;
            if (d_->dirty) {
                rebuild();
            }
        },
        Qt::QueuedConnection);
}

void ChartView::sync() {
    rebuild();
}

QStringList ChartView::legendLines() const {
    return d_->legend->isVisible() ? d_->legend->entries() : QStringList();
}

void ChartView::rebuild() {
    d_->dirty = false;
    ChartModel* model = d_->model.data();
    if (model == nullptr) {
        return;
    }
    d_->rebuilding = true;
    QChart* c = chart();
    try {
        if (model->bottom().automatic() || model->left().automatic()) {
            model->updateAutoRanges();
        }
    } catch (const std::exception&) {
        // Drawing goes on with the ranges the axes hold; nothing may escape a repaint.
    }

    // A resize still pending on a hidden view would change the plot after reducing.
    if (c->size().toSize() != size()) {
        QResizeEvent event(size(), size());
        QChartView::resizeEvent(&event);
    }

    const Axis& bx = model->bottom();
    const Axis& ly = model->left();
    const bool log = bx.logarithmic();
    if (log != (qobject_cast<QLogValueAxis*>(d_->bottom) != nullptr)) {
        QAbstractAxis* replacement = log ? static_cast<QAbstractAxis*>(new QLogValueAxis)
                                         : static_cast<QAbstractAxis*>(new QValueAxis);
        styleBottom(replacement);
        // The drawing of a removed axis is only scheduled for deletion and would still show
        // in a picture taken before the event loop turns: delete it now, and nothing else.
        std::vector<QPointer<QObject>> drawn;
        collectGraphicsObjects(c, drawn);
        c->removeAxis(d_->bottom);
        delete d_->bottom;
        for (const QPointer<QObject>& object : drawn) {
            if (!object.isNull()) {
                QCoreApplication::sendPostedEvents(object.data(), QEvent::DeferredDelete);
            }
        }
        d_->bottom = replacement;
        c->addAxis(replacement, Qt::AlignBottom);
        for (QLineSeries* s : d_->series) {
            s->attachAxis(replacement);
        }
    }
    d_->x = Range::drawable(bx.drawnMin(), bx.drawnMax(), log);
    d_->y = Range::drawable(ly.drawnMin(), ly.drawnMax(), false);
    auto applyRanges = [this] {
        if (auto* linear = qobject_cast<QValueAxis*>(d_->bottom)) {
            setValueRange(linear, d_->x);
        } else {
            d_->bottom->setRange(d_->x.lo, d_->x.hi);
        }
        setValueRange(d_->left, d_->y);
    };
    applyRanges();

    // The legend takes its rows from the bottom of the chart before the plot is laid out.
    const std::vector<int> shown = model->shownSeries();
    qreal legendHeight = 0;
    if (model->legendVisible()) {
        std::vector<QColor> colours;
        for (int i : shown) {
            colours.push_back(model->series(i).color);
        }
        d_->legend->setContent(model->legendEntries(), std::move(colours),
                               model->legendSymbolsVisible());
        legendHeight = d_->legend->layout(c->size().width() - 2 * kLegendGap,
                                          std::max<qreal>(0, c->size().height() * 0.4));
        d_->legend->setVisible(true);
    } else {
        d_->legend->setContent({}, {}, false);
        d_->legend->layout(0, 0);
        d_->legend->setVisible(false);
    }
    QMargins margins = d_->baseMargins;
    if (legendHeight > 0) {
        margins.setBottom(margins.bottom() + static_cast<int>(std::ceil(legendHeight)) +
                          static_cast<int>(kLegendGap));
    }
    if (margins != c->margins()) {
        c->setMargins(margins);
    }
    d_->legend->setPos(kLegendGap, c->size().height() - kLegendGap - legendHeight);
    if (c->layout() != nullptr) {
        c->layout()->activate();
    }

    const QRectF plot = c->plotArea();
    for (int i = 0; i < kSeriesCount; ++i) {
        const SeriesData& data = model->series(i);
        QLineSeries* s = d_->series[static_cast<std::size_t>(i)];
        s->setName(data.name);
        QPen pen(data.color, data.lineWidth);
        if (s->pen() != pen) {
            s->setPen(pen);
        }
        if (data.visible) {
            s->replace(drawnPoints(data.points, d_->x, plot.left(), plot.width(), data.lineWidth));
        } else if (s->count() > 0) {
            s->clear();
        }
        s->setVisible(data.visible);
    }
    applyRanges();
    d_->rebuilding = false;
}

QPixmap ChartView::renderPicture() {
    if (!isVisible()) {
        // Rendering a hidden widget first lays out its window, which may resize this view:
        // let that happen on a single pixel, so the picture is taken at the final size.
        QPixmap probe(1, 1);
        QWidget::render(&probe, QPoint(), QRegion(0, 0, 1, 1), QWidget::DrawChildren);
    }
    if (d_->dirty) {
        rebuild();
    }
    QPixmap picture(size());
    picture.fill(kBackground);
    QPainter painter(&picture);
    QWidget::render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return picture;
}

void ChartView::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit doubleClicked();
}

void ChartView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPointF at = chart()->mapFromScene(mapToScene(event->position().toPoint()));
    if (!chart()->plotArea().contains(at)) {
        return;
    }
    d_->dragging = true;
    d_->dragOrigin = at;
    d_->band->setRect(QRectF(at, at));
    d_->band->show();
}

void ChartView::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!d_->dragging) {
        return;
    }
    const QPointF at = chart()->mapFromScene(mapToScene(event->position().toPoint()));
    const QRectF rect = QRectF(d_->dragOrigin, at).normalized() & chart()->plotArea();
    d_->band->setRect(chart()->mapRectToScene(rect));
}

void ChartView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (!d_->dragging || event->button() != Qt::LeftButton) {
        return;
    }
    d_->dragging = false;
    d_->band->hide();
    const QRectF plot = chart()->plotArea();
    const QPointF at = chart()->mapFromScene(mapToScene(event->position().toPoint()));
    const QRectF rect = QRectF(d_->dragOrigin, at).normalized() & plot;
    ChartModel* model = d_->model.data();
    if (model == nullptr || rect.width() < kMinZoomPixels || rect.height() < kMinZoomPixels) {
        return;
    }
    const double x0 = d_->x.value((rect.left() - plot.left()) / plot.width());
    const double x1 = d_->x.value((rect.right() - plot.left()) / plot.width());
    const double y0 = d_->y.value((plot.bottom() - rect.bottom()) / plot.height());
    const double y1 = d_->y.value((plot.bottom() - rect.top()) / plot.height());
    try {
        model->bottom().zoom(x0, x1);
        model->left().zoom(y0, y1);
        model->notify();
    } catch (const std::exception&) {
        // A zoom the axes refuse leaves the view as it was; nothing may reach the event loop.
    }
}

void ChartView::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    scheduleRebuild();
}

void ChartView::wheelEvent(QWheelEvent* event) {
    // The range changes only by the rubber band and the double click.
    event->accept();
}

}  // namespace orvr
