#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace orvr {

// The locale's short date, a blank and its time with seconds (no time-zone name); the
// blank and time are left out at exactly midnight.
QString LocalStamp(const QDateTime& now, const QLocale& locale);

// user + "_" + mode + "_" + stamp + ".tes": every ":" of the mode text and the stamp
// becomes "_", and every ";" or control character anywhere becomes "_" so the name
// reported is the name the instrument receives. A ":" typed by the user stays.
QString SaveFileName(const QString& user, const QString& modeText, const QDateTime& now,
                     const QLocale& locale);

}  // namespace orvr
