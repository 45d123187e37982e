#pragma once

#include <QChartView>
#include <QPixmap>
#include <QStringList>

namespace orvr {

class ChartModel;

// Chart1: draws a ChartModel with Qt Charts in its fixed dark appearance. Follows the
// model's changed() signal; rubber-band zoom with the left button writes the axes back
// into the model (automatic scaling off). Long series are reduced to min/max per pixel
// column for drawing only.
class ChartView : public QChartView {
    Q_OBJECT
  public:
    explicit ChartView(ChartModel* model, QWidget* parent = nullptr);
    ~ChartView() override;

    // The chart drawn into a new bitmap of its current size, with the full data.
    QPixmap renderPicture();
    // Rebuild the drawn series and axes from the model now.
    void sync();
    // The entries the legend below the plot lists; empty while the legend is hidden.
    QStringList legendLines() const;

  signals:
    void doubleClicked();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    struct Impl;
    Impl* d_;

    void scheduleRebuild();
    void rebuild();
};

}  // namespace orvr
