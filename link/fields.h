#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>

namespace orvr {

// Cuts text at every separator. Empty text gives no field; k separators give k + 1
// fields, empty ones included. No quoting, no trimming.
QStringList SplitFields(const QString& text, QChar separator);

// Which wording a failed integer conversion uses.
enum class IntegerMessage {
    Plain,  // "'%s' is not a valid integer value"
    Typed,  // "'%s' is not a valid integer value for Integer type"
};

// Parses a signed 32-bit integer: leading blanks (U+0020 only), optional sign, then
// decimal digits or hexadecimal after "$", "x", "X", "0x" or "0X"; nothing may follow.
// Returns false on any other text.
bool TryInteger(QStringView text, int32_t& value);

// TryInteger that raises ConversionError with the chosen wording on failure.
int32_t Integer(const QString& text, IntegerMessage message);

// The value of a hexadecimal digit (0-9, A-F, a-f), or -1.
int HexDigit(QChar c);

// Writes n in decimal: "-" for negatives, no leading zeros, no "+".
QString Decimal(int32_t n);

}  // namespace orvr
