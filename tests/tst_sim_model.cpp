#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <charconv>
#include <climits>

#include "link/fields.h"
#include "sim/curves.h"
#include "sim/model.h"

using orvr::sim::Model;
using orvr::sim::Options;

namespace {

QString Ask(Model& m, const std::string& request) {
    return QString::fromStdString(m.respond(request));
}

QStringList Fields(const std::string& reply) {
    return orvr::SplitFields(QString::fromStdString(reply), ';');
}

bool IsInteger(const QString& field) {
    int32_t v = 0;
    return orvr::TryInteger(field, v);
}

int Int(const QString& field) {
    int32_t v = 0;
    if (!orvr::TryInteger(field, v)) {
        qFatal("not an integer: '%s'", qPrintable(field));
    }
    return v;
}

struct Points {
    std::vector<double> x, y;
    std::size_t size() const { return x.size(); }
};

// Reads a curve line the way the program does: pairs from the start, a trailing ";".
bool ParseCurve(const std::string& line, char decimalPoint, Points& out) {
    out = {};
    const QStringList f = Fields(line);
    if (f.isEmpty()) {
        return true;
    }
    if (f.size() % 2 != 1 || !f.back().isEmpty()) {
        return false;
    }
    for (qsizetype i = 0; i + 1 < f.size(); ++i) {
        std::string text = f[i].toStdString();
        if (decimalPoint != '.') {
            if (text.find('.') != std::string::npos) {
                return false;
            }
            std::replace(text.begin(), text.end(), decimalPoint, '.');
        }
        double v = 0;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
        if (r.ec != std::errc() || r.ptr != text.data() + text.size()) {
            return false;
        }
        (i % 2 == 0 ? out.x : out.y).push_back(v);
    }
    return true;
}

Options Quick(int busyMs = 0, int points = 200) {
    Options o;
    o.busyMs = busyMs;
    o.points = points;
    return o;
}

// Measures `modeCommand` on `channel` and returns the curve.
Points Measure(Model& m, const std::string& modeCommand, int channel) {
    m.respond(modeCommand);
    m.respond("CHANNEL;" + std::to_string(channel) + ";");
    m.respond("MEASURE;");
    m.finishMeasurement();
    Points p;
    if (!ParseCurve(m.curveLine(channel), '.', p)) {
        qFatal("curve of channel %d does not parse", channel);
    }
    return p;
}

// "20Hz-20kHz" -> {20, 20000}: a preset's caption names its limits.
std::pair<int, int> LimitsOfCaption(const QString& caption) {
    static const QRegularExpression re("^(\\d+)(k?)Hz-(\\d+)(k?)Hz$");
    const auto m = re.match(caption);
    if (!m.hasMatch()) {
        return {-1, -1};
    }
    return {m.captured(1).toInt() * (m.captured(2).isEmpty() ? 1 : 1000),
            m.captured(3).toInt() * (m.captured(4).isEmpty() ? 1 : 1000)};
}

}  // namespace

class TstSimModel : public QObject {
    Q_OBJECT

  private slots:
    void replyLayouts_data();
    void replyLayouts();
    void refusedRequests_data();
    void refusedRequests();
    void stateCommands_data();
    void stateCommands();
    void presetsSelectTheLimitsTheirCaptionsName();
    void measurementRunsUntilFinished();
    void measurementEndsOnTheClock();
    void numbersOnTheWire_data();
    void numbersOnTheWire();
    void curvesLookLikeTheirMode_data();
    void curvesLookLikeTheirMode();
    void chartDetailsDescribeTheCurvesSent();
    void longestLineFitsTheLineLimit_data();
    void longestLineFitsTheLineLimit();
    void fileSaveWritesCsvInStore();
    void fileSaveNameStaysInStore_data();
    void fileSaveNameStaysInStore();
    void fileSaveFailuresAnswerErr();
};

void TstSimModel::replyLayouts_data() {
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("fields");  // with the empty one after the trailing ";"
    QTest::addColumn<QList<int>>("integers");

    QTest::newRow("VER") << "VER?;" << 3 << QList<int>{};
    QTest::newRow("BUSY") << "BUSY?;" << 3 << QList<int>{1};
    QTest::newRow("MODE") << "MODE?;" << 7 << QList<int>{0, 1, 2, 3, 4, 5};
    QTest::newRow("FPRESET") << "FPRESET?;" << 7 << QList<int>{};
    QTest::newRow("CHARTDETAILS") << "CHARTDETAILS?;" << 28
                                  << QList<int>{0, 1, 4, 5, 6, 7, 21, 22, 23, 24, 25, 26};
    QTest::newRow("MEAS with data") << "MEAS;1;" << 401 << QList<int>{};
}

void TstSimModel::replyLayouts() {
    QFETCH(QString, request);
    QFETCH(int, fields);
    QFETCH(QList<int>, integers);
    Options o = Quick();
    o.version = "3.0";
    Model m(o);
    const QStringList f = Fields(m.respond(request.toStdString()));
    QCOMPARE(f.size(), fields);
    QCOMPARE(f.back(), QString());
    for (const int i : integers) {
        QVERIFY2(IsInteger(f[i]), qPrintable(QString("field %1: '%2'").arg(i).arg(f[i])));
    }
    if (request == "VER?;") {
        const QStringList version = orvr::SplitFields(f[0], '.');
        QCOMPARE(version.size(), 2);
        QCOMPARE(Int(version[0]), 3);
        QCOMPARE(Int(version[1]), 0);
    } else if (request == "BUSY?;") {
        QCOMPARE(f[0], "BUSY");
    } else if (request == "FPRESET?;") {
        for (qsizetype i = 0; i < 6; ++i) {
            QVERIFY(!f[i].isEmpty());
            QVERIFY2(!f[i].contains("0 0"), qPrintable(f[i]));
        }
    } else if (request == "CHARTDETAILS?;") {
        QCOMPARE(f[2], "1");
        QCOMPARE(f[3], "Hz");
    }
}

void TstSimModel::refusedRequests_data() {
    QTest::addColumn<QString>("request");
    for (const char* r : {"",           ";",          "FOO;",        "mode?;",  "MODE?;1;",
                          "MEAS;",      "MEAS;0;",    "MEAS;7;",     "MEAS;x;", "MEAS;1.5;",
                          "CHANNEL;0;", "CHANNEL;7;", "CHANNEL; 2;", "FPR;0;",  "FPR;7;",
                          "XY_MODE;B;", "XY_MODE;;",  "FMIN;abc;",   "FMIN;0;", "FMAX;100001;",
                          "FMIN;-5;",   "AMPLA;1;",   "FILESAVE;",   "FILESAVE"}) {
        QTest::newRow(*r ? r : "empty") << QString(r);
    }
}

void TstSimModel::refusedRequests() {
    QFETCH(QString, request);
    Model m(Quick());
    const QString before = Ask(m, "MODE?;");
    QCOMPARE(Ask(m, request.toStdString()), "ERR;");
    QCOMPARE(Ask(m, "MODE?;"), before);
}

void TstSimModel::stateCommands_data() {
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QString>("mode");  // the MODE reply afterwards

    QTest::newRow("power-on") << QStringList{} << "1;20;20000;1;0;0;";
    QTest::newRow("AMPLE") << QStringList{"AMPLE;"} << "3;20;20000;1;0;0;";
    QTest::newRow("Z") << QStringList{"Z;"} << "5;20;20000;1;0;0;";
    QTest::newRow("FFT") << QStringList{"FFT;"} << "9;20;20000;1;0;0;";
    QTest::newRow("FFT then AMPLA") << QStringList{"FFT;", "AMPLA;"} << "1;20;20000;1;0;0;";
    QTest::newRow("limits") << QStringList{"FMIN;100;", "FMAX;5000;"} << "1;100;5000;1;0;0;";
    QTest::newRow("fmin above fmax kept as set")
        << QStringList{"FMIN;30000;"} << "1;30000;20000;1;0;0;";
    QTest::newRow("no trailing ;") << QStringList{"FMAX;400"} << "1;20;400;1;0;0;";
    QTest::newRow("channel") << QStringList{"CHANNEL;4;"} << "1;20;20000;4;0;0;";
    QTest::newRow("Freq view on") << QStringList{"XY_MODE;A;"} << "1;20;20000;1;1;0;";
    QTest::newRow("Freq view off again")
        << QStringList{"XY_MODE;A;", "XY_MODE;A;"} << "1;20;20000;1;0;0;";
    QTest::newRow("Z view independent")
        << QStringList{"XY_MODE;I;", "XY_MODE;A;", "XY_MODE;I;"} << "1;20;20000;1;1;0;";
    QTest::newRow("measuring keeps the state")
        << QStringList{"Z;", "CHANNEL;6;", "MEASURE;"} << "5;20;20000;6;0;0;";
}

void TstSimModel::stateCommands() {
    QFETCH(QStringList, requests);
    QFETCH(QString, mode);
    Model m(Quick());
    for (const QString& r : requests) {
        QCOMPARE(Ask(m, r.toStdString()), "OK;");
    }
    QCOMPARE(QString::fromStdString(m.respond("MODE?;")), mode);
}

void TstSimModel::presetsSelectTheLimitsTheirCaptionsName() {
    Model m(Quick());
    const QStringList captions = Fields(m.respond("FPRESET?;"));
    for (int n = 1; n <= 6; ++n) {
        const auto [lo, hi] = LimitsOfCaption(captions[n - 1]);
        QVERIFY2(lo > 0, qPrintable(captions[n - 1]));
        QCOMPARE(Ask(m, "FPR;" + std::to_string(n) + ";"), "OK;");
        const QStringList mode = Fields(m.respond("MODE?;"));
        QCOMPARE(Int(mode[1]), lo);
        QCOMPARE(Int(mode[2]), hi);
    }
}

void TstSimModel::measurementRunsUntilFinished() {
    Model m(Quick(-1));
    const std::string channel1 = m.curveLine(1);
    QVERIFY(!channel1.empty());
    QVERIFY(m.curveLine(4).empty());

    m.respond("Z;");
    m.respond("CHANNEL;4;");
    QCOMPARE(Ask(m, "MEASURE;"), "OK;");
    QCOMPARE(Ask(m, "BUSY?;"), "BUSY;1;");
    QCOMPARE(Ask(m, "MEASURE;"), "ERR;");
    QCOMPARE(Ask(m, "MEAS;4;"), "");  // nothing recorded yet
    // Commands during the run do not change what is being measured.
    m.respond("AMPLA;");
    m.respond("CHANNEL;2;");
    QCOMPARE(Ask(m, "BUSY?;"), "BUSY;1;");
    QVERIFY(m.busy());

    m.finishMeasurement();
    QVERIFY(!m.busy());
    QCOMPARE(Ask(m, "BUSY?;"), "BUSY;0;");
    QVERIFY(!m.respond("MEAS;4;").empty());
    QVERIFY(m.respond("MEAS;1;") == channel1);
    const QStringList details = Fields(m.chartDetailsLine());
    QCOMPARE(details[15 + 3], "Ohm");
    QCOMPARE(details[15 + 1], "dB SPL");  // channel 2 keeps its earlier measurement
}

void TstSimModel::measurementEndsOnTheClock() {
    auto now = Model::Clock::time_point{} + std::chrono::hours(1);
    Model m(Quick(500));
    m.setClock([&now] { return now; });
    m.respond("CHANNEL;3;");
    QCOMPARE(Ask(m, "MEASURE;"), "OK;");
    now += std::chrono::milliseconds(499);
    QCOMPARE(Ask(m, "BUSY?;"), "BUSY;1;");
    QCOMPARE(Ask(m, "MEAS;3;"), "");
    now += std::chrono::milliseconds(1);
    QVERIFY(!m.respond("MEAS;3;").empty());
    QCOMPARE(Ask(m, "BUSY?;"), "BUSY;0;");

    m.setBusyMs(0);
    m.respond("CHANNEL;5;");
    QCOMPARE(Ask(m, "MEASURE;"), "OK;");
    QVERIFY(!m.busy());
    QVERIFY(!m.curveLine(5).empty());
}

void TstSimModel::numbersOnTheWire_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<char>("decimalPoint");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer") << 20000.0 << '.' << "20000";
    QTest::newRow("six digits") << 12345.67 << '.' << "12345.7";
    QTest::newRow("rounds up a digit") << 99999.96 << '.' << "100000";
    QTest::newRow("negative, comma") << -3.25 << ',' << "-3,25";
    QTest::newRow("hundreds") << -123.4567 << '.' << "-123.457";
    QTest::newRow("below one") << 0.5 << '.' << "0.5";
    QTest::newRow("small") << 0.000123 << '.' << "0.000123";
    QTest::newRow("six decimals at most") << 0.00123456 << '.' << "0.001235";
    QTest::newRow("tiny negative is zero") << -1.5e-7 << '.' << "0";
    QTest::newRow("zero") << 0.0 << ',' << "0";
}

void TstSimModel::numbersOnTheWire() {
    QFETCH(double, value);
    QFETCH(char, decimalPoint);
    QFETCH(QString, text);
    std::string out = "x";
    orvr::sim::AppendNumber(out, value, decimalPoint);
    QCOMPARE(QString::fromStdString(out), "x" + text);
}

void TstSimModel::curvesLookLikeTheirMode_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("unit");
    QTest::newRow("acoustic") << "AMPLA;"
                              << "dB SPL";
    QTest::newRow("electric") << "AMPLE;"
                              << "dBV";
    QTest::newRow("impedance") << "Z;"
                               << "Ohm";
    QTest::newRow("spectrum") << "FFT;"
                              << "dBV";
}

void TstSimModel::curvesLookLikeTheirMode() {
    QFETCH(QString, command);
    QFETCH(QString, unit);
    const std::string cmd = command.toStdString();
    Model m(Quick(0, 1000));
    m.respond("FPR;1;");  // 20 Hz to 20 kHz
    for (int channel = 1; channel <= 6; ++channel) {
        const Points p = Measure(m, cmd, channel);
        QCOMPARE(int(p.size()), 1000);
        QCOMPARE(Fields(m.chartDetailsLine())[14 + channel], unit);
        // Log-spaced from fmin to fmax.
        QCOMPARE(p.x.front(), 20.0);
        QCOMPARE(p.x.back(), 20000.0);
        for (std::size_t i = 1; i + 1 < p.size(); ++i) {
            QVERIFY(p.x[i] > p.x[i - 1]);
            QVERIFY(std::abs(p.x[i] / p.x[i - 1] - p.x[i + 1] / p.x[i]) < 1e-4);
        }
        const auto [minIt, maxIt] = std::minmax_element(p.y.begin(), p.y.end());
        const double lo = *minIt, hi = *maxIt;
        const double fAtMax = p.x[std::size_t(maxIt - p.y.begin())];
        if (command == "AMPLA;") {
            // A band-pass: loud in its band, well below that at one end at least.
            QVERIFY2(hi > 75 && hi < 110, qPrintable(QString::number(hi)));
            QVERIFY(hi - std::min(p.y.front(), p.y.back()) > 10);
            QVERIFY(lo > 20);
        } else if (command == "AMPLE;") {
            QVERIFY(hi < 10 && lo > -30);
            QVERIFY(hi - lo < 10);
        } else if (command == "Z;") {
            // A resonance peak inside the range, well above the voice coil's resistance.
            QVERIFY(lo > 2);
            QVERIFY(hi > 3 * lo);
            QVERIFY(maxIt != p.y.begin() && maxIt != p.y.end() - 1);
        } else {
            // The 1 kHz tone stands far above the noise floor.
            QVERIFY2(std::abs(fAtMax - 1000) < 20, qPrintable(QString::number(fAtMax)));
            std::vector<double> sorted = p.y;
            std::nth_element(sorted.begin(), sorted.begin() + 500, sorted.end());
            QVERIFY(hi - sorted[500] > 60);
        }
    }
    // Channels differ, and the same sequence of requests gives the same curves.
    QVERIFY(m.curveLine(1) != m.curveLine(2));
    Model again(Quick(0, 1000));
    again.respond("FPR;1;");
    for (int channel = 1; channel <= 6; ++channel) {
        Measure(again, cmd, channel);
        QVERIFY(again.curveLine(channel) == m.curveLine(channel));
    }
}

void TstSimModel::chartDetailsDescribeTheCurvesSent() {
    Model m(Quick(0, 300));
    // Power-on: channels 1 and 2 hold acoustic curves, the rest nothing.
    QStringList f = Fields(m.chartDetailsLine());
    QCOMPARE(f.mid(15, 6), (QStringList{"dB SPL", "dB SPL", "", "", "", ""}));
    QCOMPARE(f[8], "0");

    m.respond("FMIN;50;");
    m.respond("FMAX;40000;");
    Measure(m, "Z;", 4);
    m.respond("FPR;6;");  // 5 Hz to 500 Hz
    Measure(m, "FFT;", 5);
    m.respond("FMIN;30000;");  // fmin above fmax: measured from 20000 up to 30000
    m.respond("FMAX;20000;");
    Measure(m, "AMPLE;", 6);
    m.respond("FFT;");

    f = Fields(m.respond("CHARTDETAILS?;"));
    QCOMPARE(f.size(), 28);
    const int fmin = Int(f[0]), fmax = Int(f[1]);
    const int y1min = Int(f[4]), y1max = Int(f[5]), y2min = Int(f[6]), y2max = Int(f[7]);
    QCOMPARE(fmin, 5);
    QCOMPARE(fmax, 40000);
    QVERIFY(y1min < y1max && y2min < y2max);
    QCOMPARE(f[8], "1");  // two units on the chart: the second axis is in use
    const QStringList units{"dB SPL", "dB SPL", "", "Ohm", "dBV", "dBV"};
    QCOMPARE(f.mid(15, 6), units);
    for (int c = 1; c <= 6; ++c) {
        Points p;
        QVERIFY(ParseCurve(m.respond("MEAS;" + std::to_string(c) + ";"), '.', p));
        QCOMPARE(f[8 + c].isEmpty(), p.size() == 0);
        if (p.size() == 0) {
            continue;
        }
        // The first axis carries the current mode's unit.
        const int axis = Int(f[20 + c]);
        QCOMPARE(axis, units[c - 1] == "dBV" ? 1 : 2);
        const double lo = axis == 1 ? y1min : y2min, hi = axis == 1 ? y1max : y2max;
        for (std::size_t i = 0; i < p.size(); ++i) {
            QVERIFY(p.x[i] >= fmin && p.x[i] <= fmax);
            QVERIFY2(p.y[i] >= lo && p.y[i] <= hi,
                     qPrintable(QString("channel %1: %2").arg(c).arg(p.y[i])));
        }
        if (c == 6) {
            QCOMPARE(p.x.front(), 20000.0);
            QCOMPARE(p.x.back(), 30000.0);
        }
    }
}

void TstSimModel::longestLineFitsTheLineLimit_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<char>("decimalPoint");
    for (const char* c : {"AMPLA;", "AMPLE;", "Z;", "FFT;"}) {
        QTest::newRow(c) << c << '.';
        QTest::newRow(qPrintable(QString(c) + " comma")) << c << ',';
    }
}

void TstSimModel::longestLineFitsTheLineLimit() {
    QFETCH(QString, command);
    QFETCH(char, decimalPoint);
    Options o = Quick(0, INT_MAX);
    o.decimalPoint = decimalPoint;
    Model m(o);
    m.respond(command.toStdString());
    for (const auto& [lo, hi] : {std::pair{"1", "100000"}, std::pair{"10000", "100000"}}) {
        m.respond(std::string("FMIN;") + lo + ";");
        m.respond(std::string("FMAX;") + hi + ";");
        m.respond("CHANNEL;3;");
        m.respond("MEASURE;");
        const std::string line = m.respond("MEAS;3;");
        // The line and the CR before its LF.
        QVERIFY2(line.size() + 1 <= 256000, qPrintable(QString::number(line.size())));
        Points p;
        QVERIFY(ParseCurve(line, decimalPoint, p));
        QCOMPARE(int(p.size()), Model::kMaxPoints);
    }
}

void TstSimModel::fileSaveWritesCsvInStore() {
    QTemporaryDir store;
    Options o = Quick(0, 50);
    o.storeDir = store.path().toStdString();
    Model m(o);
    const std::string name = "test_Acoustic_09.12.2025 14_03_27.tes";
    QCOMPARE(Ask(m, "FILESAVE;" + name + ";"), "OK;");
    const QString path = store.filePath(QString::fromStdString(name));
    QCOMPARE(m.savedFiles(), std::vector<std::string>{path.toStdString()});
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.front(), "channel,mode,unit,frequency_hz,value");
    QCOMPARE(lines.size(), 1 + 2 * 50 + 1);  // header, two curves, the final line end
    QCOMPARE(lines[1].split(',').size(), 5);
    QVERIFY(lines[1].startsWith("1,1,dB SPL,20,"));
    QVERIFY(lines[100].startsWith("2,1,dB SPL,20000,"));
}

void TstSimModel::fileSaveNameStaysInStore_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("stored");
    QTest::newRow("parent") << QByteArray("../x") << "_x";
    QTest::newRow("absolute") << QByteArray("/etc/x") << "_etc_x";
    QTest::newRow("semicolon") << QByteArray(";") << "_";
    QTest::newRow("semicolon inside") << QByteArray("a;b.tes") << "a_b.tes";
    QTest::newRow("nested parent") << QByteArray("sub/../../x") << "sub_.._.._x";
    QTest::newRow("backslash") << QByteArray("..\\..\\x") << "_.._x";
    QTest::newRow("dot files") << QByteArray(".hidden") << "hidden";
    QTest::newRow("control and high bytes") << QByteArray("a\x01\xff") << "a__";
}

void TstSimModel::fileSaveNameStaysInStore() {
    QFETCH(QByteArray, name);
    QFETCH(QString, stored);
    QTemporaryDir base;
    QVERIFY(QDir(base.path()).mkpath("store/sub"));
    Options o = Quick(0, 10);
    o.storeDir = base.filePath("store").toStdString();
    Model m(o);
    QCOMPARE(Ask(m, "FILESAVE;" + name.toStdString() + ";"), "OK;");
    QCOMPARE(QDir(base.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"store"});
    QCOMPARE(QDir(base.filePath("store")).entryList(QDir::Files | QDir::Hidden),
             QStringList{stored});
    QCOMPARE(QDir(base.filePath("store/sub")).entryList(QDir::Files), QStringList{});
}

void TstSimModel::fileSaveFailuresAnswerErr() {
    QTemporaryDir base;
    QVERIFY(QDir(base.path()).mkdir("store"));
    QFile outside(base.filePath("outside.txt"));
    QVERIFY(outside.open(QIODevice::WriteOnly));
    outside.write("keep");
    outside.close();
    QVERIFY(QFile::link(base.filePath("outside.txt"), base.filePath("store/link.tes")));
    Options o = Quick(0, 10);
    o.storeDir = base.filePath("store").toStdString();
    Model m(o);
    // A link planted in the store is not followed.
    QCOMPARE(Ask(m, "FILESAVE;link.tes;"), "ERR;");
    QVERIFY(outside.open(QIODevice::ReadOnly));
    QCOMPARE(outside.readAll(), "keep");
    // Names that leave nothing of a file name.
    for (const char* r : {"FILESAVE;;", "FILESAVE;..;", "FILESAVE;.;", "FILESAVE; . ;"}) {
        QCOMPARE(Ask(m, r), "ERR;");
    }
    // A store that does not exist.
    Options gone = o;
    gone.storeDir = base.filePath("missing").toStdString();
    Model lost(gone);
    QCOMPARE(Ask(lost, "FILESAVE;a.tes;"), "ERR;");
    QVERIFY(m.savedFiles().empty() && lost.savedFiles().empty());
}

QTEST_APPLESS_MAIN(TstSimModel)
#include "tst_sim_model.moc"
