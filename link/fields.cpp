#include "link/fields.h"

#include "link/errors.h"

namespace orvr {

QStringList SplitFields(const QString& text, QChar separator) {
    QStringList fields;
    if (text.isEmpty()) {
        return fields;
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == separator) {
            fields.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    fields.append(text.mid(start));
    return fields;
}

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    return -1;
}

bool TryInteger(QStringView text, int32_t& value) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == u' ') {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }

    bool hex = false;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        hex = true;
        i += 1;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }

    int digits = 0;
    if (hex) {
        // Arithmetic on the unsigned pattern: "$80000000" and above wrap to negatives.
        uint32_t v = 0;
        while (i < n && v <= 0x0FFFFFFFu) {
            const int d = HexDigit(text[i]);
            if (d < 0) {
                break;
            }
            v = v * 16u + static_cast<uint32_t>(d);
            ++digits;
            ++i;
        }
        if (digits == 0 || i != n) {
            return false;
        }
        if (negative) {
            v = 0u - v;
        }
        value = static_cast<int32_t>(v);
        return true;
    }

    // Capped above the largest magnitude so long digit runs cannot overflow.
    constexpr int64_t kLimit = int64_t{1} << 31;
    int64_t v = 0;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        if (v <= kLimit) {
            v = v * 10 + (text[i].unicode() - u'0');
        }
        ++digits;
        ++i;
    }
    if (digits == 0 || i != n) {
        return false;
    }
    if (negative) {
        v = -v;
    }
    if (v < -kLimit || v > kLimit - 1) {
        return false;
    }
    value = static_cast<int32_t>(v);
    return true;
}

int32_t Integer(const QString& text, IntegerMessage message) {
    int32_t value = 0;
    if (TryInteger(text, value)) {
        return value;
    }
    // The multi-argument arg() fills both at once, so a "%1" inside the text stays text.
    if (message == IntegerMessage::Plain) {
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
    throw ConversionError(QStringLiteral("'%1' is not a valid integer value for %2 type")
                              .arg(text, QStringLiteral("Integer")));
}

QString Decimal(int32_t n) {
    return QString::number(n);
}

}  // namespace orvr
