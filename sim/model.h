#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace orvr::sim {

struct Options {
    std::string version = "3.0";  // VER reply field 0
    int busyMs = 2000;            // MEASURE keeps the instrument busy this long
    int points = 1000;            // points per curve (bounded by the line limit)
    std::string storeDir = ".";   // FILESAVE writes its CSV here
    char decimalPoint = '.';      // separator in curve values
};

// The instrument's state and answers. Thread-safe.
//
// Each of the six channels is a memory slot holding the curve of the last measurement
// made on it: MEASURE records one curve, for the mode, range and channel selected at
// that moment, into that channel's slot; the other slots keep theirs. At power-on
// channels 1 and 2 hold an acoustic measurement over the default range and channels 3
// to 6 are empty (MEAS answers an empty line for them). Requests are case-sensitive;
// the trailing ";" may be left out. Commands that change state answer "OK;", refused
// ones (bad or out-of-range parameter, MEASURE while busy) "ERR;".
//
// - FMIN and FMAX take kMinHz..kMaxHz; an fmin above fmax is kept as set and measured
//   over the range between the two.
// - XY_MODE;A; and XY_MODE;I; each switch their own view flag on or off; the curves
//   stay as they are.
// - CHARTDETAILS spans the frequencies of all curves held. The first Y axis carries
//   the unit of the current mode if a curve has it (else that of the first curve),
//   curves in other units go to the second axis; both ranges are rounded outwards.
// - FILESAVE stores every curve held as CSV (channel,mode,unit,frequency_hz,value)
//   under the name sent, made a plain file name in storeDir: control and non-ASCII
//   characters and any of / \ ; : * ? " < > | become "_", leading dots and blanks are
//   dropped; links in storeDir are not followed.
class Model {
  public:
    using Clock = std::chrono::steady_clock;
    // Per-point bound of a curve line: an X of at most 7 characters ("12345.7"), a Y
    // of at most 12 (any value below 1e11 in size) and two separators. The cap keeps
    // the line and its CR within the 256000 bytes a reply line may hold.
    static constexpr int kMaxLineBytes = 255999;
    static constexpr int kMaxPoints = kMaxLineBytes / 21;
    // The frequencies the instrument can set, Hz.
    static constexpr int kMinHz = 1;
    static constexpr int kMaxHz = 100000;

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
    // The limits FPR;n; selects (n = 1..6).
    std::pair<int, int> presetLimits(int preset) const;
    // Replaces the clock that ends a measurement, so tests can step time.
    void setClock(std::function<Clock::time_point()> now);

  private:
    struct State;
    mutable std::mutex mutex_;
    Options options_;
    // implementation-defined state follows in model.cpp via pimpl
    std::shared_ptr<State> s_;
};

}  // namespace orvr::sim
