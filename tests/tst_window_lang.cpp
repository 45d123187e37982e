// The German texts in the whole window: the shipped file beside the executable relabels the
// tagged buttons and supplies the messages and status texts.
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "lang/languagelist.h"
#include "lang/texts.h"
#include "support/formrig.h"

using namespace orvr;
using namespace orvr::test;

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);

QByteArray shippedFile() {
    return readFile(QFINDTESTDATA("../lang/DE_orvr.txt"));
}

// The shipped file's text for an identifier, read independently of the program's lookup.
QString shippedText(int id) {
    const QString prefix = QString::number(id) + QLatin1Char('_');
    for (const QString& line : QString::fromUtf8(shippedFile()).split(QLatin1Char('\n'))) {
        if (line.startsWith(prefix)) {
            return line.mid(prefix.size()).remove(QLatin1Char('\r'));
        }
    }
    return {};
}

}  // namespace

class WindowLang : public QObject {
    Q_OBJECT
  private slots:
    void shippedFileRelabelsAndTranslates();
    void emptyFileGivesIdentifiers();
    void missingFileKeepsEnglish();
    void unreadableFileKeepsEnglishAndGoesOn();
    void otherLanguageReadsNoFile();
};

void WindowLang::shippedFileRelabelsAndTranslates() {
    QVERIFY(!shippedFile().isEmpty());
    Rig rig;
    rig.locale = kGerman;
    writeFile(rig.filePath("DE_orvr.txt"), shippedFile());
    auto form = makeForm(rig);
    form->Create();
    QVERIFY(rig.dialogs->infos.isEmpty());

    const std::pair<QPushButton*, int> tagged[] = {{form->sbOrv_AMPLA, 101},
                                                   {form->sbOrv_AMPLE, 102},
                                                   {form->sbOrvLeseAlleKanaele, 103},
                                                   {form->sbOrv_Mess, 104},
                                                   {form->sbSaveFile, 105},
                                                   {form->sbSetIP, 106},
                                                   {form->sbViewAllOrNoneChannels, 107},
                                                   {form->sbViewOnlySelectedChannel, 108}};
    for (const auto& [button, id] : tagged) {
        QVERIFY(!shippedText(id).isEmpty());
        QCOMPARE(button->text(), shippedText(id));
    }
    // Untagged captions and the mode names are never looked up.
    QCOMPARE(form->sbOrv_FFT->text(), QStringLiteral("FFT"));
    QCOMPARE(form->ChartCh[0]->text(), QStringLiteral("Ch1"));
    QCOMPARE(form->cbChartLegendOnOff->text(), QStringLiteral("Legend"));

    form->SetStatus(0, form->sbOrv_Mess);
    QCOMPARE(form->lbstatus->text(), QStringLiteral("Ok"));
    form->SetStatus(1, form->sbOrv_Mess);
    QCOMPARE(form->lbstatus->text(), shippedText(text::Wait));
    QCOMPARE(form->windowTitle(), QStringLiteral("Rivezorud <") + shippedText(text::Wait) + '>');
    form->SetStatus(2, form->sbOrv_Mess);
    QCOMPARE(form->lbstatus->text(), shippedText(text::NoAccess));

    rig.server->setOverride("MODE?;", "1;20;20000;1;0;0;\r\n");
    form->TimerBusyTimer();
    QCOMPARE(form->lbMessmode->text(), QStringLiteral("Acoustic"));
    form->popCopyClick();
    QCOMPARE(rig.dialogs->infos, QStringList{shippedText(text::ChartCopied)});
}

void WindowLang::emptyFileGivesIdentifiers() {
    Rig rig;
    rig.locale = kGerman;
    writeFile(rig.filePath("DE_orvr.txt"), QByteArray());
    auto form = makeForm(rig);
    form->Create();
    QCOMPARE(form->sbOrv_AMPLA->text(), QStringLiteral("101"));
    QCOMPARE(form->sbViewOnlySelectedChannel->text(), QStringLiteral("108"));
    form->SetStatus(1, form->sbOrv_Mess);
    QCOMPARE(form->lbstatus->text(), QStringLiteral("Wait..."));
}

void WindowLang::missingFileKeepsEnglish() {
    Rig rig;
    rig.locale = kGerman;
    auto form = makeForm(rig);
    form->Create();
    QCOMPARE(rig.dialogs->infos, QStringList{QStringLiteral("German language file not found!")});
    QCOMPARE(form->sbOrv_AMPLA->text(), QStringLiteral("Acoustic"));
    QVERIFY(form->TimerBusy->enabled());  // start-up went on
}

void WindowLang::unreadableFileKeepsEnglishAndGoesOn() {
    Rig rig;
    rig.locale = kGerman;
    // A name that exists but cannot be read as a file.
    QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), rig.filePath("DE_orvr.txt")));
    auto form = makeForm(rig);
    form->Create();
    QCOMPARE(rig.dialogs->errors.size(), 1);
    QVERIFY(rig.dialogs->infos.isEmpty());
    QCOMPARE(form->sbOrv_AMPLA->text(), QStringLiteral("Acoustic"));
    QVERIFY(!form->translator().loaded());
    QVERIFY(form->TimerBusy->enabled());
    QCOMPARE(rig.takeLog(), lines({"FPRESET?;", "VER?;", "VER?;"}));
}

void WindowLang::otherLanguageReadsNoFile() {
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::French, QLocale::France)}) {
        Rig rig;
        rig.locale = locale;
        writeFile(rig.filePath("DE_orvr.txt"), "101_Falsch\n");
        auto form = makeForm(rig);
        form->Create();
        QVERIFY(rig.dialogs->infos.isEmpty());
        QCOMPARE(form->sbOrv_AMPLA->text(), QStringLiteral("Acoustic"));
        QVERIFY(!form->translator().loaded());
    }
}

QTEST_MAIN(WindowLang)
#include "tst_window_lang.moc"
