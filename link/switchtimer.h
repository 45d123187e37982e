#pragma once

#include <QObject>
#include <QTimer>

namespace orvr {

// A timer with an enabled flag: enabling a running timer changes nothing, enabling a
// stopped one starts a fresh interval, disabling drops the pending tick.
class SwitchTimer : public QObject {
    Q_OBJECT
  public:
    explicit SwitchTimer(QObject* parent = nullptr, int intervalMs = 1000) : QObject(parent) {
        timer_.setInterval(intervalMs);
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, &SwitchTimer::tick);
    }
    bool enabled() const { return timer_.isActive(); }
    void setEnabled(bool on) {
        if (on == timer_.isActive()) {
            return;
        }
        if (on) {
            timer_.start();
        } else {
            timer_.stop();
        }
    }
    int interval() const { return timer_.interval(); }
    void setInterval(int ms) { timer_.setInterval(ms); }

  signals:
    void tick();

  private:
    QTimer timer_;
};

}  // namespace orvr
