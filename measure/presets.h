#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace orvr {

using PresetCaptions = std::array<QString, 6>;

// "F1" to "F6" for presets 1 to 6.
QString PresetDefaultCaption(int preset);

// Applies an FPRESET reply to the six captions: field n-1 to button n where present,
// then every caption containing "0 0" back to its default. Returns the field count
// (0 for an empty reply, which the caller treats as an unreachable instrument).
int ApplyPresetReply(const QString& reply, PresetCaptions& captions);

}  // namespace orvr
