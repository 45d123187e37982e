// Every way the instrument can fail an exchange, met by the whole window in each of the
// situations where it talks to the instrument, and the way back with Set IP / Connect.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>
#include <algorithm>
#include <array>

#include "app/widgets.h"
#include "lang/texts.h"
#include "support/formrig.h"

using namespace orvr;
using namespace orvr::test;

namespace {

// Short bounds keep the slow faults quick; the delay stays well below the no-data wait.
constexpr int kConnectMs = 150;
constexpr int kIdleMs = 300;
constexpr int kDelayMs = 100;
constexpr qint64 kSlackMs = 1000;

enum class Phase { StartUp, Poll, Readout, Command };

// What the window is handed back, by failure class.
enum class Outcome {
    Normal,    // a reply line as the model gives it
    Empty,     // empty reply, connected true: link failure or the no-data rule
    TimedOut,  // empty reply, connected false
    Garbage,   // whatever the random line holds
};

int exchangesOf(Phase phase) {
    switch (phase) {
        case Phase::StartUp:
            return 3;  // FPRESET, VER, VER
        case Phase::Poll:
            return 2;  // BUSY, MODE
        case Phase::Readout:
            return 7;  // six MEAS, CHARTDETAILS
        case Phase::Command:
            return 1;
    }
    return 0;
}

Outcome outcomeOf(sim::Fault fault) {
    switch (fault) {
        case sim::Fault::None:
        case sim::Fault::Delay:
            return Outcome::Normal;
        case sim::Fault::Silent:
            return Outcome::TimedOut;
        case sim::Fault::Garbage:
            return Outcome::Garbage;
        default:
            return Outcome::Empty;
    }
}

// The error report of a conversion error on a random line; the line may hold any byte
// but CR and LF, so the pattern takes the quoted text as a whole.
bool isConversionReport(const QString& text, const QString& kind) {
    const QRegularExpression re(QStringLiteral("^'.*' is not a valid %1\\.$").arg(kind),
                                QRegularExpression::DotMatchesEverythingOption);
    return re.match(text).hasMatch();
}

const QString kIntegerTyped = QStringLiteral("integer value for Integer type");
const QString kFloat = QStringLiteral("floating point value");

std::vector<std::string> readoutLog() {
    return lines(
        {"MEAS;1;", "MEAS;2;", "MEAS;3;", "MEAS;4;", "MEAS;5;", "MEAS;6;", "CHARTDETAILS?;"});
}

}  // namespace

Q_DECLARE_METATYPE(orvr::sim::Fault)
Q_DECLARE_METATYPE(Phase)

class WindowFaults : public QObject {
    Q_OBJECT
  private slots:
    void matrix_data();
    void matrix();

  private:
    void startUp(Rig& rig, TForm1& form, Outcome outcome, bool reaches);
    void poll(Rig& rig, TForm1& form, Outcome outcome, bool reaches);
    void readout(Rig& rig, TForm1& form, Outcome outcome, bool reaches);
    void command(Rig& rig, TForm1& form, Outcome outcome, bool reaches);
    void recovers(Rig& rig, TForm1& form);

    sim::Fault fault_ = sim::Fault::None;
    qint64 elapsedMs_ = 0;
};

void WindowFaults::matrix_data() {
    QTest::addColumn<sim::Fault>("fault");
    QTest::addColumn<Phase>("phase");

    using F = sim::Fault;
    const std::vector<F> all = {F::Refuse, F::Silent,   F::Hang,    F::NoLf, F::Close,
                                F::Reset,  F::Oversize, F::Garbage, F::Delay};
    const auto add = [](F fault, Phase phase, const char* phaseName) {
        QTest::newRow(QByteArray(sim::FaultName(fault)) + " / " + phaseName) << fault << phase;
    };
    // The poll and the readout meet every fault: the poll is the loop that must notice
    // each of them, and the readout chains seven exchanges whose waits add up.
    for (F f : all) {
        add(f, Phase::Poll, "poll");
        add(f, Phase::Readout, "readout");
    }
    // Start-up and a single command see reset and oversize exactly as they see close (a
    // link failure after the request was read); the exchange tests tell those three apart.
    // A command's ignored reply makes nolf the same as hang.
    for (F f : {F::Refuse, F::Silent, F::Hang, F::NoLf, F::Close, F::Garbage, F::Delay}) {
        add(f, Phase::StartUp, "start-up");
    }
    for (F f : {F::Refuse, F::Silent, F::Hang, F::Close, F::Garbage, F::Delay}) {
        add(f, Phase::Command, "command");
    }
}

void WindowFaults::matrix() {
    QFETCH(sim::Fault, fault);
    QFETCH(Phase, phase);
    fault_ = fault;
    const Outcome outcome = outcomeOf(fault);
    // Refuse and silent keep every request from the instrument.
    const bool reaches = fault != sim::Fault::Refuse && fault != sim::Fault::Silent;

    Rig rig;
    rig.bounds.connectMs = kConnectMs;
    rig.bounds.idleMs = kIdleMs;
    auto form = makeForm(rig);

    switch (phase) {
        case Phase::StartUp:
            startUp(rig, *form, outcome, reaches);
            break;
        case Phase::Poll:
            poll(rig, *form, outcome, reaches);
            break;
        case Phase::Readout:
            readout(rig, *form, outcome, reaches);
            break;
        case Phase::Command:
            command(rig, *form, outcome, reaches);
            break;
    }
    if (QTest::currentTestFailed()) {
        return;
    }
    const qint64 bound =
        exchangesOf(phase) * qint64(kConnectMs + kIdleMs + rig.bounds.waitMs) + kSlackMs;
    QVERIFY2(elapsedMs_ <= bound,
             qPrintable(QStringLiteral("%1 ms, bound %2 ms").arg(elapsedMs_).arg(bound)));

    recovers(rig, *form);
}

void WindowFaults::startUp(Rig& rig, TForm1& form, Outcome outcome, bool reaches) {
    rig.server->setFault(fault_, "", kDelayMs);
    QElapsedTimer clock;
    clock.start();
    form.Create();
    elapsedMs_ = clock.elapsed();

    QVERIFY(rig.dialogs->infos.isEmpty());
    QVERIFY(form.TimerBusy->enabled());  // the poll reports a missing instrument later
    QVERIFY(noneLocked(form));
    QCOMPARE(form.lbstatus->text(), QStringLiteral("?"));
    QCOMPARE(form.rectOrvConnected->fillColor(), kLampGrey);
    switch (outcome) {
        case Outcome::Normal:
            QCOMPARE(rig.takeLog(), lines({"FPRESET?;", "VER?;", "VER?;"}));
            QVERIFY(form.versionSupported());
            QVERIFY(form.connected());
            QVERIFY(form.cbChartLegendOnOff->isHidden());
            QVERIFY(rig.dialogs->errors.isEmpty());
            break;
        case Outcome::Empty:
        case Outcome::TimedOut: {
            // No presets: the probe stops before the version; start-up's own check
            // still asks once.
            const auto expected =
                reaches ? lines({"FPRESET?;", "VER?;"}) : std::vector<std::string>{};
            QCOMPARE(rig.takeLog(), expected);
            QVERIFY(!form.versionSupported());
            QCOMPARE(form.connected(), outcome == Outcome::Empty);
            QVERIFY(form.cbChartLegendOnOff->isHidden());
            QVERIFY(rig.dialogs->errors.isEmpty());
            for (int i = 0; i < 6; ++i) {
                QCOMPARE(form.sbF[i]->text(), QStringLiteral("F%1").arg(i + 1));
            }
            break;
        }
        case Outcome::Garbage:
            // The presets took the garbage as captions, the version is no number: the
            // error ends start-up before the legend box is hidden.
            QCOMPARE(rig.takeLog(), lines({"FPRESET?;", "VER?;"}));
            QCOMPARE(rig.dialogs->errors.size(), 1);
            QVERIFY2(isConversionReport(rig.dialogs->errors[0], kIntegerTyped),
                     qPrintable(rig.dialogs->errors[0]));
            QVERIFY(!form.versionSupported());
            QVERIFY(!form.cbChartLegendOnOff->isHidden());
            break;
    }
}

void WindowFaults::poll(Rig& rig, TForm1& form, Outcome outcome, bool reaches) {
    form.Create();
    form.TimerBusyTimer();
    QCOMPARE(form.rectOrvConnected->fillColor(), kLampGreen);
    QCOMPARE(form.rectOrvBusy->fillColor(), kLampGreen);
    const QString modeLine = form.lbMessmode->text();
    rig.takeLog();

    rig.server->setFault(fault_, "", kDelayMs);
    QElapsedTimer clock;
    clock.start();
    form.TimerBusyTimer();
    elapsedMs_ = clock.elapsed();

    QVERIFY(rig.dialogs->infos.isEmpty());
    QCOMPARE(form.rectOrvBusy->fillColor(), kLampGreen);  // only "0" and "1" touch it
    switch (outcome) {
        case Outcome::Normal:
            QCOMPARE(rig.takeLog(), lines({"BUSY?;", "MODE?;"}));
            QVERIFY(form.connected());
            QCOMPARE(form.rectOrvConnected->fillColor(), kLampGreen);
            QVERIFY(noneLocked(form));
            QVERIFY(form.TimerBusy->enabled());
            QCOMPARE(form.lbMessmode->text(), modeLine);
            QVERIFY(rig.dialogs->errors.isEmpty());
            break;
        case Outcome::Empty:
        case Outcome::TimedOut:
            // Whatever the cause, an empty BUSY reply is the unreachable branch.
            QCOMPARE(rig.takeLog(), reaches ? lines({"BUSY?;"}) : std::vector<std::string>{});
            QVERIFY(!form.connected());
            QCOMPARE(form.rectOrvConnected->fillColor(), kLampRed);
            QVERIFY(allLocked(form));
            QCOMPARE(form.lbMessmode->text(), text::English(text::StartOrv));
            QCOMPARE(form.lbstatus->text(), text::English(text::NoAccess));
            QVERIFY(!form.TimerBusy->enabled());
            QVERIFY(form.sbSetIP->isEnabled());
            QVERIFY(rig.dialogs->errors.isEmpty());
            break;
        case Outcome::Garbage:
            // No information, but proof of reachability; a MODE line of garbage almost
            // never has six fields, and when it does its error ends the tick.
            QCOMPARE(rig.takeLog(), lines({"BUSY?;", "MODE?;"}));
            QVERIFY(form.connected());
            QCOMPARE(form.rectOrvConnected->fillColor(), kLampGreen);
            QVERIFY(noneLocked(form));
            if (rig.dialogs->errors.isEmpty()) {
                QVERIFY(form.TimerBusy->enabled());
                QCOMPARE(form.lbMessmode->text(), modeLine);
            } else {
                QCOMPARE(rig.dialogs->errors.size(), 1);
                QVERIFY2(isConversionReport(rig.dialogs->errors[0], kIntegerTyped),
                         qPrintable(rig.dialogs->errors[0]));
                QVERIFY(!form.TimerBusy->enabled());
            }
            break;
    }
}

void WindowFaults::readout(Rig& rig, TForm1& form, Outcome outcome, bool reaches) {
    form.Create();
    form.sbOrvLeseAlleKanaeleClick();
    QVERIFY(rig.dialogs->errors.isEmpty());
    QStringList legends;
    std::array<int, 6> counts{};
    bool anyPoints = false;
    for (int i = 0; i < 6; ++i) {
        legends << form.chart().series(i).legendText;
        counts[i] = form.chartData().Messdata[i].ArrMessdatenVorhanden;
        anyPoints = anyPoints || !form.chart().series(i).points.empty();
    }
    QVERIFY(anyPoints);
    const double bottomMin = form.chart().bottom().min();
    const double bottomMax = form.chart().bottom().max();
    const double leftMax = form.chart().left().max();
    rig.takeLog();

    rig.server->setFault(fault_, "", kDelayMs);
    QElapsedTimer clock;
    clock.start();
    form.sbOrvLeseAlleKanaeleClick();
    elapsedMs_ = clock.elapsed();

    QVERIFY(rig.dialogs->infos.isEmpty());
    const auto finishedNormally = [&] {
        QCOMPARE(form.lbstatus->text(), QStringLiteral("Ok"));
        QVERIFY(noneLocked(form));
        QVERIFY(form.TimerBusy->enabled());
    };
    const auto allEmpty = [&] {
        for (int i = 0; i < 6; ++i) {
            QVERIFY(form.chart().series(i).points.empty());
            QCOMPARE(form.chartData().Messdata[i].ArrMessdatenVorhanden, 0);
        }
    };
    const auto detailsKept = [&] {
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(form.chart().series(i).legendText, legends[i]);
        }
        QCOMPARE(form.chart().bottom().min(), bottomMin);
        QCOMPARE(form.chart().bottom().max(), bottomMax);
        QCOMPARE(form.chart().left().max(), leftMax);
    };
    switch (outcome) {
        case Outcome::Normal:
            QCOMPARE(rig.takeLog(), readoutLog());
            QVERIFY(rig.dialogs->errors.isEmpty());
            finishedNormally();
            for (int i = 0; i < 6; ++i) {
                QCOMPARE(form.chartData().Messdata[i].ArrMessdatenVorhanden, counts[i]);
            }
            break;
        case Outcome::Empty:
        case Outcome::TimedOut:
            // Each channel is tried in turn, ends empty, and the chart keeps its details.
            QCOMPARE(rig.takeLog(), reaches ? readoutLog() : std::vector<std::string>{});
            QVERIFY(rig.dialogs->errors.isEmpty());
            finishedNormally();
            allEmpty();
            detailsKept();
            break;
        case Outcome::Garbage: {
            // A line without ";" is one lone field and no point; with a ";" its first value
            // is no number and the readout stops there, stuck until Set IP / Connect.
            const auto log = rig.takeLog();
            const auto full = readoutLog();
            QVERIFY(!log.empty() && log.size() <= full.size());
            QVERIFY(std::equal(log.begin(), log.end(), full.begin()));
            detailsKept();
            if (rig.dialogs->errors.isEmpty()) {
                QCOMPARE(log, full);
                finishedNormally();
                allEmpty();
            } else {
                QCOMPARE(rig.dialogs->errors.size(), 1);
                QVERIFY2(isConversionReport(rig.dialogs->errors[0], kFloat),
                         qPrintable(rig.dialogs->errors[0]));
                QCOMPARE(form.lbstatus->text(), text::English(text::Wait));
                QVERIFY(allLocked(form));
                QVERIFY(!form.TimerBusy->enabled());
            }
            break;
        }
    }
}

void WindowFaults::command(Rig& rig, TForm1& form, Outcome outcome, bool reaches) {
    form.Create();
    form.TimerBusy->setEnabled(false);  // the paused exchange must start it again
    rig.takeLog();

    rig.server->setFault(fault_, "", kDelayMs);
    QElapsedTimer clock;
    clock.start();
    form.sbSaveFileClick();
    elapsedMs_ = clock.elapsed();

    const auto log = rig.takeLog();
    QCOMPARE(log.size(), size_t(reaches ? 1 : 0));
    if (reaches) {
        QVERIFY(QString::fromStdString(log[0]).startsWith(QStringLiteral("FILESAVE;")));
    }
    QVERIFY2(rig.dialogs->errors.isEmpty(), qPrintable(rig.dialogs->errors.join('\n')));
    QVERIFY(form.TimerBusy->enabled());
    QCOMPARE(form.connected(), outcome != Outcome::TimedOut);
    QVERIFY(noneLocked(form));
    QCOMPARE(form.lbstatus->text(), QStringLiteral("?"));  // commands set no status
    // Any answer counts as stored; without one the file is not announced as saved.
    QCOMPARE(rig.dialogs->infos.size(), 1);
    if (outcome == Outcome::Empty || outcome == Outcome::TimedOut) {
        QCOMPARE(rig.dialogs->infos[0], text::English(text::NoAccess));
    } else {
        QVERIFY2(rig.dialogs->infos[0].startsWith(text::English(text::FileSaved)),
                 qPrintable(rig.dialogs->infos[0]));
    }
}

void WindowFaults::recovers(Rig& rig, TForm1& form) {
    rig.server->clearFaults();
    const auto errors = rig.dialogs->errors.size();
    form.sbSetIPClick();
    form.TimerBusyTimer();
    QCOMPARE(rig.dialogs->errors.size(), errors);
    QVERIFY(form.versionSupported());
    QVERIFY(form.connected());
    QCOMPARE(form.lbstatus->text(), QStringLiteral("Ok"));
    QVERIFY(noneLocked(form));
    QVERIFY(form.TimerBusy->enabled());
    QCOMPARE(form.rectOrvConnected->fillColor(), kLampGreen);
}

QTEST_MAIN(WindowFaults)
#include "tst_window_faults.moc"
