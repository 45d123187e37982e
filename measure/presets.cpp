#include "measure/presets.h"

#include "link/fields.h"

namespace orvr {

QString PresetDefaultCaption(int preset) {
    return QLatin1Char('F') + Decimal(preset);
}

int ApplyPresetReply(const QString& reply, PresetCaptions& captions) {
    const QStringList fields = SplitFields(reply, QLatin1Char(';'));
    for (int n = 0; n < 6 && n < fields.size(); ++n) {
        captions[n] = fields[n];
    }
    // The instrument marks an unset preset with a zero range; this also catches
    // captions kept from an earlier reply.
    for (int n = 0; n < 6; ++n) {
        if (captions[n].contains(QLatin1String("0 0"))) {
            captions[n] = PresetDefaultCaption(n + 1);
        }
    }
    return static_cast<int>(fields.size());
}

}  // namespace orvr
