#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/inifile.h"
#include "app/settings.h"
#include "link/errors.h"
#include "support/filesizelimit.h"

using namespace orvr;
using orvr::test::FileSizeLimit;

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return "<unreadable>";
    }
    return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray Utf16(const QString& text, bool littleEndian) {
    QByteArray out;
    for (QChar c : QString(QChar(0xFEFF)) + text) {
        const char lo = static_cast<char>(c.unicode() & 0xFF);
        const char hi = static_cast<char>(c.unicode() >> 8);
        out.append(littleEndian ? lo : hi);
        out.append(littleEndian ? hi : lo);
    }
    return out;
}

// The message a failed write raises, or "" when it succeeded.
QString WriteError(IniFile& ini, const QString& key, const QString& value) {
    try {
        ini.writeString(settingskey::Section, key, value);
    } catch (const IoError& e) {
        return e.text();
    }
    return QString();
}

const QString kDefault = QStringLiteral("dflt");
constexpr int32_t kIntDefault = 77;

}  // namespace

class TestSettingsIniFile : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }
    void freshFileFromSixWrites();
    void read_data();
    void read();
    void longValueCut();
    void missingOrUnreadableGivesDefaults();
    void writesKeepOtherLines();
    void utf16StaysUtf16_data();
    void utf16StaysUtf16();
    void failedWriteRaises_data();
    void failedWriteRaises();
    void failedWriteKeepsOldFile();
    void readSettings_data();
    void readSettings();

  private:
    QString path() const { return dir_->filePath(QStringLiteral("OrvR.ini")); }
    std::unique_ptr<QTemporaryDir> dir_;  // a fresh one for every test
};

void TestSettingsIniFile::freshFileFromSixWrites() {
    IniFile ini(path());
    ini.writeString(settingskey::Section, settingskey::Ip, QStringLiteral("127.0.0.1"));
    ini.writeInteger(settingskey::Section, settingskey::Left, 1);
    ini.writeInteger(settingskey::Section, settingskey::Top, -2147483647 - 1);
    ini.writeInteger(settingskey::Section, settingskey::Width, 650);
    ini.writeInteger(settingskey::Section, settingskey::Height, 350);
    ini.writeInteger(settingskey::Section, settingskey::Style, 0);
    QCOMPARE(ReadBytes(path()),
             QByteArray("[System]\r\nIP=127.0.0.1\r\nleft=1\r\ntop=-2147483648\r\nwidth=650\r\n"
                        "height=350\r\nStyle=0\r\n"));
    // Writing a key again replaces its line in place.
    ini.writeInteger(settingskey::Section, settingskey::Left, 12);
    QCOMPARE(ReadBytes(path()),
             QByteArray("[System]\r\nIP=127.0.0.1\r\nleft=12\r\ntop=-2147483648\r\nwidth=650\r\n"
                        "height=350\r\nStyle=0\r\n"));
}

void TestSettingsIniFile::read_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");

    auto row = [](const char* name, const QByteArray& value, const QString& text, int number) {
        QTest::newRow(name) << QByteArray("[System]\r\nIP=" + value + "\r\n") << text << number;
    };
    row("plain", "127.0.0.1", "127.0.0.1", kIntDefault);
    row("blanks around", " \t 42  ", "42", 42);
    row("double quotes", "\" 127.0.0.1 \"", " 127.0.0.1 ", kIntDefault);
    row("single quotes", "'-7'", "-7", -7);
    row("unpaired quotes", "\"x'", "\"x'", kIntDefault);
    row("lone quote", "\"", "\"", kIntDefault);
    row("empty", "", "", kIntDefault);
    row("plus", "+42", "+42", 42);
    row("0x", "0x300", "0x300", 768);
    row("0X", "0X1f", "0X1f", 31);
    row("dollar", "$1F", "$1F", 31);
    row("negative hex", "-$10", "-$10", -16);
    row("hex wraps", "$FFFFFFFF", "$FFFFFFFF", -1);
    row("hex too long", "$100000000", "$100000000", kIntDefault);
    row("x alone is no prefix", "x1F", "x1F", kIntDefault);
    row("prefix without digits", "0x", "0x", kIntDefault);
    row("int max", "2147483647", "2147483647", 2147483647);
    row("int min", "-2147483648", "-2147483648", -2147483647 - 1);
    row("above int max", "2147483648", "2147483648", kIntDefault);
    row("below int min", "-2147483649", "-2147483649", kIntDefault);
    row("trailing text", "12abc", "12abc", kIntDefault);
    row("fraction", "4.5", "4.5", kIntDefault);
    row("inner blank", "1 2", "1 2", kIntDefault);
    row("equals in value", "a=b", "a=b", kIntDefault);

    QTest::newRow("names in other cases, LF lines")
        << QByteArray("[ sYsTeM ]\nip = 5\n") << "5" << 5;
    QTest::newRow("UTF-8 byte order mark") << QByteArray("\xEF\xBB\xBF[System]\r\nIP=\xC3\xBC\r\n")
                                           << QString::fromUtf8("ü") << kIntDefault;
    QTest::newRow("first key wins") << QByteArray("[System]\r\nIP=1\r\nIP=2\r\n") << "1" << 1;
    QTest::newRow("first section wins")
        << QByteArray("[System]\r\n[System]\r\nIP=1\r\n") << kDefault << kIntDefault;
    QTest::newRow("other section") << QByteArray("[Other]\r\nIP=1\r\n") << kDefault << kIntDefault;
    QTest::newRow("key before any section")
        << QByteArray("IP=1\r\n[System]\r\n") << kDefault << kIntDefault;
    QTest::newRow("commented out")
        << QByteArray("[System]\r\n;IP=1\r\n") << kDefault << kIntDefault;
    QTest::newRow("key as prefix only")
        << QByteArray("[System]\r\nIPX=1\r\n") << kDefault << kIntDefault;
}

void TestSettingsIniFile::read() {
    QFETCH(QByteArray, content);
    QFETCH(QString, text);
    QFETCH(int, number);

    WriteBytes(path(), content);
    const IniFile ini(path());
    QCOMPARE(ini.readString(QStringLiteral("system"), QStringLiteral("iP"), kDefault), text);
    QCOMPARE(ini.readInteger(settingskey::Section, settingskey::Ip, kIntDefault), number);
}

void TestSettingsIniFile::longValueCut() {
    const QByteArray value = QByteArray(2046, 'a') + "bcdef";
    WriteBytes(path(), "[System]\r\nIP=\"" + value + "\"\r\n");
    const QString read = IniFile(path()).readString(settingskey::Section, settingskey::Ip, {});
    QCOMPARE(read, QString(2046, QLatin1Char('a')) + QLatin1Char('b'));
}

void TestSettingsIniFile::missingOrUnreadableGivesDefaults() {
    const IniFile missing(path());
    QCOMPARE(missing.readString(settingskey::Section, settingskey::Ip, kDefault), kDefault);
    QCOMPARE(missing.readInteger(settingskey::Section, settingskey::Left, kIntDefault),
             kIntDefault);
    QVERIFY(!QFile::exists(path()));  // reading never creates the file

    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("OrvR.ini")));
    const IniFile directory(path());
    QCOMPARE(directory.readString(settingskey::Section, settingskey::Ip, kDefault), kDefault);
}

void TestSettingsIniFile::writesKeepOtherLines() {
    const QByteArray head = "; my notes \r\n[Other]\r\nname = Caf\xE9 \r\n\r\n[system]\n";
    const QByteArray tail = "\n[Tail]\r\nx=1";
    WriteBytes(path(), head + "Width = 400\nleft=5\n" + tail);
    IniFile ini(path());

    ini.writeInteger(settingskey::Section, settingskey::Width, 768);
    QCOMPARE(ReadBytes(path()), head + "width=768\r\nleft=5\n" + tail);

    // A new key goes to the end of its section, not the end of the file.
    ini.writeInteger(settingskey::Section, settingskey::Style, -1);
    QCOMPARE(ReadBytes(path()), head + "width=768\r\nleft=5\nStyle=-1\r\n" + tail);

    // A new section goes to the end of the file, after closing its last line.
    ini.writeString(QStringLiteral("New"), QStringLiteral("k"), QString::fromUtf8("ü"));
    QCOMPARE(ReadBytes(path()),
             head + "width=768\r\nleft=5\nStyle=-1\r\n" + tail + "\r\n[New]\r\nk=\xC3\xBC\r\n");

    // A line break in a value must not smuggle in keys or sections of its own.
    ini.writeString(QStringLiteral("New"), QStringLiteral("k"),
                    QStringLiteral("a\r\n[Other]\nname=x"));
    QCOMPARE(ReadBytes(path()), head + "width=768\r\nleft=5\nStyle=-1\r\n" + tail +
                                    "\r\n[New]\r\nk=a  [Other] name=x\r\n");
    ini.writeString(QStringLiteral("New"), QStringLiteral("k"), QString::fromUtf8("ü"));

    QCOMPARE(ini.readString(QStringLiteral("other"), QStringLiteral("NAME"), {}),
             QString::fromUtf8("Café"));
    QCOMPARE(ini.readInteger(settingskey::Section, settingskey::Style, 0), -1);
    QCOMPARE(ini.readString(QStringLiteral("New"), QStringLiteral("k"), {}),
             QString::fromUtf8("ü"));

    // A last line ending in a bare CR already reads as ended there; a key written after it
    // completes that CR instead of pushing it into the value (width would read 650).
    const QByteArray bareCr = "[System]\r\nwidth=5\r";
    WriteBytes(path(), bareCr);
    ini.writeInteger(settingskey::Section, settingskey::Top, 7);  // into the same section
    QCOMPARE(ReadBytes(path()), bareCr + "\ntop=7\r\n");
    QCOMPARE(ini.readInteger(settingskey::Section, settingskey::Width, 650), 5);
    WriteBytes(path(), bareCr);
    ini.writeString(QStringLiteral("New"), QStringLiteral("k"), QStringLiteral("v"));
    QCOMPARE(ReadBytes(path()), bareCr + "\n[New]\r\nk=v\r\n");
    QCOMPARE(ini.readInteger(settingskey::Section, settingskey::Width, 650), 5);
}

void TestSettingsIniFile::utf16StaysUtf16_data() {
    QTest::addColumn<bool>("littleEndian");
    QTest::newRow("LE") << true;
    QTest::newRow("BE") << false;
}

void TestSettingsIniFile::utf16StaysUtf16() {
    QFETCH(bool, littleEndian);
    const QString before = QString::fromUtf8("[System]\r\nIP=127.0.0.1\r\n;Grüße \U0001F600\r\n");
    WriteBytes(path(), Utf16(before, littleEndian));
    IniFile ini(path());
    QCOMPARE(ini.readString(settingskey::Section, settingskey::Ip, kDefault),
             QStringLiteral("127.0.0.1"));

    ini.writeInteger(settingskey::Section, settingskey::Left, 3);
    ini.writeString(settingskey::Section, settingskey::Ip, QString::fromUtf8("höst"));
    const QString after =
        QString::fromUtf8("[System]\r\nIP=höst\r\n;Grüße \U0001F600\r\nleft=3\r\n");
    QCOMPARE(ReadBytes(path()), Utf16(after, littleEndian));
    QCOMPARE(ini.readString(settingskey::Section, settingskey::Ip, {}), QString::fromUtf8("höst"));
}

void TestSettingsIniFile::failedWriteRaises_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("targetIsDirectory");
    QTest::newRow("parent is a file") << "plain/OrvR.ini" << false;
    QTest::newRow("target is a directory") << "OrvR.ini" << true;
}

void TestSettingsIniFile::failedWriteRaises() {
    QFETCH(QString, relative);
    QFETCH(bool, targetIsDirectory);

    WriteBytes(dir_->filePath(QStringLiteral("plain")), "not a directory");
    const QString full = dir_->filePath(relative);
    if (targetIsDirectory) {
        QVERIFY(QDir(dir_->path()).mkdir(relative));
    }
    IniFile ini(full);
    QCOMPARE(WriteError(ini, settingskey::Ip, QStringLiteral("127.0.0.1")),
             QStringLiteral("Unable to write to ") + full);
    QCOMPARE(QFileInfo(full).isDir(), targetIsDirectory);
    QCOMPARE(ReadBytes(dir_->filePath(QStringLiteral("plain"))), QByteArray("not a directory"));
}

// A disk that fills up mid-write: the file-size limit makes the new file's write fail
// part way, and the old file must stay as it was.
void TestSettingsIniFile::failedWriteKeepsOldFile() {
    QByteArray old = "[Other]\r\nnote=" + QByteArray(4000, 'n') + "\r\n[System]\r\nleft=5\r\n";
    WriteBytes(path(), old);

    FileSizeLimit limit(1024);
    QVERIFY(limit.set());
    IniFile ini(path());
    const QString error = WriteError(ini, settingskey::Ip, QStringLiteral("127.0.0.1"));
    limit.lift();

    QCOMPARE(error, QStringLiteral("Unable to write to ") + path());
    QCOMPARE(ReadBytes(path()), old);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("OrvR.ini")});
}

void TestSettingsIniFile::readSettings_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QList<int>>("numbers");  // left, top, width, height, style

    QTest::newRow("no file") << QByteArray() << "127.0.0.1" << QList<int>{1, 1, 650, 340, 0};
    QTest::newRow("all keys")
        << QByteArray(
               "[System]\r\nIP=\"127.0.0.1\"\r\nLEFT=-3000\r\ntop=7\r\nwidth=0x300\r\n"
               "height=abc\r\nstyle=2\r\n")
        << "127.0.0.1" << QList<int>{-3000, 7, 768, 340, 2};
    QTest::newRow("style 256") << QByteArray("[System]\r\nStyle=256\r\n") << "127.0.0.1"
                               << QList<int>{1, 1, 650, 340, 0};
    QTest::newRow("style -1") << QByteArray("[System]\r\nStyle=-1\r\n") << "127.0.0.1"
                              << QList<int>{1, 1, 650, 340, 255};
}

void TestSettingsIniFile::readSettings() {
    QFETCH(QByteArray, content);
    QFETCH(QString, ip);
    QFETCH(QList<int>, numbers);

    if (!content.isNull()) {
        WriteBytes(path(), content);
    }
    tinisetting s;
    ReadSettings(IniFile(path()), s);
    QCOMPARE(s.stIPAdress, ip);
    QCOMPARE((QList<int>{s.iscreenleft, s.iscreentop, s.iscreenWidth, s.iscreenHeight, s.bStyle}),
             numbers);
}

QTEST_GUILESS_MAIN(TestSettingsIniFile)
#include "tst_settings_inifile.moc"
