#include <QLocale>
#include <QTest>

#include "lang/languagelist.h"
#include "lang/texts.h"

using orvr::LanguageList;
using orvr::Translator;

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QString kBom(QChar(0xFEFF));

Translator Loaded(const QStringList& lines) {
    Translator t;
    LanguageList& list = t.reset(kGerman);
    for (const QString& line : lines)
        list.insert(line);
    return t;
}

}  // namespace

class TestLangLookup : public QObject {
    Q_OBJECT

  private slots:
    void notLoadedGivesEnglish_data();
    void notLoadedGivesEnglish();
    void lookup_data();
    void lookup();
    void insertKeepsSortedAndDropsEqual_data();
    void insertKeepsSortedAndDropsEqual();
    void resetDiscardsList();
};

void TestLangLookup::notLoadedGivesEnglish_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("english");
    QTest::newRow("101") << 101 << "Acoustic";
    QTest::newRow("102") << 102 << "Electric";
    QTest::newRow("103") << 103 << "XY";
    QTest::newRow("104") << 104 << "Start";
    QTest::newRow("105") << 105 << "Save file";
    QTest::newRow("106") << 106 << "Set IP / Connect";
    QTest::newRow("107") << 107 << "All";
    QTest::newRow("108") << 108 << "Active";
    QTest::newRow("200") << 200 << "File saved in default folder as: ";
    QTest::newRow("201") << 201
                         << "Your Orv Version is not supported. Please use the latest release "
                            "from download page.";
    QTest::newRow("202") << 202 << "No Orv measurement detected! Check Orv.";
    QTest::newRow("203") << 203 << "Numeric input required. Your input: ";
    QTest::newRow("204") << 204 << "Orv busy! Measurement not possible.";
    QTest::newRow("205") << 205 << "Chart copied to clipboard";
    QTest::newRow("300") << 300 << "No Orv access!";
    QTest::newRow("301") << 301 << "Wait...";
    QTest::newRow("302") << 302 << "Start Orv or change IP. Press afterwards Re-Connect";
    QTest::newRow("unknown") << 109 << "";
    QTest::newRow("not a text id") << 100 << "";
}

void TestLangLookup::notLoadedGivesEnglish() {
    QFETCH(int, id);
    QFETCH(QString, english);
    QCOMPARE(orvr::text::English(id), english);
    const Translator t;
    QVERIFY(!t.loaded());
    QCOMPARE(t.Translate(id), english);
    QCOMPARE(t.Translate(QStringLiteral("given"), id), QStringLiteral("given"));
}

void TestLangLookup::lookup_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("lookupText");
    QTest::addColumn<QString>("translated");  // Translate("default", id)

    const QStringList around204{"301_Bitte warten...", "205_Kopiert"};
    QTest::newRow("missing id before a neighbour") << around204 << 204 << "204"
                                                   << "default";
    QTest::newRow("neighbour itself") << around204 << 205 << "Kopiert"
                                      << "Kopiert";
    QTest::newRow("id past the last line") << around204 << 302 << "302"
                                           << "default";
    QTest::newRow("empty list") << QStringList{} << 101 << "101"
                                << "default";
    QTest::newRow("empty text") << QStringList{"101_"} << 101 << ""
                                << "";
    QTest::newRow("no separator is no entry") << QStringList{"101"} << 101 << "101"
                                              << "default";
    QTest::newRow("bare id hides no entry")
        << QStringList{"101", "101_Akustisch"} << 101 << "Akustisch"
        << "Akustisch";
    QTest::newRow("blank after id hides no entry")
        << QStringList{"101 Akustik", "101_Akustisch"} << 101 << "Akustisch"
        << "Akustisch";
    QTest::newRow("first in sort order wins")
        << QStringList{"101_Zweite", "101_Erste"} << 101 << "Erste"
        << "Erste";
    QTest::newRow("case only: first in file")
        << QStringList{"101_AKUSTISCH", "101_akustisch"} << 101 << "AKUSTISCH"
        << "AKUSTISCH";
    QTest::newRow("case only: first in file, other order")
        << QStringList{"101_akustisch", "101_AKUSTISCH"} << 101 << "akustisch"
        << "akustisch";
    QTest::newRow("underscores and blanks kept")
        << QStringList{"101_ a_b__c_ "} << 101 << " a_b__c_ "
        << " a_b__c_ ";
    QTest::newRow("longer id with same digits") << QStringList{"1010_x", "10_y"} << 101 << "101"
                                                << "default";
    QTest::newRow("byte order mark before id")
        << QStringList{kBom + "101_Akustisch"} << 101 << "Akustisch"
        << "Akustisch";
    QTest::newRow("text equal to its id") << QStringList{"101_101"} << 101 << "101"
                                          << "default";
    QTest::newRow("largest id") << QStringList{"2147483647_max"} << 2147483647 << "max"
                                << "max";
    QTest::newRow("0") << QStringList{"0_null"} << 0 << "Fehler Id"
                       << "Fehler Id";
    QTest::newRow("100") << QStringList{"100_x"} << 100 << "Fehler Id"
                         << "Fehler Id";
    QTest::newRow("negative") << QStringList{"-5_x"} << -5 << "Fehler Id"
                              << "Fehler Id";
}

void TestLangLookup::lookup() {
    QFETCH(QStringList, lines);
    QFETCH(int, id);
    QFETCH(QString, lookupText);
    QFETCH(QString, translated);
    const Translator t = Loaded(lines);
    QVERIFY(t.loaded());
    QCOMPARE(t.LookupText(id), lookupText);
    QCOMPARE(t.Translate(QStringLiteral("default"), id), translated);
}

void TestLangLookup::insertKeepsSortedAndDropsEqual_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("German") << kGerman;
    QTest::newRow("English") << kEnglish;
}

void TestLangLookup::insertKeepsSortedAndDropsEqual() {
    QFETCH(QLocale, locale);
    LanguageList list(locale);
    for (const QString& line :
         {QStringLiteral("302_Ä"), QStringLiteral("101_b"), QStringLiteral("205_x"), QString(),
          kBom, QStringLiteral("101_B"), kBom + QStringLiteral("205_X"), QStringLiteral("1010_z"),
          QStringLiteral("101_a"), QStringLiteral("302_ä"), QStringLiteral("302_a")}) {
        list.insert(line);
    }
    const QStringList expected{"", "101_a", "101_b", "1010_z", "205_x", "302_a", "302_Ä"};
    QCOMPARE(list.lines(), expected);
}

void TestLangLookup::resetDiscardsList() {
    Translator t = Loaded({"101_Akustisch"});
    QCOMPARE(t.LookupText(101), QStringLiteral("Akustisch"));
    t.reset(kGerman);
    QVERIFY(t.loaded());
    QVERIFY(t.list()->lines().isEmpty());
    QCOMPARE(t.LookupText(101), QStringLiteral("101"));
    QCOMPARE(t.Translate(101), QStringLiteral("Acoustic"));
}

QTEST_GUILESS_MAIN(TestLangLookup)
#include "tst_lang_lookup.moc"
