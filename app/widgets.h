#pragma once

#include <QColor>
#include <QComboBox>
#include <QLayout>
#include <QList>
#include <QMargins>
#include <QPushButton>
#include <QStatusBar>
#include <QWidget>
#include <vector>

namespace orvr {

// A filled rectangle with an optional outline: the busy, link and status lamps. Its
// colours are its own in both looks.
class Lamp : public QWidget {
    Q_OBJECT
  public:
    explicit Lamp(QWidget* parent = nullptr, bool outline = true);
    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor& c);
    bool hasOutline() const { return outline_; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QColor fill_{0xE0, 0xE0, 0xE0};
    bool outline_;
};

// A group frame of the left column: no fill, only a black top line (or nothing).
class Frame : public QWidget {
    Q_OBJECT
  public:
    explicit Frame(QWidget* parent = nullptr, bool topLine = true);

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    bool topLine_;
};

// A flat push button whose caption may wrap over several lines.
class SpeedButton : public QPushButton {
    Q_OBJECT
  public:
    explicit SpeedButton(const QString& caption, QWidget* parent = nullptr, bool wrap = false);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool wraps() const { return wrap_; }
    // The caption as drawn into the given width: broken at word boundaries, inside a
    // word only when the word alone is wider. Nothing is ever left out.
    QString wrappedCaption(int width) const;
    QString wrappedCaption(int width, const QFont& font) const;

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    bool wrap_;
};

// A combo box that draws its own drop-down arrow in its text colour, so the arrow shows
// in both looks whatever the base style.
class ComboBox : public QComboBox {
    Q_OBJECT
  public:
    using QComboBox::QComboBox;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// Divides its rectangle into columns and rows by percentages and gives each child its
// cell (or span of cells) minus the child's insets, ignoring size hints, so that the
// proportions hold exactly at every size. Cell edges are rounded once from the running
// sum, so neighbouring cells never overlap or leave a gap.
class PercentGrid : public QLayout {
    Q_OBJECT
  public:
    PercentGrid(QWidget* parent, QList<double> columns, QList<double> rows);
    ~PercentGrid() override;

    void add(QWidget* w, int column, int row, QMargins insets = {}, int columnSpan = 1,
             int rowSpan = 1);
    // The rectangle of a span of cells within the given area, before insets.
    QRect cellRect(const QRect& area, int column, int row, int columnSpan = 1,
                   int rowSpan = 1) const;

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    void setGeometry(const QRect& r) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override;

  private:
    struct Cell {
        QLayoutItem* item;
        int column;
        int row;
        int columnSpan;
        int rowSpan;
        QMargins insets;
    };
    std::vector<Cell> cells_;
    QList<double> columns_;
    QList<double> rows_;
};

// A status bar whose children are docked to its left edge, its right edge or the space
// between, each with its own margins; the size grip stays in the right corner.
class StatusBar : public QStatusBar {
    Q_OBJECT
  public:
    enum class Dock { Left, Right, Client };
    explicit StatusBar(QWidget* parent = nullptr);
    // Left and right docks take `width`; the client dock takes what the others leave.
    // Each fills the bar's height minus its top and bottom margins. Docks are placed in
    // the order they were added.
    void dock(QWidget* w, Dock side, QMargins margins, int width = 0);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void arrange();
    struct Docked {
        QWidget* widget;
        Dock side;
        QMargins margins;
        int width;
    };
    std::vector<Docked> docked_;
};

}  // namespace orvr
