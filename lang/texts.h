#pragma once

#include <QString>
#include <cstdint>

namespace orvr::text {

// Text identifiers and their built-in English texts.
enum Id : int32_t {
    Acoustic = 101,
    Electric = 102,
    ReadAll = 103,
    Start = 104,
    SaveFile = 105,
    SetIp = 106,
    All = 107,
    Active = 108,
    FileSaved = 200,
    VersionRefused = 201,
    NoMeasurement = 202,
    NumericInput = 203,
    OrvBusy = 204,
    ChartCopied = 205,
    NoAccess = 300,
    Wait = 301,
    StartOrv = 302,
};

// The built-in English text of an identifier; empty for an unknown one.
QString English(int32_t id);

}  // namespace orvr::text
