#pragma once

#include <QString>
#include <cstdint>

namespace orvr {

// What the last MODE reply said.
struct ModeValues {
    uint8_t modeNumber = 0;
    int32_t fmin = 0;
    int32_t fmax = 0;
    uint8_t modeChannel = 0;
    bool xyFreqFlag = false;
    bool xyZFlag = false;
};

// Applies a MODE reply to values. Returns false (nothing changed) when the reply has
// fewer than six fields. Each value takes effect as soon as its field is converted;
// a field that is not an integer raises ConversionError (Typed wording) with the
// earlier values already assigned. Empty fields 1 and 2 keep the previous limits.
bool ApplyModeReply(const QString& reply, ModeValues& values);

// "Acoustic", "Electric", "Z", "T-S", "FFT", "Extern", "RLC" or "unknown N".
QString ModeName(uint8_t number);

// decimal(fmin) + "/" + decimal(fmax).
QString LimitsText(const ModeValues& values);

// The channel selector index for a reported channel: 0..5 for channels 1..6, -1 (no
// selection) for anything else.
int ChannelSelectionIndex(uint8_t modeChannel);

// The XY view captions: "Freq"/"Freq*" and "Z"/"Z*".
QString XyFreqCaption(bool flag);
QString XyZCaption(bool flag);

}  // namespace orvr
