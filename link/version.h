#pragma once

#include <QString>

namespace orvr {

// Judges a VER reply: empty gives false; field 0 is "major.minor[.more]", both read with
// Integer(..., IntegerMessage::Typed) before any comparison (a ConversionError escapes);
// supported when the low 8 bits of major are above 2 or those of minor are 8 or more.
// A version without "." is judged by its major number alone (minor taken as 0).
bool VersionSupported(const QString& reply);

}  // namespace orvr
