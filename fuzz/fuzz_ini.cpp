// The settings file: reading the six keys from any bytes, and a one-key update that must
// keep every other line and every other key as it was.
//
// Input: byte 0 picks the key to write and whether as integer or text, bytes 1-4 give the
// value (an integer, or the length of a text taken from the end of the input); the rest
// is the file.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/inifile.h"
#include "app/settings.h"
#include "link/errors.h"

namespace {

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

const QString& IniPath() {
    static QTemporaryDir dir;
    static const QString path = dir.filePath(orvr::kSettingsFileName);
    Require(dir.isValid(), "temporary directory");
    return path;
}

// The file's lines as text units: a UTF-16 file (byte order mark) by its code units, any
// other file one unit per byte. A line ends at LF; one CR before it is not part of it.
QStringList Lines(const QByteArray& bytes) {
    QString units;
    const bool le = bytes.startsWith("\xFF\xFE");
    const bool be = bytes.startsWith("\xFE\xFF");
    if (le || be) {
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
            const auto a = static_cast<uint8_t>(bytes[i]);
            const auto b = static_cast<uint8_t>(bytes[i + 1]);
            units.append(QChar(static_cast<char16_t>(le ? (b << 8 | a) : (a << 8 | b))));
        }
    } else {
        units = QString::fromLatin1(bytes);
    }
    QStringList lines = units.split(u'\n');
    if (lines.back().isEmpty())
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    Require(f.open(QIODevice::ReadOnly), "settings file readable");
    return f.readAll();
}

// Text values that read back as written: no line ends, no blanks at the ends, not
// wrapped in quotes, within the length a read keeps.
QString TextValue(const uint8_t* data, std::size_t size, std::size_t want) {
    static const char16_t alphabet[] = u"0123456789.:aZ_-=;#[] \"'\\\u00e4\u00df\u20ac\u00b5";
    constexpr std::size_t kinds = sizeof alphabet / sizeof alphabet[0] - 1;
    QString v;
    for (std::size_t i = 0; i < want && i < size; ++i)
        v.append(QChar(alphabet[data[size - 1 - i] % kinds]));
    while (!v.isEmpty() && v.front() == u' ')
        v.remove(0, 1);
    while (!v.isEmpty() && v.back() == u' ')
        v.chop(1);
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        v.append(u'x');
    return v;
}

bool SameExcept(const orvr::tinisetting& a, const orvr::tinisetting& b, int skip) {
    return (skip == 0 || a.stIPAdress == b.stIPAdress) &&
           (skip == 1 || a.iscreenleft == b.iscreenleft) &&
           (skip == 2 || a.iscreentop == b.iscreentop) &&
           (skip == 3 || a.iscreenWidth == b.iscreenWidth) &&
           (skip == 4 || a.iscreenHeight == b.iscreenHeight) && (skip == 5 || a.bStyle == b.bStyle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 5)
        return 0;
    const QString& path = IniPath();
    const QByteArray before(reinterpret_cast<const char*>(data + 5),
                            static_cast<qsizetype>(size - 5));
    {
        QFile f(path);
        Require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "settings file writable");
        Require(f.write(before) == before.size(), "settings file written");
    }

    orvr::IniFile ini(path);
    orvr::tinisetting read;
    orvr::ReadSettings(ini, read);

    static const QString* const keys[] = {&orvr::settingskey::Ip,     &orvr::settingskey::Left,
                                          &orvr::settingskey::Top,    &orvr::settingskey::Width,
                                          &orvr::settingskey::Height, &orvr::settingskey::Style};
    const int which = data[0] % 6;
    const QString& key = *keys[which];
    const bool asText = data[0] & 0x80;
    const auto raw = static_cast<int32_t>(data[1] | data[2] << 8 | data[3] << 16 |
                                          static_cast<uint32_t>(data[4]) << 24);
    const QString text = TextValue(data, size, static_cast<uint8_t>(raw) % 48);
    QString written;
    if (asText) {
        ini.writeString(orvr::settingskey::Section, key, text);
        written = key + u'=' + text;
        Require(ini.readString(orvr::settingskey::Section, key, QStringLiteral("\x01")) == text,
                "a written text reads back");
    } else {
        ini.writeInteger(orvr::settingskey::Section, key, raw);
        written = key + u'=' + QString::number(raw);
        Require(ini.readInteger(orvr::settingskey::Section, key, raw ^ 1) == raw,
                "a written integer reads back");
    }

    const QByteArray after = ReadAll(path);
    const QStringList old = Lines(before);
    QStringList now = Lines(after);
    Require(now.size() >= old.size(), "a write drops no line");
    // Lines match from the front and from the back; what differs in the middle is the
    // key's old line at most, replaced by the key's new line after a new section header
    // at most.
    qsizetype head = 0;
    while (head < old.size() && head < now.size() && old[head] == now[head])
        ++head;
    qsizetype tail = 0;
    while (tail < old.size() - head && tail < now.size() - head &&
           old[old.size() - 1 - tail] == now[now.size() - 1 - tail])
        ++tail;
    const QStringList gone = old.mid(head, old.size() - head - tail);
    const QStringList added = now.mid(head, now.size() - head - tail);
    Require(gone.size() <= 1, "no more than the key's own line is replaced");
    if (!gone.isEmpty()) {
        const QString& replaced = gone.front();
        const qsizetype eq = replaced.indexOf(u'=');
        Require(eq >= 0 && replaced.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0,
                "the line replaced is the key's own");
    }
    // An 8-bit file holds the new line as UTF-8 bytes.
    const bool utf16 = after.startsWith("\xFF\xFE") || after.startsWith("\xFE\xFF");
    const QString newLine = utf16 ? written : QString::fromLatin1(written.toUtf8());
    const bool keyOnly = added == QStringList{newLine};
    const bool withSection =
        gone.isEmpty() && added == QStringList{QStringLiteral("[System]"), newLine};
    // Unchanged lists: the key's line already said exactly this.
    const bool same = gone.isEmpty() && added.isEmpty();
    Require(keyOnly || withSection || same, "every other line is kept");

    orvr::tinisetting again;
    orvr::ReadSettings(ini, again);
    Require(SameExcept(read, again, which), "the other keys keep their values");
    return 0;
}
