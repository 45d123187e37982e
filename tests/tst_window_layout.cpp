// The window's components in their design state, the percentage grid at the drawn size,
// the pop-up menu, the two looks, and the real dialogs.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "app/looks.h"
#include "app/widgets.h"
#include "chart/chartview.h"
#include "support/formrig.h"

using namespace orvr;
using namespace orvr::test;

Q_DECLARE_METATYPE(orvr::Look)

namespace {

QString captionOf(const QObject* o) {
    if (auto* b = qobject_cast<const QAbstractButton*>(o)) {
        return b->text();
    }
    if (auto* l = qobject_cast<const QLabel*>(o)) {
        return l->text();
    }
    if (auto* a = qobject_cast<const QAction*>(o)) {
        return a->text();
    }
    if (auto* e = qobject_cast<const QLineEdit*>(o)) {
        return e->text();
    }
    return {};
}

QRect inForm(const QWidget* w, const QWidget* form) {
    return {w->mapTo(form, QPoint(0, 0)), w->size()};
}

bool near(const QRect& a, const QRect& b, int tolerance) {
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance &&
           std::abs(a.width() - b.width()) <= tolerance &&
           std::abs(a.height() - b.height()) <= tolerance;
}

QRgb pixelAt(const QImage& image, const QWidget* w, const QWidget* form, QPoint local) {
    const QPoint p = w->mapTo(form, local) * image.devicePixelRatio();
    return image.pixel(p) | 0xFF000000u;
}

}  // namespace

class WindowLayout : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase();
    void cleanupTestCase();
    void components_data();
    void components();
    void designState();
    void popupMenuOnlyOverItsThreeWidgets_data();
    void popupMenuOnlyOverItsThreeWidgets();
    void cellsAtTheDrawnSize_data();
    void cellsAtTheDrawnSize();
    void proportionsHoldWhenResized();
    void captionsWrapWithoutLosingText_data();
    void captionsWrapWithoutLosingText();
    void looks_data();
    void looks();
    void messageBoxesShowTextAsPlainText_data();
    void messageBoxesShowTextAsPlainText();
    void inputDialogAnswersOnceAndGoes_data();
    void inputDialogAnswersOnceAndGoes();

  private:
    std::unique_ptr<Rig> rig_;
    std::unique_ptr<TForm1> form_;
};

void WindowLayout::initTestCase() {
    rig_ = std::make_unique<Rig>();
    form_ = makeForm(*rig_);
    form_->resize(650, 340);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QCOMPARE(form_->size(), QSize(650, 340));
}

void WindowLayout::cleanupTestCase() {
    form_.reset();
    rig_.reset();
}

void WindowLayout::components_data() {
    QTest::addColumn<QObject*>("member");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("tag");
    QTest::addColumn<QString>("caption");
    TForm1& f = *form_;
    struct Row {
        const char* name;
        QObject* member;
        const char* kind;
        int tag;
        const char* caption;
    };
    const std::vector<Row> rows{
        {"paMain", f.paMain, "QWidget", 0, ""},
        {"paMessmode1", f.paMessmode1, "orvr::Frame", 0, ""},
        {"paMessmode", f.paMessmode, "QWidget", 0, ""},
        {"sbOrv_AMPLA", f.sbOrv_AMPLA, "orvr::SpeedButton", 101, "Acoustic"},
        {"sbOrv_AMPLE", f.sbOrv_AMPLE, "orvr::SpeedButton", 102, "Electric"},
        {"sbOrv_FFT", f.sbOrv_FFT, "orvr::SpeedButton", 0, "FFT"},
        {"sbOrv_Z", f.sbOrv_Z, "orvr::SpeedButton", 0, "Z"},
        {"paChartLesen1", f.paChartLesen1, "orvr::Frame", 0, ""},
        {"paChartLesen", f.paChartLesen, "QWidget", 0, ""},
        {"sbOrvLeseAlleKanäle", f.sbOrvLeseAlleKanaele, "orvr::SpeedButton", 103, "XY"},
        {"sbOrv_xyviewFreq", f.sbOrv_xyviewFreq, "orvr::SpeedButton", 0, "Freq"},
        {"sbOrv_xyviewZ", f.sbOrv_xyviewZ, "orvr::SpeedButton", 0, "Z"},
        {"paMessenStart1", f.paMessenStart1, "orvr::Frame", 0, ""},
        {"paMessenStart", f.paMessenStart, "QWidget", 0, ""},
        {"cbMesskanal", f.cbMesskanal, "QComboBox", 0, ""},
        {"rectOrvBusy", f.rectOrvBusy, "orvr::Lamp", 0, ""},
        {"sbOrv_Mess", f.sbOrv_Mess, "orvr::SpeedButton", 104, "Start"},
        {"pafminfmax", f.pafminfmax, "QWidget", 0, ""},
        {"spOrvSetFmin", f.spOrvSetFmin, "orvr::SpeedButton", 0, "fmin"},
        {"spOrvSetFmax", f.spOrvSetFmax, "orvr::SpeedButton", 0, "fmax"},
        {"paFileSave1", f.paFileSave1, "orvr::Frame", 0, ""},
        {"paFileSave", f.paFileSave, "QWidget", 0, ""},
        {"edFileSaveName", f.edFileSaveName, "QLineEdit", 0, ""},
        {"sbSaveFile", f.sbSaveFile, "orvr::SpeedButton", 105, "Save file"},
        {"paNetzwerk", f.paNetzwerk, "orvr::Frame", 0, ""},
        {"paNetzwerk1", f.paNetzwerk1, "QWidget", 0, ""},
        {"Label1", f.Label1, "QLabel", 0, "Orv IP"},
        {"rectOrvConnected", f.rectOrvConnected, "orvr::Lamp", 0, ""},
        {"edipOrv", f.edipOrv, "QLineEdit", 0, ""},
        {"sbSetIP", f.sbSetIP, "orvr::SpeedButton", 106, "Set IP / Connect"},
        {"paFreqPreset", f.paFreqPreset, "QWidget", 0, ""},
        {"sbF1", f.sbF[0], "orvr::SpeedButton", 1, "F1"},
        {"sbF2", f.sbF[1], "orvr::SpeedButton", 2, "F2"},
        {"sbF3", f.sbF[2], "orvr::SpeedButton", 3, "F3"},
        {"sbF4", f.sbF[3], "orvr::SpeedButton", 4, "F4"},
        {"sbF5", f.sbF[4], "orvr::SpeedButton", 5, "F5"},
        {"sbF6", f.sbF[5], "orvr::SpeedButton", 6, "F6"},
        {"cbChartLegendOnOff", f.cbChartLegendOnOff, "QCheckBox", 0, "Legend"},
        {"paChartZeigeTasten", f.paChartZeigeTasten, "QWidget", 0, ""},
        {"sbViewAllOrNoneChannels", f.sbViewAllOrNoneChannels, "orvr::SpeedButton", 107, "All"},
        {"sbViewOnlySelectedChannel", f.sbViewOnlySelectedChannel, "orvr::SpeedButton", 108,
         "Active"},
        {"Chart1", f.Chart1, "orvr::ChartView", 0, ""},
        {"paChartKanalAnAus", f.paChartKanalAnAus, "QWidget", 0, ""},
        {"GridPanelLayout2", f.GridPanelLayout2, "QWidget", 0, ""},
        {"ChartCh1", f.ChartCh[0], "QCheckBox", 1, "Ch1"},
        {"ChartCh2", f.ChartCh[1], "QCheckBox", 2, "Ch2"},
        {"ChartCh3", f.ChartCh[2], "QCheckBox", 3, "Ch3"},
        {"ChartCh4", f.ChartCh[3], "QCheckBox", 4, "Ch4"},
        {"ChartCh5", f.ChartCh[4], "QCheckBox", 5, "Ch5"},
        {"ChartCh6", f.ChartCh[5], "QCheckBox", 6, "Ch6"},
        {"SpeedButton1", f.SpeedButton1, "QToolButton", 0, "Open to"},
        {"ShowShareSheetAction1", f.ShowShareSheetAction1, "QAction", 0, "Open to"},
        {"StatusBar1", f.StatusBar1, "QStatusBar", 0, ""},
        {"lbfminfmax", f.lbfminfmax, "QLabel", 0, "fmin/fmax"},
        {"lbMessmode", f.lbMessmode, "QLabel", 0, "Mode"},
        {"rectstatus", f.rectstatus, "orvr::Lamp", 0, ""},
        {"lbstatus", f.lbstatus, "QLabel", 0, "?"},
        {"TimerBusy", f.TimerBusy, "orvr::SwitchTimer", 0, ""},
        {"Timer1", f.Timer1, "orvr::SwitchTimer", 0, ""},
        {"PopupMenu1", f.PopupMenu1, "QMenu", 0, ""},
        {"popStyle", f.popStyle, "QAction", 0, "Style"},
        {"popCopy", f.popCopy, "QAction", 0, "Copy"},
    };
    for (const Row& r : rows) {
        QTest::newRow(r.name) << r.member << QString::fromLatin1(r.kind) << r.tag
                              << QString::fromUtf8(r.caption);
    }
}

void WindowLayout::components() {
    QFETCH(QObject*, member);
    QFETCH(QString, kind);
    QFETCH(int, tag);
    QFETCH(QString, caption);
    const QString name = QString::fromUtf8(QTest::currentDataTag());
    // Exactly one child of that name, and it is the member the handlers use.
    const auto found = form_->findChildren<QObject*>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.front(), member);
    QVERIFY2(member->inherits(kind.toLatin1().constData()), member->metaObject()->className());
    QVERIFY(member->property("Tag").isValid());
    QCOMPARE(member->property("Tag").toInt(), tag);
    QCOMPARE(captionOf(member), caption);
}

void WindowLayout::designState() {
    TForm1& f = *form_;
    QCOMPARE(f.windowTitle(), QStringLiteral("Rivezorud"));

    QCOMPARE(f.cbMesskanal->count(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(f.cbMesskanal->itemText(i), QString::number(i + 1));
    }
    QCOMPARE(f.cbMesskanal->currentIndex(), -1);

    QVERIFY(f.cbChartLegendOnOff->isChecked());
    for (QCheckBox* c : f.ChartCh) {
        QVERIFY(c->isChecked());
        QVERIFY(c->isVisibleTo(&f));
    }
    {
        // Built without the rig's long intervals, and never created: no exchange happens.
        TForm1 fresh(rig_->environment());
        for (SwitchTimer* t : {fresh.TimerBusy, fresh.Timer1}) {
            QVERIFY(!t->enabled());
            QCOMPARE(t->interval(), 1000);
        }
    }

    for (Lamp* l : {f.rectOrvBusy, f.rectOrvConnected, f.rectstatus}) {
        QCOMPARE(l->fillColor(), QColor::fromRgba(0xFFE0E0E0));
    }
    QVERIFY(f.rectOrvBusy->hasOutline());
    QVERIFY(f.rectOrvConnected->hasOutline());
    QVERIFY(!f.rectstatus->hasOutline());
    QCOMPARE(f.lbstatus->parentWidget(), f.rectstatus);

    // The preset buttons are smaller type and wrap, as does the connect button.
    for (QPushButton* b : f.sbF) {
        QCOMPARE(b->font().pixelSize(), 11);
        QVERIFY(static_cast<SpeedButton*>(b)->wraps());
    }
    QVERIFY(static_cast<SpeedButton*>(f.sbSetIP)->wraps());
    QVERIFY(!static_cast<SpeedButton*>(f.sbOrv_Mess)->wraps());
    for (QPushButton* b : f.findChildren<QPushButton*>()) {
        QVERIFY2(b->isFlat(), qPrintable(b->objectName()));
    }
    QVERIFY(f.sbOrvLeseAlleKanaele->testAttribute(Qt::WA_SetCursor));
    QCOMPARE(f.sbOrvLeseAlleKanaele->cursor().shape(), Qt::ArrowCursor);

    QCOMPARE(f.SpeedButton1->defaultAction(), f.ShowShareSheetAction1);
    QVERIFY(f.SpeedButton1->isVisibleTo(&f));
    QVERIFY(f.SpeedButton1->isEnabled());
    QVERIFY(f.ShowShareSheetAction1->isEnabled());

    QCOMPARE(f.PopupMenu1->actions(), (QList<QAction*>{f.popStyle, f.popCopy}));
    QCOMPARE(f.statusBar(), f.StatusBar1);
    QVERIFY(f.StatusBar1->isSizeGripEnabled());
}

void WindowLayout::popupMenuOnlyOverItsThreeWidgets_data() {
    QTest::addColumn<QWidget*>("widget");
    QTest::addColumn<bool>("opens");
    TForm1& f = *form_;
    QTest::newRow("sbSetIP") << static_cast<QWidget*>(f.sbSetIP) << true;
    QTest::newRow("lbfminfmax") << static_cast<QWidget*>(f.lbfminfmax) << true;
    QTest::newRow("lbMessmode") << static_cast<QWidget*>(f.lbMessmode) << true;
    QTest::newRow("sbOrv_Mess") << static_cast<QWidget*>(f.sbOrv_Mess) << false;
    QTest::newRow("Label1") << static_cast<QWidget*>(f.Label1) << false;
    QTest::newRow("lbstatus") << static_cast<QWidget*>(f.lbstatus) << false;
    QTest::newRow("rectOrvConnected") << static_cast<QWidget*>(f.rectOrvConnected) << false;
    QTest::newRow("cbChartLegendOnOff") << static_cast<QWidget*>(f.cbChartLegendOnOff) << false;
    QTest::newRow("SpeedButton1") << static_cast<QWidget*>(f.SpeedButton1) << false;
    QTest::newRow("StatusBar1") << static_cast<QWidget*>(f.StatusBar1) << false;
    QTest::newRow("paMain") << static_cast<QWidget*>(f.paMain) << false;
}

void WindowLayout::popupMenuOnlyOverItsThreeWidgets() {
    QFETCH(QWidget*, widget);
    QFETCH(bool, opens);
    QMenu* menu = form_->PopupMenu1;
    QVERIFY(!menu->isVisible());
    const QPoint local(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, local, widget->mapToGlobal(local));
    QCoreApplication::sendEvent(widget, &event);
    QCOMPARE(menu->isVisible(), opens);
    if (opens) {
        QCOMPARE(menu->pos(), widget->mapToGlobal(local));
    }
    menu->hide();
}

void WindowLayout::cellsAtTheDrawnSize_data() {
    // Client area 650 x 340: status bar 22 at the bottom, paMain 644 x 312 at (3, 3).
    // Expected rectangles in window coordinates, worked out from the percentages.
    QTest::addColumn<QWidget*>("widget");
    QTest::addColumn<QRect>("expected");
    TForm1& f = *form_;
    const auto row = [](const char* name, QWidget* w, QRect r) { QTest::newRow(name) << w << r; };
    row("paMain", f.paMain, {3, 3, 644, 312});
    row("Chart1", f.Chart1, {185, 3, 462, 256});
    row("paFreqPreset", f.paFreqPreset, {127, 3, 58, 210});
    row("sbF1", f.sbF[0], {130, 6, 52, 30});
    row("sbF6", f.sbF[5], {130, 182, 52, 28});
    row("cbChartLegendOnOff", f.cbChartLegendOnOff, {127, 213, 58, 46});
    row("sbViewOnlySelectedChannel", f.sbViewOnlySelectedChannel, {130, 290, 52, 22});
    row("paChartKanalAnAus", f.paChartKanalAnAus, {185, 259, 398, 56});
    row("ChartCh1", f.ChartCh[0], {190, 264, 56, 46});
    row("ChartCh6", f.ChartCh[5], {522, 264, 56, 46});
    row("SpeedButton1", f.SpeedButton1, {586, 262, 58, 50});
    row("sbOrv_AMPLA", f.sbOrv_AMPLA, {6, 6, 56, 28});
    row("sbOrv_Z", f.sbOrv_Z, {68, 40, 56, 27});
    row("paChartLesen", f.paChartLesen, {3, 75, 124, 46});
    row("sbOrvLeseAlleKanäle", f.sbOrvLeseAlleKanaele, {6, 78, 56, 40});
    row("sbOrv_xyviewFreq", f.sbOrv_xyviewFreq, {65, 75, 62, 23});
    row("sbOrv_xyviewZ", f.sbOrv_xyviewZ, {65, 98, 62, 23});
    row("paMessenStart", f.paMessenStart, {3, 126, 124, 87});
    row("cbMesskanal", f.cbMesskanal, {13, 129, 42, 16});
    row("rectOrvBusy", f.rectOrvBusy, {70, 131, 52, 12});
    row("sbOrv_Mess", f.sbOrv_Mess, {6, 151, 56, 59});
    row("spOrvSetFmin", f.spOrvSetFmin, {68, 151, 56, 27});
    row("spOrvSetFmax", f.spOrvSetFmax, {68, 184, 56, 26});
    row("paFileSave", f.paFileSave, {3, 216, 124, 43});
    row("edFileSaveName", f.edFileSaveName, {6, 216, 116, 17});
    row("sbSaveFile", f.sbSaveFile, {6, 236, 116, 18});
    row("paNetzwerk1", f.paNetzwerk1, {3, 259, 124, 56});
    row("Label1", f.Label1, {8, 259, 57, 20});
    row("rectOrvConnected", f.rectOrvConnected, {70, 264, 52, 10});
    row("edipOrv", f.edipOrv, {3, 279, 124, 16});
    row("sbSetIP", f.sbSetIP, {3, 297, 124, 18});
    row("StatusBar1", f.StatusBar1, {0, 318, 650, 22});
    row("lbfminfmax", f.lbfminfmax, {30, 318, 82, 22});
    row("lbMessmode", f.lbMessmode, {112, 318, 388, 22});
    row("rectstatus", f.rectstatus, {503, 321, 127, 16});
    row("lbstatus", f.lbstatus, {504, 321, 126, 16});
}

void WindowLayout::cellsAtTheDrawnSize() {
    QFETCH(QWidget*, widget);
    QFETCH(QRect, expected);
    QCOMPARE(form_->size(), QSize(650, 340));
    const QRect actual = inForm(widget, form_.get());
    QVERIFY2(near(actual, expected, 1), qPrintable(QStringLiteral("got %1,%2 %3x%4")
                                                       .arg(actual.x())
                                                       .arg(actual.y())
                                                       .arg(actual.width())
                                                       .arg(actual.height())));
}

void WindowLayout::proportionsHoldWhenResized() {
    TForm1& f = *form_;
    f.resize(1300, 680);
    QTRY_COMPARE(f.paMain->size(), QSize(1294, 652));
    // Column 2 starts at 28.29 % and runs to the edge; rows 0-3 are 82 %.
    QVERIFY(near(inForm(f.Chart1, &f), {3 + 366, 3, 928, 535}, 1));
    // The preset column: 9 % wide, rows 0-2 are 67.18 % high.
    QVERIFY(near(inForm(f.paFreqPreset, &f), {3 + 250, 3, 116, 438}, 1));
    // The status field stays docked to the right at its fixed size.
    QVERIFY(near(inForm(f.rectstatus, &f), {1300 - 147, 680 - 19, 127, 16}, 0));
    f.resize(650, 340);
    QTRY_COMPARE(f.paMain->size(), QSize(644, 312));
}

void WindowLayout::captionsWrapWithoutLosingText_data() {
    // The width is that of the widest expected line, so the break points are fixed
    // whatever the font.
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fits") << "F1"
                          << "F1";
    QTest::newRow("at a space") << "Set IP / Connect"
                                << "Set IP /\nConnect";
    QTest::newRow("a range after its hyphen") << "200Hz-20kHz"
                                              << "200Hz-\n20kHz";
    QTest::newRow("one long word inside") << "WWWWWWWWWW"
                                          << "WWWWW\nWWWWW";
}

void WindowLayout::captionsWrapWithoutLosingText() {
    QFETCH(QString, caption);
    QFETCH(QString, expected);
    SpeedButton button(caption, nullptr, true);
    int width = 0;
    for (const QString& line : expected.split(QLatin1Char('\n'))) {
        width = std::max(width, button.fontMetrics().horizontalAdvance(line));
    }
    QCOMPARE(button.wrappedCaption(width + 1), expected);
}

void WindowLayout::looks_data() {
    QTest::addColumn<Look>("look");
    QTest::addColumn<QRgb>("window");
    QTest::addColumn<QRgb>("text");
    QTest::addColumn<QRgb>("buttonFace");
    QTest::addColumn<QRgb>("buttonOutline");
    QTest::addColumn<QRgb>("editFace");
    QTest::addColumn<QRgb>("editText");
    QTest::addColumn<QRgb>("selection");
    QTest::addColumn<QRgb>("checkText");
    QTest::addColumn<QRgb>("menuHighlight");
    // The dark face is the look's own choice; the light one is fixed.
    QTest::newRow("dark") << Look::Dark << 0xFF505050u << 0xFFE0E0E0u << 0xFF5E5E5Eu << 0xFF404040u
                          << 0xFF333333u << 0xFFEAEAEAu << 0x70F69E2Du << 0xFFFFFFFFu
                          << 0xFF936639u;
    QTest::newRow("light") << Look::Light << 0xFFF0F0F0u << 0xFF000000u << 0xFFFBFBFBu
                           << 0xFFD6D6D6u << 0xFFFFFFFFu << 0xFF898989u << 0x803DC9EDu
                           << 0xFF828282u << 0xFF3DC9EDu;
}

void WindowLayout::looks() {
    QFETCH(Look, look);
    QFETCH(QRgb, window);
    QFETCH(QRgb, text);
    QFETCH(QRgb, buttonFace);
    QFETCH(QRgb, buttonOutline);
    QFETCH(QRgb, editFace);
    QFETCH(QRgb, editText);
    QFETCH(QRgb, selection);
    QFETCH(QRgb, checkText);
    QFETCH(QRgb, menuHighlight);
    TForm1& f = *form_;
    ApplyLook(&f, look);
    const auto colour = [](QWidget* w, QPalette::ColorRole role) {
        w->ensurePolished();
        return w->palette().color(role).rgba();
    };
    QCOMPARE(colour(f.Label1, QPalette::WindowText), text);
    QCOMPARE(colour(f.lbMessmode, QPalette::WindowText), text);
    QCOMPARE(colour(f.sbSetIP, QPalette::ButtonText), text);
    QCOMPARE(colour(f.edipOrv, QPalette::Base), editFace);
    QCOMPARE(colour(f.edipOrv, QPalette::Text), editText);
    QCOMPARE(colour(f.edipOrv, QPalette::Highlight), selection);
    QCOMPARE(colour(f.ChartCh[0], QPalette::WindowText), checkText);
    // What the base style draws from the palette: the check box's box, the combo's arrow.
    QCOMPARE(colour(f.ChartCh[0], QPalette::Base), editFace);
    QCOMPARE(colour(f.cbChartLegendOnOff, QPalette::Base), editFace);
    QCOMPARE(colour(f.cbMesskanal, QPalette::ButtonText), editText);
    QCOMPARE(colour(f.lbstatus, QPalette::WindowText), 0xFF000000u);

    // What is drawn: background, a button's face and outline, the lamps and frame lines,
    // which keep their own colours in both looks.
    const QImage shot = f.grab().toImage();
    QCOMPARE(pixelAt(shot, f.paMessmode1, &f, {1, 1}), window);
    const QPoint middleLeft(3, f.sbOrv_Z->height() / 2);
    QCOMPARE(pixelAt(shot, f.sbOrv_Z, &f, middleLeft), buttonFace);
    QCOMPARE(pixelAt(shot, f.sbOrv_Z, &f, {f.sbOrv_Z->width() / 2, 0}), buttonOutline);
    QCOMPARE(pixelAt(shot, f.rectOrvBusy, &f, {0, 0}), 0xFF000000u);
    QCOMPARE(pixelAt(shot, f.rectOrvBusy, &f, f.rectOrvBusy->rect().center()), 0xFFE0E0E0u);
    QCOMPARE(pixelAt(shot, f.rectstatus, &f, {0, 0}), 0xFFE0E0E0u);
    QCOMPARE(pixelAt(shot, f.paChartLesen1, &f, {f.paChartLesen1->width() / 2, 0}), 0xFF000000u);
    QCOMPARE(pixelAt(shot, f.paChartLesen1, &f, {f.paChartLesen1->width() / 2, 2}), window);

    // The highlighted menu item.
    f.PopupMenu1->popup(f.mapToGlobal(QPoint(10, 10)));
    f.PopupMenu1->setActiveAction(f.popStyle);
    const QImage menu = f.PopupMenu1->grab().toImage();
    const QRect item = f.PopupMenu1->actionGeometry(f.popStyle);
    QCOMPARE(menu.pixel(QPoint(item.left() + 3, item.center().y()) * menu.devicePixelRatio()) |
                 0xFF000000u,
             menuHighlight);
    f.PopupMenu1->hide();

    // Dialogs are their own windows and still get the look.
    QMessageBox box(QMessageBox::Information, QString(), QStringLiteral("x"), QMessageBox::Ok, &f);
    QCOMPARE(colour(&box, QPalette::Window), window);
    QCOMPARE(
        colour(box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")), QPalette::WindowText),
        text);
}

void WindowLayout::messageBoxesShowTextAsPlainText_data() {
    QTest::addColumn<bool>("error");
    QTest::addColumn<int>("icon");
    QTest::newRow("information") << false << int(QMessageBox::Information);
    QTest::newRow("error") << true << int(QMessageBox::Critical);
}

void WindowLayout::messageBoxesShowTextAsPlainText() {
    QFETCH(bool, error);
    QFETCH(int, icon);
    const QString text = QStringLiteral("Saved <b>x</b> & <i>y</i>");
    QString shown;
    int shownIcon = -1;
    Qt::TextFormat format = Qt::AutoText;
    bool modal = false;
    QTimer::singleShot(0, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        shown = box->text();
        shownIcon = box->icon();
        format = box->textFormat();
        modal = box->isModal();
        box->accept();
    });
    QtDialogs dialogs;
    if (error) {
        dialogs.error(form_.get(), text);
    } else {
        dialogs.information(form_.get(), text);
    }
    QCOMPARE(shown, text);
    QCOMPARE(shownIcon, icon);
    QCOMPARE(format, Qt::PlainText);
    QVERIFY(modal);
}

void WindowLayout::inputDialogAnswersOnceAndGoes_data() {
    QTest::addColumn<bool>("accept");
    QTest::addColumn<int>("result");
    QTest::newRow("accept") << true << 1;
    QTest::newRow("reject") << false << 0;
}

void WindowLayout::inputDialogAnswersOnceAndGoes() {
    QFETCH(bool, accept);
    QFETCH(int, result);
    QtDialogs dialogs;
    std::vector<std::pair<int, QStringList>> answers;
    const bool shown = dialogs.inputAsync(
        form_.get(), QStringLiteral("fmin(Hz)"), QStringLiteral("Value"), QStringLiteral("20"),
        [&answers](int r, const QStringList& values) { answers.emplace_back(r, values); });
    QVERIFY(shown);
    // Returned at once: nothing answered yet, the dialog open and modal over the window.
    QVERIFY(answers.empty());
    QPointer<QInputDialog> dialog = form_->findChild<QInputDialog*>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("fmin(Hz)"));
    QCOMPARE(dialog->labelText(), QStringLiteral("Value"));
    QCOMPARE(dialog->textValue(), QStringLiteral("20"));

    dialog->setTextValue(QStringLiteral("25"));
    if (accept) {
        dialog->accept();
    } else {
        dialog->reject();
    }
    QCOMPARE(answers.size(), size_t(1));
    QCOMPARE(answers[0].first, result);
    QCOMPARE(answers[0].second, QStringList{QStringLiteral("25")});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(dialog.isNull());
}

QTEST_MAIN(WindowLayout)
#include "tst_window_layout.moc"
