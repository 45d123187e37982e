#include "app/errorreport.h"

namespace orvr {

QString ErrorReportText(const QString& text) {
    if (!text.isEmpty() && text.back().unicode() > u'.') {
        return text + QLatin1Char('.');
    }
    return text;
}

}  // namespace orvr
