#pragma once

#include <QString>
#include <cstdint>

namespace orvr {

// An INI-style profile file read and written key by key; nothing is kept in memory.
// Names match regardless of case; values are trimmed, unquoted and cut at 2047
// characters. Each write replaces the file atomically (a new file beside it renamed
// over it) and keeps every other line; a UTF-16 file stays UTF-16, lines end CR LF.
class IniFile {
  public:
    explicit IniFile(QString path);
    const QString& path() const { return path_; }

    // Missing or unreadable file, section or key: defaultValue.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    // Decimal, "0x"/"0X" or "$" hexadecimal; anything that is not a 32-bit signed
    // integer gives defaultValue.
    int32_t readInteger(const QString& section, const QString& key, int32_t defaultValue) const;

    // Raise IoError("Unable to write to " + path) when the file cannot be written; the
    // previous file then stays intact.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int32_t value);

  private:
    QString path_;
};

}  // namespace orvr
