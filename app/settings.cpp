#include "app/settings.h"

#include "app/inifile.h"

namespace orvr {

void ReadSettings(const IniFile& file, tinisetting& settings) {
    using namespace settingskey;
    settings.stIPAdress = file.readString(Section, Ip, QStringLiteral("127.0.0.1"));
    settings.iscreenleft = file.readInteger(Section, Left, 1);
    settings.iscreentop = file.readInteger(Section, Top, 1);
    settings.iscreenWidth = file.readInteger(Section, Width, 650);
    settings.iscreenHeight = file.readInteger(Section, Height, 340);
    settings.bStyle = static_cast<uint8_t>(file.readInteger(Section, Style, 0) & 0xFF);
}

}  // namespace orvr
