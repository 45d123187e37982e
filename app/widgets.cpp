#include "app/widgets.h"

#include <QPainter>
#include <QResizeEvent>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTextLayout>
#include <QWidgetItem>
#include <algorithm>
#include <cmath>

namespace orvr {

namespace {
// Below this a caption would no longer be readable; it is then left to overflow.
constexpr int kMinCaptionPixels = 7;
}  // namespace

// ---- Lamp -------------------------------------------------------------------------------

Lamp::Lamp(QWidget* parent, bool outline) : QWidget(parent), outline_(outline) {}

void Lamp::setFillColor(const QColor& c) {
    if (c == fill_) {
        return;
    }
    fill_ = c;
    update();
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), fill_);
    if (outline_ && width() > 0 && height() > 0) {
        p.setPen(QPen(Qt::black, 0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

// ---- Frame ------------------------------------------------------------------------------

Frame::Frame(QWidget* parent, bool topLine) : QWidget(parent), topLine_(topLine) {}

void Frame::paintEvent(QPaintEvent*) {
    if (!topLine_) {
        return;
    }
    QPainter p(this);
    p.setPen(QPen(Qt::black, 0));
    p.drawLine(0, 0, width() - 1, 0);
}

// ---- SpeedButton ------------------------------------------------------------------------

SpeedButton::SpeedButton(const QString& caption, QWidget* parent, bool wrap)
    : QPushButton(caption, parent), wrap_(wrap) {
    setFlat(true);
    setAutoDefault(false);
    setDefault(false);
}

QSize SpeedButton::sizeHint() const {
    // Modest on purpose: the grid decides the size, the hint only seeds a first window.
    const QFontMetrics fm = fontMetrics();
    int textWidth = 0;
    if (wrap_) {
        for (const QString& word : text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            textWidth = std::max(textWidth, fm.horizontalAdvance(word));
        }
    } else {
        textWidth = fm.horizontalAdvance(text());
    }
    return {textWidth + 10, fm.height() + 8};
}

QSize SpeedButton::minimumSizeHint() const {
    return {8, fontMetrics().height() / 2};
}

QString SpeedButton::wrappedCaption(int width) const {
    return wrappedCaption(width, font());
}

QString SpeedButton::wrappedCaption(int width, const QFont& f) const {
    if (text().isEmpty() || width <= 0) {
        return text();
    }
    // Ranges such as "20Hz-20kHz" are one word to the line breaker (a hyphen before a digit
    // reads as a minus); a break after the hyphen keeps both ends of the range whole.
    const QChar zeroWidthSpace(0x200B);
    QString caption = text();
    for (int i = caption.size() - 2; i >= 0; --i) {
        const QChar c = caption[i];
        if ((c == QLatin1Char('-') || c == QLatin1Char('/')) && !caption[i + 1].isSpace()) {
            caption.insert(i + 1, zeroWidthSpace);
        }
    }
    QTextLayout layout(caption, f);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        lines << caption.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines.join(QLatin1Char('\n')).remove(zeroWidthSpace);
}

void SpeedButton::paintEvent(QPaintEvent*) {
    // The style draws face, outline and label for the current state; only the caption is
    // prepared first, so the look's colours apply unchanged.
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    // A caption is never cut: one that is wider than the button (a longer translation, a
    // narrow window) is drawn in a smaller font until it fits.
    QFont f = font();
    for (;;) {
        const QFontMetrics fm(f);
        option.text = wrap_ ? wrappedCaption(contents.width(), f) : text();
        int widest = 0;
        for (const QString& line : option.text.split(QLatin1Char('\n'))) {
            widest = std::max(widest, fm.horizontalAdvance(line));
        }
        const int lines = int(option.text.count(QLatin1Char('\n'))) + 1;
        const bool fits = widest <= contents.width() && fm.height() * lines <= height();
        if (fits || QFontInfo(f).pixelSize() <= kMinCaptionPixels) {
            break;
        }
        f.setPixelSize(std::max(kMinCaptionPixels, QFontInfo(f).pixelSize() - 1));
    }
    option.fontMetrics = QFontMetrics(f);
    p.setFont(f);
    p.drawControl(QStyle::CE_PushButton, option);
}

// ---- ComboBox ---------------------------------------------------------------------------

void ComboBox::paintEvent(QPaintEvent* event) {
    QComboBox::paintEvent(event);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect area =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
    const int w = std::min({8, area.width() - 2, height() - 4});
    if (w < 3) {
        return;
    }
    const int h = (w + 1) / 2;
    const QPointF top(area.center().x() + 0.5 - w / 2.0, area.center().y() + 0.5 - h / 2.0);
    const QPolygonF arrow{top, top + QPointF(w, 0), top + QPointF(w / 2.0, h)};
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawPolygon(arrow);
}

// ---- PercentGrid ------------------------------------------------------------------------

namespace {

// Edge i of n cells over `length` units, from the running sum of the percentages.
int edge(const QList<double>& parts, int i, int length) {
    double total = 0;
    for (double p : parts) {
        total += p;
    }
    if (total <= 0) {
        return 0;
    }
    double before = 0;
    for (int k = 0; k < i && k < parts.size(); ++k) {
        before += parts[k];
    }
    return static_cast<int>(std::lround(before / total * length));
}

double fraction(const QList<double>& parts, int first, int span) {
    double total = 0;
    double part = 0;
    for (int k = 0; k < parts.size(); ++k) {
        total += parts[k];
        if (k >= first && k < first + span) {
            part += parts[k];
        }
    }
    return total > 0 ? part / total : 0;
}

}  // namespace

PercentGrid::PercentGrid(QWidget* parent, QList<double> columns, QList<double> rows)
    : QLayout(parent), columns_(std::move(columns)), rows_(std::move(rows)) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

PercentGrid::~PercentGrid() {
    for (Cell& c : cells_) {
        delete c.item;
    }
}

void PercentGrid::add(QWidget* w, int column, int row, QMargins insets, int columnSpan,
                      int rowSpan) {
    addChildWidget(w);
    cells_.push_back(
        {new QWidgetItem(w), column, row, std::max(1, columnSpan), std::max(1, rowSpan), insets});
    invalidate();
}

void PercentGrid::addItem(QLayoutItem* item) {
    cells_.push_back({item, 0, 0, 1, 1, {}});
    invalidate();
}

QLayoutItem* PercentGrid::itemAt(int index) const {
    if (index < 0 || index >= static_cast<int>(cells_.size())) {
        return nullptr;
    }
    return cells_[static_cast<size_t>(index)].item;
}

QLayoutItem* PercentGrid::takeAt(int index) {
    if (index < 0 || index >= static_cast<int>(cells_.size())) {
        return nullptr;
    }
    QLayoutItem* item = cells_[static_cast<size_t>(index)].item;
    cells_.erase(cells_.begin() + index);
    invalidate();
    return item;
}

int PercentGrid::count() const {
    return static_cast<int>(cells_.size());
}

QRect PercentGrid::cellRect(const QRect& area, int column, int row, int columnSpan,
                            int rowSpan) const {
    const int x0 = edge(columns_, column, area.width());
    const int x1 = edge(columns_, column + columnSpan, area.width());
    const int y0 = edge(rows_, row, area.height());
    const int y1 = edge(rows_, row + rowSpan, area.height());
    return {area.x() + x0, area.y() + y0, x1 - x0, y1 - y0};
}

void PercentGrid::setGeometry(const QRect& r) {
    QLayout::setGeometry(r);
    const QRect area = r.marginsRemoved(contentsMargins());
    for (const Cell& c : cells_) {
        QRect target = cellRect(area, c.column, c.row, c.columnSpan, c.rowSpan);
        target = target.marginsRemoved(c.insets);
        target.setWidth(std::max(0, target.width()));
        target.setHeight(std::max(0, target.height()));
        // Straight to the widget: a layout item would bound it by its size policy, and a
        // child fills its cell whatever it would prefer.
        if (QWidget* w = c.item->widget()) {
            w->setGeometry(target);
        } else {
            c.item->setGeometry(target);
        }
    }
}

QSize PercentGrid::sizeHint() const {
    // The smallest area in which every child gets at least its own hint.
    double w = 0;
    double h = 0;
    for (const Cell& c : cells_) {
        if (c.item->isEmpty()) {
            continue;
        }
        const QSize hint = c.item->sizeHint();
        const double fx = fraction(columns_, c.column, c.columnSpan);
        const double fy = fraction(rows_, c.row, c.rowSpan);
        if (fx > 0) {
            w = std::max(w, (hint.width() + c.insets.left() + c.insets.right()) / fx);
        }
        if (fy > 0) {
            h = std::max(h, (hint.height() + c.insets.top() + c.insets.bottom()) / fy);
        }
    }
    const QMargins m = contentsMargins();
    return {static_cast<int>(std::ceil(w)) + m.left() + m.right(),
            static_cast<int>(std::ceil(h)) + m.top() + m.bottom()};
}

QSize PercentGrid::minimumSize() const {
    const QMargins m = contentsMargins();
    return {m.left() + m.right(), m.top() + m.bottom()};
}

Qt::Orientations PercentGrid::expandingDirections() const {
    return Qt::Horizontal | Qt::Vertical;
}

// ---- StatusBar --------------------------------------------------------------------------

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent) {}

void StatusBar::dock(QWidget* w, Dock side, QMargins margins, int width) {
    w->setParent(this);
    docked_.push_back({w, side, margins, width});
    arrange();
}

void StatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    arrange();
}

void StatusBar::arrange() {
    int left = 0;
    int right = width();
    for (const Docked& d : docked_) {
        const int top = d.margins.top();
        const int h = std::max(0, height() - d.margins.top() - d.margins.bottom());
        switch (d.side) {
            case Dock::Left:
                d.widget->setGeometry(left + d.margins.left(), top, d.width, h);
                left += d.margins.left() + d.width + d.margins.right();
                break;
            case Dock::Right:
                d.widget->setGeometry(right - d.margins.right() - d.width, top, d.width, h);
                right -= d.margins.left() + d.width + d.margins.right();
                break;
            case Dock::Client:
                break;
        }
    }
    for (const Docked& d : docked_) {
        if (d.side != Dock::Client) {
            continue;
        }
        const int x = left + d.margins.left();
        const int w = std::max(0, right - d.margins.right() - x);
        const int h = std::max(0, height() - d.margins.top() - d.margins.bottom());
        d.widget->setGeometry(x, d.margins.top(), w, h);
    }
}

}  // namespace orvr
