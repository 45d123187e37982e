#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace orvr {

class Translator;

// "DE" when the locale's ISO 639 code, upper-cased, contains "DE"; else "EN".
QString SystemLanguage(const QLocale& locale);

// Strict UTF-8 (a byte order mark kept as U+FEFF), else Windows-1252 with the five
// unassigned bytes as the control characters of the same value.
QString DecodeLanguageBytes(const QByteArray& bytes);

// Lines end at CR, LF or CR LF; a final line end adds no empty line.
QStringList SplitLanguageLines(const QString& text);

// False for an empty path or no file there (a loaded list stays). Otherwise makes a
// new list and fills it from the file; a file that exists but cannot be read raises
// IoError after the new, empty list is in place.
bool LoadLanguageFile(const QString& path, Translator& translator, const QLocale& locale);

}  // namespace orvr
