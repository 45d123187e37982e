#include <QTest>

#include "app/errorreport.h"

class TestSettingsErrorReport : public QObject {
    Q_OBJECT

  private slots:
    void fullStop_data();
    void fullStop();
};

void TestSettingsErrorReport::fullStop_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("letter") << "Unable to write to /x/OrvR.ini"
                            << "Unable to write to /x/OrvR.ini.";
    QTest::newRow("quote") << "'' is not a valid integer value for Integer type"
                           << "'' is not a valid integer value for Integer type.";
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("below the stop") << "Stop!"
                                    << "Stop!";
    QTest::newRow("dash just below") << "a-"
                                     << "a-";
    QTest::newRow("slash just above") << "a/"
                                      << "a/.";
    QTest::newRow("digit") << "code 7"
                           << "code 7.";
    QTest::newRow("non-ASCII") << QString::fromUtf8("Grüß") << QString::fromUtf8("Grüß.");
}

void TestSettingsErrorReport::fullStop() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(orvr::ErrorReportText(text), shown);
}

QTEST_GUILESS_MAIN(TestSettingsErrorReport)
#include "tst_settings_errorreport.moc"
