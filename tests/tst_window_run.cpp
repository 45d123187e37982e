// The busy poll, a measurement run, the mode line, presets, limits and saving, through the
// whole window against the in-process simulator.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "app/widgets.h"
#include "lang/texts.h"
#include "support/formrig.h"

using namespace orvr;
using namespace orvr::test;

class WindowRun : public QObject {
    Q_OBJECT
  private slots:
    void wholeMeasurement();
    void runGivenUpOnSixthIdleReply();
    void startRefusedWhileBusy();
    void startBeforeAnyChannelSendsZero();
    void instrumentLostMidRunAndRecovered();
    void otherBusyReplyOnlyProvesReachability();
    void modeLine_data();
    void modeLine();
    void modeConversionErrorEndsTick();
    void channelSelectedOnce();
    void modeButtonsAndXyViews();
    void presets();
    void limitsDialog_data();
    void limitsDialog();
    void limitsDialogCancelAndDefault();
    void limitsWithoutDialogService();
    void saveFileName();
};

void WindowRun::wholeMeasurement() {
    Rig rig;
    rig.server->model().setBusyMs(-1);  // busy until the test ends the measurement
    auto form = makeForm(rig);
    form->Create();
    form->TimerBusyTimer();  // reads the mode: selects the instrument's channel
    const int channel = rig.server->model().channel();
    QCOMPARE(form->cbMesskanal->currentIndex(), channel - 1);
    rig.takeLog();

    form->sbOrv_MessClick();
    QCOMPARE(rig.takeLog(),
             lines({("CHANNEL;" + std::to_string(channel) + ";").c_str(), "MEASURE;"}));
    QCOMPARE(form->run().state, RunState::Started);
    QVERIFY(allLocked(*form));
    QCOMPARE(form->lbstatus->text(), QStringLiteral("Wait..."));
    QVERIFY(form->TimerBusy->enabled());

    form->TimerBusyTimer();
    QCOMPARE(form->rectOrvBusy->fillColor(), kLampRed);
    QCOMPARE(form->run().state, RunState::Measuring);

    rig.server->model().finishMeasurement();
    form->TimerBusyTimer();
    QCOMPARE(form->rectOrvBusy->fillColor(), kLampGreen);
    QCOMPARE(form->run().state, RunState::Idle);
    QVERIFY(form->Timer1->enabled());
    QCOMPARE(form->Timer1->interval(), 3600 * 1000);  // the test's; the program's is 1000
    QVERIFY(allLocked(*form));                        // locked until the readout ends
    rig.takeLog();

    form->Timer1Timer();
    QVERIFY(!form->Timer1->enabled());
    QCOMPARE(rig.takeLog(), lines({"MEAS;1;", "MEAS;2;", "MEAS;3;", "MEAS;4;", "MEAS;5;", "MEAS;6;",
                                   "CHARTDETAILS?;"}));
    QCOMPARE(form->lbstatus->text(), QStringLiteral("Ok"));
    QVERIFY(noneLocked(*form));
    QVERIFY(form->TimerBusy->enabled());
    QVERIFY(!form->chart().series(channel - 1).points.empty());
    QVERIFY(rig.dialogs->infos.isEmpty());
    QVERIFY(rig.dialogs->errors.isEmpty());
}

void WindowRun::runGivenUpOnSixthIdleReply() {
    Rig rig;
    rig.server->setOverride("BUSY?;", "BUSY;0;\r\n");
    auto form = makeForm(rig);
    form->Create();
    form->sbOrv_MessClick();
    for (int tick = 1; tick <= 5; ++tick) {
        form->TimerBusyTimer();
        QCOMPARE(form->run().startCountdown, 5 - tick);
        QCOMPARE(form->run().state, RunState::Started);
    }
    QVERIFY(rig.dialogs->infos.isEmpty());
    QVERIFY(allLocked(*form));
    form->TimerBusyTimer();
    QCOMPARE(rig.dialogs->infos, QStringList{text::English(text::NoMeasurement)});
    QCOMPARE(form->run().state, RunState::Idle);
    QVERIFY(noneLocked(*form));
    QCOMPARE(form->lbstatus->text(), QStringLiteral("Ok"));
    QVERIFY(!form->Timer1->enabled());
}

void WindowRun::startRefusedWhileBusy() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    rig.server->queueReplies("BUSY?;", {"BUSY;1;\r\n"});
    form->TimerBusyTimer();
    QCOMPARE(form->rectOrvBusy->fillColor(), kLampRed);
    QCOMPARE(form->run().state, RunState::Idle);  // busy on its own: no run
    rig.takeLog();
    form->sbOrv_MessClick();
    QCOMPARE(rig.dialogs->infos, QStringList{text::English(text::OrvBusy)});
    QVERIFY(rig.takeLog().empty());
    QVERIFY(noneLocked(*form));
    // Idle again: no readout follows a run that was never started.
    form->TimerBusyTimer();
    QVERIFY(!form->Timer1->enabled());
}

void WindowRun::startBeforeAnyChannelSendsZero() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    rig.takeLog();
    QCOMPARE(form->cbMesskanal->currentIndex(), -1);
    form->sbOrv_MessClick();  // the grey lamp of a fresh start allows it
    QCOMPARE(rig.takeLog(), lines({"CHANNEL;0;", "MEASURE;"}));
}

void WindowRun::instrumentLostMidRunAndRecovered() {
    Rig rig;
    rig.server->model().setBusyMs(-1);
    auto form = makeForm(rig);
    form->Create();
    form->sbOrv_MessClick();
    form->TimerBusyTimer();
    QCOMPARE(form->run().state, RunState::Measuring);

    rig.server->setFault(sim::Fault::Refuse);
    form->TimerBusyTimer();
    QCOMPARE(form->rectOrvConnected->fillColor(), kLampRed);
    QCOMPARE(form->lbstatus->text(), QStringLiteral("No Orv access!"));
    QVERIFY(!form->TimerBusy->enabled());
    QCOMPARE(form->run().state, RunState::Measuring);
    QVERIFY(allLocked(*form));
    QVERIFY(form->sbSetIP->isEnabled());

    rig.server->clearFaults();
    rig.server->model().finishMeasurement();
    form->sbSetIPClick();
    QCOMPARE(form->lbstatus->text(), QStringLiteral("Ok"));
    QVERIFY(noneLocked(*form));
    QVERIFY(form->TimerBusy->enabled());
    form->TimerBusyTimer();
    QVERIFY(form->Timer1->enabled());
}

void WindowRun::otherBusyReplyOnlyProvesReachability() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    rig.takeLog();
    rig.server->queueReplies("BUSY?;", {"2\r\n"});
    form->TimerBusyTimer();
    QCOMPARE(form->rectOrvBusy->fillColor(), kLampGrey);
    QCOMPARE(form->rectOrvConnected->fillColor(), kLampGreen);
    QCOMPARE(rig.takeLog(), lines({"BUSY?;", "MODE?;"}));
    QVERIFY(form->TimerBusy->enabled());
}

void WindowRun::modeLine_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("limits");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("freq");
    QTest::addColumn<QString>("z");
    QTest::newRow("acoustic") << "1;20;20000;1;0;0;"
                              << "20/20000"
                              << "Acoustic"
                              << "Freq"
                              << "Z";
    QTest::newRow("low 8 bits") << "257;20;20000;1;1;0"
                                << "20/20000"
                                << "Acoustic"
                                << "Freq*"
                                << "Z";
    QTest::newRow("minus one") << "-1;-5;7;1;0;0"
                               << "-5/7"
                               << "unknown 255"
                               << "Freq"
                               << "Z";
    QTest::newRow("empty limits") << "1;;;2;0;1"
                                  << "0/0"
                                  << "Acoustic"
                                  << "Freq"
                                  << "Z*";
    QTest::newRow("five fields") << "1;20;20000;1;0"
                                 << "fmin/fmax"
                                 << "Mode"
                                 << "Freq"
                                 << "Z";
    QTest::newRow("rlc") << "12;1;2;3;0;0"
                         << "1/2"
                         << "RLC"
                         << "Freq"
                         << "Z";
}

void WindowRun::modeLine() {
    QFETCH(QString, reply);
    QFETCH(QString, limits);
    QFETCH(QString, mode);
    QFETCH(QString, freq);
    QFETCH(QString, z);
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    rig.server->setOverride("MODE?;", reply.toStdString() + "\r\n");
    form->TimerBusyTimer();
    QCOMPARE(form->lbfminfmax->text(), limits);
    QCOMPARE(form->lbMessmode->text(), mode);
    QCOMPARE(form->sbOrv_xyviewFreq->text(), freq);
    QCOMPARE(form->sbOrv_xyviewZ->text(), z);
    QVERIFY(rig.dialogs->errors.isEmpty());
}

void WindowRun::modeConversionErrorEndsTick() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    rig.server->model().setBusyMs(-1);
    form->sbOrv_MessClick();
    form->TimerBusyTimer();
    rig.server->model().finishMeasurement();
    // Five values and a trailing ";": the empty sixth field is no number.
    rig.server->setOverride("MODE?;", "1;33;44;4;1;\r\n");
    form->TimerBusyTimer();
    QCOMPARE(rig.dialogs->errors,
             QStringList{QStringLiteral("'' is not a valid integer value for Integer type.")});
    QCOMPARE(form->mode().modeChannel, uint8_t(4));
    QVERIFY(form->mode().xyFreqFlag);
    QCOMPARE(form->mode().fmin, 33);
    QVERIFY(form->lbfminfmax->text() != QStringLiteral("33/44"));  // steps after it did not run
    QVERIFY(!form->TimerBusy->enabled());
    QCOMPARE(form->run().state, RunState::Ended);  // the readout waits for a whole tick
    QVERIFY(!form->Timer1->enabled());

    rig.server->clearOverrides();
    form->TimerBusyTimer();
    QCOMPARE(form->run().state, RunState::Idle);
    QVERIFY(form->Timer1->enabled());
}

void WindowRun::channelSelectedOnce() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    rig.server->setOverride("MODE?;", "1;20;20000;3;0;0;\r\n");
    form->TimerBusyTimer();
    QCOMPARE(form->cbMesskanal->currentText(), QStringLiteral("3"));
    rig.server->setOverride("MODE?;", "1;20;20000;5;0;0;\r\n");
    form->TimerBusyTimer();
    QCOMPARE(form->cbMesskanal->currentText(), QStringLiteral("3"));

    Rig other;
    auto second = makeForm(other);
    second->Create();
    other.server->setOverride("MODE?;", "1;20;20000;9;0;0;\r\n");
    second->TimerBusyTimer();
    QCOMPARE(second->cbMesskanal->currentIndex(), -1);  // no such channel: nothing chosen
    other.server->setOverride("MODE?;", "1;20;20000;2;0;0;\r\n");
    second->TimerBusyTimer();
    QCOMPARE(second->cbMesskanal->currentIndex(), -1);  // the one chance was taken
}

void WindowRun::modeButtonsAndXyViews() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    rig.takeLog();
    form->TimerBusy->setEnabled(false);
    form->sbOrv_AMPLAClick();
    QVERIFY(form->TimerBusy->enabled());  // a paused exchange leaves the poll running
    form->sbOrv_AMPLEClick();
    form->sbOrv_FFTClick();
    form->sbOrv_ZClick();
    QCOMPARE(rig.takeLog(), lines({"AMPLA;", "AMPLE;", "FFT;", "Z;"}));
    QCOMPARE(rig.server->model().modeNumber(), 5);
    form->sbOrv_xyviewFreqClick();
    const auto log = rig.takeLog();
    QCOMPARE(log.front(), std::string("XY_MODE;A;"));
    QCOMPARE(log.size(), size_t(8));
    QCOMPARE(log.back(), std::string("CHARTDETAILS?;"));
    form->sbOrv_xyviewZClick();
    QCOMPARE(rig.takeLog().front(), std::string("XY_MODE;I;"));
}

void WindowRun::presets() {
    Rig rig;
    rig.server->setOverride("FPRESET?;", "a;b;c\r\n");
    auto form = makeForm(rig);
    form->Create();
    QStringList captions;
    for (QPushButton* b : form->sbF) {
        captions << b->text();
    }
    QCOMPARE(captions, (QStringList{"a", "b", "c", "F4", "F5", "F6"}));

    rig.server->setOverride("FPRESET?;", "0 0;20 0;;x;y;z;extra;\r\n");
    form->sbSetIPClick();
    captions.clear();
    for (QPushButton* b : form->sbF) {
        captions << b->text();
    }
    QCOMPARE(captions, (QStringList{"F1", "F2", "", "x", "y", "z"}));

    rig.takeLog();
    form->sbF[3]->click();
    QCOMPARE(rig.takeLog(), lines({"FPR;4;"}));
}

void WindowRun::limitsDialog_data() {
    QTest::addColumn<bool>("fmax");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("message");
    QTest::newRow("number") << true << "250"
                            << "FMAX;250;"
                            << "";
    QTest::newRow("plus sign") << true << "+250"
                               << "FMAX;250;"
                               << "";
    QTest::newRow("hex is a number too") << false << "$10"
                                         << "FMIN;16;"
                                         << "";
    QTest::newRow("negative") << false << "-3"
                              << "FMIN;-3;"
                              << "";
    QTest::newRow("2.5k") << true << "2.5k"
                          << ""
                          << "Numeric input required. Your input: 2.5k";
    QTest::newRow("empty") << false << ""
                           << ""
                           << "Numeric input required. Your input: ";
}

void WindowRun::limitsDialog() {
    QFETCH(bool, fmax);
    QFETCH(QString, typed);
    QFETCH(QString, sent);
    QFETCH(QString, message);
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    rig.takeLog();
    fmax ? form->spOrvSetFmaxClick() : form->spOrvSetFminClick();
    QCOMPARE(rig.dialogs->inputs.size(), size_t(1));
    QCOMPARE(rig.dialogs->inputs[0].title,
             fmax ? QStringLiteral("fmax(Hz)") : QStringLiteral("fmin(Hz)"));
    QVERIFY(rig.takeLog().empty());  // nothing until the dialog closes
    rig.dialogs->inputs[0].done(1, {typed});
    const auto log = rig.takeLog();
    if (sent.isEmpty()) {
        QVERIFY(log.empty());
        QCOMPARE(rig.dialogs->infos, QStringList{message});
    } else {
        QCOMPARE(log, std::vector<std::string>{sent.toStdString()});
        QVERIFY(rig.dialogs->infos.isEmpty());
    }
}

void WindowRun::limitsDialogCancelAndDefault() {
    Rig rig;
    auto form = makeForm(rig);
    form->Create();
    form->spOrvSetFminClick();
    QCOMPARE(rig.dialogs->inputs.back().value, QStringLiteral("0"));  // before any MODE
    rig.takeLog();
    rig.dialogs->inputs.back().done(0, {QStringLiteral("123")});
    QVERIFY(rig.takeLog().empty());
    QVERIFY(rig.dialogs->infos.isEmpty());

    rig.server->setOverride("MODE?;", "1;25;18000;1;0;0;\r\n");
    form->TimerBusyTimer();
    form->spOrvSetFmaxClick();
    QCOMPARE(rig.dialogs->inputs.back().value, QStringLiteral("18000"));
}

void WindowRun::limitsWithoutDialogService() {
    Rig rig;
    rig.dialogs->inputService = false;
    auto form = makeForm(rig);
    form->Create();
    rig.takeLog();
    form->spOrvSetFminClick();
    QVERIFY(rig.takeLog().empty());
    QVERIFY(rig.dialogs->infos.isEmpty());
    QVERIFY(rig.dialogs->errors.isEmpty());
}

void WindowRun::saveFileName() {
    Rig rig;
    rig.locale = QLocale(QLocale::German, QLocale::Germany);
    auto form = makeForm(rig);
    form->Create();  // no language file beside it: the English texts stay
    QCOMPARE(rig.dialogs->infos, QStringList{QStringLiteral("German language file not found!")});
    rig.dialogs->infos.clear();
    rig.server->setOverride("MODE?;", "1;20;20000;1;0;0;\r\n");
    form->TimerBusyTimer();
    rig.takeLog();
    // The typed ":" stays; a ";" would cut the request, so it cannot reach the wire.
    form->edFileSaveName->setText(QStringLiteral("te:st;x"));
    form->sbSaveFileClick();
    const QString name = QStringLiteral("te:st_x_Acoustic_09.12.2025 14_03_27.tes");
    QCOMPARE(rig.takeLog(), std::vector<std::string>{"FILESAVE;" + name.toStdString() + ";"});
    QCOMPARE(rig.dialogs->infos, QStringList{text::English(text::FileSaved) + name});

    // With no answer at all nothing was stored, and the user is not told otherwise.
    rig.dialogs->infos.clear();
    rig.server->setFault(sim::Fault::Refuse);
    form->sbSaveFileClick();
    QCOMPARE(rig.dialogs->infos, QStringList{text::English(text::NoAccess)});
}

QTEST_MAIN(WindowRun)
#include "tst_window_run.moc"
