#pragma once

#include <QString>
#include <cstdint>

namespace orvr {

class IniFile;

// The settings record.
struct tinisetting {
    QString stIPAdress;
    int32_t iscreenleft = 0;
    int32_t iscreentop = 0;
    int32_t iscreenWidth = 0;
    int32_t iscreenHeight = 0;
    uint8_t bStyle = 0;  // 0 dark, anything else light
};

namespace settingskey {
inline const QString Section = QStringLiteral("System");
inline const QString Ip = QStringLiteral("IP");
inline const QString Left = QStringLiteral("left");
inline const QString Top = QStringLiteral("top");
inline const QString Width = QStringLiteral("width");
inline const QString Height = QStringLiteral("height");
inline const QString Style = QStringLiteral("Style");
}  // namespace settingskey

inline const QString kSettingsFileName = QStringLiteral("OrvR.ini");

// Reads the six keys in order ("IP", "left", "top", "width", "height", "Style") with
// their defaults (127.0.0.1, 1, 1, 650, 340, 0); only the low 8 bits of "Style" count.
void ReadSettings(const IniFile& file, tinisetting& settings);

}  // namespace orvr
