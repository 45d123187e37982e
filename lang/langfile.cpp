#include "lang/langfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "lang/languagelist.h"
#include "link/errors.h"

namespace orvr {

namespace {

// Windows-1252 at 0x80-0x9F; the five unassigned bytes stand for the C1 controls of the
// same value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

QString DecodeCp1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

}  // namespace

QString SystemLanguage(const QLocale& locale) {
    QString code = QLocale::languageToCode(locale.language());
    if (code.isEmpty())
        code = locale.name().section(u'_', 0, 0);
    if (code.isEmpty())
        code = QStringLiteral("en");
    code = code.toLower();
    for (QChar& c : code) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return code.contains(QLatin1String("DE")) ? QStringLiteral("DE") : QStringLiteral("EN");
}

QString DecodeLanguageBytes(const QByteArray& bytes) {
    // Stateless: a sequence cut off at the end is an error, not left pending. The byte
    // order mark stays in the text, where the collation gives it no weight.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return DecodeCp1252(bytes);
}

QStringList SplitLanguageLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

bool LoadLanguageFile(const QString& path, Translator& translator, const QLocale& locale) {
    if (path.isEmpty())
        return false;
    if (!QFileInfo(path).isFile())
        return false;
    LanguageList& list = translator.reset(locale);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw IoError(QStringLiteral("Cannot read %1: %2")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw IoError(QStringLiteral("Cannot read %1: %2")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    for (const QString& line : SplitLanguageLines(DecodeLanguageBytes(bytes)))
        list.insert(line);
    return true;
}

}  // namespace orvr
