#include "curves.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

namespace orvr::sim {

namespace {

enum class Kind { Acoustic, Electric, Impedance, Spectrum };

Kind KindOf(int mode) {
    switch (mode) {
        case 1:
            return Kind::Acoustic;
        case 5:   // Z
        case 6:   // T-S parameters are fitted to an impedance sweep
        case 12:  // RLC
            return Kind::Impedance;
        case 9:
            return Kind::Spectrum;
        default:  // electric, extern and anything unknown: a voltage response
            return Kind::Electric;
    }
}

// Small, fast and the same on every platform (the standard distributions are not).
class Noise {
  public:
    explicit Noise(uint64_t seed) : state_(seed) {}
    // Uniform in [-1, 1).
    double next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) * 0x1.0p-52 - 1.0;
    }

  private:
    uint64_t state_;
};

// dB to power and back; exp and log are much cheaper than pow and log10.
constexpr double kDbToNeper = std::numbers::ln10 / 10.0;
double Power(double db) {
    return std::exp(db * kDbToNeper);
}
double Db(double power) {
    return std::log(power) / kDbToNeper;
}

double PowerSum(double aDb, double bDb) {
    return Db(Power(aDb) + Power(bDb));
}

// Second-order high-pass and low-pass magnitudes.
double HighPass2(double f, double fc, double q) {
    const double u = f / fc;
    return u * u / std::sqrt((1 - u * u) * (1 - u * u) + (u / q) * (u / q));
}
double LowPass2(double f, double fc, double q) {
    const double v = f / fc;
    return 1.0 / std::sqrt((1 - v * v) * (1 - v * v) + (v / q) * (v / q));
}

// The six channels carry six different drivers or signal paths.
struct Speaker {
    double fLow, qLow, fHigh, qHigh, level, ripple;
};
constexpr Speaker kSpeakers[6] = {
    {45, 0.70, 2500, 0.60, 88, 1.2},     // woofer
    {350, 0.80, 7000, 0.70, 91, 1.5},    // midrange
    {1800, 0.90, 30000, 0.60, 93, 2.0},  // tweeter
    {90, 0.60, 16000, 0.80, 86, 1.0},    // full-range
    {28, 0.70, 250, 0.70, 95, 0.8},      // subwoofer
    {65, 0.75, 19000, 0.70, 84, 1.8},    // wideband
};

struct Path {
    double gainDbv, fLow, fHigh;
};
constexpr Path kPaths[6] = {
    {0, 5, 80000}, {-6, 10, 45000}, {2, 15, 60000}, {-3, 8, 30000}, {4, 20, 90000}, {-10, 3, 50000},
};

struct Driver {
    double re, fs, qms, qes, inductive;  // inductive: |Z_L| at 10 kHz relative to re
};
constexpr Driver kDrivers[6] = {
    {3.2, 38, 4.2, 0.42, 1.0}, {6.1, 320, 3.1, 0.60, 0.6}, {5.6, 1400, 2.4, 0.90, 0.2},
    {7.2, 85, 5.0, 0.55, 0.5}, {3.6, 26, 6.5, 0.35, 2.0},  {6.8, 62, 3.8, 0.50, 0.5},
};

struct Tone {
    double levelDbv, distortionDb, floorDb;
    bool hum;
};
constexpr Tone kTones[6] = {
    {-6, 0, -120, false},  {-12, 8, -124, true}, {-3, -5, -117, false},
    {-20, 12, -126, true}, {-9, 3, -118, false}, {-15, -8, -122, false},
};

double Acoustic(const Speaker& s, double f, double phase, double noise) {
    const double response =
        s.level + 20.0 * std::log10(HighPass2(f, s.fLow, s.qLow) * LowPass2(f, s.fHigh, s.qHigh)) +
        s.ripple * std::sin(2 * std::numbers::pi * 2.5 * std::log10(f) + phase);
    // The room is never silent: the response sinks into about 30 dB SPL of ambient noise.
    return PowerSum(response, 30.0 + 2.0 * noise) + 0.25 * noise;
}

double Electric(const Path& p, double f, double noise) {
    const double hp = (f / p.fLow) / std::sqrt(1 + (f / p.fLow) * (f / p.fLow));
    const double lp = 1.0 / std::sqrt(1 + (f / p.fHigh) * (f / p.fHigh));
    return p.gainDbv + 20.0 * std::log10(hp * lp) + 0.02 * noise;
}

double Impedance(const Driver& d, double f, double noise) {
    const double res = d.re * d.qms / d.qes;
    // Motional part: a parallel resonance at fs.
    const double x = d.qms * (f / d.fs - d.fs / f);
    const double motionalRe = res / (1 + x * x);
    const double motionalIm = -res * x / (1 + x * x);
    // Voice-coil inductance with eddy-current losses (semi-inductance, exponent 0.6).
    const double lMag = d.re * d.inductive * std::pow(f / 10000.0, 0.6);
    const double lRe = lMag * std::cos(0.3 * std::numbers::pi);
    const double lIm = lMag * std::sin(0.3 * std::numbers::pi);
    const double re = d.re + motionalRe + lRe;
    const double im = motionalIm + lIm;
    return std::hypot(re, im) * (1 + 0.003 * noise);
}

// A 1 kHz test tone with harmonics (and mains hum on some inputs) over a noise floor
// that rises towards low frequencies. Peaks are as wide as the analyser's bins, here
// a little under the point spacing so they never fall between two points unseen.
double Spectrum(const Tone& t, double f, double width, double noise) {
    // The tone, its harmonics 2 to 6, hum at 50 and 150 Hz: log10 of each frequency.
    static const double kAt[] = {3.0,
                                 std::log10(2000.0),
                                 std::log10(3000.0),
                                 std::log10(4000.0),
                                 std::log10(5000.0),
                                 std::log10(6000.0),
                                 std::log10(50.0),
                                 std::log10(150.0)};
    constexpr double kHarmonics[] = {-62, -70, -78, -84, -90};
    const double lf = std::log10(f);
    double power = Power(t.floorDb + 10 * std::log10(1 + 200 / f) + 3 * noise);
    auto peak = [&](int i, double levelDb) {
        const double d = (lf - kAt[i]) / width;
        if (std::abs(d) < 8) {
            power += Power(levelDb) * std::exp(-0.5 * d * d);
        }
    };
    peak(0, t.levelDbv);
    for (int k = 0; k < 5; ++k) {
        peak(k + 1, t.levelDbv + kHarmonics[k] + t.distortionDb);
    }
    if (t.hum) {
        peak(6, -95);
        peak(7, -104);
    }
    return Db(power);
}

}  // namespace

ModeTraits TraitsOf(int mode) {
    switch (KindOf(mode)) {
        case Kind::Acoustic:
            return {"dB SPL", "SPL", 10, 40, 110};
        case Kind::Impedance:
            return {"Ohm", "Z", 5, 0, 50};
        case Kind::Spectrum:
            return {"dBV", "FFT", 10, -140, 0};
        case Kind::Electric:
            break;
    }
    return {"dBV", "EL", 10, -40, 20};
}

std::vector<double> LogSpaced(double lo, double hi, int points) {
    std::vector<double> x(static_cast<std::size_t>(std::max(points, 0)));
    if (x.empty()) {
        return x;
    }
    const double ratio = std::log(hi / lo);
    const double steps = static_cast<double>(std::max(points - 1, 1));
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = lo * std::exp(ratio * static_cast<double>(i) / steps);
    }
    x.front() = lo;
    if (x.size() > 1) {
        x.back() = hi;
    }
    return x;
}

Curve GenerateCurve(int mode, int channel, double lo, double hi, int points, uint64_t seed) {
    Curve c;
    c.mode = mode;
    c.x = LogSpaced(lo, hi, points);
    c.y.resize(c.x.size());
    const auto i = static_cast<std::size_t>(std::clamp(channel, 1, 6) - 1);
    Noise noise(seed * 6 + i + 1);
    const double phase = 0.7 * static_cast<double>(i);
    const double spacing = points > 1 ? std::log10(hi / lo) / (points - 1) : 0.0;
    const double width = std::max(0.8 * spacing, 0.002);
    const Kind kind = KindOf(mode);
    for (std::size_t k = 0; k < c.x.size(); ++k) {
        const double f = c.x[k];
        const double n = noise.next();
        double y = 0;
        switch (kind) {
            case Kind::Acoustic:
                y = Acoustic(kSpeakers[i], f, phase, n);
                break;
            case Kind::Electric:
                y = Electric(kPaths[i], f, n);
                break;
            case Kind::Impedance:
                y = Impedance(kDrivers[i], f, n);
                break;
            case Kind::Spectrum:
                y = Spectrum(kTones[i], f, width, n);
                break;
        }
        c.y[k] = y;
    }
    return c;
}

namespace {

// Writes |value| rounded to six significant digits, but no more than six decimals, in
// plain notation without trailing zeros: "20000", "12345.7", "-3.25", "0.000123".
// Integer arithmetic keeps a long curve line to a fraction of a millisecond.
char* WriteNumber(char* p, double value, char decimalPoint) {
    const double a = std::abs(value);
    if (!(a < 1e15)) {  // never produced; kept correct all the same
        return std::to_chars(p, p + 32, value, std::chars_format::general, 6).ptr;
    }
    static constexpr double kPow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    int decimals = 6;
    for (int e = 0; e < 6 && a >= kPow10[e]; ++e) {
        decimals = 5 - e;
    }
    auto m = static_cast<unsigned long long>(std::llround(a * kPow10[decimals]));
    while (decimals > 0 && m % 10 == 0) {
        m /= 10;
        --decimals;
    }
    if (m != 0 && value < 0) {
        *p++ = '-';
    }
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, m).ptr;
    auto len = static_cast<int>(end - digits);
    if (decimals == 0) {
        return std::copy(digits, end, p);
    }
    if (len <= decimals) {
        *p++ = '0';
        *p++ = decimalPoint;
        p = std::fill_n(p, decimals - len, '0');
        return std::copy(digits, end, p);
    }
    p = std::copy(digits, end - decimals, p);
    *p++ = decimalPoint;
    return std::copy(end - decimals, end, p);
}

}  // namespace

void AppendNumber(std::string& out, double value, char decimalPoint) {
    char buf[40];
    out.append(buf, WriteNumber(buf, value, decimalPoint));
}

void AppendCurveLine(std::string& out, const Curve& curve, char decimalPoint, std::size_t limit) {
    const std::size_t n = std::min(curve.x.size(), curve.y.size());
    out.reserve(std::min(limit, out.size() + n * 16));
    char pair[96];
    for (std::size_t k = 0; k < n; ++k) {
        char* p = WriteNumber(pair, curve.x[k], decimalPoint);
        *p++ = ';';
        p = WriteNumber(p, curve.y[k], decimalPoint);
        *p++ = ';';
        const auto len = static_cast<std::size_t>(p - pair);
        if (out.size() + len > limit) {
            break;
        }
        out.append(pair, len);
    }
}

}  // namespace orvr::sim
