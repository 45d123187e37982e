#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace orvr {

class SwitchTimer;

inline constexpr uint16_t kOrvPort = 49198;

// The bounds of one exchange; tests shorten them, the program uses the defaults.
struct Bounds {
    int connectMs = 1000;       // TCP set-up only, not name resolution
    int idleMs = 15000;         // longest wait for a further piece of the reply
    int waitMs = 50;            // fixed wait after the reply
    int maxLineBytes = 256000;  // reply bytes before the LF, a CR before it included
};

enum class Failure {
    None,     // a reply line, or the no-data rule (nothing for idleMs): no failure
    Timeout,  // the message holds "time": connected stays false
    Link,     // any other failure: connected ends true, reply empty
};

struct ExchangeResult {
    QString reply;  // decoded line without its line end; empty on failure
    Failure failure = Failure::None;
    QString message;  // the failure's message, empty when none
};

// The request as it goes on the wire: U+0000-U+007F as the same byte, except that C0
// controls and DEL become "?" so a command can never be two lines; every other UTF-16
// code unit becomes "?"; then CR LF.
QByteArray EncodeRequest(const QString& command);

// Bytes 0x00-0x7F as the same character, 0x80-0xFF as U+FFFD.
QString DecodeReply(const char* data, std::size_t size);

// Accumulates received bytes up to the first LF. Exposed so the framing can be fuzzed
// and tested without a socket.
class LineReader {
  public:
    enum class Status { NeedMore, Done, TooLong };
    explicit LineReader(int maxLineBytes = 256000) : max_(maxLineBytes) {}
    // Feeds bytes; returns Done once an LF was seen (the line is then line()), TooLong
    // once more than maxLineBytes arrived without an LF. Bytes after the LF are ignored.
    Status feed(const char* data, std::size_t size);
    // The line without its LF and without one CR directly before it.
    const QByteArray& line() const { return line_; }

  private:
    int max_;
    QByteArray line_;
    Status status_ = Status::NeedMore;
};

// One request/reply over a fresh TCP connection (IPv4 only): connect within
// connectMs, send, read to the first LF, wait waitMs, shut down sending and close. The
// socket is closed on every path and unread bytes are discarded.
ExchangeResult Exchange(const QString& host, uint16_t port, const QString& command,
                        const Bounds& bounds = {});

// A reply whose first field is exactly "BUSY" becomes its second field; "BUSY"
// without any ";" stays as it is.
QString UnwrapBusy(const QString& reply);

// The window's TCP client: host and port as applied from the address field.
struct TcpClient {
    QString host;
    uint16_t port = kOrvPort;
    Bounds bounds;
};

// The one way to talk to the instrument. Never throws. With pausePolling the busy
// timer is off during the exchange and on at its end on every path; without it the
// timer is not touched. connected ends false exactly on a time-out failure.
void SendCommand(const TcpClient& client, const QString& command, bool& connected, QString& reply,
                 bool pausePolling, SwitchTimer* busyTimer);

}  // namespace orvr
