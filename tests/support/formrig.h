#pragma once

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "app/mainwindow.h"
#include "link/switchtimer.h"
#include "support/testsupport.h"

namespace orvr::test {

// The lamps' colours as the window must show them.
inline const QColor kLampGreen = QColor::fromRgba(0xFF7CFC00);
inline const QColor kLampRed = QColor::fromRgba(0xFFFF0000);
inline const QColor kLampGrey = QColor::fromRgba(0xFFE0E0E0);

// The window over a Rig. The busy poll keeps its enabled flag but its interval is long, so
// no tick arrives on its own while a test dispatches events: ticks are called directly.
inline std::unique_ptr<TForm1> makeForm(Rig& rig) {
    auto form = std::make_unique<TForm1>(rig.environment());
    form->TimerBusy->setInterval(3600 * 1000);
    form->Timer1->setInterval(3600 * 1000);
    return form;
}

inline std::vector<std::string> lines(std::initializer_list<const char*> l) {
    return {l.begin(), l.end()};
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(bytes);
    }
}

// The seven panels that lock together.
inline std::vector<QWidget*> lockGroup(TForm1& f) {
    return {f.paChartKanalAnAus,  f.paMessmode,   f.paMessenStart, f.paFreqPreset,
            f.paChartZeigeTasten, f.paChartLesen, f.paFileSave};
}

inline bool allLocked(TForm1& f) {
    for (QWidget* w : lockGroup(f)) {
        if (w->isEnabled()) {
            return false;
        }
    }
    return true;
}

inline bool noneLocked(TForm1& f) {
    for (QWidget* w : lockGroup(f)) {
        if (!w->isEnabled()) {
            return false;
        }
    }
    return true;
}

}  // namespace orvr::test
