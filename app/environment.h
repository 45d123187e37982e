#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

#include "link/exchange.h"

class QWidget;

namespace orvr {

// Message boxes and the asynchronous input dialog; tests record instead of showing.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Modal; returns when the user closed it.
    virtual void information(QWidget* parent, const QString& text) = 0;
    virtual void error(QWidget* parent, const QString& text) = 0;
    // result 1 is OK; values holds the edited value.
    using InputDone = std::function<void(int result, const QStringList& values)>;
    // Shows the dialog without blocking and returns; false when no such service exists.
    virtual bool inputAsync(QWidget* parent, const QString& title, const QString& prompt,
                            const QString& value, InputDone done) = 0;
};

// The real message boxes and a QInputDialog opened without blocking.
class QtDialogs : public Dialogs {
  public:
    void information(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    bool inputAsync(QWidget* parent, const QString& title, const QString& prompt,
                    const QString& value, InputDone done) override;
};

// Everything the window takes from outside, handed in at construction.
struct Environment {
    QString exeDir;                    // where OrvR.ini and DE_orvr.txt live
    QLocale locale;                    // language, decimal point, date and time formats
    std::function<QDateTime()> clock;  // the local date and time
    std::shared_ptr<Dialogs> dialogs;
    uint16_t port = kOrvPort;
    Bounds bounds;

    // The program's own: the executable's directory, the system locale, the real
    // clock and dialogs, port 49198.
    static Environment Real();
};

}  // namespace orvr
