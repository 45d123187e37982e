#include "sim/server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <iostream>
#include <random>
#include <thread>

namespace orvr::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBacklog = 64;
constexpr int kSliceMs = 50;  // how long any wait runs before it looks at stop()
constexpr auto kIdleBound = std::chrono::seconds(60);  // a silent client is let go then
constexpr std::size_t kMaxRequestBytes = 1 << 20;
constexpr std::size_t kOversizeBytes = 256001;

struct FaultSpec {
    Fault fault = Fault::None;
    int delayMs = 0;
};

bool IsListenFault(Fault f) {
    return f == Fault::Refuse || f == Fault::Silent;
}

std::string StripLineEnd(std::string s) {
    if (!s.empty() && s.back() == '\n') {
        s.pop_back();
    }
    if (!s.empty() && s.back() == '\r') {
        s.pop_back();
    }
    return s;
}

}  // namespace

namespace {

constexpr std::pair<Fault, const char*> kFaultNames[] = {
    {Fault::None, "none"},   {Fault::Refuse, "refuse"},     {Fault::Silent, "silent"},
    {Fault::Hang, "hang"},   {Fault::NoLf, "nolf"},         {Fault::Close, "close"},
    {Fault::Reset, "reset"}, {Fault::Oversize, "oversize"}, {Fault::Garbage, "garbage"},
    {Fault::Delay, "delay"},
};

}  // namespace

const char* FaultName(Fault fault) {
    for (const auto& [f, name] : kFaultNames) {
        if (f == fault) {
            return name;
        }
    }
    return "?";
}

bool ParseFault(const std::string& text, Fault& fault, int& delayMs) {
    delayMs = 0;
    if (text.rfind("delay:", 0) == 0) {
        const std::string ms = text.substr(6);
        if (ms.empty() || ms.size() > 9 ||
            ms.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        fault = Fault::Delay;
        delayMs = std::stoi(ms);
        return true;
    }
    // A delay needs its time, so the bare name is no fault.
    for (const auto& [f, name] : kFaultNames) {
        if (f != Fault::Delay && text == name) {
            fault = f;
            return true;
        }
    }
    return false;
}

struct Server::Impl {
    explicit Impl(Model& m) : model(m) {}

    Model& model;

    // Shared with the test's thread, under mutex.
    mutable std::mutex mutex;
    std::condition_variable appliedCv;
    std::vector<std::string> log;
    bool echo = false;
    std::map<std::string, std::string> overrides;
    std::map<std::string, std::deque<std::string>> queued;
    FaultSpec allFault;
    std::map<std::string, FaultSpec> requestFaults;
    Fault listenFault = Fault::None;
    uint64_t wanted = 0;   // generation of the requested listening state
    uint64_t applied = 0;  // generation the server thread has put in place
    std::function<void(const std::string&)> hook;

    std::atomic<bool> stopping{false};
    std::atomic<int> open{0};
    std::atomic<uint16_t> port{0};
    bool running = false;
    std::thread thread;
    int wakeFd = -1;

    // Owned by the server thread while it runs.
    int listenFd = -1;
    sockaddr_in bound{};
    Fault appliedListen = Fault::None;
    bool reopenFailing = false;
    std::vector<int> fillers;
    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Connection> connections;

    void wake() {
        if (wakeFd >= 0) {
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = ::write(wakeFd, &one, sizeof one);
        }
    }

    // Blocks the caller until the server thread has applied the listening state asked for.
    void awaitApplied(std::unique_lock<std::mutex>& lock) {
        const uint64_t target = ++wanted;
        if (!running) {
            return;  // listen() applies it when it starts
        }
        wake();
        appliedCv.wait_for(lock, std::chrono::seconds(5), [&] { return applied >= target; });
    }

    bool openListener() {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            return false;
        }
        const int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 ||
            ::listen(fd, kBacklog) != 0) {
            ::close(fd);
            return false;
        }
        listenFd = fd;
        return true;
    }

    void closeFillers() {
        for (const int fd : fillers) {
            ::close(fd);
        }
        fillers.clear();
    }

    // A listener that stops accepting, with an accept queue shrunk to its minimum and
    // filled by connections of our own: the kernel then drops further SYNs, so a
    // client's connect times out while the port stays the reported one.
    void fillAcceptQueue() {
        ::listen(listenFd, 0);
        sockaddr_in target = bound;
        if (target.sin_addr.s_addr == htonl(INADDR_ANY)) {
            target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        }
        for (int i = 0; i < 32; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            if (fd < 0) {
                return;
            }
            bool done =
                ::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
            if (!done && errno == EINPROGRESS) {
                pollfd p{fd, POLLOUT, 0};
                int err = 0;
                socklen_t len = sizeof err;
                done = ::poll(&p, 1, 100) > 0 &&
                       ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
            }
            if (!done) {
                ::close(fd);  // this attempt found the queue full
                return;
            }
            fillers.push_back(fd);
        }
        std::cerr << "orv-sim: could not fill the accept queue; connects may still succeed\n";
    }

    void applyListen(Fault target) {
        if (target == Fault::Refuse) {
            closeFillers();
            if (listenFd >= 0) {
                ::close(listenFd);
                listenFd = -1;
            }
        } else {
            if (listenFd < 0 && !openListener()) {
                // Retried on every round until it works; said once.
                if (!reopenFailing) {
                    std::cerr << "orv-sim: cannot listen again on port " << port.load() << ": "
                              << std::strerror(errno) << "\n";
                }
                reopenFailing = true;
            } else {
                reopenFailing = false;
            }
            if (listenFd >= 0) {
                if (target == Fault::Silent) {
                    if (appliedListen != Fault::Silent) {
                        fillAcceptQueue();
                    }
                } else {
                    ::listen(listenFd, kBacklog);
                    closeFillers();
                }
            }
        }
        appliedListen = target;
    }

    void applyPending() {
        uint64_t target = 0;
        Fault fault = Fault::None;
        {
            std::lock_guard lock(mutex);
            if (applied >= wanted && !(appliedListen != Fault::Refuse && listenFd < 0)) {
                return;
            }
            target = wanted;
            fault = listenFault;
        }
        applyListen(fault);
        {
            std::lock_guard lock(mutex);
            applied = target;
        }
        appliedCv.notify_all();
    }

    void reap() {
        for (auto it = connections.begin(); it != connections.end();) {
            if (it->done->load()) {
                it->thread.join();
                it = connections.erase(it);
            } else {
                ++it;
            }
        }
    }

    void run() {
        while (!stopping.load()) {
            applyPending();
            reap();
            pollfd fds[2] = {{wakeFd, POLLIN, 0}, {listenFd, POLLIN, 0}};
            const bool accepting = appliedListen == Fault::None && listenFd >= 0;
            if (::poll(fds, accepting ? 2 : 1, kSliceMs) <= 0) {
                continue;
            }
            if (fds[0].revents & POLLIN) {
                uint64_t count = 0;
                [[maybe_unused]] const ssize_t n = ::read(wakeFd, &count, sizeof count);
            }
            if (accepting && (fds[1].revents & POLLIN)) {
                const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd >= 0) {
                    open.fetch_add(1);
                    auto done = std::make_shared<std::atomic<bool>>(false);
                    connections.push_back({std::thread([this, fd, done] {
                                               serve(fd);
                                               done->store(true);
                                           }),
                                           done});
                }
            }
        }
        for (auto& c : connections) {
            c.thread.join();
        }
        connections.clear();
        closeFillers();
        if (listenFd >= 0) {
            ::close(listenFd);
            listenFd = -1;
        }
    }

    // Waits up to one slice for events; false once the server stops.
    bool waitSlice(int fd, short events, short& revents) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, kSliceMs);
        revents = r > 0 ? p.revents : 0;
        return !stopping.load();
    }

    bool sendAll(int fd, const std::string& data) {
        std::size_t sent = 0;
        auto last = Clock::now();
        while (sent < data.size()) {
            const ssize_t n =
                ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                last = Clock::now();
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                return false;  // the client went away; nothing more to say
            }
            short revents = 0;
            if (!waitSlice(fd, POLLOUT, revents) || Clock::now() - last > kIdleBound) {
                return false;
            }
        }
        return true;
    }

    // Reads and discards until the client closes, the bound passes or the server stops.
    void awaitClientClose(int fd) {
        char buf[4096];
        auto last = Clock::now();
        for (;;) {
            short revents = 0;
            if (!waitSlice(fd, POLLIN, revents)) {
                return;
            }
            if (revents == 0) {
                if (Clock::now() - last > kIdleBound) {
                    return;
                }
                continue;
            }
            const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                return;
            }
            last = Clock::now();
        }
    }

    // The request line without its line end; false when none arrived.
    bool readRequest(int fd, std::string& request) {
        std::string buf;
        char chunk[4096];
        auto last = Clock::now();
        for (;;) {
            short revents = 0;
            if (!waitSlice(fd, POLLIN, revents)) {
                return false;
            }
            if (revents == 0) {
                if (Clock::now() - last > kIdleBound) {
                    return false;
                }
                continue;
            }
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
                return false;
            }
            if (n < 0) {
                continue;
            }
            last = Clock::now();
            buf.append(chunk, static_cast<std::size_t>(n));
            const auto lf = buf.find('\n');
            if (lf != std::string::npos) {
                request = StripLineEnd(buf.substr(0, lf + 1));
                return true;
            }
            if (buf.size() > kMaxRequestBytes) {
                return false;
            }
        }
    }

    void pause(int ms) {
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        while (!stopping.load() && Clock::now() < until) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            std::this_thread::sleep_for(
                std::min<std::chrono::milliseconds>(left, std::chrono::milliseconds(kSliceMs)));
        }
    }

    void serve(int fd) {
        std::string request;
        if (readRequest(fd, request)) {
            answer(fd, request);
        }
        ::close(fd);
        open.fetch_sub(1);
    }

    void answer(int fd, const std::string& request) {
        FaultSpec fault;
        std::string raw;
        bool haveRaw = false;
        std::function<void(const std::string&)> hookCopy;
        {
            std::lock_guard lock(mutex);
            log.push_back(request);
            if (echo) {
                std::cout << request << std::endl;
            }
            const auto f = requestFaults.find(request);
            fault = f != requestFaults.end() ? f->second : allFault;
            if (auto q = queued.find(request); q != queued.end() && !q->second.empty()) {
                raw = std::move(q->second.front());
                q->second.pop_front();
                haveRaw = true;
            } else if (auto o = overrides.find(request); o != overrides.end()) {
                raw = o->second;
                haveRaw = true;
            }
            hookCopy = hook;
        }
        if (hookCopy) {
            hookCopy(request);
        }
        // The model always hears the request, so its state follows even a faulty answer.
        std::string modelReply;
        try {
            modelReply = model.respond(request);
        } catch (const std::exception& e) {
            std::cerr << "orv-sim: model failed on '" << request << "': " << e.what() << "\n";
            modelReply = "ERR;";
        }
        if (!haveRaw) {
            raw = modelReply + "\r\n";
        }
        const std::string line = StripLineEnd(raw);
        const std::string half = line.substr(0, line.size() / 2 ? line.size() / 2 : line.size());

        switch (fault.fault) {
            case Fault::None:
            case Fault::Refuse:
            case Fault::Silent:
                sendAll(fd, raw);
                break;
            case Fault::Delay:
                pause(fault.delayMs);
                sendAll(fd, raw);
                break;
            case Fault::Hang:
                break;
            case Fault::NoLf:
                sendAll(fd, line);
                break;
            case Fault::Close:
                sendAll(fd, half);
                ::shutdown(fd, SHUT_WR);
                return;
            case Fault::Reset: {
                sendAll(fd, half);
                const linger hard{1, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
                return;
            }
            case Fault::Oversize:
                sendAll(fd, std::string(kOversizeBytes, 'X') + "\r\n");
                break;
            case Fault::Garbage: {
                thread_local std::mt19937 random{std::random_device{}()};
                std::uniform_int_distribution<int> byte(0, 255);
                std::string junk;
                while (junk.size() < 64) {
                    const char c = static_cast<char>(byte(random));
                    if (c != '\n' && c != '\r') {
                        junk.push_back(c);
                    }
                }
                sendAll(fd, junk + "\r\n");
                break;
            }
        }
        awaitClientClose(fd);
    }
};

Server::Server(Options options)
    : model_(std::make_unique<Model>(std::move(options))), d_(std::make_unique<Impl>(*model_)) {}

Server::~Server() {
    stop();
}

bool Server::listen(const std::string& address, uint16_t port) {
    stop();
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(address.empty() ? nullptr : address.c_str(), service.c_str(), &hints,
                      &found) != 0 ||
        !found) {
        return false;
    }
    std::memcpy(&d_->bound, found->ai_addr, sizeof d_->bound);
    ::freeaddrinfo(found);
    if (!d_->openListener()) {
        return false;
    }
    sockaddr_in actual{};
    socklen_t len = sizeof actual;
    ::getsockname(d_->listenFd, reinterpret_cast<sockaddr*>(&actual), &len);
    d_->bound.sin_port = actual.sin_port;  // a re-listen after "refuse" takes the same port
    d_->port.store(ntohs(actual.sin_port));

    d_->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    d_->appliedListen = Fault::None;
    {
        std::lock_guard lock(d_->mutex);
        d_->applyListen(d_->listenFault);
        d_->applied = d_->wanted;
        d_->running = true;
    }
    d_->stopping.store(false);
    d_->thread = std::thread([this] { d_->run(); });
    return true;
}

void Server::stop() {
    {
        std::lock_guard lock(d_->mutex);
        if (!d_->running) {
            return;
        }
        d_->running = false;
    }
    d_->stopping.store(true);
    d_->wake();
    d_->thread.join();
    ::close(d_->wakeFd);
    d_->wakeFd = -1;
    d_->appliedCv.notify_all();
}

uint16_t Server::port() const {
    return d_->port.load();
}

std::vector<std::string> Server::log() const {
    std::lock_guard lock(d_->mutex);
    return d_->log;
}

void Server::clearLog() {
    std::lock_guard lock(d_->mutex);
    d_->log.clear();
}

void Server::setEcho(bool on) {
    std::lock_guard lock(d_->mutex);
    d_->echo = on;
}

void Server::setOverride(const std::string& request, std::string rawReply) {
    std::lock_guard lock(d_->mutex);
    d_->overrides[request] = std::move(rawReply);
}

void Server::queueReplies(const std::string& request, std::vector<std::string> rawReplies) {
    std::lock_guard lock(d_->mutex);
    auto& queue = d_->queued[request];
    for (auto& r : rawReplies) {
        queue.push_back(std::move(r));
    }
}

void Server::clearOverrides() {
    std::lock_guard lock(d_->mutex);
    d_->overrides.clear();
    d_->queued.clear();
}

void Server::setFault(Fault fault, const std::string& request, int delayMs) {
    std::unique_lock lock(d_->mutex);
    if (IsListenFault(fault)) {
        d_->listenFault = fault;
        d_->awaitApplied(lock);
        return;
    }
    if (!request.empty()) {
        if (fault == Fault::None) {
            d_->requestFaults.erase(request);
        } else {
            d_->requestFaults[request] = {fault, delayMs};
        }
        return;
    }
    d_->allFault = {fault, delayMs};
    if (fault == Fault::None && d_->listenFault != Fault::None) {
        d_->listenFault = Fault::None;
        d_->awaitApplied(lock);
    }
}

void Server::clearFaults() {
    std::unique_lock lock(d_->mutex);
    d_->allFault = {};
    d_->requestFaults.clear();
    if (d_->listenFault != Fault::None) {
        d_->listenFault = Fault::None;
        d_->awaitApplied(lock);
    }
}

void Server::setRequestHook(std::function<void(const std::string& request)> hook) {
    std::lock_guard lock(d_->mutex);
    d_->hook = std::move(hook);
}

int Server::openConnections() const {
    return d_->open.load();
}

}  // namespace orvr::sim
