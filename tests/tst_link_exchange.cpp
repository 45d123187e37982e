#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <memory>

#include "link/exchange.h"
#include "link/switchtimer.h"
#include "sim/server.h"

using namespace orvr;

namespace {

// Short bounds: no fixed wait, the no-data rule after a fraction of a second.
Bounds Fast() {
    return Bounds{1000, 300, 0, 256000};
}

int OpenFds() {
    return static_cast<int>(QDir("/proc/self/fd").entryList(QDir::Files).size());
}

enum class Path { Ok, LinkFailure, Timeout, Refused, NoData };

}  // namespace

Q_DECLARE_METATYPE(Path)

class TestExchange : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir store;  // the wire tests send FILESAVE; nothing may land in the cwd
    std::unique_ptr<sim::Server> server;
    ExchangeResult run(const QString& command, const Bounds& bounds = Fast()) {
        return Exchange("127.0.0.1", server->port(), command, bounds);
    }
    // Sets the server up for one outcome and returns the bounds that produce it.
    Bounds arrange(Path path) {
        Bounds b = Fast();
        switch (path) {
            case Path::Ok:
                server->queueReplies("MODE?;", {"BUSY;0;\r\n"});
                break;
            case Path::LinkFailure:
                server->setFault(sim::Fault::Close);
                break;
            case Path::Timeout:
                server->setFault(sim::Fault::Silent);
                b.connectMs = 200;
                break;
            case Path::Refused:
                server->setFault(sim::Fault::Refuse);
                break;
            case Path::NoData:
                server->setFault(sim::Fault::Hang);
                break;
        }
        return b;
    }

  private slots:
    void initTestCase() { QCoreApplication::processEvents(); }
    void init() {
        QVERIFY(store.isValid());
        sim::Options options;
        options.storeDir = store.path().toStdString();
        server = std::make_unique<sim::Server>(options);
        QVERIFY(server->listen("127.0.0.1", 0));
    }
    void cleanup() { server.reset(); }

    void encodeRequest_data();
    void encodeRequest();
    void lineReader_data();
    void lineReader();
    void wireReplies_data();
    void wireReplies();
    void requestOnWire_data();
    void requestOnWire();
    void failures_data();
    void failures();
    void hostNameResolved();
    void waitsAfterReply();
    void serverAnswerOrder();
    void faultForOneRequest();
    void unwrapBusy_data();
    void unwrapBusy();
    void sendCommand_data();
    void sendCommand();
    void sendCommandUnwrapsAnyReply();
    void sendCommandWithoutTimer();
};

void TestExchange::encodeRequest_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("plain") << "MODE?;" << QByteArray("MODE?;\r\n");
    QTest::newRow("empty") << "" << QByteArray("\r\n");
    QTest::newRow("latin-1 letter") << QString::fromUtf16(u"F\u00E4;") << QByteArray("F?;\r\n");
    QTest::newRow("outside the BMP is two units")
        << QString::fromUtf16(u"A\U0001F600;") << QByteArray("A??;\r\n");
    QTest::newRow("CR") << "A\rB;" << QByteArray("A?B;\r\n");
    QTest::newRow("LF") << "A\nB;" << QByteArray("A?B;\r\n");
    QTest::newRow("NUL") << QString(QChar(0)) + "A;" << QByteArray("?A;\r\n");
    QTest::newRow("tab") << "A\tB;" << QByteArray("A?B;\r\n");
    QTest::newRow("DEL") << "A\x7F;" << QByteArray("A?;\r\n");
    QTest::newRow("tilde stays") << "~;" << QByteArray("~;\r\n");
}

void TestExchange::encodeRequest() {
    QFETCH(QString, command);
    QFETCH(QByteArray, wire);
    QCOMPARE(EncodeRequest(command), wire);
}

void TestExchange::lineReader_data() {
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("line");
    const int done = int(LineReader::Status::Done);
    const int more = int(LineReader::Status::NeedMore);
    const int tooLong = int(LineReader::Status::TooLong);
    QTest::newRow("CR and LF in separate pieces")
        << QByteArrayList{"0\r", "\n"} << 10 << done << QByteArray("0");
    QTest::newRow("rest after LF ignored")
        << QByteArrayList{"ab", "c\nde", "f\n"} << 10 << done << QByteArray("abc");
    QTest::newRow("no LF yet") << QByteArrayList{"abc\r"} << 10 << more << QByteArray("abc\r");
    QTest::newRow("exactly max over pieces")
        << QByteArrayList{"12345", "6789\r", "\n"} << 10 << done << QByteArray("123456789");
    QTest::newRow("max without LF still waits")
        << QByteArrayList{"1234567890"} << 10 << more << QByteArray("1234567890");
    QTest::newRow("one over max") << QByteArrayList{"1234567890", "1"} << 10 << tooLong
                                  << QByteArray("1234567890");
    QTest::newRow("too long stays too long")
        << QByteArrayList{"12345678901", "\n"} << 10 << tooLong << QByteArray();
}

void TestExchange::lineReader() {
    QFETCH(QByteArrayList, chunks);
    QFETCH(int, max);
    QFETCH(int, status);
    QFETCH(QByteArray, line);
    LineReader reader(max);
    LineReader::Status last = LineReader::Status::NeedMore;
    for (const QByteArray& c : chunks) {
        last = reader.feed(c.constData(), static_cast<std::size_t>(c.size()));
    }
    QCOMPARE(int(last), status);
    QCOMPARE(reader.line(), line);
}

void TestExchange::wireReplies_data() {
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("reply");
    QTest::newRow("0 CR LF") << QByteArray("0\r\n") << "0";
    QTest::newRow("0 LF") << QByteArray("0\n") << "0";
    QTest::newRow("0 CR CR LF") << QByteArray("0\r\r\n") << "0\r";
    QTest::newRow("CR LF alone") << QByteArray("\r\n") << "";
    QTest::newRow("CR inside stays") << QByteArray("a\rb\r\n") << "a\rb";
    QTest::newRow("0xB5") << QByteArray("\xB5;\r\n") << QString::fromUtf16(u"\uFFFD;");
    QTest::newRow("0x80 and 0xFF")
        << QByteArray("\x80\xFF\r\n") << QString::fromUtf16(u"\uFFFD\uFFFD");
    QTest::newRow("NUL byte") << QByteArray("a\0b\r\n", 5) << QString("a") + QChar(0) + "b";
    QTest::newRow("second line not read") << QByteArray("1;\r\n2;\r\n") << "1;";
    QTest::newRow("exactly 256000 bytes") << QByteArray(256000, 'A') + "\n"
                                          << QString(256000, u'A');
    QTest::newRow("255999 and the CR") << QByteArray(255999, 'A') + "\r\n" << QString(255999, u'A');
}

void TestExchange::wireReplies() {
    QFETCH(QByteArray, raw);
    QFETCH(QString, reply);
    server->queueReplies("MODE?;", {raw.toStdString()});
    const ExchangeResult r = run("MODE?;");
    QCOMPARE(r.message, QString());
    QCOMPARE(int(r.failure), int(Failure::None));
    QCOMPARE(r.reply.size(), reply.size());
    QCOMPARE(r.reply, reply);
}

void TestExchange::requestOnWire_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("logged");
    QTest::newRow("U+00E4") << QString::fromUtf16(u"FILESAVE;\u00E4;") << "FILESAVE;?;";
    QTest::newRow("CR cannot end the line") << "FILESAVE;a\rMEASURE;"
                                            << "FILESAVE;a?MEASURE;";
    QTest::newRow("LF cannot end the line") << "FILESAVE;a\nMEASURE;"
                                            << "FILESAVE;a?MEASURE;";
}

void TestExchange::requestOnWire() {
    QFETCH(QString, command);
    QFETCH(QString, logged);
    const ExchangeResult r = run(command);
    QCOMPARE(int(r.failure), int(Failure::None));
    QCOMPARE(server->log(), std::vector<std::string>{logged.toStdString()});
}

void TestExchange::failures_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("fault");
    QTest::addColumn<QByteArray>("raw");  // queued reply bytes, when not empty
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("message");  // a part of the message
    const QString local = "127.0.0.1";
    const int link = int(Failure::Link);
    QTest::newRow("refused") << local << int(sim::Fault::Refuse) << QByteArray() << link
                             << "Connection refused.";
    QTest::newRow("silent host") << local << int(sim::Fault::Silent) << QByteArray()
                                 << int(Failure::Timeout) << "Connect timed out.";
    // A name that cannot be encoded: it fails without any lookup leaving the machine.
    QTest::newRow("host not found")
        << "a..b" << int(sim::Fault::None) << QByteArray() << link << "Host not found.";
    QTest::newRow("empty host") << "" << int(sim::Fault::None) << QByteArray() << link
                                << "A Host is required";
    QTest::newRow("closed mid-line") << local << int(sim::Fault::Close) << QByteArray() << link
                                     << "Connection Closed Gracefully.";
    QTest::newRow("closed before any byte") << local << int(sim::Fault::Close) << QByteArray("\r\n")
                                            << link << "Connection Closed Gracefully.";
    QTest::newRow("reset") << local << int(sim::Fault::Reset) << QByteArray() << link
                           << "Connection reset by peer.";
    QTest::newRow("oversize") << local << int(sim::Fault::Oversize) << QByteArray() << link
                              << "Max line length exceeded.";
    QTest::newRow("256001 bytes") << local << int(sim::Fault::None)
                                  << QByteArray(256001, 'A') + "\n"
                                  << link << "Max line length exceeded.";
    QTest::newRow("256000 bytes and the CR")
        << local << int(sim::Fault::None) << QByteArray(256000, 'A') + "\r\n"
        << link << "Max line length exceeded.";
    QTest::newRow("no LF, then no data")
        << local << int(sim::Fault::NoLf) << QByteArray() << int(Failure::None) << "";
    QTest::newRow("no answer at all")
        << local << int(sim::Fault::Hang) << QByteArray() << int(Failure::None) << "";
}

// Every row also shows that no socket outlives the exchange and that the server is
// usable again once the fault is cleared.
void TestExchange::failures() {
    QFETCH(QString, host);
    QFETCH(int, fault);
    QFETCH(QByteArray, raw);
    QFETCH(int, failure);
    QFETCH(QString, message);
    server->setFault(static_cast<sim::Fault>(fault));
    if (!raw.isEmpty()) {
        server->queueReplies("MODE?;", {raw.toStdString()});
    }
    Bounds b = Fast();
    b.connectMs = 200;
    const int fds = OpenFds();

    const ExchangeResult r = Exchange(host, server->port(), "MODE?;", b);
    QCOMPARE(int(r.failure), failure);
    QVERIFY2(r.message.contains(message), qPrintable(r.message));
    QCOMPARE(r.message.isEmpty(), message.isEmpty());
    QCOMPARE(r.reply, QString());

    QTRY_COMPARE(server->openConnections(), 0);
    QCOMPARE(OpenFds(), fds);

    server->clearFaults();
    server->clearLog();
    const ExchangeResult again = run("VER?;");
    QCOMPARE(int(again.failure), int(Failure::None));
    QVERIFY(!again.reply.isEmpty());
    QCOMPARE(server->log(), std::vector<std::string>{"VER?;"});
}

void TestExchange::hostNameResolved() {
    const ExchangeResult r = Exchange("localhost", server->port(), "VER?;", Fast());
    QCOMPARE(r.message, QString());
    QVERIFY(!r.reply.isEmpty());
}

void TestExchange::waitsAfterReply() {
    // A lower bound only: the wait can be late under load but never early.
    Bounds b = Fast();
    b.waitMs = 50;
    QElapsedTimer clock;
    clock.start();
    const ExchangeResult r = run("VER?;", b);
    const qint64 elapsedNs = clock.nsecsElapsed();
    QCOMPARE(int(r.failure), int(Failure::None));
    QVERIFY2(elapsedNs >= 50'000'000, qPrintable(QString::number(elapsedNs)));
}

void TestExchange::serverAnswerOrder() {
    // Queued replies come first, each once, then the override, then the model.
    server->setOverride("NOPE;", "O\r\n");
    server->queueReplies("NOPE;", {"Q1\r\n", "Q2\r\n"});
    QCOMPARE(run("NOPE;").reply, "Q1");
    QCOMPARE(run("NOPE;").reply, "Q2");
    QCOMPARE(run("NOPE;").reply, "O");
    server->clearOverrides();
    QCOMPARE(run("NOPE;").reply, "ERR;");
    QCOMPARE(server->log().size(), std::size_t{4});
}

void TestExchange::faultForOneRequest() {
    server->setFault(sim::Fault::Close, "VER?;");
    server->setFault(sim::Fault::Delay, "NOPE;", 100);
    QCOMPARE(int(run("VER?;").failure), int(Failure::Link));
    QElapsedTimer clock;
    clock.start();
    const ExchangeResult delayed = run("NOPE;");
    QVERIFY(clock.elapsed() >= 100);
    QCOMPARE(delayed.reply, "ERR;");
    server->setFault(sim::Fault::None, "VER?;");
    QCOMPARE(int(run("VER?;").failure), int(Failure::None));
}

void TestExchange::unwrapBusy_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("unwrapped");
    QTest::newRow("BUSY;1;") << "BUSY;1;"
                             << "1";
    QTest::newRow("BUSY;;") << "BUSY;;"
                            << "";
    QTest::newRow("BUSY;1") << "BUSY;1"
                            << "1";
    QTest::newRow("BUSY;1;2;") << "BUSY;1;2;"
                               << "1";
    QTest::newRow("BUSY;") << "BUSY;"
                           << "";
    QTest::newRow("BUSY alone stays") << "BUSY"
                                      << "BUSY";
    QTest::newRow("lower case stays") << "busy;1;"
                                      << "busy;1;";
    QTest::newRow("longer word stays") << "XBUSY;1;"
                                       << "XBUSY;1;";
    QTest::newRow("not first stays") << "1;BUSY;"
                                     << "1;BUSY;";
    QTest::newRow("blank stays") << " BUSY;1;"
                                 << " BUSY;1;";
    QTest::newRow("empty") << ""
                           << "";
}

void TestExchange::unwrapBusy() {
    QFETCH(QString, reply);
    QFETCH(QString, unwrapped);
    QCOMPARE(UnwrapBusy(reply), unwrapped);
}

void TestExchange::sendCommand_data() {
    QTest::addColumn<Path>("path");
    QTest::addColumn<bool>("pause");
    QTest::addColumn<bool>("timerBefore");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("reachesServer");
    struct Row {
        const char* name;
        Path path;
        bool connected;
        const char* reply;
        bool reachesServer;
    };
    const Row rows[] = {
        {"success", Path::Ok, true, "0", true},
        {"link failure", Path::LinkFailure, true, "", true},
        {"time-out failure", Path::Timeout, false, "", false},
        {"refused", Path::Refused, true, "", false},
        {"no data", Path::NoData, true, "", true},
    };
    for (const Row& row : rows) {
        for (const bool pause : {true, false}) {
            for (const bool before : {true, false}) {
                QTest::addRow("%s, pause %d, timer %s", row.name, pause, before ? "on" : "off")
                    << row.path << pause << before << row.connected << QString(row.reply)
                    << row.reachesServer;
            }
        }
    }
}

void TestExchange::sendCommand() {
    QFETCH(Path, path);
    QFETCH(bool, pause);
    QFETCH(bool, timerBefore);
    QFETCH(bool, connected);
    QFETCH(QString, reply);
    QFETCH(bool, reachesServer);

    SwitchTimer timer(nullptr, 1000);
    timer.setEnabled(timerBefore);
    // Read on the server's thread while this thread is blocked inside the exchange.
    auto during = std::make_shared<std::atomic<int>>(-1);
    server->setRequestHook([&timer, during](const std::string&) { *during = timer.enabled(); });
    const TcpClient client{"127.0.0.1", server->port(), arrange(path)};

    // The flag and the reply start opposite to what the exchange must leave.
    bool flag = !connected;
    QString got = "stale";
    SendCommand(client, "MODE?;", flag, got, pause, &timer);
    server->setRequestHook({});

    QCOMPARE(flag, connected);
    QCOMPARE(got, reply);
    QCOMPARE(timer.enabled(), pause ? true : timerBefore);
    if (reachesServer) {
        QCOMPARE(during->load(), int(pause ? false : timerBefore));
    } else {
        QCOMPARE(during->load(), -1);
    }
}

void TestExchange::sendCommandUnwrapsAnyReply() {
    server->queueReplies("MODE?;", {"BUSY;2;7;\r\n"});
    bool connected = false;
    QString reply;
    SendCommand({"127.0.0.1", server->port(), Fast()}, "MODE?;", connected, reply, false, nullptr);
    QVERIFY(connected);
    QCOMPARE(reply, "2");
}

void TestExchange::sendCommandWithoutTimer() {
    server->setFault(sim::Fault::Silent);
    Bounds b = Fast();
    b.connectMs = 200;
    bool connected = true;
    QString reply = "stale";
    SendCommand({"127.0.0.1", server->port(), b}, "VER?;", connected, reply, true, nullptr);
    QVERIFY(!connected);
    QCOMPARE(reply, QString());
}

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_link_exchange.moc"
