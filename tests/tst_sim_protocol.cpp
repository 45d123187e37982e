#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <string>

#include "sim/server.h"

namespace {

// One request over a fresh loopback connection, the way the program talks: the line
// with CR LF, then the reply up to and including its LF. Empty when nothing came.
QString Exchange(uint16_t port, const std::string& request) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return QString();
    }
    timeval bound{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        const std::string line = request + "\r\n";
        if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) == ssize_t(line.size())) {
            char buf[65536];
            while (reply.find('\n') == std::string::npos) {
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0) {
                    break;
                }
                reply.append(buf, std::size_t(n));
            }
        }
    }
    ::close(fd);
    return QString::fromLatin1(reply);
}

}  // namespace

class TstSimProtocol : public QObject {
    Q_OBJECT

  private slots:
    void serverAnswersWithTheModel();
    void programServesUntilTerminated();
    void programRefusesBadArguments_data();
    void programRefusesBadArguments();

  private:
    QString program() const { return QCoreApplication::applicationDirPath() + "/orv-sim"; }
};

void TstSimProtocol::serverAnswersWithTheModel() {
    orvr::sim::Options o;
    o.busyMs = -1;
    o.points = 20;
    orvr::sim::Server server(o);
    QVERIFY(server.listen("127.0.0.1", 0));
    const uint16_t port = server.port();
    QCOMPARE(Exchange(port, "Z;"), "OK;\r\n");
    QCOMPARE(Exchange(port, "CHANNEL;3;"), "OK;\r\n");
    QCOMPARE(Exchange(port, "MEASURE;"), "OK;\r\n");
    QCOMPARE(Exchange(port, "BUSY?;"), "BUSY;1;\r\n");
    server.model().finishMeasurement();
    QCOMPARE(Exchange(port, "BUSY?;"), "BUSY;0;\r\n");
    QCOMPARE(Exchange(port, "MODE?;"), "5;20;20000;3;0;0;\r\n");
    // The whole curve line arrives, ended by CR LF, and matches what the model holds.
    QCOMPARE(Exchange(port, "MEAS;3;"),
             QString::fromStdString(server.model().curveLine(3)) + "\r\n");
    QCOMPARE(Exchange(port, "MEAS;4;"), "\r\n");
}

void TstSimProtocol::programServesUntilTerminated() {
    QVERIFY2(QFileInfo::exists(program()), "orv-sim is not built beside the tests");
    QTemporaryDir store;
    QProcess sim;
    sim.start(program(),
              {"--listen", "127.0.0.1:0", "--version", "2.9", "--decimal", ",", "--points", "5",
               "--store", store.path(), "--busy-ms", "0", "--fault", "close:MODE?;"});
    QVERIFY(sim.waitForStarted());
    QVERIFY(sim.waitForReadyRead(5000));
    const QString banner = QString::fromLatin1(sim.readLine());
    const auto m = QRegularExpression("listening on 127\\.0\\.0\\.1:(\\d+)").match(banner);
    QVERIFY2(m.hasMatch(), qPrintable(banner));
    const auto port = static_cast<uint16_t>(m.captured(1).toUInt());

    QCOMPARE(Exchange(port, "VER?;"), "2.9;OrvSim;\r\n");
    QCOMPARE(Exchange(port, "FPR;6;"), "OK;\r\n");  // 5 Hz to 500 Hz
    QCOMPARE(Exchange(port, "MEASURE;"), "OK;\r\n");
    const QString curve = Exchange(port, "MEAS;1;");
    QVERIFY2(curve.startsWith("5;") && curve.contains(',') && !curve.contains('.'),
             qPrintable(curve));
    // The fault applies to its one request only.
    QVERIFY(!Exchange(port, "MODE?;").endsWith('\n'));
    QCOMPARE(Exchange(port, "FILESAVE;run_1.tes;"), "OK;\r\n");
    QVERIFY(QFileInfo::exists(store.filePath("run_1.tes")));

    sim.terminate();  // SIGTERM
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    const QStringList echoed = QString::fromLatin1(sim.readAllStandardOutput()).split('\n');
    QCOMPARE(echoed, (QStringList{"VER?;", "FPR;6;", "MEASURE;", "MEAS;1;", "MODE?;",
                                  "FILESAVE;run_1.tes;", "orv-sim stopped", ""}));
}

void TstSimProtocol::programRefusesBadArguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown option") << QStringList{"--colour"};
    QTest::newRow("missing value") << QStringList{"--points"};
    QTest::newRow("port out of range") << QStringList{"--listen", "127.0.0.1:65536"};
    QTest::newRow("no port") << QStringList{"--listen", "127.0.0.1"};
    QTest::newRow("separator as decimal") << QStringList{"--decimal", ";"};
    QTest::newRow("no points") << QStringList{"--points", "0"};
    QTest::newRow("store missing") << QStringList{"--store", "/nonexistent/orv-sim-store"};
    QTest::newRow("unknown fault") << QStringList{"--fault", "explode"};
    QTest::newRow("delay without time") << QStringList{"--fault", "delay:x:BUSY?;"};
}

void TstSimProtocol::programRefusesBadArguments() {
    QFETCH(QStringList, args);
    QVERIFY2(QFileInfo::exists(program()), "orv-sim is not built beside the tests");
    QProcess sim;
    sim.start(program(), args);
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardError().startsWith("orv-sim: "));
}

QTEST_GUILESS_MAIN(TstSimProtocol)
#include "tst_sim_protocol.moc"
