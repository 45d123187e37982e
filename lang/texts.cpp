#include "lang/texts.h"

namespace orvr::text {

QString English(int32_t id) {
    switch (id) {
        case Acoustic:
            return QStringLiteral("Acoustic");
        case Electric:
            return QStringLiteral("Electric");
        case ReadAll:
            return QStringLiteral("XY");
        case Start:
            return QStringLiteral("Start");
        case SaveFile:
            return QStringLiteral("Save file");
        case SetIp:
            return QStringLiteral("Set IP / Connect");
        case All:
            return QStringLiteral("All");
        case Active:
            return QStringLiteral("Active");
        case FileSaved:
            return QStringLiteral("File saved in default folder as: ");
        case VersionRefused:
            return QStringLiteral(
                "Your Orv Version is not supported. Please use the latest release from download "
                "page.");
        case NoMeasurement:
            return QStringLiteral("No Orv measurement detected! Check Orv.");
        case NumericInput:
            return QStringLiteral("Numeric input required. Your input: ");
        case OrvBusy:
            return QStringLiteral("Orv busy! Measurement not possible.");
        case ChartCopied:
            return QStringLiteral("Chart copied to clipboard");
        case NoAccess:
            return QStringLiteral("No Orv access!");
        case Wait:
            return QStringLiteral("Wait...");
        case StartOrv:
            return QStringLiteral("Start Orv or change IP. Press afterwards Re-Connect");
    }
    return {};
}

}  // namespace orvr::text
