#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orvr::sim {

struct Options {
    std::string version = "3.0";   // VER reply field 0
    int busyMs = 2000;              // MEASURE keeps the instrument busy this long
    int points = 1000;              // points per curve (bounded by the line limit)
    std::string storeDir = ".";     // FILESAVE writes its CSV here
    char decimalPoint = '.';        // separator in curve values
};

// The instrument's state and answers. Thread-safe.
class Model {
public:
    using Clock = std::chrono::steady_clock;
    explicit Model(Options options = {});

    // Answers one request line (without its line end); returns the reply line without
    // its line end. Unknown requests answer "ERR;".
    std::string respond(const std::string& request);

    // State, for tests and the command line.
    int modeNumber() const;
    void setModeNumber(int mode);
    int fmin() const;
    int fmax() const;
    void setLimits(int fmin, int fmax);
    int channel() const;
    bool xyFreq() const;
    bool xyZ() const;
    void setVersion(const std::string& version);
    void setBusyMs(int ms);
    void setPoints(int points);
    // Busy from now on until finishMeasurement() or the busy time ran out.
    bool busy() const;
    // Ends a running measurement at once (fresh curves), for tests that do not wait.
    void finishMeasurement();
    // The curve line MEAS would send for a channel (1..6), without line end.
    std::string curveLine(int channel) const;
    std::string chartDetailsLine() const;
    std::vector<std::string> presetCaptions() const;
    // Files written by FILESAVE, full paths.
    std::vector<std::string> savedFiles() const;

private:
    struct State;
    mutable std::mutex mutex_;
    Options options_;
    // implementation-defined state follows in model.cpp via pimpl
    std::shared_ptr<State> s_;
};

}  // namespace orvr::sim
