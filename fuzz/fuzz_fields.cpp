// Field splitting, integer conversion and the BUSY unwrapping.
//
// Input: byte 0 chooses how the rest becomes text (bit 0: UTF-16 code units, else one
// character per byte) and, in its upper bits, an extra separator to split at.
#include <QString>
#include <QStringList>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "link/errors.h"
#include "link/exchange.h"
#include "link/fields.h"

namespace {

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

int Hex(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// The integer rule written out once more, independently: blanks, sign, "$"/"x"/"X"/"0x"/"0X"
// and hexadecimal as a 32-bit pattern, or decimal within 32 bits signed; nothing after.
std::optional<int32_t> ReferenceInteger(QStringView s) {
    qsizetype i = 0;
    while (i < s.size() && s[i] == u' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    const auto at = [&](qsizetype k) { return k < s.size() ? s[k].unicode() : char16_t(0); };
    bool hex = false;
    if (at(i) == u'$' || at(i) == u'x' || at(i) == u'X') {
        hex = true;
        i += 1;
    } else if (at(i) == u'0' && (at(i + 1) == u'x' || at(i + 1) == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size())
        return std::nullopt;
    if (hex) {
        uint32_t v = 0;
        for (; i < s.size(); ++i) {
            const int d = Hex(s[i].unicode());
            if (d < 0 || v > 0x0FFFFFFFu)
                return std::nullopt;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        return static_cast<int32_t>(negative ? 0u - v : v);
    }
    int64_t v = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c - u'0');
        if (v > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        return std::nullopt;
    return static_cast<int32_t>(v);
}

void CheckSplit(const QString& text, QChar sep) {
    const QStringList fields = orvr::SplitFields(text, sep);
    if (text.isEmpty()) {
        Require(fields.isEmpty(), "empty text gives no field");
        return;
    }
    Require(fields.size() == text.count(sep) + 1, "k separators give k + 1 fields");
    Require(fields.join(sep) == text, "the fields joined give the text back");
}

void CheckInteger(const QString& text) {
    const std::optional<int32_t> want = ReferenceInteger(text);
    int32_t got = 0x5A5A5A5A;
    const bool ok = orvr::TryInteger(text, got);
    Require(ok == want.has_value(), "TryInteger accepts exactly the integer syntax");
    if (ok)
        Require(got == *want, "TryInteger gives the reference value");

    for (const auto message : {orvr::IntegerMessage::Plain, orvr::IntegerMessage::Typed}) {
        try {
            const int32_t v = orvr::Integer(text, message);
            Require(want && v == *want, "Integer gives the reference value");
        } catch (const orvr::ConversionError& e) {
            Require(!want, "Integer raises only on bad text");
            const QString tail =
                message == orvr::IntegerMessage::Plain
                    ? QStringLiteral("' is not a valid integer value")
                    : QStringLiteral("' is not a valid integer value for Integer type");
            Require(e.text() == u'\'' + text + tail, "conversion message quotes the text");
        }
    }

    if (want) {
        char buf[16];
        const auto r = std::to_chars(buf, buf + sizeof buf, *want);
        const QString decimal = orvr::Decimal(*want);
        Require(decimal == QString::fromLatin1(buf, r.ptr - buf), "Decimal writes plain decimal");
        int32_t back = 0;
        Require(orvr::TryInteger(decimal, back) && back == *want, "Decimal reads back");
    }
}

QString ReferenceUnwrap(const QString& reply) {
    const qsizetype first = reply.indexOf(u';');
    if (first < 0 || QStringView(reply).left(first) != u"BUSY")
        return reply;
    const qsizetype second = reply.indexOf(u';', first + 1);
    return reply.mid(first + 1, second < 0 ? -1 : second - first - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    const auto* rest = reinterpret_cast<const char*>(data + 1);
    const auto n = static_cast<qsizetype>(size - 1);
    QString text;
    if (mode & 1) {
        for (qsizetype i = 0; i + 1 < n; i += 2)
            text.append(QChar(static_cast<char16_t>(uint8_t(rest[i]) | uint8_t(rest[i + 1]) << 8)));
    } else {
        text = QString::fromLatin1(rest, n);
    }

    CheckSplit(text, u';');
    CheckSplit(text, u'.');
    CheckSplit(text, QChar(static_cast<char16_t>(mode >> 1)));

    CheckInteger(text);
    for (const QString& field : orvr::SplitFields(text, u';'))
        CheckInteger(field);

    Require(orvr::UnwrapBusy(text) == ReferenceUnwrap(text), "BUSY unwrapping");
    return 0;
}
