#include "link/exchange.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>

#include "link/fields.h"
#include "link/precisesleep.h"
#include "link/switchtimer.h"

namespace orvr {

using Clock = std::chrono::steady_clock;

void SleepUntil(Clock::time_point deadline) {
    const auto ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch()).count();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / 1000000000);
    ts.tv_nsec = static_cast<long>(ns % 1000000000);
    // The steady clock is CLOCK_MONOTONIC; an absolute deadline survives interruptions.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

QByteArray EncodeRequest(const QString& command) {
    QByteArray out;
    out.reserve(command.size() + 2);
    for (const QChar c : command) {
        const char16_t u = c.unicode();
        // A control character could end the line early and smuggle in a second request.
        out.append(u >= 0x20 && u < 0x7F ? static_cast<char>(u) : '?');
    }
    out.append("\r\n", 2);
    return out;
}

QString DecodeReply(const char* data, std::size_t size) {
    // Replies are nearly always plain ASCII: then the vectorised Latin-1 path is exact.
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    if (std::none_of(bytes, bytes + size, [](unsigned char b) { return b >= 0x80; })) {
        return QString::fromLatin1(data, static_cast<qsizetype>(size));
    }
    QString out(static_cast<qsizetype>(size), Qt::Uninitialized);
    QChar* dst = out.data();
    for (std::size_t i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        dst[i] = b < 0x80 ? QChar(b) : QChar(QChar::ReplacementCharacter);
    }
    return out;
}

LineReader::Status LineReader::feed(const char* data, std::size_t size) {
    if (status_ != Status::NeedMore) {
        return status_;
    }
    const void* lf = std::memchr(data, '\n', size);
    const std::size_t take =
        lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : size;
    // Checked before appending, so an endless line never grows beyond the limit.
    if (take > static_cast<std::size_t>(max_) - static_cast<std::size_t>(line_.size())) {
        status_ = Status::TooLong;
        return status_;
    }
    line_.append(data, static_cast<qsizetype>(take));
    if (lf) {
        if (line_.endsWith('\r')) {
            line_.chop(1);
        }
        status_ = Status::Done;
    }
    return status_;
}

namespace {

const QString kNotFound = QStringLiteral("Host not found.");

// Socket error texts are built here from the English descriptions, never from the
// localised strerror(): the class of a failure is decided by the word "time" in it.
QString SocketError(int err) {
    const char* text = strerrordesc_np(err);
    return QStringLiteral("Socket Error # %1\r\n%2.")
        .arg(QString::number(err), text ? QString::fromLatin1(text) : QStringLiteral("Unknown"));
}

// Closes on every path. Unread bytes are drained first so a reply that ran on past its
// line, or an oversized one, ends in a normal close rather than a reset where possible.
class Socket {
  public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        drain();
        ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return fd_; }

  private:
    void drain() {
        char buf[16384];
        for (int i = 0; i < 64; ++i) {
            const ssize_t n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
            if (n <= 0 && !(n < 0 && errno == EINTR)) {
                return;
            }
        }
    }
    int fd_;
};

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left);
}

// Waits for events on fd. A bound of 0 or less waits without limit. Returns the revents,
// 0 on time-out, -1 with errno on error.
int WaitFor(int fd, short events, int boundMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(boundMs);
    for (;;) {
        pollfd p{fd, events, 0};
        // Rounded up so a poll never returns before the bound has passed.
        const int timeout = boundMs <= 0 ? -1 : RemainingMs(deadline) + 1;
        const int r = ::poll(&p, 1, timeout);
        if (r > 0) {
            return p.revents;
        }
        if (r < 0 && errno != EINTR) {
            return -1;
        }
        if (r == 0 && boundMs > 0 && Clock::now() >= deadline) {
            return 0;
        }
    }
}

struct Outcome {
    Failure failure = Failure::None;
    QString message;
};

Outcome Fail(QString message) {
    // The one rule for the class: the word "time" makes it a time-out.
    Outcome o;
    o.failure = message.contains(QLatin1String("time")) ? Failure::Timeout : Failure::Link;
    o.message = std::move(message);
    return o;
}

bool Resolve(const QString& host, sockaddr_in& addr) {
    const QByteArray name = host.toUtf8();
    if (name.contains('\0')) {
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.constData(), nullptr, &hints, &found) != 0 || !found) {
        return false;
    }
    std::memcpy(&addr, found->ai_addr, sizeof addr);
    ::freeaddrinfo(found);
    return true;
}

Outcome Connect(int fd, const sockaddr_in& addr, int connectMs) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
        return {};
    }
    if (errno != EINPROGRESS) {
        return Fail(SocketError(errno));
    }
    const int ev = WaitFor(fd, POLLOUT, connectMs);
    if (ev == 0) {
        return Fail(QStringLiteral("Connect timed out."));
    }
    if (ev < 0) {
        return Fail(SocketError(errno));
    }
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) {
        err = errno;
    }
    return err == 0 ? Outcome{} : Fail(SocketError(err));
}

Outcome Send(int fd, const QByteArray& wire, int boundMs) {
    qsizetype sent = 0;
    while (sent < wire.size()) {
        const ssize_t n =
            ::send(fd, wire.constData() + sent, static_cast<size_t>(wire.size() - sent),
                   MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            sent += n;
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return Fail(SocketError(errno));
        }
        const int ev = WaitFor(fd, POLLOUT, boundMs);
        if (ev == 0) {
            return Fail(SocketError(ETIMEDOUT));
        }
        if (ev < 0) {
            return Fail(SocketError(errno));
        }
    }
    return {};
}

// Reads to the first LF. An empty result without failure is the no-data rule.
Outcome Receive(int fd, const Bounds& bounds, QString& reply) {
    LineReader reader(bounds.maxLineBytes);
    char buf[65536];
    for (;;) {
        const int ev = WaitFor(fd, POLLIN, bounds.idleMs);
        if (ev == 0) {
            return {};
        }
        if (ev < 0) {
            return Fail(SocketError(errno));
        }
        const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n == 0) {
            return Fail(QStringLiteral("Connection Closed Gracefully."));
        }
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            if (errno == ETIMEDOUT) {
                return {};  // a receive time-out is the no-data rule, not a failure
            }
            return Fail(SocketError(errno));
        }
        switch (reader.feed(buf, static_cast<std::size_t>(n))) {
            case LineReader::Status::NeedMore:
                break;
            case LineReader::Status::Done:
                reply = DecodeReply(reader.line().constData(),
                                    static_cast<std::size_t>(reader.line().size()));
                return {};
            case LineReader::Status::TooLong:
                return Fail(QStringLiteral("Max line length exceeded."));
        }
    }
}

}  // namespace

ExchangeResult Exchange(const QString& host, uint16_t port, const QString& command,
                        const Bounds& bounds) {
    ExchangeResult result;
    const auto finish = [&result](Outcome o) {
        result.failure = o.failure;
        result.message = std::move(o.message);
        result.reply.clear();
        return result;
    };
    if (host.isEmpty()) {
        return finish(Fail(QStringLiteral("A Host is required")));
    }
    sockaddr_in addr{};
    if (!Resolve(host, addr)) {
        return finish(Fail(QStringLiteral("Socket Error # 11001\r\n") + kNotFound));
    }
    addr.sin_port = htons(port);

    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return finish(Fail(SocketError(errno)));
    }
    Socket socket(fd);
    if (Outcome o = Connect(fd, addr, bounds.connectMs); o.failure != Failure::None) {
        return finish(std::move(o));
    }
    if (Outcome o = Send(fd, EncodeRequest(command), bounds.idleMs); o.failure != Failure::None) {
        return finish(std::move(o));
    }
    if (Outcome o = Receive(fd, bounds, result.reply); o.failure != Failure::None) {
        return finish(std::move(o));
    }
    if (bounds.waitMs > 0) {
        SleepFor(std::chrono::milliseconds(bounds.waitMs));
    }
    ::shutdown(fd, SHUT_WR);
    return result;
}

// Only the first two fields matter; splitting a whole curve line just to look at its start
// would cost more than the rest of the exchange.
QString UnwrapBusy(const QString& reply) {
    static const QLatin1String kBusy("BUSY;");
    if (!reply.startsWith(kBusy)) {
        return reply;
    }
    const qsizetype end = reply.indexOf(u';', kBusy.size());
    return reply.mid(kBusy.size(), end < 0 ? -1 : end - kBusy.size());
}

void SendCommand(const TcpClient& client, const QString& command, bool& connected, QString& reply,
                 bool pausePolling, SwitchTimer* busyTimer) {
    const auto resume = [&] {
        if (pausePolling && busyTimer) {
            busyTimer->setEnabled(true);
        }
    };
    if (pausePolling && busyTimer) {
        busyTimer->setEnabled(false);
    }
    reply.clear();
    connected = false;

    ExchangeResult result;
    try {
        result = Exchange(client.host, client.port, command, client.bounds);
    } catch (const std::exception& e) {
        // Out of memory or the like: still nothing may reach the caller.
        result.failure = Failure::Link;
        result.message = QString::fromLocal8Bit(e.what());
    }

    if (result.failure == Failure::Timeout) {
        resume();
        return;
    }
    connected = true;
    if (result.failure == Failure::None && !result.reply.isEmpty()) {
        reply = UnwrapBusy(result.reply);
    }
    resume();
}

}  // namespace orvr
