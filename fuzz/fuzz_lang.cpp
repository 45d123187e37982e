// The language file: decoding its bytes, cutting the lines, the sorted list and the
// lookup of every text identifier.
//
// Input: the file's bytes.
#include <QByteArray>
#include <QCollator>
#include <QLocale>
#include <QSet>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "lang/langfile.h"
#include "lang/languagelist.h"

namespace {

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// Well-formed UTF-8 by the Unicode table of byte sequences: no overlong forms, no
// surrogates, nothing above U+10FFFF, nothing cut off.
bool WellFormedUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uint8_t b = p[i];
        int more = 0;
        uint8_t lo = 0x80, hi = 0xBF;
        if (b < 0x80) {
            more = 0;
        } else if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            if (b == 0xE0)
                lo = 0xA0;
            if (b == 0xED)
                hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            if (b == 0xF0)
                lo = 0x90;
            if (b == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (i + more >= n && more > 0)
            return false;
        for (int k = 1; k <= more; ++k) {
            const uint8_t c = p[i + k];
            if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF))
                return false;
        }
        i += 1 + more;
    }
    return true;
}

void CheckDecode(const QByteArray& bytes, const QString& text) {
    if (WellFormedUtf8(bytes)) {
        Require(text.toUtf8() == bytes, "UTF-8 decoded as it is, byte order mark kept");
        return;
    }
    Require(text.size() == bytes.size(), "Windows-1252: one character per byte");
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<uint8_t>(bytes[i]);
        const char16_t c = text[i].unicode();
        const bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        if (b < 0x80 || b >= 0xA0 || unassigned)
            Require(c == b, "Windows-1252 byte as the same character");
        else
            Require(c > 0xFF, "Windows-1252 0x80-0x9F as their typographic characters");
    }
}

QStringList ReferenceLines(const QString& text) {
    if (text.isEmpty())
        return {};
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    unified.replace(u'\r', u'\n');
    QStringList lines = unified.split(u'\n');
    if (unified.endsWith(u'\n'))
        lines.removeLast();
    return lines;
}

// The list's order, built here from the same platform facility: German collation
// without case; an empty side by sort key, where weightless characters count as nothing.
struct Order {
    QCollator collator{QLocale(QLocale::German, QLocale::Germany)};
    Order() { collator.setCaseSensitivity(Qt::CaseInsensitive); }
    int operator()(const QString& a, const QString& b) const {
        if (a.isEmpty() || b.isEmpty()) {
            const int r = collator.sortKey(a).compare(collator.sortKey(b));
            return (r > 0) - (r < 0);
        }
        return collator.compare(a, b);
    }
};

QString IdPart(const QString& line) {
    const qsizetype sep = line.indexOf(u'_');
    return sep < 0 ? line : line.left(sep);
}

bool PrintableAscii(const QString& s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= u' ' && c <= u'~'; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = orvr::DecodeLanguageBytes(bytes);
    CheckDecode(bytes, text);

    const QStringList lines = orvr::SplitLanguageLines(text);
    Require(lines == ReferenceLines(text), "lines end at CR, LF or CR LF");

    static const Order order;
    const QLocale german(QLocale::German, QLocale::Germany);
    orvr::LanguageList list(german);
    for (const QString& line : lines)
        list.insert(line);
    const QStringList& kept = list.lines();

    Require(kept.size() <= lines.size(), "no line is made up");
    for (qsizetype i = 1; i < kept.size(); ++i)
        Require(order(kept[i - 1], kept[i]) < 0, "list sorted, no two lines equal");
    // Every line is in the list or has an equal one there, and the one kept is the first
    // of its kind in the file.
    QSet<qsizetype> claimed;
    for (const QString& line : lines) {
        const auto at = std::lower_bound(
            kept.begin(), kept.end(), line,
            [&](const QString& present, const QString& key) { return order(present, key) < 0; });
        Require(at != kept.end() && order(*at, line) == 0, "every line is found in the list");
        const qsizetype pos = at - kept.begin();
        if (!claimed.contains(pos)) {
            Require(*at == line, "the first of equal lines stays");
            claimed.insert(pos);
        }
    }
    Require(claimed.size() == kept.size(), "every kept line comes from the file");

    const bool plain = std::all_of(kept.begin(), kept.end(), PrintableAscii);
    std::vector<int32_t> ids = {0, 100};
    for (int32_t id = 101; id <= 108; ++id)
        ids.push_back(id);
    for (int32_t id = 200; id <= 205; ++id)
        ids.push_back(id);
    for (int32_t id = 300; id <= 302; ++id)
        ids.push_back(id);
    for (const int32_t id : ids) {
        const QString got = list.lookup(id);
        if (id <= 100) {
            Require(got == QStringLiteral("Fehler Id"), "identifiers up to 100 are no texts");
            continue;
        }
        const QString key = QString::number(id);
        bool entry = false;
        bool exact = false;
        bool textIsKey = false;  // "101_101": the text found may spell the identifier
        for (const QString& line : kept) {
            const qsizetype sep = line.indexOf(u'_');
            const QString id_part = IdPart(line);
            if (sep >= 0 && id_part == key) {
                exact = true;
                textIsKey = textIsKey || line.mid(sep + 1) == key;
            }
            if (order(id_part, key) == 0 && (sep < 0 ? line : line.mid(sep + 1)) == got)
                entry = true;
        }
        Require(got == key || entry, "a lookup gives the text of a line of that identifier");
        if (exact && plain && !textIsKey)
            Require(got != key, "an identifier with a line of its own is found");
    }
    return 0;
}
