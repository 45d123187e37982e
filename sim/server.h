#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "model.h"

namespace orvr::sim {

enum class Fault {
    None,
    Refuse,    // not listening: connections are refused
    Silent,    // never accepts: the connect attempt times out
    Hang,      // accepts, reads the request, never answers
    NoLf,      // answers without a line end, then stalls
    Close,     // closes in the middle of the reply line
    Reset,     // resets the connection in the middle of the reply line
    Oversize,  // a reply line over 256000 bytes
    Garbage,   // random bytes, then a line end
    Delay,     // answers after delayMs
};

// Parses "refuse", "delay:250", ... Returns false for an unknown name.
bool ParseFault(const std::string& text, Fault& fault, int& delayMs);

// The name ParseFault takes for a fault ("delay" without its time).
const char* FaultName(Fault fault);

// The instrument on a TCP port: one request line per connection, answered by the
// model unless an override or a fault applies. Runs on its own thread; every method is
// thread-safe, so tests drive it from the GUI thread while the program talks to it.
class Server {
  public:
    explicit Server(Options options = {});
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Listens on address:port (port 0: an ephemeral one). False when it cannot bind.
    bool listen(const std::string& address = "127.0.0.1", uint16_t port = 0);
    void stop();
    uint16_t port() const;

    Model& model() { return *model_; }

    // Every request line received, in order, without its line end.
    std::vector<std::string> log() const;
    void clearLog();
    // Mirror each request to stdout (the orv-sim program does).
    void setEcho(bool on);

    // Raw bytes sent verbatim (line end included) instead of the model's answer for the
    // exact request text, e.g. setOverride("BUSY?;", "1\r\n"). The model still sees the
    // request, so state changes (MEASURE, FMIN...) still happen.
    void setOverride(const std::string& request, std::string rawReply);
    // Raw replies used once each, in order, before any override or the model.
    void queueReplies(const std::string& request, std::vector<std::string> rawReplies);
    void clearOverrides();

    // A fault for one request text, or for every request when request is empty.
    // Refuse and Silent act on the listening socket and ignore the request text.
    void setFault(Fault fault, const std::string& request = "", int delayMs = 0);
    void clearFaults();

    // Called on the connection's thread with each request line, after it is logged and
    // before it is answered, so a test can look at the client's state mid-exchange.
    void setRequestHook(std::function<void(const std::string& request)> hook);
    // Connections accepted and not yet closed. A connection is closed once the client
    // has closed its side (or a fault closed it), so 0 after an exchange shows that the
    // client let go of its socket.
    int openConnections() const;

  private:
    struct Impl;
    std::unique_ptr<Model> model_;
    std::unique_ptr<Impl> d_;
};

}  // namespace orvr::sim
