#include <QDateTime>
#include <QLocale>
#include <QTest>

#include "link/errors.h"
#include "measure/mode.h"
#include "measure/presets.h"
#include "measure/runstate.h"
#include "measure/savename.h"

using namespace orvr;

namespace {

// What ApplyModeReply leaves behind, in one comparable line.
QString Describe(const ModeValues& v) {
    return QStringLiteral("%1 %2 ch%3 %4 %5")
        .arg(ModeName(v.modeNumber), LimitsText(v))
        .arg(v.modeChannel)
        .arg(XyFreqCaption(v.xyFreqFlag), XyZCaption(v.xyZFlag));
}

// Values from an earlier reading, so that kept and changed fields can be told apart.
ModeValues Previous() {
    ModeValues v;
    v.modeNumber = 9;
    v.fmin = 100;
    v.fmax = 200;
    v.modeChannel = 6;
    v.xyFreqFlag = false;
    v.xyZFlag = true;
    return v;
}

const QString kTypedEmpty = QStringLiteral("'' is not a valid integer value for Integer type");

}  // namespace

class TestMeasureLogic : public QObject {
    Q_OBJECT

  private slots:
    void modeReply_data();
    void modeReply();
    void modeNamesAndChannels();
    void run_data();
    void run();
    void presets_data();
    void presets();
    void saveName_data();
    void saveName();
};

void TestMeasureLogic::modeReply_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("after");

    const QString none;
    const QString before = QStringLiteral("FFT 100/200 ch6 Freq Z*");
    QTest::newRow("complete") << "1;20;20000;3;0;0" << true << none
                              << "Acoustic 20/20000 ch3 Freq Z";
    QTest::newRow("low 8 bits of 257")
        << "257;-5;20000;259;4;0" << true << none << "Acoustic -5/20000 ch3 Freq* Z";
    QTest::newRow("-1 is 255") << "-1;20;20000;1;0;0" << true << none
                               << "unknown 255 20/20000 ch1 Freq Z";
    QTest::newRow("empty limits kept")
        << "1;;;2;0;1" << true << none << "Acoustic 100/200 ch2 Freq Z*";
    QTest::newRow("seven fields") << "1;20;20000;1;0;0;" << true << none
                                  << "Acoustic 20/20000 ch1 Freq Z";
    QTest::newRow("five fields ignored") << "1;20;20000;1;0" << false << none << before;
    QTest::newRow("empty reply ignored") << "" << false << none << before;
    QTest::newRow("empty field 5 after the rest")
        << "1;20;20000;1;7;" << true << kTypedEmpty << "Acoustic 20/20000 ch1 Freq* Z*";
    QTest::newRow("bad mode changes nothing")
        << "A;20;20000;1;0;0" << true << "'A' is not a valid integer value for Integer type"
        << before;
    QTest::newRow("bad fmin after mode")
        << "3;2k;20000;1;0;0" << true << "'2k' is not a valid integer value for Integer type"
        << "Electric 100/200 ch6 Freq Z*";
    QTest::newRow("empty channel") << "5;1;2;;0;0" << true << kTypedEmpty << "Z 1/2 ch6 Freq Z*";
}

void TestMeasureLogic::modeReply() {
    QFETCH(QString, reply);
    QFETCH(bool, applied);
    QFETCH(QString, error);
    QFETCH(QString, after);

    ModeValues values = Previous();
    QString raised;
    bool result = false;
    try {
        result = ApplyModeReply(reply, values);
    } catch (const ConversionError& e) {
        raised = e.text();
        result = true;
    }
    QCOMPARE(raised, error);
    QCOMPARE(result, applied);
    QCOMPARE(Describe(values), after);
}

void TestMeasureLogic::modeNamesAndChannels() {
    const std::pair<int, const char*> names[] = {
        {1, "Acoustic"},     {3, "Electric"},  {5, "Z"},           {6, "T-S"},
        {9, "FFT"},          {11, "Extern"},   {12, "RLC"},        {0, "unknown 0"},
        {2, "unknown 2"},    {4, "unknown 4"}, {10, "unknown 10"}, {13, "unknown 13"},
        {255, "unknown 255"}};
    for (const auto& [number, name] : names) {
        QCOMPARE(ModeName(static_cast<uint8_t>(number)), QString::fromLatin1(name));
    }
    // The selector offers channels 1 to 6 only; anything else selects nothing.
    const std::pair<int, int> channels[] = {{0, -1}, {1, 0}, {3, 2}, {6, 5}, {7, -1}, {255, -1}};
    for (const auto& [channel, index] : channels) {
        QCOMPARE(ChannelSelectionIndex(static_cast<uint8_t>(channel)), index);
    }
}

// Events as the poll tick feeds them: 'S' Start, '0' idle, '1' busy, '?' another reply;
// every reply ends the tick with takeEnded(). 'c' is an idle tick cut short before its end.
void TestMeasureLogic::run_data() {
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("countdown");
    QTest::addColumn<int>("givenUp");
    QTest::addColumn<int>("readouts");

    QTest::newRow("idle without run") << "0010?" << 0 << 0 << 0 << 0;
    QTest::newRow("start") << "S" << 1 << 5 << 0 << 0;
    QTest::newRow("five idle replies wait") << "S00000" << 1 << 0 << 0 << 0;
    QTest::newRow("sixth idle gives up") << "S000000" << 0 << 0 << 1 << 0;
    QTest::newRow("given up stays idle") << "S00000000" << 0 << 0 << 1 << 0;
    QTest::newRow("busy then idle reads out") << "S10" << 0 << 5 << 0 << 1;
    QTest::newRow("other replies do not count") << "S??1?10" << 0 << 5 << 0 << 1;
    QTest::newRow("ending idle does not count down") << "S0000010" << 0 << 0 << 0 << 1;
    QTest::newRow("busy after give-up ignored") << "S00000010" << 0 << 0 << 1 << 0;
    QTest::newRow("restart while measuring") << "S1S" << 1 << 5 << 0 << 0;
    QTest::newRow("cut-short end stays ended") << "S1c" << 3 << 5 << 0 << 0;
    QTest::newRow("left-over end read out on idle") << "S00000"
                                                       "1c0"
                                                    << 0 << 0 << 0 << 1;
    QTest::newRow("left-over end read out on busy") << "S1c1" << 0 << 5 << 0 << 1;
    QTest::newRow("left-over end read out on other") << "S1c?" << 0 << 5 << 0 << 1;
    QTest::newRow("two runs") << "S10S0110" << 0 << 4 << 0 << 2;
}

void TestMeasureLogic::run() {
    QFETCH(QString, events);
    QFETCH(int, state);
    QFETCH(int, countdown);
    QFETCH(int, givenUp);
    QFETCH(int, readouts);

    Run r;
    int gaveUp = 0;
    int read = 0;
    for (QChar e : events) {
        switch (e.toLatin1()) {
            case 'S':
                r.start();
                continue;
            case '0':
            case 'c':
                gaveUp += r.onIdle() ? 1 : 0;
                break;
            case '1':
                r.onBusy();
                break;
            default:
                break;
        }
        if (e != QLatin1Char('c')) {
            read += r.takeEnded() ? 1 : 0;
        }
    }
    QCOMPARE(static_cast<int>(r.state), state);
    QCOMPARE(r.startCountdown, countdown);
    QCOMPARE(gaveUp, givenUp);
    QCOMPARE(read, readouts);
}

void TestMeasureLogic::presets_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<int>("fields");

    const QStringList kept = {"p1", "p2", "p3", "p4", "p5", "p6"};
    QTest::newRow("three fields") << kept << "a;b;c" << QStringList{"a", "b", "c", "p4", "p5", "p6"}
                                  << 3;
    QTest::newRow("trailing separator")
        << kept << "a;b;c;" << QStringList{"a", "b", "c", "", "p5", "p6"} << 4;
    QTest::newRow("seven fields") << kept << "1;2;3;4;5;6;"
                                  << QStringList{"1", "2", "3", "4", "5", "6"} << 7;
    QTest::newRow("beyond six ignored")
        << kept << "1;2;3;4;5;6;7;8" << QStringList{"1", "2", "3", "4", "5", "6"} << 8;
    QTest::newRow("zero ranges to defaults") << kept << "0 0;20 0;10 00;x 0;;0 0 Hz"
                                             << QStringList{"F1", "F2", "F3", "x 0", "", "F6"} << 6;
    QTest::newRow("kept caption checked too")
        << QStringList{"p1", "p2", "p3", "p4", "20 0", "p6"} << "a"
        << QStringList{"a", "p2", "p3", "p4", "F5", "p6"} << 1;
    QTest::newRow("empty reply") << kept << "" << kept << 0;
}

void TestMeasureLogic::presets() {
    QFETCH(QStringList, before);
    QFETCH(QString, reply);
    QFETCH(QStringList, after);
    QFETCH(int, fields);

    PresetCaptions captions;
    std::copy(before.begin(), before.end(), captions.begin());
    QCOMPARE(ApplyPresetReply(reply, captions), fields);
    QCOMPARE(QStringList(captions.begin(), captions.end()), after);
}

void TestMeasureLogic::saveName_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("name");

    const QLocale de(QLocale::German, QLocale::Germany);
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QTime t(14, 3, 27);
    QTest::newRow("de") << "test"
                        << "Acoustic" << t << de << "test_Acoustic_09.12.2025 14_03_27.tes";
    QTest::newRow("en_US") << "test"
                           << "Acoustic" << t << us << "test_Acoustic_12/9/2025 2_03_27 PM.tes";
    QTest::newRow("midnight") << "test"
                              << "Acoustic" << QTime(0, 0) << de << "test_Acoustic_09.12.2025.tes";
    QTest::newRow("just after midnight")
        << "test"
        << "Acoustic" << QTime(0, 0, 1) << de << "test_Acoustic_09.12.2025 00_00_01.tes";
    QTest::newRow("zone first in the format")
        << "m"
        << "FFT" << t << QLocale(QLocale::Chinese, QLocale::China)
        << "m_FFT_2025/12/9 14_03_27.tes";
    QTest::newRow("quoted literals") << "m"
                                     << "FFT" << t << QLocale(QLocale::Bulgarian, QLocale::Bulgaria)
                                     << QString::fromUtf8("m_FFT_9.12.2025 г. 14_03_27 ч..tes");
    QTest::newRow("typed colon stays, mode colon goes")
        << "a:b"
        << "x:y" << t << de << "a:b_x_y_09.12.2025 14_03_27.tes";
    QTest::newRow("separator and line breaks")
        << "a;b\r\n"
        << "Z" << t << de << "a_b___Z_09.12.2025 14_03_27.tes";
    QTest::newRow("tab, NUL and DEL") << QString("\tn") + QChar(0) + QChar(0x7F) << "Z;" << t << de
                                      << "_n___Z__09.12.2025 14_03_27.tes";
    QTest::newRow("empty user") << ""
                                << "Mode" << t << de << "_Mode_09.12.2025 14_03_27.tes";
}

void TestMeasureLogic::saveName() {
    QFETCH(QString, user);
    QFETCH(QString, mode);
    QFETCH(QTime, time);
    QFETCH(QLocale, locale);
    QFETCH(QString, name);

    const QDateTime now(QDate(2025, 12, 9), time);
    QCOMPARE(SaveFileName(user, mode, now, locale), name);
}

QTEST_GUILESS_MAIN(TestMeasureLogic)
#include "tst_measure_logic.moc"
