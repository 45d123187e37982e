#pragma once

#include <QColor>
#include <QPushButton>
#include <QWidget>

namespace orvr {

// A filled rectangle with an optional outline: the busy, link and status lamps. Its
// colours are its own in both looks.
class Lamp : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget* parent = nullptr, bool outline = true);
    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor& c);

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

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool wrap_;
};

}  // namespace orvr
