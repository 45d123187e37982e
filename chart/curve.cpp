#include "curve.h"

#include <locale.h>

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "link/errors.h"

namespace orvr {

namespace {

// Stands for a decimal separator outside Latin-1 in the byte copy of a reply; the
// instrument sends ASCII only, so nothing else maps to it.
constexpr char kWideSeparator = '\x01';

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr uint64_t kMaxExactMantissa = uint64_t{1} << 53;

inline bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

// strtod as in the C locale, whatever the process locale says about the decimal point.
double StrtodC(const char* text) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
    return strtod_l(text, nullptr, c);
}

// Converts a validated number [b, e) (no leading '+', separator at sep or none) through
// from_chars, which rounds correctly like strtod; only a value outside the range of a
// double, where from_chars reports instead of rounding, is left to strtod itself.
double ConvertGeneral(const char* b, const char* e, const char* sep) {
    std::string text(b, e);
    if (sep) {
        text[static_cast<size_t>(sep - b)] = '.';
    }
    double v = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec == std::errc::result_out_of_range || ptr != text.data() + text.size()) {
        v = StrtodC(text.c_str());
    }
    return v;
}

bool EqualsIgnoringCase(const char* b, const char* e, const char* word) {
    const size_t n = std::strlen(word);
    if (static_cast<size_t>(e - b) != n) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        if ((b[i] | 0x20) != word[i]) {
            return false;
        }
    }
    return true;
}

// The words stand alone: blanks around them, nothing else.
bool ReadWord(const char* b, const char* e, double& v) {
    while (b != e && *b == ' ') {
        ++b;
    }
    while (e != b && e[-1] == ' ') {
        --e;
    }
    if (EqualsIgnoringCase(b, e, "nan")) {
        v = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    bool negative = false;
    if (b != e && (*b == '+' || *b == '-')) {
        negative = *b == '-';
        ++b;
    }
    if (EqualsIgnoringCase(b, e, "inf")) {
        v = negative ? -std::numeric_limits<double>::infinity()
                     : std::numeric_limits<double>::infinity();
        return true;
    }
    return false;
}

// Reads the field that starts at p and ends at the next terminator byte or at end.
// Returns the field's end on success (the terminator or end), nullptr when the field is
// not a number. A terminator of -1 means the field runs to end.
const char* ReadNumber(const char* p, const char* end, char sep, int terminator, double& v) {
    const char* const field = p;
    while (p != end && *p == ' ') {
        ++p;
    }
    const char* number = p;  // from_chars takes '-' but not '+'
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        number = negative ? p : p + 1;
        ++p;
    }

    // The significant digits go into a 64-bit mantissa while they fit; a value whose
    // mantissa and power of ten are both exact doubles is then one correctly rounded
    // multiplication or division away, the same result strtod gives.
    uint64_t mantissa = 0;
    int kept = 0;
    int exponent = 0;
    bool exact = true;
    int digits = 0;
    for (; p != end && IsDigit(*p); ++p, ++digits) {
        const unsigned d = static_cast<unsigned>(*p - '0');
        if (kept < 19) {
            if (mantissa != 0 || d != 0) {
                mantissa = mantissa * 10 + d;
                ++kept;
            }
        } else {
            exact = false;
        }
    }
    const char* separator = nullptr;
    if (p != end && *p == sep) {
        separator = p++;
        for (; p != end && IsDigit(*p); ++p, ++digits) {
            const unsigned d = static_cast<unsigned>(*p - '0');
            if (kept < 19) {
                if (mantissa != 0 || d != 0) {
                    mantissa = mantissa * 10 + d;
                    ++kept;
                }
                --exponent;
            } else {
                exact = false;
            }
        }
    }
    if (digits == 0) {
        const char* e = static_cast<const char*>(
            terminator < 0 ? nullptr : std::memchr(field, terminator, end - field));
        if (!e) {
            e = end;
        }
        return ReadWord(field, e, v) ? e : nullptr;
    }
    if (p != end && (*p | 0x20) == 'e') {
        ++p;
        bool negativeExponent = false;
        if (p != end && (*p == '+' || *p == '-')) {
            negativeExponent = *p == '-';
            ++p;
        }
        const char* first = p;
        int value = 0;
        for (; p != end && IsDigit(*p); ++p) {
            if (value < 100000) {  // far beyond any double; saturating keeps it an int
                value = value * 10 + (*p - '0');
            }
        }
        if (p == first) {
            return nullptr;
        }
        exponent += negativeExponent ? -value : value;
    }
    const char* const numberEnd = p;
    while (p != end && *p == ' ') {
        ++p;
    }
    if (p != end && static_cast<unsigned char>(*p) != terminator) {
        return nullptr;
    }
    if (exact && mantissa <= kMaxExactMantissa && exponent >= -22 && exponent <= 22) {
        const double m = static_cast<double>(mantissa);
        v = exponent < 0 ? m / kPow10[-exponent] : m * kPow10[exponent];
        if (negative) {
            v = -v;
        }
    } else {
        v = ConvertGeneral(number, numberEnd, separator);
    }
    return p;
}

// One byte per UTF-16 unit, so byte offsets are offsets into the text. Anything that is
// no part of a number becomes '?'.
QByteArray ToBytes(QStringView text, QChar decimalPoint, char& sep) {
    if (decimalPoint.unicode() <= 0xFF) {
        sep = static_cast<char>(decimalPoint.unicode());
        return text.toLatin1();  // vectorised; non-Latin-1 units become '?'
    }
    sep = kWideSeparator;
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        *out++ = c == decimalPoint                   ? kWideSeparator
                 : (u < 0x80 && u != kWideSeparator) ? static_cast<char>(u)
                                                     : '?';
    }
    return bytes;
}

[[noreturn]] void ThrowNotFloat(QStringView field) {
    throw ConversionError(
        QStringLiteral("'%1' is not a valid floating point value").arg(field.toString()));
}

}  // namespace

bool ParseCurveNumber(QStringView field, QChar decimalPoint, double& value) {
    char sep = 0;
    const QByteArray bytes = ToBytes(field, decimalPoint, sep);
    const char* b = bytes.constData();
    const char* e = b + bytes.size();
    double v = 0;
    if (ReadNumber(b, e, sep, -1, v) != e) {
        return false;
    }
    value = v;
    return true;
}

void ParseCurve(QStringView reply, QChar decimalPoint, std::vector<QPointF>& points,
                int32_t& count) {
    points.clear();
    char sep = 0;
    const QByteArray bytes = ToBytes(reply, decimalPoint, sep);
    const char* const begin = bytes.constData();
    const char* const end = begin + bytes.size();
    // A realistic pair takes some 20 characters. A guess, since counting the separators
    // first costs a fifth of the whole parse.
    points.reserve(static_cast<size_t>(bytes.size() / 16));

    const auto fail = [&](const char* field) {
        const char* e = static_cast<const char*>(std::memchr(field, ';', end - field));
        ThrowNotFloat(reply.sliced(field - begin, (e ? e : end) - field));
    };

    int32_t taken = 0;
    const char* p = begin;
    for (;;) {
        double x = 0;
        double y = 0;
        const char* xEnd = ReadNumber(p, end, sep, ';', x);
        // X without a separator after it is a lone last field (an empty one after a
        // trailing ';' included): it is ignored, whatever it holds.
        if (!xEnd) {
            if (!std::memchr(p, ';', end - p)) {
                break;
            }
            fail(p);
        }
        if (xEnd == end) {
            break;
        }
        const char* yField = xEnd + 1;
        const char* yEnd = ReadNumber(yField, end, sep, ';', y);
        if (!yEnd) {
            fail(yField);
        }
        points.emplace_back(x, y);
        taken += 2;
        if (yEnd == end) {
            break;
        }
        p = yEnd + 1;
    }
    count = taken;
}

}  // namespace orvr
