#include "measure/mode.h"

#include "link/fields.h"

namespace orvr {

bool ApplyModeReply(const QString& reply, ModeValues& values) {
    const QStringList fields = SplitFields(reply, QLatin1Char(';'));
    if (fields.size() < 6) {
        return false;
    }
    // Each value is stored the moment its field converts: a bad later field must not
    // undo what was already read.
    values.modeNumber = static_cast<uint8_t>(Integer(fields[0], IntegerMessage::Typed) & 0xFF);
    if (!fields[1].isEmpty()) {
        values.fmin = Integer(fields[1], IntegerMessage::Typed);
    }
    if (!fields[2].isEmpty()) {
        values.fmax = Integer(fields[2], IntegerMessage::Typed);
    }
    values.modeChannel = static_cast<uint8_t>(Integer(fields[3], IntegerMessage::Typed) & 0xFF);
    values.xyFreqFlag = Integer(fields[4], IntegerMessage::Typed) != 0;
    values.xyZFlag = Integer(fields[5], IntegerMessage::Typed) != 0;
    return true;
}

QString ModeName(uint8_t number) {
    switch (number) {
        case 1:
            return QStringLiteral("Acoustic");
        case 3:
            return QStringLiteral("Electric");
        case 5:
            return QStringLiteral("Z");
        case 6:
            return QStringLiteral("T-S");
        case 9:
            return QStringLiteral("FFT");
        case 11:
            return QStringLiteral("Extern");
        case 12:
            return QStringLiteral("RLC");
        default:
            return QStringLiteral("unknown ") + Decimal(number);
    }
}

QString LimitsText(const ModeValues& values) {
    return Decimal(values.fmin) + QLatin1Char('/') + Decimal(values.fmax);
}

int ChannelSelectionIndex(uint8_t modeChannel) {
    // The selector holds "1" to "6"; any other channel selects nothing rather than
    // an item that does not exist.
    if (modeChannel >= 1 && modeChannel <= 6) {
        return modeChannel - 1;
    }
    return -1;
}

QString XyFreqCaption(bool flag) {
    return flag ? QStringLiteral("Freq*") : QStringLiteral("Freq");
}

QString XyZCaption(bool flag) {
    return flag ? QStringLiteral("Z*") : QStringLiteral("Z");
}

}  // namespace orvr
