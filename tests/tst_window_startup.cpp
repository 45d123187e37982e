// Start-up, the settings file, the looks, status and lock of the whole window, against the
// in-process simulator.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <QToolButton>

#include "app/widgets.h"
#include "chart/chartview.h"
#include "lang/texts.h"
#include "support/formrig.h"

using namespace orvr;
using namespace orvr::test;

Q_DECLARE_METATYPE(orvr::Look)

class WindowStartup : public QObject {
    Q_OBJECT
  private slots:
    void freshStartWithSupportedFirmware();
    void noInstrument();
    void unsupportedFirmware();
    void versionThatIsNoNumberStillOpensTheWindow();
    void settingsRead_data();
    void settingsRead();
    void quotedAddressAndOtherCaseKeys();
    void otherSectionsSurviveEverySave();
    void unappliedAddressIsNotSaved();
    void movedWindowIsSavedAtItsNewPosition();
    void toggleTwiceReturnsToFirstLook();
    void toggleDecidesByTheShownLook();
    void gestures();
    void closingWithUnwritableSettingsStillCloses();
    void setStatusStates();
    void setStatusOutOfRangeOnlyRewritesTitle();
    void noAccessLeavesPointerOfOtherButton();
    void locksAreNotCounted();
    void neverLockedControlsStayUsable();
};

void WindowStartup::freshStartWithSupportedFirmware() {
    Rig rig;
    auto form = makeForm(rig);
    QCOMPARE(form->windowTitle(), QStringLiteral("Rivezorud"));
    form->Create();

    QCOMPARE(rig.takeLog(), lines({"FPRESET?;", "VER?;", "VER?;"}));
    QCOMPARE(form->frameGeometry(), QRect(1, 1, 650, 350));
    QCOMPARE(form->currentLook(), Look::Dark);
    QCOMPARE(form->edipOrv->text(), QStringLiteral("127.0.0.1"));
    QVERIFY(form->TimerBusy->enabled());
    QVERIFY(form->cbChartLegendOnOff->isHidden());
    QVERIFY(form->versionSupported());
    QVERIFY(rig.dialogs->infos.isEmpty());
    QVERIFY(rig.dialogs->errors.isEmpty());
    QVERIFY(!QFile::exists(rig.filePath("OrvR.ini")));  // start-up never creates it

    form->TimerBusyTimer();
    QCOMPARE(rig.takeLog(), lines({"BUSY?;", "MODE?;"}));
    QCOMPARE(form->rectOrvConnected->fillColor(), QColor::fromRgba(0xFF7CFC00));

    form->close();
    QCOMPARE(readFile(rig.filePath("OrvR.ini")),
             QByteArray("[System]\r\nIP=127.0.0.1\r\nleft=1\r\ntop=1\r\nwidth=650\r\n"
                        "height=350\r\nStyle=0\r\n"));
}

void WindowStartup::noInstrument() {
    Rig rig;
    // The instrument's port answers nothing useful to the probe: an empty line.
    rig.server->setOverride("FPRESET?;", "\r\n");
    auto form = makeForm(rig);
    form->Create();
    QCOMPARE(rig.takeLog(), lines({"FPRESET?;", "VER?;"}));
    QVERIFY(form->TimerBusy->enabled());
    QVERIFY(rig.dialogs->infos.isEmpty());

    // Nothing listens at all: the first tick reports it and the poll stops.
    rig.server->setFault(sim::Fault::Refuse);
    form->TimerBusyTimer();
    QVERIFY(!form->connected());
    QCOMPARE(form->rectOrvConnected->fillColor(), QColor::fromRgba(0xFFFF0000));
    QVERIFY(allLocked(*form));
    QCOMPARE(form->lbMessmode->text(), text::English(text::StartOrv));
    QCOMPARE(form->lbstatus->text(), QStringLiteral("No Orv access!"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Rivezorud <No Orv access!>"));
    QVERIFY(!form->TimerBusy->enabled());
    QVERIFY(rig.dialogs->infos.isEmpty());
}

void WindowStartup::unsupportedFirmware() {
    Rig rig;
    rig.server->model().setVersion("2.7");
    auto form = makeForm(rig);
    form->Create();
    QCOMPARE(rig.takeLog(), lines({"FPRESET?;", "VER?;"}));
    QCOMPARE(rig.dialogs->infos, QStringList{text::English(text::VersionRefused)});
    QVERIFY(!form->TimerBusy->enabled());
    QVERIFY(allLocked(*form));
    QVERIFY(!form->cbChartLegendOnOff->isHidden());
    QCOMPARE(form->lbstatus->text(), QStringLiteral("?"));

    // Set IP / Connect probes anew; with supported firmware everything comes back.
    rig.server->model().setVersion("3.0");
    form->sbSetIPClick();
    QCOMPARE(rig.takeLog(), lines({"FPRESET?;", "VER?;"}));
    QVERIFY(noneLocked(*form));
    QVERIFY(form->TimerBusy->enabled());
    QCOMPARE(form->lbstatus->text(), QStringLiteral("Ok"));
}

void WindowStartup::versionThatIsNoNumberStillOpensTheWindow() {
    Rig rig;
    rig.server->model().setVersion("3.x");
    auto form = makeForm(rig);
    form->Create();
    QCOMPARE(rig.dialogs->errors,
             QStringList{QStringLiteral("'x' is not a valid integer value for Integer type.")});
    QVERIFY(!form->versionSupported());
    QCOMPARE(form->frameGeometry().size(), QSize(650, 350));  // FormResize still ran
}

void WindowStartup::settingsRead_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<Look>("look");
    QTest::addColumn<QByteArray>("styleWritten");
    QTest::newRow("narrow") << QByteArray("[System]\r\nwidth=400\r\n") << QSize(650, 350)
                            << Look::Dark << QByteArray("Style=0");
    QTest::newRow("hex width") << QByteArray("[System]\r\nwidth=0x300\r\nheight=500\r\n")
                               << QSize(768, 500) << Look::Dark << QByteArray("Style=0");
    QTest::newRow("no number") << QByteArray("[System]\r\nwidth=wide\r\nheight=340\r\n")
                               << QSize(650, 350) << Look::Dark << QByteArray("Style=0");
    QTest::newRow("style 2") << QByteArray("[System]\r\nStyle=2\r\n") << QSize(650, 350)
                             << Look::Light << QByteArray("Style=2");
    QTest::newRow("style 256") << QByteArray("[System]\r\nStyle=256\r\n") << QSize(650, 350)
                               << Look::Dark << QByteArray("Style=0");
    QTest::newRow("style -1") << QByteArray("[System]\r\nStyle=-1\r\n") << QSize(650, 350)
                              << Look::Light << QByteArray("Style=255");
}

void WindowStartup::settingsRead() {
    QFETCH(QByteArray, ini);
    QFETCH(QSize, size);
    QFETCH(Look, look);
    QFETCH(QByteArray, styleWritten);
    Rig rig;
    writeFile(rig.filePath("OrvR.ini"), ini);
    auto form = makeForm(rig);
    form->Create();
    QCOMPARE(form->frameGeometry().size(), size);
    QCOMPARE(form->currentLook(), look);
    form->close();
    QVERIFY(readFile(rig.filePath("OrvR.ini")).contains(styleWritten + "\r\n"));
}

void WindowStartup::quotedAddressAndOtherCaseKeys() {
    Rig rig;
    writeFile(rig.filePath("OrvR.ini"),
              "[SYSTEM]\r\nip = \"127.0.0.1\"\r\nLEFT=-5000\r\nTop=7\r\n");
    auto form = makeForm(rig);
    form->Create();
    QCOMPARE(form->edipOrv->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(form->client().host, QStringLiteral("127.0.0.1"));
    QCOMPARE(form->frameGeometry().topLeft(), QPoint(-5000, 7));  // applied unchanged
    QVERIFY(form->connected());
}

void WindowStartup::otherSectionsSurviveEverySave() {
    Rig rig;
    const QByteArray before =
        "; my notes\r\n[Mine]\r\nkeep=this one\r\n\r\n[System]\r\nIP=127.0.0.1\r\n"
        "extra=stays\r\n[Later]\r\nx=1\r\n";
    writeFile(rig.filePath("OrvR.ini"), before);
    auto form = makeForm(rig);
    form->Create();
    form->popStyleClick();
    form->close();
    const QByteArray after = readFile(rig.filePath("OrvR.ini"));
    QVERIFY(after.startsWith("; my notes\r\n[Mine]\r\nkeep=this one\r\n\r\n[System]\r\n"));
    QVERIFY(after.contains("extra=stays\r\n"));
    QVERIFY(after.endsWith("[Later]\r\nx=1\r\n"));
    QVERIFY(after.contains("Style=1\r\n"));
}

void WindowStartup::unappliedAddressIsNotSaved() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    form->edipOrv->setText(QStringLiteral("10.1.2.3"));
    form->close();
    QVERIFY(readFile(rig.filePath("OrvR.ini")).contains("IP=127.0.0.1\r\n"));
}

void WindowStartup::movedWindowIsSavedAtItsNewPosition() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    form->move(200, 120);
    form->close();
    const QByteArray ini = readFile(rig.filePath("OrvR.ini"));
    QVERIFY(ini.contains("left=200\r\ntop=120\r\n"));
}

void WindowStartup::toggleTwiceReturnsToFirstLook() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    QCOMPARE(form->currentLook(), Look::Dark);
    form->popStyleClick();
    QCOMPARE(form->currentLook(), Look::Light);
    QVERIFY(readFile(rig.filePath("OrvR.ini")).contains("Style=1\r\n"));
    form->popStyleClick();
    QCOMPARE(form->currentLook(), Look::Dark);
    QVERIFY(readFile(rig.filePath("OrvR.ini")).contains("Style=0\r\n"));
    // The lamps keep their own colours whatever the look.
    QCOMPARE(form->rectOrvBusy->fillColor(), QColor::fromRgba(0xFFE0E0E0));
}

void WindowStartup::toggleDecidesByTheShownLook() {
    Rig rig;
    writeFile(rig.filePath("OrvR.ini"), "[System]\r\nStyle=2\r\n");
    auto form = makeForm(rig);
    form->Create();
    QCOMPARE(form->currentLook(), Look::Light);
    form->ToggleStyle();
    QCOMPARE(form->currentLook(), Look::Dark);
    QCOMPARE(form->settings().bStyle, uint8_t(0));
}

void WindowStartup::gestures() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    for (int other : {259, 260, 261, 262, 263, 264, 266}) {
        form->FormGesture(other);
    }
    QCOMPARE(form->currentLook(), Look::Dark);
    QVERIFY(!QFile::exists(rig.filePath("OrvR.ini")));
    form->FormGesture(265);
    QCOMPARE(form->currentLook(), Look::Light);
    form->show();
    // A double click on the window itself is the double tap.
    QTest::mouseDClick(form->paMain, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(form->currentLook(), Look::Dark);
}

void WindowStartup::closingWithUnwritableSettingsStillCloses() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    form->show();
    QDir(rig.dirPath()).mkdir("OrvR.ini");  // a directory where the file should be
    QVERIFY(form->close());
    QCOMPARE(rig.dialogs->errors, QStringList{QStringLiteral("Unable to write to ") +
                                              rig.filePath("OrvR.ini") + QStringLiteral(".")});
    QVERIFY(!form->isVisible());
}

void WindowStartup::setStatusStates() {
    Rig rig;
    auto form = makeForm(rig);
    struct Case {
        uint8_t state;
        const char* text;
        QRgb colour;
        Qt::CursorShape cursor;
    };
    for (const Case& c : {Case{1, "Wait...", 0xFFFFFF00, Qt::BusyCursor},
                          Case{0, "Ok", 0xFF00FF00, Qt::ArrowCursor},
                          Case{2, "No Orv access!", 0xFFFF0000, Qt::ArrowCursor}}) {
        form->SetStatus(c.state, form->sbOrv_Mess);
        QCOMPARE(form->lbstatus->text(), QString::fromLatin1(c.text));
        QCOMPARE(form->rectstatus->fillColor(), QColor::fromRgba(c.colour));
        QCOMPARE(form->windowTitle(), QStringLiteral("Rivezorud <%1>").arg(c.text));
        QCOMPARE(form->sbOrv_Mess->cursor().shape(), c.cursor);
    }
}

void WindowStartup::setStatusOutOfRangeOnlyRewritesTitle() {
    Rig rig;
    auto form = makeForm(rig);
    QCOMPARE(form->lbstatus->text(), QStringLiteral("?"));
    form->SetStatus(7, form->sbOrv_Mess);
    QCOMPARE(form->lbstatus->text(), QStringLiteral("?"));
    QCOMPARE(form->rectstatus->fillColor(), QColor::fromRgba(0xFFE0E0E0));
    QCOMPARE(form->windowTitle(), QStringLiteral("Rivezorud <?>"));
}

void WindowStartup::noAccessLeavesPointerOfOtherButton() {
    Rig rig;
    auto form = makeForm(rig);
    form->SetStatus(1, form->sbOrv_Mess);
    form->SetStatus(2, form->sbOrvLeseAlleKanaele);
    QCOMPARE(form->sbOrv_Mess->cursor().shape(), Qt::BusyCursor);
    form->SetStatus(0, form->sbOrv_Mess);
    QCOMPARE(form->sbOrv_Mess->cursor().shape(), Qt::ArrowCursor);
}

void WindowStartup::locksAreNotCounted() {
    Rig rig;
    auto form = makeForm(rig);
    form->LockControls(true);
    form->LockControls(true);
    QVERIFY(allLocked(*form));
    QVERIFY(!form->sbF[3]->isEnabled());
    QVERIFY(!form->ChartCh[0]->isEnabled());
    form->LockControls(false);
    QVERIFY(noneLocked(*form));
}

void WindowStartup::neverLockedControlsStayUsable() {
    Rig rig;
    auto form = makeForm(rig);
    form->LockControls(true);
    for (QWidget* w :
         std::initializer_list<QWidget*>{form->sbSetIP, form->edipOrv, form->cbChartLegendOnOff,
                                         form->Chart1, form->SpeedButton1}) {
        QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
    }
}

QTEST_MAIN(WindowStartup)
#include "tst_window_startup.moc"
