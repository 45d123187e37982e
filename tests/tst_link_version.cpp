#include <QTest>

#include "link/errors.h"
#include "link/version.h"

using namespace orvr;

class TestVersion : public QObject {
    Q_OBJECT

  private slots:
    void judged_data();
    void judged();
    void conversionError_data();
    void conversionError();
};

void TestVersion::judged_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("supported");
    QTest::newRow("empty reply") << "" << false;
    QTest::newRow("2.8") << "2.8;" << true;
    QTest::newRow("2.9") << "2.9;" << true;
    QTest::newRow("2.7") << "2.7;" << false;
    QTest::newRow("3.0") << "3.0;" << true;
    QTest::newRow("1.8") << "1.8;" << true;
    QTest::newRow("0.10") << "0.10;" << true;
    QTest::newRow("1.7") << "1.7;" << false;
    QTest::newRow("third part ignored") << "2.8.1;" << true;
    QTest::newRow("only field 0 counts") << "2.7;3.0;" << false;
    QTest::newRow("no trailing separator") << "3.0" << true;
    QTest::newRow("258 is 2 in the low byte") << "258.0;" << false;
    QTest::newRow("259 is 3 in the low byte") << "259.0;" << true;
    QTest::newRow("-1 is 255") << "-1.0;" << true;
    QTest::newRow("264 minor is 8") << "2.264;" << true;
    QTest::newRow("blanks before both numbers") << " 2. 8;" << true;
    QTest::newRow("hex major") << "$10.0;" << true;
    QTest::newRow("major alone, above 2") << "3;" << true;
    QTest::newRow("major alone, 2") << "2;" << false;
}

void TestVersion::judged() {
    QFETCH(QString, reply);
    QFETCH(bool, supported);
    QCOMPARE(VersionSupported(reply), supported);
}

void TestVersion::conversionError_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("message");
    QTest::newRow("minor not a number, major would pass")
        << "3.x;"
        << "'x' is not a valid integer value for Integer type";
    QTest::newRow("empty minor") << "2.;"
                                 << "'' is not a valid integer value for Integer type";
    QTest::newRow("blank after major") << "2 .8;"
                                       << "'2 ' is not a valid integer value for Integer type";
    QTest::newRow("major not a number although minor is 8")
        << "a.8;"
        << "'a' is not a valid integer value for Integer type";
    QTest::newRow("empty version field") << ";1;"
                                         << "'' is not a valid integer value for Integer type";
}

void TestVersion::conversionError() {
    QFETCH(QString, reply);
    QFETCH(QString, message);
    try {
        VersionSupported(reply);
        QFAIL("no conversion error");
    } catch (const ConversionError& e) {
        QCOMPARE(e.text(), message);
    }
}

QTEST_GUILESS_MAIN(TestVersion)
#include "tst_link_version.moc"
