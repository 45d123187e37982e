#include "model.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string_view>

#include "curves.h"

namespace orvr::sim {

namespace {

struct Preset {
    const char* caption;
    int fmin;
    int fmax;
};
// Captions avoid blanks: the program treats any caption holding "0 0" as no preset.
constexpr Preset kPresets[6] = {
    {"20Hz-20kHz", 20, 20000},   {"10Hz-40kHz", 10, 40000},   {"20Hz-2kHz", 20, 2000},
    {"200Hz-20kHz", 200, 20000}, {"1kHz-95kHz", 1000, 95000}, {"5Hz-500Hz", 5, 500},
};

constexpr const char* kOk = "OK;";
constexpr const char* kErr = "ERR;";

struct Slot {
    bool has = false;
    Curve curve;
    std::string line;  // the MEAS reply, formatted once when the curve is recorded
};

std::vector<std::string_view> Split(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(';', start);
        if (end == std::string_view::npos) {
            fields.push_back(text.substr(start));
            return fields;
        }
        fields.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

bool ParseInt(std::string_view text, int& value) {
    if (text.empty()) {
        return false;
    }
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// A plain file name: no directory part, no "." or "..", nothing the instrument's own
// file system or a shell would trip over. Empty when nothing usable is left.
std::string SanitizeFileName(std::string_view name) {
    std::string out;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        const bool unsafe = u < 0x20 || u > 0x7E ||
                            std::string_view("/\\;:*?\"<>|").find(c) != std::string_view::npos;
        out += unsafe ? '_' : c;
    }
    const std::size_t first = out.find_first_not_of(". ");
    out.erase(0, first == std::string::npos ? out.size() : first);
    out.resize(std::min<std::size_t>(out.size(), 200));
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

void AppendInt(std::string& out, long long value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

struct ModelState {
    int mode = 1;
    int fmin = 20;
    int fmax = 20000;
    int channel = 1;
    bool xyFreq = false;
    bool xyZ = false;

    bool busy = false;
    bool untilFinished = false;
    Model::Clock::time_point busyEnd{};
    // What MEASURE was asked for; later commands do not change a running measurement.
    int runMode = 1;
    int runChannel = 1;
    double runLo = 20;
    double runHi = 20000;
    uint64_t measurements = 0;

    std::array<Slot, 6> slots;
    std::vector<std::string> saved;
    std::function<Model::Clock::time_point()> now = [] { return Model::Clock::now(); };
};

// Records the running measurement's curve into its channel's slot.
void Record(ModelState& s, const Options& o, int mode, int channel, double lo, double hi,
            uint64_t seed) {
    Slot& slot = s.slots[static_cast<std::size_t>(channel - 1)];
    slot.curve = GenerateCurve(mode, channel, lo, hi, o.points, seed);
    slot.line.clear();
    AppendCurveLine(slot.line, slot.curve, o.decimalPoint, Model::kMaxLineBytes);
    slot.has = true;
}

void Finish(ModelState& s, const Options& o) {
    if (!s.busy) {
        return;
    }
    s.busy = false;
    s.untilFinished = false;
    Record(s, o, s.runMode, s.runChannel, s.runLo, s.runHi, ++s.measurements);
}

// Ends a measurement whose time has run out. Called first by every entry point, so
// the end happens on the clock without a thread of its own.
void Settle(ModelState& s, const Options& o) {
    if (s.busy && !s.untilFinished && s.now() >= s.busyEnd) {
        Finish(s, o);
    }
}

std::string ChartDetails(const ModelState& s) {
    // The first Y axis carries the unit of the current mode when a curve has it, else
    // that of the first curve; curves in any other unit go to the second axis.
    const ModeTraits current = TraitsOf(s.mode);
    std::string_view axis1Unit;
    for (const Slot& slot : s.slots) {
        if (slot.has && (axis1Unit.empty() ||
                         TraitsOf(slot.curve.mode).unit == std::string_view(current.unit))) {
            axis1Unit = TraitsOf(slot.curve.mode).unit;
        }
    }
    if (axis1Unit.empty()) {
        axis1Unit = current.unit;
    }

    struct Range {
        double lo = INFINITY, hi = -INFINITY, step = 10;
        bool any = false;
        void add(const std::vector<double>& v, double stepOfMode) {
            for (const double y : v) {
                lo = std::min(lo, y);
                hi = std::max(hi, y);
            }
            step = stepOfMode;
            any = true;
        }
        std::pair<long long, long long> rounded() const {
            auto mn = static_cast<long long>(std::floor(lo / step) * step);
            auto mx = static_cast<long long>(std::ceil(hi / step) * step);
            return {mn, mx > mn ? mx : mn + static_cast<long long>(step)};
        }
    };
    Range y1, y2;
    double xlo = INFINITY, xhi = -INFINITY;
    std::array<int, 6> axisOf{1, 1, 1, 1, 1, 1};
    for (std::size_t c = 0; c < 6; ++c) {
        const Slot& slot = s.slots[c];
        if (!slot.has || slot.curve.x.empty()) {
            continue;
        }
        const ModeTraits t = TraitsOf(slot.curve.mode);
        const bool first = t.unit == axis1Unit;
        axisOf[c] = first ? 1 : 2;
        (first ? y1 : y2).add(slot.curve.y, t.axisStep);
        xlo = std::min(xlo, slot.curve.x.front());
        xhi = std::max(xhi, slot.curve.x.back());
    }
    long long fmin = 0, fmax = 0;
    if (std::isfinite(xlo)) {
        fmin = static_cast<long long>(std::floor(xlo));
        fmax = static_cast<long long>(std::ceil(xhi));
    } else {
        fmin = std::min(s.fmin, s.fmax);
        fmax = std::max(s.fmin, s.fmax);
    }
    std::pair<long long, long long> r1{static_cast<long long>(current.defaultMin),
                                       static_cast<long long>(current.defaultMax)};
    if (y1.any) {
        r1 = y1.rounded();
    }
    std::pair<long long, long long> r2{0, 0};
    if (y2.any) {
        r2 = y2.rounded();
    }

    std::string out;
    auto num = [&](long long v) {
        AppendInt(out, v);
        out += ';';
    };
    num(fmin);
    num(fmax);
    out += "1;Hz;";
    num(r1.first);
    num(r1.second);
    num(r2.first);
    num(r2.second);
    num(y2.any ? 1 : 0);
    for (int c = 1; c <= 6; ++c) {
        const Slot& slot = s.slots[static_cast<std::size_t>(c - 1)];
        if (slot.has) {
            out += TraitsOf(slot.curve.mode).shortText;
            AppendInt(out, c);
        }
        out += ';';
    }
    for (const Slot& slot : s.slots) {
        if (slot.has) {
            out += TraitsOf(slot.curve.mode).unit;
        }
        out += ';';
    }
    for (const int axis : axisOf) {
        num(axis);
    }
    return out;
}

}  // namespace

struct Model::State : ModelState {};

Model::Model(Options options) : options_(std::move(options)), s_(std::make_shared<State>()) {
    options_.points = std::clamp(options_.points, 1, kMaxPoints);
    // Left over from before power-on: two drivers measured acoustically, default range.
    for (int channel = 1; channel <= 2; ++channel) {
        Record(*s_, options_, 1, channel, s_->fmin, s_->fmax, 0);
    }
}

std::string Model::respond(const std::string& request) {
    std::unique_lock lock(mutex_);
    ModelState& s = *s_;
    Settle(s, options_);

    std::string_view text(request);
    std::vector<std::string_view> f = Split(text);
    if (f.size() > 1 && f.back().empty()) {
        f.pop_back();  // the ";" that ends every request
    }
    const std::string_view cmd = f.front();
    const std::size_t params = f.size() - 1;
    int n = 0;
    auto intParam = [&] { return params == 1 && ParseInt(f[1], n); };

    if (cmd == "FILESAVE") {
        // The name runs to the end of the line: a ";" the program could not escape
        // belongs to it rather than cutting it short.
        std::string_view name = text.substr(std::min(text.size(), cmd.size() + 1));
        if (!name.empty() && name.back() == ';') {
            name.remove_suffix(1);
        }
        const std::string file = SanitizeFileName(name);
        if (text.size() <= cmd.size() || text[cmd.size()] != ';' || file.empty()) {
            return kErr;
        }
        std::string csv = "channel,mode,unit,frequency_hz,value\n";
        for (int c = 1; c <= 6; ++c) {
            const Slot& slot = s.slots[static_cast<std::size_t>(c - 1)];
            if (!slot.has) {
                continue;
            }
            const char* unit = TraitsOf(slot.curve.mode).unit;
            for (std::size_t k = 0; k < slot.curve.x.size(); ++k) {
                AppendInt(csv, c);
                csv += ',';
                AppendInt(csv, slot.curve.mode);
                csv += ',';
                csv += unit;
                csv += ',';
                AppendNumber(csv, slot.curve.x[k], '.');
                csv += ',';
                AppendNumber(csv, slot.curve.y[k], '.');
                csv += '\n';
            }
        }
        const std::string path = options_.storeDir + "/" + file;
        lock.unlock();
        // O_NOFOLLOW: a link planted in the store must not redirect the write.
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            return kErr;
        }
        std::size_t done = 0;
        while (done < csv.size()) {
            const ssize_t w = ::write(fd, csv.data() + done, csv.size() - done);
            if (w <= 0) {
                break;
            }
            done += static_cast<std::size_t>(w);
        }
        const bool closed = ::close(fd) == 0;
        if (done != csv.size() || !closed) {
            return kErr;
        }
        lock.lock();
        s.saved.push_back(path);
        return kOk;
    }

    if (cmd == "VER?" && params == 0) {
        return options_.version + ";OrvSim;";
    }
    if (cmd == "BUSY?" && params == 0) {
        return s.busy ? "BUSY;1;" : "BUSY;0;";
    }
    if (cmd == "MODE?" && params == 0) {
        std::string out;
        for (const int v : {s.mode, s.fmin, s.fmax, s.channel, int(s.xyFreq), int(s.xyZ)}) {
            AppendInt(out, v);
            out += ';';
        }
        return out;
    }
    if (cmd == "FPRESET?" && params == 0) {
        std::string out;
        for (const Preset& p : kPresets) {
            out += p.caption;
            out += ';';
        }
        return out;
    }
    if (cmd == "CHARTDETAILS?" && params == 0) {
        return ChartDetails(s);
    }
    if (cmd == "MEAS" && intParam()) {
        if (n < 1 || n > 6) {
            return kErr;
        }
        return s.slots[static_cast<std::size_t>(n - 1)].line;
    }
    if (cmd == "CHANNEL" && intParam()) {
        if (n < 1 || n > 6) {
            return kErr;
        }
        s.channel = n;
        return kOk;
    }
    if (cmd == "MEASURE" && params == 0) {
        if (s.busy) {
            return kErr;
        }
        s.busy = true;
        s.runMode = s.mode;
        s.runChannel = s.channel;
        s.runLo = std::min(s.fmin, s.fmax);
        s.runHi = std::max(s.fmin, s.fmax);
        s.untilFinished = options_.busyMs < 0;
        s.busyEnd = s.now() + std::chrono::milliseconds(std::max(options_.busyMs, 0));
        if (options_.busyMs == 0) {
            Finish(s, options_);
        }
        return kOk;
    }
    static constexpr std::pair<std::string_view, int> kModes[] = {
        {"AMPLA", 1}, {"AMPLE", 3}, {"Z", 5}, {"FFT", 9}};
    for (const auto& [word, mode] : kModes) {
        if (cmd == word && params == 0) {
            s.mode = mode;
            return kOk;
        }
    }
    if (cmd == "FPR" && intParam()) {
        if (n < 1 || n > 6) {
            return kErr;
        }
        s.fmin = kPresets[n - 1].fmin;
        s.fmax = kPresets[n - 1].fmax;
        return kOk;
    }
    if ((cmd == "FMIN" || cmd == "FMAX") && intParam()) {
        if (n < kMinHz || n > kMaxHz) {
            return kErr;
        }
        (cmd == "FMIN" ? s.fmin : s.fmax) = n;
        return kOk;
    }
    if (cmd == "XY_MODE" && params == 1) {
        // Each view is switched on and off by its own command, independently.
        if (f[1] == "A") {
            s.xyFreq = !s.xyFreq;
            return kOk;
        }
        if (f[1] == "I") {
            s.xyZ = !s.xyZ;
            return kOk;
        }
    }
    return kErr;
}

int Model::modeNumber() const {
    std::lock_guard lock(mutex_);
    return s_->mode;
}

void Model::setModeNumber(int mode) {
    std::lock_guard lock(mutex_);
    s_->mode = mode;
}

int Model::fmin() const {
    std::lock_guard lock(mutex_);
    return s_->fmin;
}

int Model::fmax() const {
    std::lock_guard lock(mutex_);
    return s_->fmax;
}

void Model::setLimits(int fmin, int fmax) {
    std::lock_guard lock(mutex_);
    s_->fmin = std::clamp(fmin, kMinHz, kMaxHz);
    s_->fmax = std::clamp(fmax, kMinHz, kMaxHz);
}

int Model::channel() const {
    std::lock_guard lock(mutex_);
    return s_->channel;
}

bool Model::xyFreq() const {
    std::lock_guard lock(mutex_);
    return s_->xyFreq;
}

bool Model::xyZ() const {
    std::lock_guard lock(mutex_);
    return s_->xyZ;
}

void Model::setVersion(const std::string& version) {
    std::lock_guard lock(mutex_);
    options_.version = version;
}

void Model::setBusyMs(int ms) {
    std::lock_guard lock(mutex_);
    options_.busyMs = ms;
}

void Model::setPoints(int points) {
    std::lock_guard lock(mutex_);
    options_.points = std::clamp(points, 1, kMaxPoints);
}

bool Model::busy() const {
    std::lock_guard lock(mutex_);
    Settle(*s_, options_);
    return s_->busy;
}

void Model::finishMeasurement() {
    std::lock_guard lock(mutex_);
    Finish(*s_, options_);
}

std::string Model::curveLine(int channel) const {
    std::lock_guard lock(mutex_);
    Settle(*s_, options_);
    if (channel < 1 || channel > 6) {
        return {};
    }
    return s_->slots[static_cast<std::size_t>(channel - 1)].line;
}

std::string Model::chartDetailsLine() const {
    std::lock_guard lock(mutex_);
    Settle(*s_, options_);
    return ChartDetails(*s_);
}

std::vector<std::string> Model::presetCaptions() const {
    std::vector<std::string> out;
    for (const Preset& p : kPresets) {
        out.emplace_back(p.caption);
    }
    return out;
}

std::pair<int, int> Model::presetLimits(int preset) const {
    const Preset& p = kPresets[std::clamp(preset, 1, 6) - 1];
    return {p.fmin, p.fmax};
}

std::vector<std::string> Model::savedFiles() const {
    std::lock_guard lock(mutex_);
    return s_->saved;
}

void Model::setClock(std::function<Clock::time_point()> now) {
    std::lock_guard lock(mutex_);
    s_->now = std::move(now);
}

}  // namespace orvr::sim
