#pragma once

#include <QCollator>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace orvr {

// The language lines, kept sorted under the locale's case-insensitive collation (in
// which characters without weight, such as U+FEFF, do not count); a line equal to one
// already present is dropped.
class LanguageList {
  public:
    explicit LanguageList(const QLocale& locale);
    void insert(const QString& line);
    const QStringList& lines() const { return lines_; }
    // "Fehler Id" for id <= 100; the text after the first "_" of the line belonging to
    // id (found by binary search); else id in decimal.
    QString lookup(int32_t id) const;

  private:
    int compare(const QString& a, const QString& b) const;
    QCollator collator_;
    QStringList lines_;
};

// Texts by identifier, from the language list while one is loaded, else built-in.
class Translator {
  public:
    bool loaded() const { return list_.has_value(); }
    // Discards any list and makes a new, empty one.
    LanguageList& reset(const QLocale& locale);
    const LanguageList* list() const { return list_ ? &*list_ : nullptr; }
    // Only meaningful while loaded.
    QString LookupText(int32_t id) const;
    // The list's text for id unless that is id in decimal; else defaultText.
    QString Translate(const QString& defaultText, int32_t id) const;
    // Translate with the built-in English text of id.
    QString Translate(int32_t id) const;

  private:
    std::optional<LanguageList> list_;
};

}  // namespace orvr
