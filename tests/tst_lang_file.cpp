#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include "lang/langfile.h"
#include "lang/languagelist.h"
#include "lang/texts.h"
#include "link/errors.h"

using orvr::LoadLanguageFile;
using orvr::Translator;

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QList<int> kIds{101, 102, 103, 104, 105, 106, 107, 108, 200,
                      201, 202, 203, 204, 205, 300, 301, 302};

QString Chars(std::initializer_list<char16_t> units) {
    QString s;
    for (char16_t u : units)
        s.append(QChar(u));
    return s;
}

// Windows-1252 for the characters our German text uses, written independently of the
// decoder under test.
QByteArray ToCp1252(const QString& text) {
    QByteArray out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
        } else if (u == 0x201E) {
            out.append('\x84');
        } else if (u == 0x201C) {
            out.append('\x93');
        } else if (u == 0x20AC) {
            out.append('\x80');
        } else {
            qFatal("no Windows-1252 byte for U+%04X", unsigned(u));
        }
    }
    return out;
}

QByteArray ReadShipped() {
    const QString path = QFINDTESTDATA("../lang/DE_orvr.txt");
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("shipped language file not found");
    return f.readAll();
}

}  // namespace

class TestLangFile : public QObject {
    Q_OBJECT

  private slots:
    void systemLanguage_data();
    void systemLanguage();
    void decodeStrictUtf8_data();
    void decodeStrictUtf8();
    void decodeFallsBackToCp1252_data();
    void decodeFallsBackToCp1252();
    void splitLines_data();
    void splitLines();
    void shippedFileIsGerman();
    void encodingsAndLineEndsAgree_data();
    void encodingsAndLineEndsAgree();
    void emptyFileLoadsEmptyList();
    void noFileKeepsList_data();
    void noFileKeepsList();
    void unreadableFileRaises_data();
    void unreadableFileRaises();

  private:
    QTemporaryDir dir_;
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
};

void TestLangFile::systemLanguage_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("language");
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << "DE";
    QTest::newRow("de_AT") << QLocale(QLocale::German, QLocale::Austria) << "DE";
    QTest::newRow("de_CH") << QLocale(QLocale::German, QLocale::Switzerland) << "DE";
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << "EN";
    QTest::newRow("fr_FR") << QLocale(QLocale::French, QLocale::France) << "EN";
    QTest::newRow("C") << QLocale::c() << "EN";
}

void TestLangFile::systemLanguage() {
    QFETCH(QLocale, locale);
    QFETCH(QString, language);
    QCOMPARE(orvr::SystemLanguage(locale), language);
}

void TestLangFile::decodeStrictUtf8_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ascii") << QByteArray("101_Start") << "101_Start";
    QTest::newRow("umlaut") << QByteArray("F\xC3\xBCr") << QString::fromUtf8("Für");
    QTest::newRow("byte order mark kept") << QByteArray(
                                                 "\xEF\xBB\xBF"
                                                 "1")
                                          << Chars({0xFEFF, u'1'});
    QTest::newRow("smallest three-byte") << QByteArray("\xE0\xA0\x80") << Chars({0x0800});
    QTest::newRow("below surrogates") << QByteArray("\xED\x9F\xBF") << Chars({0xD7FF});
    QTest::newRow("above surrogates") << QByteArray("\xEE\x80\x80") << Chars({0xE000});
    QTest::newRow("four-byte") << QByteArray("\xF0\x9F\x98\x80") << Chars({0xD83D, 0xDE00});
    QTest::newRow("largest") << QByteArray("\xF4\x8F\xBF\xBF") << Chars({0xDBFF, 0xDFFF});
}

void TestLangFile::decodeStrictUtf8() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(orvr::DecodeLanguageBytes(bytes), text);
}

void TestLangFile::decodeFallsBackToCp1252_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("umlauts") << QByteArray("F\xFCr \xE4\xF6\xDF") << QString::fromUtf8("Für äöß");
    QTest::newRow("overlong two-byte") << QByteArray("\xC0\xAF") << Chars({0xC0, 0xAF});
    QTest::newRow("overlong C1") << QByteArray("\xC1\xBF") << Chars({0xC1, 0xBF});
    QTest::newRow("overlong three-byte")
        << QByteArray("\xE0\x80\xAF") << Chars({0xE0, 0x20AC, 0xAF});
    QTest::newRow("overlong four-byte")
        << QByteArray("\xF0\x80\x80\xAF") << Chars({0xF0, 0x20AC, 0x20AC, 0xAF});
    QTest::newRow("high surrogate") << QByteArray("\xED\xA0\x80") << Chars({0xED, 0xA0, 0x20AC});
    QTest::newRow("low surrogate") << QByteArray("\xED\xBF\xBF") << Chars({0xED, 0xBF, 0xBF});
    QTest::newRow("truncated at end") << QByteArray("a\xE4\xB8") << Chars({u'a', 0xE4, 0xB8});
    QTest::newRow("truncated before ascii") << QByteArray(
                                                   "\xC3"
                                                   "a")
                                            << Chars({0xC3, u'a'});
    QTest::newRow("lone continuation") << QByteArray("\x80") << Chars({0x20AC});
    QTest::newRow("above U+10FFFF")
        << QByteArray("\xF4\x90\x80\x80") << Chars({0xF4, 0x0090, 0x20AC, 0x20AC});
    QTest::newRow("F5 lead") << QByteArray("\xF5\x80\x80\x80")
                             << Chars({0xF5, 0x20AC, 0x20AC, 0x20AC});
    QTest::newRow("FE and FF") << QByteArray("\xFE\xFF") << Chars({0xFE, 0xFF});
    QTest::newRow("valid UTF-8 after an error")
        << QByteArray("\xFF\xC3\xA4") << Chars({0xFF, 0xC3, 0xA4});
    QTest::newRow("unassigned bytes are controls")
        << QByteArray("\x81\x8D\x8F\x90\x9D") << Chars({0x81, 0x8D, 0x8F, 0x90, 0x9D});
    QTest::newRow("assigned high bytes")
        << QByteArray("\x80\x84\x8A\x93\x99\x9F\xA0")
        << Chars({0x20AC, 0x201E, 0x0160, 0x201C, 0x2122, 0x0178, 0x00A0});
}

void TestLangFile::decodeFallsBackToCp1252() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(orvr::DecodeLanguageBytes(bytes), text);
}

void TestLangFile::splitLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("no line end") << "a" << QStringList{"a"};
    QTest::newRow("CR LF") << "a\r\nb\r\n" << QStringList{"a", "b"};
    QTest::newRow("LF") << "a\nb\n" << QStringList{"a", "b"};
    QTest::newRow("CR") << "a\rb\r" << QStringList{"a", "b"};
    QTest::newRow("mixed") << "a\r\nb\nc\rd" << QStringList{"a", "b", "c", "d"};
    QTest::newRow("LF CR is two ends") << "a\n\rb" << QStringList{"a", "", "b"};
    QTest::newRow("only a line end") << "\r\n" << QStringList{""};
    QTest::newRow("empty lines kept") << "\n\na\r\r\n" << QStringList{"", "", "a", ""};
}

void TestLangFile::splitLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QCOMPARE(orvr::SplitLanguageLines(text), lines);
}

void TestLangFile::shippedFileIsGerman() {
    const QByteArray bytes = ReadShipped();
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(!bytes.contains('\r'));
    QVERIFY(bytes.endsWith('\n'));

    Translator t;
    QVERIFY(LoadLanguageFile(QFINDTESTDATA("../lang/DE_orvr.txt"), t, kGerman));
    // One line per identifier, none dropped as a duplicate.
    QCOMPARE(t.list()->lines().size(), kIds.size());
    for (const int id : kIds) {
        const QString text = t.LookupText(id);
        QVERIFY2(!text.isEmpty() && text != QString::number(id), qPrintable(QString::number(id)));
        QVERIFY2(!text.contains(QChar::ReplacementCharacter), qPrintable(text));
        if (id >= 300 || id <= 108)
            QVERIFY2(!text.endsWith(u' '), qPrintable(text));
        QCOMPARE(t.Translate(id), text);
    }
    // The file name and the typed input follow these two.
    QVERIFY(t.LookupText(200).endsWith(QStringLiteral(": ")));
    QVERIFY(t.LookupText(203).endsWith(QStringLiteral(": ")));
    QCOMPARE(t.LookupText(101), QStringLiteral("Akustisch"));
    QVERIFY(t.LookupText(302).contains(QString::fromUtf8("ändern")));
}

void TestLangFile::encodingsAndLineEndsAgree_data() {
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("lineEnd");  // "mixed" cycles CR LF, LF, CR
    for (const char* encoding : {"UTF-8", "UTF-8 BOM", "Windows-1252"}) {
        for (const char* end : {"\n", "\r\n", "\r", "mixed"}) {
            const QString e = QString::fromLatin1(end);
            const QString endName = e == "\n" ? "LF" : e == "\r\n" ? "CRLF" : e == "\r" ? "CR" : e;
            QTest::addRow("%s %s", encoding, qPrintable(endName))
                << QString::fromLatin1(encoding) << e;
        }
    }
}

void TestLangFile::encodingsAndLineEndsAgree() {
    QFETCH(QString, encoding);
    QFETCH(QString, lineEnd);
    const QStringList lines = QString::fromUtf8(ReadShipped()).split(u'\n', Qt::SkipEmptyParts);
    const QStringList mixed{"\r\n", "\n", "\r"};
    QString text;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        text += lines[i];
        // The last line goes without a line end in the mixed file.
        if (lineEnd != "mixed") {
            text += lineEnd;
        } else if (i + 1 < lines.size()) {
            text += mixed[i % mixed.size()];
        }
    }
    QByteArray bytes;
    if (encoding == "Windows-1252") {
        bytes = ToCp1252(text);
    } else {
        bytes = text.toUtf8();
        if (encoding == "UTF-8 BOM")
            bytes.prepend("\xEF\xBB\xBF");
    }

    Translator reference;
    QVERIFY(LoadLanguageFile(QFINDTESTDATA("../lang/DE_orvr.txt"), reference, kGerman));
    Translator t;
    QVERIFY(LoadLanguageFile(write("DE_orvr.txt", bytes), t, kGerman));
    QCOMPARE(t.list()->lines().size(), reference.list()->lines().size());
    // The first line of the file is the one that carries the byte order mark.
    QVERIFY(lines.first().startsWith(QStringLiteral("101_")));
    for (const int id : kIds)
        QCOMPARE(t.LookupText(id), reference.LookupText(id));
}

void TestLangFile::emptyFileLoadsEmptyList() {
    Translator t;
    QVERIFY(LoadLanguageFile(write("empty.txt", QByteArray()), t, kGerman));
    QVERIFY(t.loaded());
    QVERIFY(t.list()->lines().isEmpty());
    for (const int id : kIds) {
        QCOMPARE(t.LookupText(id), QString::number(id));
        QCOMPARE(t.Translate(id), orvr::text::English(id));
    }
    QCOMPARE(t.LookupText(100), QStringLiteral("Fehler Id"));
}

void TestLangFile::noFileKeepsList_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("empty path") << QString();
    QTest::newRow("missing file") << dir_.filePath("missing/DE_orvr.txt");
    QTest::newRow("directory") << dir_.path();
}

void TestLangFile::noFileKeepsList() {
    QFETCH(QString, path);
    Translator none;
    QVERIFY(!LoadLanguageFile(path, none, kGerman));
    QVERIFY(!none.loaded());

    Translator t;
    QVERIFY(LoadLanguageFile(write("kept.txt", "101_Akustisch\n"), t, kGerman));
    QVERIFY(!LoadLanguageFile(path, t, kGerman));
    QCOMPARE(t.list()->lines(), QStringList{"101_Akustisch"});
    QCOMPARE(t.Translate(101), QStringLiteral("Akustisch"));
}

void TestLangFile::unreadableFileRaises_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("permission");
    // Opens, but every read fails.
    QTest::newRow("read fails") << QStringLiteral("/proc/self/mem") << false;
    QTest::newRow("no permission") << dir_.filePath("locked.txt") << true;
}

void TestLangFile::unreadableFileRaises() {
    QFETCH(QString, path);
    QFETCH(bool, permission);
    if (permission) {
        write("locked.txt", "101_Akustisch\n");
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly))
            QSKIP("permissions do not bind this user");
    }
    Translator t;
    QVERIFY(LoadLanguageFile(write("before.txt", "101_Akustisch\n"), t, kGerman));
    try {
        LoadLanguageFile(path, t, kGerman);
        QFAIL("no error raised");
    } catch (const orvr::IoError& e) {
        QVERIFY2(e.text().contains(QDir::toNativeSeparators(path)), qPrintable(e.text()));
    }
    QVERIFY(t.loaded());
    QVERIFY(t.list()->lines().isEmpty());
    QCOMPARE(t.Translate(101), QStringLiteral("Acoustic"));
}

QTEST_GUILESS_MAIN(TestLangFile)
#include "tst_lang_file.moc"
