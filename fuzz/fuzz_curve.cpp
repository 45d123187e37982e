// The MEAS reply: curve numbers and the X;Y pairs, with '.' and ',' as decimal separator.
//
// Input: the reply bytes, decoded as the exchange decodes them.
#include <QPointF>
#include <QString>
#include <QStringList>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/curve.h"
#include "link/errors.h"
#include "link/exchange.h"
#include "link/fields.h"

namespace {

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool Same(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// The plain decimal form, checked without the parser: sign, digits with at most one
// separator (at least one digit), an exponent with at least one digit. Blanks around it
// are already gone. Fills `ascii` with the text in C form for from_chars.
bool PlainDecimal(QStringView s, QChar point, std::string& ascii) {
    ascii.clear();
    qsizetype i = 0;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
        if (s[i] == u'-')
            ascii += '-';
        ++i;
    }
    int digits = 0;
    bool seenPoint = false;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (IsDigit(c)) {
            ++digits;
            ascii += static_cast<char>(c);
        } else if (s[i] == point && !seenPoint) {
            seenPoint = true;
            ascii += '.';
        } else {
            break;
        }
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        ascii += 'e';
        ++i;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
            ascii += static_cast<char>(s[i++].unicode());
        int expDigits = 0;
        for (; i < s.size() && IsDigit(s[i].unicode()); ++i, ++expDigits)
            ascii += static_cast<char>(s[i].unicode());
        if (expDigits == 0)
            return false;
    }
    return i == s.size();
}

QStringView TrimBlanks(QStringView s) {
    while (!s.isEmpty() && s.front() == u' ')
        s = s.mid(1);
    while (!s.isEmpty() && s.back() == u' ')
        s.chop(1);
    return s;
}

void CheckNumber(const QString& field, QChar point) {
    double got = -12345.0;
    const bool ok = orvr::ParseCurveNumber(field, point, got);
    const QStringView core = TrimBlanks(field);

    for (const char* word : {"NAN", "INF", "+INF", "-INF"}) {
        if (core.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) {
            Require(ok, "NAN and INF words are numbers");
            const double want = word[0] == 'N' ? NAN : word[0] == '-' ? -INFINITY : INFINITY;
            Require(Same(got, want), "NAN and INF words give their value");
            return;
        }
    }

    std::string ascii;
    if (!PlainDecimal(core, point, ascii)) {
        Require(!ok, "only the number format is accepted");
        return;
    }
    double want = 0;
    const auto r = std::from_chars(ascii.data(), ascii.data() + ascii.size(), want);
    Require(r.ptr == ascii.data() + ascii.size(), "the plain form is C decimal text");
    if (r.ec == std::errc::result_out_of_range) {
        // Beyond double: refusing it or giving infinity or an underflowed value are all sound.
        if (ok)
            Require(std::isinf(got) || std::fabs(got) <= DBL_MIN, "out-of-range value saturates");
        return;
    }
    Require(ok, "plain decimal text is accepted");
    Require(Same(got, want), "plain decimal text gives the same value as the C library");
}

void CheckCurve(const QString& reply, QChar point) {
    const QStringList fields = orvr::SplitFields(reply, u';');
    const qsizetype pairs = fields.size() / 2;

    // Where the reference says the first bad value stands, if any.
    qsizetype bad = -1;
    std::vector<QPointF> want;
    for (qsizetype k = 0; k < pairs * 2 && bad < 0; k += 2) {
        double x = 0, y = 0;
        if (!orvr::ParseCurveNumber(fields[k], point, x))
            bad = k;
        else if (!orvr::ParseCurveNumber(fields[k + 1], point, y))
            bad = k + 1;
        else
            want.emplace_back(x, y);
    }

    std::vector<QPointF> points;
    int32_t count = -77;
    try {
        orvr::ParseCurve(reply, point, points, count);
        Require(bad < 0, "a bad value raises");
        Require(count == pairs * 2, "count is the fields taken as pairs");
        Require(points.size() == static_cast<std::size_t>(count / 2), "one point per pair");
    } catch (const orvr::ConversionError& e) {
        Require(bad >= 0, "only a bad value raises");
        Require(count == -77, "count untouched on a bad value");
        Require(e.text() ==
                    u'\'' + fields[bad] + QStringLiteral("' is not a valid floating point value"),
                "message names the first bad value");
    }
    Require(points.size() == want.size(), "the points before the bad value, no more");
    for (std::size_t k = 0; k < want.size(); ++k) {
        Require(Same(points[k].x(), want[k].x()) && Same(points[k].y(), want[k].y()),
                "points in reply order");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const QString reply = orvr::DecodeReply(reinterpret_cast<const char*>(data), size);
    for (const QChar point : {QChar(u'.'), QChar(u',')}) {
        CheckCurve(reply, point);
        for (const QString& field : orvr::SplitFields(reply, u';'))
            CheckNumber(field, point);
        CheckNumber(reply, point);
    }
    return 0;
}
