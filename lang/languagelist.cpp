#include "lang/languagelist.h"

#include <algorithm>

#include "lang/texts.h"

namespace orvr {

namespace {

const QString kIdError = QStringLiteral("Fehler Id");

// The part of a line before its first "_"; the whole line when it has none.
QStringView IdPart(const QString& line) {
    const qsizetype sep = line.indexOf(u'_');
    return sep < 0 ? QStringView(line) : QStringView(line).left(sep);
}

QString TextPart(const QString& line) {
    const qsizetype sep = line.indexOf(u'_');
    return sep < 0 ? line : line.mid(sep + 1);
}

}  // namespace

LanguageList::LanguageList(const QLocale& locale) : collator_(locale) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

int LanguageList::compare(const QString& a, const QString& b) const {
    // QCollator::compare decides on an empty side without asking the collation, which
    // would set a line of weightless characters (a lone byte order mark) apart from the
    // empty line; sort keys give the collation's own answer.
    if (a.isEmpty() || b.isEmpty()) {
        const int r = collator_.sortKey(a).compare(collator_.sortKey(b));
        return (r > 0) - (r < 0);
    }
    return collator_.compare(a, b);
}

void LanguageList::insert(const QString& line) {
    const auto pos = std::lower_bound(
        lines_.cbegin(), lines_.cend(), line,
        [this](const QString& present, const QString& key) { return compare(present, key) < 0; });
    if (pos != lines_.cend() && compare(*pos, line) == 0)
        return;
    lines_.insert(pos - lines_.cbegin(), line);
}

QString LanguageList::lookup(int32_t id) const {
    if (id <= 100)
        return kIdError;
    const QString key = QString::number(id);
    // Searching from key + "_" rather than key itself steps over lines that sort between
    // the two without being an entry (the bare identifier, the identifier followed by a
    // blank), which would otherwise hide the real entry that follows them.
    const QString probe = key + u'_';
    const auto pos = std::lower_bound(
        lines_.cbegin(), lines_.cend(), probe,
        [this](const QString& present, const QString& k) { return compare(present, k) < 0; });
    if (pos == lines_.cend())
        return key;
    if (compare(IdPart(*pos).toString(), key) != 0)
        return key;
    return TextPart(*pos);
}

LanguageList& Translator::reset(const QLocale& locale) {
    list_.emplace(locale);
    return *list_;
}

QString Translator::LookupText(int32_t id) const {
    if (!list_)
        return id <= 100 ? kIdError : QString::number(id);
    return list_->lookup(id);
}

QString Translator::Translate(const QString& defaultText, int32_t id) const {
    if (!list_)
        return defaultText;
    QString t = list_->lookup(id);
    if (t == QString::number(id))
        return defaultText;
    return t;
}

QString Translator::Translate(int32_t id) const {
    return Translate(text::English(id), id);
}

}  // namespace orvr
