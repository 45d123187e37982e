#include "app/inifile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <vector>

#include "link/errors.h"
#include "link/fields.h"

namespace orvr {

namespace {

constexpr qsizetype kMaxValueLength = 2047;

// The file's text kept losslessly, so that every line a write does not touch goes back
// byte for byte: an 8-bit file holds one character per byte (Latin-1 mapping), a UTF-16
// file its code units without the byte order mark.
struct Document {
    enum class Encoding { Bytes, Utf16LE, Utf16BE };
    Encoding encoding = Encoding::Bytes;
    QString units;
    QByteArray oddByte;  // a UTF-16 file of odd length keeps its last byte

    // What a stretch of units says as text.
    QString decode(QStringView raw) const {
        if (encoding != Encoding::Bytes) {
            return raw.toString();
        }
        const QByteArray bytes = raw.toLatin1();
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString text = utf8(bytes);
        // A hand-edited file in a Western code page still reads sensibly.
        return utf8.hasError() ? QString::fromLatin1(bytes) : text;
    }

    QString encode(const QString& text) const {
        return encoding == Encoding::Bytes ? QString::fromLatin1(text.toUtf8()) : text;
    }

    QByteArray serialize() const {
        if (encoding == Encoding::Bytes) {
            return units.toLatin1();
        }
        const bool le = encoding == Encoding::Utf16LE;
        QByteArray out;
        out.reserve(2 + units.size() * 2 + oddByte.size());
        auto put = [&](char16_t u) {
            const char lo = static_cast<char>(u & 0xFF);
            const char hi = static_cast<char>(u >> 8);
            out.append(le ? lo : hi);
            out.append(le ? hi : lo);
        };
        put(0xFEFF);
        for (QChar c : units) {
            put(c.unicode());
        }
        out.append(oddByte);
        return out;
    }
};

Document Parse(const QByteArray& bytes) {
    Document doc;
    const bool le = bytes.startsWith("\xFF\xFE");
    const bool be = bytes.startsWith("\xFE\xFF");
    if (!le && !be) {
        doc.units = QString::fromLatin1(bytes);
        return doc;
    }
    doc.encoding = le ? Document::Encoding::Utf16LE : Document::Encoding::Utf16BE;
    const qsizetype count = (bytes.size() - 2) / 2;
    doc.units.resize(count);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + 2;
    for (qsizetype i = 0; i < count; ++i) {
        const unsigned lo = le ? p[2 * i] : p[2 * i + 1];
        const unsigned hi = le ? p[2 * i + 1] : p[2 * i];
        doc.units[i] = QChar(static_cast<char16_t>(hi << 8 | lo));
    }
    doc.oddByte = bytes.mid(2 + count * 2);
    return doc;
}

enum class LoadResult { Missing, Unreadable, Loaded };

LoadResult Load(const QString& path, Document& doc) {
    QFile file(path);
    if (!file.exists()) {
        return LoadResult::Missing;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return LoadResult::Unreadable;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return LoadResult::Unreadable;
    }
    doc = Parse(bytes);
    return LoadResult::Loaded;
}

struct Line {
    qsizetype start;  // first unit
    qsizetype end;    // past the text, before CR LF or LF
    qsizetype next;   // first unit of the next line
};

std::vector<Line> SplitLines(const QString& units) {
    std::vector<Line> lines;
    qsizetype start = 0;
    while (start < units.size()) {
        qsizetype lf = units.indexOf(QLatin1Char('\n'), start);
        const qsizetype next = lf < 0 ? units.size() : lf + 1;
        qsizetype end = lf < 0 ? units.size() : lf;
        if (end > start && units[end - 1] == QLatin1Char('\r')) {
            --end;
        }
        lines.push_back({start, end, next});
        start = next;
    }
    return lines;
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QStringView TrimBlanks(QStringView s) {
    while (!s.isEmpty() && IsBlank(s.front())) {
        s = s.mid(1);
    }
    while (!s.isEmpty() && IsBlank(s.back())) {
        s.chop(1);
    }
    return s;
}

bool SameName(QStringView a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a section and one of its keys stand in the document. The first section of the
// name counts, and within it the first line of the key.
struct Location {
    int section = -1;      // header line
    int key = -1;          // the key's line
    int lastContent = -1;  // last non-blank line of the section (the header at least)
    QString value;         // the key's raw value, blanks trimmed
};

Location Find(const Document& doc, const std::vector<Line>& lines, const QString& section,
              const QString& key) {
    Location at;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const Line& line = lines[i];
        QString text = doc.decode(QStringView(doc.units).mid(line.start, line.end - line.start));
        if (i == 0 && text.startsWith(QChar(0xFEFF))) {
            text.remove(0, 1);
        }
        const QStringView trimmed = TrimBlanks(text);
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (at.section >= 0) {
                break;
            }
            QStringView name = trimmed.mid(1);
            const qsizetype close = name.indexOf(QLatin1Char(']'));
            if (close >= 0) {
                name = name.left(close);
            }
            if (SameName(TrimBlanks(name), section)) {
                at.section = i;
                at.lastContent = i;
            }
            continue;
        }
        if (at.section < 0 || trimmed.isEmpty()) {
            continue;
        }
        at.lastContent = i;
        const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
        if (at.key < 0 && eq >= 0 && SameName(TrimBlanks(trimmed.left(eq)), key)) {
            at.key = i;
            at.value = TrimBlanks(trimmed.mid(eq + 1)).toString();
        }
    }
    return at;
}

QString Unquote(QString value) {
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first) {
            value = value.mid(1, value.size() - 2);
        }
    }
    if (value.size() > kMaxValueLength) {
        qsizetype cut = kMaxValueLength;
        // Never keep half of a surrogate pair.
        if (value[cut - 1].isHighSurrogate()) {
            --cut;
        }
        value.truncate(cut);
    }
    return value;
}

// Decimal, or hexadecimal after "0x", "0X" or "$", with an optional sign. Hexadecimal
// is a 32-bit pattern, so "$FFFFFFFF" is -1; decimal must lie within 32 bits signed.
bool ParseInteger(QStringView s, int32_t& value) {
    bool negative = false;
    if (!s.isEmpty() && (s.front() == QLatin1Char('+') || s.front() == QLatin1Char('-'))) {
        negative = s.front() == QLatin1Char('-');
        s = s.mid(1);
    }
    qsizetype digits = 0;
    if (s.startsWith(QLatin1Char('$')) || s.startsWith(QLatin1String("0x")) ||
        s.startsWith(QLatin1String("0X"))) {
        s = s.mid(s.front() == QLatin1Char('$') ? 1 : 2);
        uint64_t v = 0;
        for (QChar c : s) {
            const int d = HexDigit(c);
            if (d < 0) {
                return false;
            }
            v = v * 16 + static_cast<unsigned>(d);
            if (v > 0xFFFFFFFFu) {
                return false;
            }
            ++digits;
        }
        if (digits == 0) {
            return false;
        }
        const uint32_t pattern = static_cast<uint32_t>(v);
        value = static_cast<int32_t>(negative ? 0u - pattern : pattern);
        return true;
    }
    int64_t v = 0;
    for (QChar c : s) {
        if (c.unicode() < u'0' || c.unicode() > u'9') {
            return false;
        }
        v = v * 10 + (c.unicode() - u'0');
        if (v > 2147483648LL) {
            return false;
        }
        ++digits;
    }
    if (digits == 0 || (!negative && v > 2147483647LL)) {
        return false;
    }
    value = static_cast<int32_t>(negative ? -v : v);
    return true;
}

// A value must stay on its own line, or it would write keys and sections of its own.
QString OneLine(QString value) {
    for (QChar& c : value) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            c = QLatin1Char(' ');
        }
    }
    return value;
}

// What ends the line that stops at `at` when something is written after it: nothing when
// it already ends at an LF, the LF alone after a last line's CR (which a read already takes
// as its line end, so a CR LF after it would put the CR into the value), else CR LF.
QString lineEndFor(const QString& units, qsizetype at) {
    if (at == 0 || units[at - 1] == QLatin1Char('\n')) {
        return QString();
    }
    return units[at - 1] == QLatin1Char('\r') ? QStringLiteral("\n") : QStringLiteral("\r\n");
}

}  // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    Document doc;
    if (Load(path_, doc) != LoadResult::Loaded) {
        return defaultValue;
    }
    const Location at = Find(doc, SplitLines(doc.units), section, key);
    if (at.key < 0) {
        return defaultValue;
    }
    return Unquote(at.value);
}

int32_t IniFile::readInteger(const QString& section, const QString& key,
                             int32_t defaultValue) const {
    int32_t value = 0;
    if (!ParseInteger(readString(section, key, QString()), value)) {
        return defaultValue;
    }
    return value;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    const IoError failure(QStringLiteral("Unable to write to ") + path_);
    Document doc;
    // A file that exists but cannot be read must not be replaced by one holding only
    // this key.
    if (Load(path_, doc) == LoadResult::Unreadable) {
        throw failure;
    }
    const QString crlf = QStringLiteral("\r\n");
    const QString line = doc.encode(key + QLatin1Char('=') + OneLine(value)) + crlf;
    const std::vector<Line> lines = SplitLines(doc.units);
    const Location at = Find(doc, lines, section, key);
    if (at.key >= 0) {
        const Line& old = lines[at.key];
        doc.units.replace(old.start, old.next - old.start, line);
    } else if (at.section >= 0) {
        const Line& last = lines[at.lastContent];
        doc.units.insert(last.next, lineEndFor(doc.units, last.next) + line);
    } else {
        doc.units += lineEndFor(doc.units, doc.units.size());
        doc.units += doc.encode(QLatin1Char('[') + section + QLatin1Char(']')) + crlf + line;
    }

    // Written beside the old file and renamed over it: a failure at any point leaves the
    // previous file as it was. Unbuffered, because a short write hidden in the buffer
    // (a full disk) would otherwise still be committed as a cut-off file.
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        throw failure;
    }
    const QByteArray bytes = doc.serialize();
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit()) {
        file.cancelWriting();
        throw failure;
    }
}

void IniFile::writeInteger(const QString& section, const QString& key, int32_t value) {
    writeString(section, key, QString::number(value));
}

}  // namespace orvr
