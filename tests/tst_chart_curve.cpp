#include <locale.h>

#include <QTest>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "chart/curve.h"
#include "link/errors.h"

using namespace orvr;

namespace {

double StrtodC(const std::string& text) {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
    return strtod_l(text.c_str(), nullptr, c);
}

// Number texts of every shape the grammar allows, from plain printf output to long
// digit strings and exponents at the edges of the double range.
std::string RandomNumberText(std::mt19937_64& rng) {
    std::uniform_int_distribution<int> kind(0, 5);
    char buf[512];
    const double v = std::bit_cast<double>(rng());
    switch (kind(rng)) {
        case 0:
            if (!std::isfinite(v)) {
                return "1";
            }
            std::snprintf(buf, sizeof buf, "%.17g", v);
            return buf;
        case 1: {
            const double m = std::uniform_real_distribution<double>(-1e5, 1e5)(rng);
            std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(rng() % 12), m);
            return buf;
        }
        case 2: {
            const double m = std::uniform_real_distribution<double>(-10, 10)(rng);
            std::snprintf(buf, sizeof buf, "%.*e", static_cast<int>(rng() % 20), m);
            return buf;
        }
        default: {
            std::string s = rng() % 2 ? "-" : "";
            const int digits = 1 + static_cast<int>(rng() % 40);
            const int point = static_cast<int>(rng() % (digits + 1));
            for (int i = 0; i < digits; ++i) {
                if (i == point && point > 0) {
                    s += '.';
                }
                s += static_cast<char>('0' + rng() % 10);
            }
            if (rng() % 2) {
                s += 'e' + std::to_string(static_cast<int>(rng() % 700) - 350);
            }
            return s;
        }
    }
}

}  // namespace

class ChartCurveTest : public QObject {
    Q_OBJECT
  private slots:
    void numberFormat_data();
    void numberFormat();
    void curveFields_data();
    void curveFields();
    void sameBitsAsStrtod();
};

void ChartCurveTest::numberFormat_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("decimalPoint");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");

    const QChar point('.');
    const QChar comma(',');
    const QChar arabic(0x066B);
    const double inf = qInf();
    struct Row {
        const char* name;
        QString text;
        QChar dp;
        bool ok;
        double value;
    };
    const Row rows[] = {
        {"integer .", "1000", point, true, 1000},
        {"integer ,", "1000", comma, true, 1000},
        {"negative integer ,", "-3", comma, true, -3},
        {"fraction .", "-3.5", point, true, -3.5},
        {"fraction ,", "100,5", comma, true, 100.5},
        {"point refused with ,", "100.5", comma, false, 0},
        {"comma refused with .", "100,5", point, false, 0},
        {"thousands refused", "1,000", point, false, 0},
        {"blank thousands refused", "1 000", point, false, 0},
        {"plus", "+2.25", point, true, 2.25},
        {"blanks around", "  7.25  ", point, true, 7.25},
        {"tab is no blank", "\t7", point, false, 0},
        {"blank after sign", "- 1", point, false, 0},
        {"no leading digit", ".5", point, true, 0.5},
        {"no leading digit ,", "-,5", comma, true, -0.5},
        {"no trailing digit", "5.", point, true, 5},
        {"separator alone", ".", point, false, 0},
        {"sign alone", "-", point, false, 0},
        {"empty", "", point, false, 0},
        {"blanks only", "   ", point, false, 0},
        {"two separators", "1.2.3", point, false, 0},
        {"exponent", "1E3", point, true, 1000},
        {"exponent signed", "2.5e-2", point, true, 0.025},
        {"exponent plus ,", "1,5e+2", comma, true, 150},
        {"exponent without digits", "1e", point, false, 0},
        {"exponent sign only", "1e+", point, false, 0},
        {"exponent alone", "e5", point, false, 0},
        {"exponent with fraction", "1e2.5", point, false, 0},
        {"leading zeros", "000012.50", point, true, 12.5},
        {"negative zero", "-0", point, true, -0.0},
        {"overflow", "1e400", point, true, inf},
        {"underflow", "-1e-400", point, true, -0.0},
        {"hexadecimal refused", "0x10", point, false, 0},
        {"dollar refused", "$10", point, false, 0},
        {"inf", "inf", point, true, inf},
        {"INF ,", "INF", comma, true, inf},
        {"+Inf", "+Inf", point, true, inf},
        {"-INF", "-INF", point, true, -inf},
        {"word with blanks", " -inf ", point, true, -inf},
        {"infinity refused", "infinity", point, false, 0},
        {"-nan refused", "-nan", point, false, 0},
        {"+nan refused", "+NAN", point, false, 0},
        {"trailing letter", "12d", point, false, 0},
        {"separator inside field", "1;2", point, false, 0},
        {"replacement character", QStringLiteral("1\uFFFD"), point, false, 0},
        {"wide separator", QStringLiteral("1\u066B5"), arabic, true, 1.5},
        {"point refused with wide", "1.5", arabic, false, 0},
        {"stand-in refused with wide", QStringLiteral("1\u00015"), arabic, false, 0},
    };
    for (const Row& r : rows) {
        QTest::newRow(r.name) << r.text << r.dp << r.ok << r.value;
    }
}

void ChartCurveTest::numberFormat() {
    QFETCH(QString, text);
    QFETCH(QChar, decimalPoint);
    QFETCH(bool, ok);
    QFETCH(double, value);
    double v = 42;
    QCOMPARE(ParseCurveNumber(text, decimalPoint, v), ok);
    if (ok) {
        QCOMPARE(v, value);
        QCOMPARE(std::signbit(v), std::signbit(value));
    } else {
        QCOMPARE(v, 42.0);
    }
}

void ChartCurveTest::curveFields_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QChar>("decimalPoint");
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("bad");  // the field named by the error; null: no error

    const QChar point('.');
    const QString none;
    using P = QList<QPointF>;
    QTest::newRow("two pairs") << "100;-3.5;1000;-1.25" << point << P{{100, -3.5}, {1000, -1.25}}
                               << 4 << none;
    QTest::newRow("trailing separator")
        << "100;-3.5;1000;-1.25;" << point << P{{100, -3.5}, {1000, -1.25}} << 4 << none;
    QTest::newRow("lone last field") << "100;1;7" << point << P{{100, 1}} << 2 << none;
    QTest::newRow("lone bad last field") << "100;1;abc" << point << P{{100, 1}} << 2 << none;
    QTest::newRow("single field") << "100" << point << P{} << 0 << none;
    QTest::newRow("empty") << "" << point << P{} << 0 << none;
    QTest::newRow("reply order kept")
        << "1000;1;100;2" << point << P{{1000, 1}, {100, 2}} << 4 << none;
    QTest::newRow("comma decimals")
        << "1,5;-2;1e3;+0,25" << QChar(',') << P{{1.5, -2}, {1000, 0.25}} << 4 << none;
    QTest::newRow("blanks") << " 100 ; -1 " << point << P{{100, -1}} << 2 << none;
    QTest::newRow("words") << "10;nan;20;-INF" << point << P{{10, qQNaN()}, {20, -qInf()}} << 4
                           << none;
    QTest::newRow("empty Y after pair") << "100;1;1000;" << point << P{{100, 1}} << 0 << "";
    QTest::newRow("separator only") << ";" << point << P{} << 0 << "";
    QTest::newRow("empty X") << "100;1;;5" << point << P{{100, 1}} << 0 << "";
    QTest::newRow("bad first Y") << "100;abc;1000;1" << point << P{} << 0 << "abc";
    QTest::newRow("bad X later") << "100;1;1.0.0;2;3;4" << point << P{{100, 1}} << 0 << "1.0.0";
    QTest::newRow("point with comma") << "1000;100.5" << QChar(',') << P{} << 0 << "100.5";
    QTest::newRow("text kept in error")
        << QStringLiteral("1; 2\uFFFD ;3;4") << point << P{} << 0 << QStringLiteral(" 2\uFFFD ");
}

void ChartCurveTest::curveFields() {
    QFETCH(QString, reply);
    QFETCH(QChar, decimalPoint);
    QFETCH(QList<QPointF>, points);
    QFETCH(int, count);
    QFETCH(QString, bad);

    std::vector<QPointF> got{{-1, -1}};  // replaced, not appended to
    int32_t gotCount = -7;
    QString error;
    try {
        ParseCurve(reply, decimalPoint, got, gotCount);
    } catch (const ConversionError& e) {
        error = e.text();
    }
    if (bad.isNull()) {
        QCOMPARE(error, QString());
        QCOMPARE(gotCount, count);
    } else {
        QCOMPARE(error, QStringLiteral("'%1' is not a valid floating point value").arg(bad));
        QCOMPARE(gotCount, -7);  // untouched
    }
    QCOMPARE(got.size(), static_cast<size_t>(points.size()));
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QPointF p = got[static_cast<size_t>(i)];
        const QPointF e = points[i];
        QVERIFY(std::isnan(e.x()) ? std::isnan(p.x()) : p.x() == e.x());
        QVERIFY2(std::isnan(e.y()) ? std::isnan(p.y()) : p.y() == e.y(),
                 qPrintable(QString::number(p.y())));
    }
}

void ChartCurveTest::sameBitsAsStrtod() {
    std::mt19937_64 rng(20251209);
    for (const QChar dp : {QChar('.'), QChar(',')}) {
        std::vector<std::string> texts;
        QString reply;
        for (int i = 0; i < 20000; ++i) {
            texts.push_back(RandomNumberText(rng));
            QString field = QString::fromStdString(texts.back());
            field.replace(QLatin1Char('.'), dp);
            reply += field + QLatin1Char(';');
        }
        std::vector<QPointF> points;
        int32_t count = 0;
        ParseCurve(reply, dp, points, count);
        QCOMPARE(count, 20000);
        for (size_t i = 0; i < points.size(); ++i) {
            const QPointF p = points[i];
            for (const auto& [got, text] :
                 {std::pair{p.x(), texts[2 * i]}, std::pair{p.y(), texts[2 * i + 1]}}) {
                const double want = StrtodC(text);
                QVERIFY2(std::bit_cast<uint64_t>(got) == std::bit_cast<uint64_t>(want),
                         text.c_str());
            }
        }
    }
}

QTEST_GUILESS_MAIN(ChartCurveTest)
#include "tst_chart_curve.moc"
