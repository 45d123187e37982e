#include <QTest>

#include "link/commands.h"
#include "link/errors.h"
#include "link/fields.h"

using namespace orvr;

class TestFields : public QObject {
    Q_OBJECT

  private slots:
    void splitFields_data();
    void splitFields();
    void integerAccepted_data();
    void integerAccepted();
    void integerRefused_data();
    void integerRefused();
    void integerMessages_data();
    void integerMessages();
    void decimal_data();
    void decimal();
    void commands_data();
    void commands();
};

void TestFields::splitFields_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QStringList>("fields");
    const QChar semi = u';';
    QTest::newRow("empty gives no field") << QString() << semi << QStringList();
    QTest::newRow("one field") << "0" << semi << QStringList{"0"};
    QTest::newRow("trailing separator") << "0;1;" << semi << QStringList{"0", "1", ""};
    QTest::newRow("empty middle") << "a;;b" << semi << QStringList{"a", "", "b"};
    QTest::newRow("lone separator") << ";" << semi << QStringList{"", ""};
    QTest::newRow("two separators") << ";;" << semi << QStringList{"", "", ""};
    QTest::newRow("quotes not honoured") << "\"a;b\"" << semi << QStringList{"\"a", "b\""};
    QTest::newRow("blanks stay") << "a ; b" << semi << QStringList{"a ", " b"};
    QTest::newRow("dot separator") << "2.8.1" << QChar(u'.') << QStringList{"2", "8", "1"};
    QTest::newRow("other separator is text") << "2.8" << semi << QStringList{"2.8"};
}

void TestFields::splitFields() {
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QFETCH(QStringList, fields);
    QCOMPARE(SplitFields(text, separator), fields);
}

void TestFields::integerAccepted_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "42" << 42;
    QTest::newRow("plus") << "+42" << 42;
    QTest::newRow("leading zero") << "042" << 42;
    QTest::newRow("leading blanks") << "   42" << 42;
    QTest::newRow("negative") << "-7" << -7;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("many leading zeros") << "00000000000000000042" << 42;
    QTest::newRow("dollar hex") << "$1F" << 31;
    QTest::newRow("x hex") << "x1F" << 31;
    QTest::newRow("X hex") << "X1F" << 31;
    QTest::newRow("0x hex") << "0x1F" << 31;
    QTest::newRow("0X hex") << "0X1F" << 31;
    QTest::newRow("lower-case hex digits") << "$ff" << 255;
    QTest::newRow("negative hex") << "-$10" << -16;
    QTest::newRow("hex pattern negative") << "$FFFFFFFF" << -1;
    QTest::newRow("hex 80000000") << "$80000000" << int(INT32_MIN);
    QTest::newRow("hex leading zeros do not count") << "$000000000001" << 1;
    QTest::newRow("negated hex pattern") << "-$FFFFFFFF" << 1;
    QTest::newRow("max") << "2147483647" << int(INT32_MAX);
    QTest::newRow("min") << "-2147483648" << int(INT32_MIN);
    QTest::newRow("blank then sign") << "  -5" << -5;
}

void TestFields::integerAccepted() {
    QFETCH(QString, text);
    QFETCH(int, value);
    int32_t got = 12345;
    QVERIFY(TryInteger(text, got));
    QCOMPARE(got, value);
    QCOMPARE(Integer(text, IntegerMessage::Plain), value);
}

void TestFields::integerRefused_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("above max") << "2147483648";
    QTest::newRow("below min") << "-2147483649";
    QTest::newRow("far above max") << "99999999999999999999999";
    QTest::newRow("trailing blank") << "42 ";
    QTest::newRow("tab before") << "\t42";
    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("lone minus") << "-";
    QTest::newRow("lone dollar") << "$";
    QTest::newRow("0x without digits") << "0x";
    QTest::newRow("fraction") << "4.5";
    QTest::newRow("exponent") << "1e3";
    QTest::newRow("blank after sign") << "- 5";
    QTest::newRow("two signs") << "+-5";
    QTest::newRow("hex digit after decimal") << "1F";
    QTest::newRow("hex too long") << "$100000000";
    QTest::newRow("hex nine digits") << "$FFFFFFFFF";
    QTest::newRow("hex bad digit") << "$1G";
    QTest::newRow("full-width digit") << QString::fromUtf16(u"\uFF14\uFF12");
}

void TestFields::integerRefused() {
    QFETCH(QString, text);
    int32_t got = 12345;
    QVERIFY(!TryInteger(text, got));
    QVERIFY_THROWS_EXCEPTION(ConversionError, Integer(text, IntegerMessage::Typed));
}

void TestFields::integerMessages_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("message");
    QTest::newRow("plain") << "4.5" << int(IntegerMessage::Plain)
                           << "'4.5' is not a valid integer value";
    QTest::newRow("typed") << "3.x" << int(IntegerMessage::Typed)
                           << "'3.x' is not a valid integer value for Integer type";
    QTest::newRow("empty typed") << "" << int(IntegerMessage::Typed)
                                 << "'' is not a valid integer value for Integer type";
    QTest::newRow("place marker in text") << "%1%2" << int(IntegerMessage::Typed)
                                          << "'%1%2' is not a valid integer value for Integer type";
}

void TestFields::integerMessages() {
    QFETCH(QString, text);
    QFETCH(int, form);
    QFETCH(QString, message);
    try {
        Integer(text, static_cast<IntegerMessage>(form));
        QFAIL("no conversion error");
    } catch (const ConversionError& e) {
        QCOMPARE(e.text(), message);
    }
}

void TestFields::decimal_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << "0";
    QTest::newRow("negative") << -5 << "-5";
    QTest::newRow("positive") << 7 << "7";
    QTest::newRow("max") << int(INT32_MAX) << "2147483647";
    QTest::newRow("min") << int(INT32_MIN) << "-2147483648";
}

void TestFields::decimal() {
    QFETCH(int, n);
    QFETCH(QString, text);
    QCOMPARE(Decimal(n), text);
}

void TestFields::commands_data() {
    QTest::addColumn<QString>("built");
    QTest::addColumn<QString>("wire");
    QTest::newRow("busy") << cmd::Busy() << "BUSY?;";
    QTest::newRow("mode") << cmd::Mode() << "MODE?;";
    QTest::newRow("ver") << cmd::Ver() << "VER?;";
    QTest::newRow("fpreset") << cmd::FPreset() << "FPRESET?;";
    QTest::newRow("chartdetails") << cmd::ChartDetails() << "CHARTDETAILS?;";
    QTest::newRow("meas") << cmd::Meas(3) << "MEAS;3;";
    QTest::newRow("channel") << cmd::Channel(6) << "CHANNEL;6;";
    QTest::newRow("measure") << cmd::Measure() << "MEASURE;";
    QTest::newRow("ampla") << cmd::Ampla() << "AMPLA;";
    QTest::newRow("ample") << cmd::Ample() << "AMPLE;";
    QTest::newRow("fft") << cmd::Fft() << "FFT;";
    QTest::newRow("z") << cmd::Z() << "Z;";
    QTest::newRow("xy A") << cmd::XyModeA() << "XY_MODE;A;";
    QTest::newRow("xy I") << cmd::XyModeI() << "XY_MODE;I;";
    QTest::newRow("fpr") << cmd::Fpr(1) << "FPR;1;";
    QTest::newRow("fmin") << cmd::Fmin(20) << "FMIN;20;";
    QTest::newRow("fmax negative") << cmd::Fmax(-5) << "FMAX;-5;";
    QTest::newRow("fmax") << cmd::Fmax(20000) << "FMAX;20000;";
    QTest::newRow("filesave") << cmd::FileSave("m_1.tes") << "FILESAVE;m_1.tes;";
    QTest::newRow("filesave name unchanged") << cmd::FileSave(QString::fromUtf16(u"a;\u00E4"))
                                             << QString::fromUtf16(u"FILESAVE;a;\u00E4;");
}

void TestFields::commands() {
    QFETCH(QString, built);
    QFETCH(QString, wire);
    QCOMPARE(built, wire);
}

QTEST_GUILESS_MAIN(TestFields)
#include "tst_link_fields.moc"
