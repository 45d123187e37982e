#pragma once

#include <QString>

namespace orvr {

// The general error report's text: a full stop appended when the last character's
// code is above that of ".".
QString ErrorReportText(const QString& text);

}  // namespace orvr
