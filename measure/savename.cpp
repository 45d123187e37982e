#include "measure/savename.h"

namespace orvr {

namespace {

// Copies a quoted literal of a QLocale format (from the opening quote at i) to out and
// returns the index after it. "''" inside or outside stands for one quote.
qsizetype CopyQuoted(const QString& format, qsizetype i, QString& out) {
    out += format[i++];
    while (i < format.size()) {
        const QChar c = format[i++];
        out += c;
        if (c == QLatin1Char('\'')) {
            if (i < format.size() && format[i] == QLatin1Char('\'')) {
                out += format[i++];
                continue;
            }
            break;
        }
    }
    return i;
}

// The locale's long time format without its time-zone field: a file name has no use
// for the zone, and the instrument's clock knows none.
QString TimeFormatWithoutZone(const QString& format) {
    QString out;
    bool dropLeadingBlanks = false;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            i = CopyQuoted(format, i, out);
            dropLeadingBlanks = false;
            continue;
        }
        if (c != QLatin1Char('t')) {
            if (!(dropLeadingBlanks && c == QLatin1Char(' '))) {
                out += c;
                dropLeadingBlanks = false;
            }
            ++i;
            continue;
        }
        while (i < format.size() && format[i] == QLatin1Char('t')) {
            ++i;
        }
        // A zone written in brackets takes its brackets along.
        if (out.endsWith(QLatin1Char('(')) && i < format.size() && format[i] == QLatin1Char(')')) {
            out.chop(1);
            ++i;
        }
        while (out.endsWith(QLatin1Char(' '))) {
            out.chop(1);
        }
        dropLeadingBlanks = out.isEmpty();
    }
    return out;
}

// The locale's short date format with a two-digit year widened to four, so that a
// stored name never leaves the century open.
QString DateFormatWithFullYear(const QString& format) {
    QString out;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            i = CopyQuoted(format, i, out);
            continue;
        }
        if (c != QLatin1Char('y')) {
            out += c;
            ++i;
            continue;
        }
        qsizetype run = 0;
        while (i < format.size() && format[i] == QLatin1Char('y')) {
            ++run;
            ++i;
        }
        out += run == 2 ? QStringLiteral("yyyy") : QString(run, QLatin1Char('y'));
    }
    return out;
}

// ";" would end the name's field on the wire and control characters would break or
// garble the request line, so neither may reach the instrument.
void ReplaceUnsendable(QString& name) {
    for (QChar& c : name) {
        if (c == QLatin1Char(';') || c.unicode() < 0x20 || c.unicode() == 0x7F) {
            c = QLatin1Char('_');
        }
    }
}

}  // namespace

QString LocalStamp(const QDateTime& now, const QLocale& locale) {
    QString stamp = locale.toString(
        now.date(), DateFormatWithFullYear(locale.dateFormat(QLocale::ShortFormat)));
    if (now.time().msecsSinceStartOfDay() != 0) {
        stamp += QLatin1Char(' ') +
                 locale.toString(now.time(),
                                 TimeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
    }
    return stamp;
}

QString SaveFileName(const QString& user, const QString& modeText, const QDateTime& now,
                     const QLocale& locale) {
    QString stamp = modeText + QLatin1Char('_') + LocalStamp(now, locale);
    stamp.replace(QLatin1Char(':'), QLatin1Char('_'));
    QString name = user + QLatin1Char('_') + stamp + QStringLiteral(".tes");
    ReplaceUnsendable(name);
    return name;
}

}  // namespace orvr
