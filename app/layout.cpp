// The window's components in their design state: names, kinds, tags, captions and cells.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "app/mainwindow.h"
#include "app/widgets.h"
#include "chart/chartview.h"
#include "link/switchtimer.h"

namespace orvr {

namespace {

template <class T>
T* named(T* o, const QString& name, int tag = 0) {
    o->setObjectName(name);
    o->setProperty("Tag", tag);
    return o;
}

template <class T>
T* named(T* o, const char* name, int tag = 0) {
    return named(o, QString::fromLatin1(name), tag);
}

// Speed buttons sit this far inside their cells unless a cell says otherwise.
const QMargins kButtonInsets{3, 3, 3, 3};

// A container whose children are placed by percentage.
PercentGrid* grid(QWidget* w, QList<double> columns, QList<double> rows) {
    return new PercentGrid(w, std::move(columns), std::move(rows));
}

// A child widget filling its parent minus the insets.
void fill(QWidget* parent, QWidget* child, QMargins insets = {}) {
    grid(parent, {100}, {100})->add(child, 0, 0, insets);
}

SpeedButton* speedButton(QWidget* parent, const char* name, int tag, const char* caption,
                         bool wrap = false) {
    return named(new SpeedButton(QString::fromUtf8(caption), parent, wrap), name, tag);
}

void openMenuOnContextClick(QWidget* w, QMenu* menu) {
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(w, &QWidget::customContextMenuRequested, menu,
                     [w, menu](const QPoint& pos) { menu->popup(w->mapToGlobal(pos)); });
}

}  // namespace

void TForm1::buildLayout() {
    named(this, "Form1");
    setWindowTitle(QStringLiteral("Rivezorud"));

    // The main grid sits 3 units in from the edges of the area above the status bar.
    auto* client = new QWidget(this);
    setCentralWidget(client);
    paMain = named(new QWidget(client), "paMain");
    fill(client, paMain, {3, 3, 3, 3});
    PercentGrid* mainGrid = grid(paMain, {19.29, 9, 61.71, 10}, {21.50, 16.34, 29.34, 14.82, 18});

    // Mode buttons.
    paMessmode1 = named(new Frame(paMain, false), "paMessmode1");
    mainGrid->add(paMessmode1, 0, 0);
    paMessmode = named(new QWidget(paMessmode1), "paMessmode");
    fill(paMessmode1, paMessmode);
    PercentGrid* modeGrid = grid(paMessmode, {50, 50}, {50, 50});
    sbOrv_AMPLA = speedButton(paMessmode, "sbOrv_AMPLA", 101, "Acoustic");
    sbOrv_AMPLE = speedButton(paMessmode, "sbOrv_AMPLE", 102, "Electric");
    sbOrv_FFT = speedButton(paMessmode, "sbOrv_FFT", 0, "FFT");
    sbOrv_Z = speedButton(paMessmode, "sbOrv_Z", 0, "Z");
    modeGrid->add(sbOrv_AMPLA, 0, 0, kButtonInsets);
    modeGrid->add(sbOrv_AMPLE, 1, 0, kButtonInsets);
    modeGrid->add(sbOrv_FFT, 0, 1, kButtonInsets);
    modeGrid->add(sbOrv_Z, 1, 1, kButtonInsets);

    // Read buttons.
    paChartLesen1 = named(new Frame(paMain), "paChartLesen1");
    mainGrid->add(paChartLesen1, 0, 1);
    paChartLesen = named(new QWidget(paChartLesen1), "paChartLesen");
    fill(paChartLesen1, paChartLesen, {0, 5, 0, 0});
    PercentGrid* readGrid = grid(paChartLesen, {50, 50}, {50, 50});
    sbOrvLeseAlleKanaele = named(new SpeedButton(QStringLiteral("XY"), paChartLesen),
                                 QString::fromUtf8("sbOrvLeseAlleKanäle"), 103);
    sbOrvLeseAlleKanaele->setCursor(Qt::ArrowCursor);
    sbOrv_xyviewFreq = speedButton(paChartLesen, "sbOrv_xyviewFreq", 0, "Freq");
    sbOrv_xyviewZ = speedButton(paChartLesen, "sbOrv_xyviewZ", 0, "Z");
    readGrid->add(sbOrvLeseAlleKanaele, 0, 0, kButtonInsets, 1, 2);
    readGrid->add(sbOrv_xyviewFreq, 1, 0);
    readGrid->add(sbOrv_xyviewZ, 1, 1);

    // Measurement start.
    paMessenStart1 = named(new Frame(paMain), "paMessenStart1");
    mainGrid->add(paMessenStart1, 0, 2);
    paMessenStart = named(new QWidget(paMessenStart1), "paMessenStart");
    fill(paMessenStart1, paMessenStart, {0, 5, 0, 0});
    PercentGrid* startGrid = grid(paMessenStart, {50, 50}, {25, 75});
    cbMesskanal = named(new ComboBox(paMessenStart), "cbMesskanal");
    for (int i = 1; i <= 6; ++i) {
        cbMesskanal->addItem(QString::number(i));
    }
    cbMesskanal->setCurrentIndex(-1);
    rectOrvBusy = named(new Lamp(paMessenStart), "rectOrvBusy");
    sbOrv_Mess = speedButton(paMessenStart, "sbOrv_Mess", 104, "Start");
    pafminfmax = named(new QWidget(paMessenStart), "pafminfmax");
    startGrid->add(cbMesskanal, 0, 0, {10, 3, 10, 3});
    startGrid->add(rectOrvBusy, 1, 0, {5, 5, 5, 5});
    startGrid->add(sbOrv_Mess, 0, 1, kButtonInsets);
    startGrid->add(pafminfmax, 1, 1);
    PercentGrid* limitGrid = grid(pafminfmax, {100}, {50, 50});
    spOrvSetFmin = speedButton(pafminfmax, "spOrvSetFmin", 0, "fmin");
    spOrvSetFmax = speedButton(pafminfmax, "spOrvSetFmax", 0, "fmax");
    limitGrid->add(spOrvSetFmin, 0, 0, kButtonInsets);
    limitGrid->add(spOrvSetFmax, 0, 1, kButtonInsets);

    // File save.
    paFileSave1 = named(new Frame(paMain), "paFileSave1");
    mainGrid->add(paFileSave1, 0, 3);
    paFileSave = named(new QWidget(paFileSave1), "paFileSave");
    fill(paFileSave1, paFileSave, {0, 3, 0, 0});
    PercentGrid* saveGrid = grid(paFileSave, {50, 50}, {40, 60});
    edFileSaveName = named(new QLineEdit(paFileSave), "edFileSaveName");
    sbSaveFile = speedButton(paFileSave, "sbSaveFile", 105, "Save file");
    saveGrid->add(edFileSaveName, 0, 0, {3, 0, 5, 0}, 2, 1);
    saveGrid->add(sbSaveFile, 0, 1, {3, 3, 5, 5}, 2, 1);

    // Network.
    paNetzwerk = named(new Frame(paMain), "paNetzwerk");
    mainGrid->add(paNetzwerk, 0, 4);
    paNetzwerk1 = named(new QWidget(paNetzwerk), "paNetzwerk1");
    fill(paNetzwerk, paNetzwerk1);
    PercentGrid* netGrid = grid(paNetzwerk1, {50, 50}, {35, 29.55, 35.45});
    Label1 = named(new QLabel(QStringLiteral("Orv IP"), paNetzwerk1), "Label1");
    Label1->setAlignment(Qt::AlignCenter);
    rectOrvConnected = named(new Lamp(paNetzwerk1), "rectOrvConnected");
    edipOrv = named(new QLineEdit(paNetzwerk1), "edipOrv");
    sbSetIP = speedButton(paNetzwerk1, "sbSetIP", 106, "Set IP / Connect", true);
    netGrid->add(Label1, 0, 0, {5, 0, 0, 0});
    netGrid->add(rectOrvConnected, 1, 0, {5, 5, 5, 5});
    netGrid->add(edipOrv, 0, 1, {}, 2, 1);
    netGrid->add(sbSetIP, 0, 2, {0, 2, 0, 0}, 2, 1);

    // Presets.
    paFreqPreset = named(new QWidget(paMain), "paFreqPreset");
    mainGrid->add(paFreqPreset, 1, 0, {}, 1, 3);
    PercentGrid* presetGrid = grid(paFreqPreset, {100}, {17, 15.08, 16.41, 18, 17.26, 16.25});
    QFont presetFont;  // only the size is set; family and style stay the look's
    presetFont.setPixelSize(11);
    for (int i = 0; i < 6; ++i) {
        const QString n = QString::number(i + 1);
        sbF[i] = named(new SpeedButton(QStringLiteral("F") + n, paFreqPreset, true),
                       QStringLiteral("sbF") + n, i + 1);
        sbF[i]->setFont(presetFont);
        presetGrid->add(sbF[i], 0, i, kButtonInsets);
    }

    cbChartLegendOnOff =
        named(new QCheckBox(QStringLiteral("Legend"), paMain), "cbChartLegendOnOff");
    cbChartLegendOnOff->setChecked(true);
    mainGrid->add(cbChartLegendOnOff, 1, 3);

    // View buttons.
    paChartZeigeTasten = named(new QWidget(paMain), "paChartZeigeTasten");
    mainGrid->add(paChartZeigeTasten, 1, 4);
    PercentGrid* viewGrid = grid(paChartZeigeTasten, {100}, {50, 50});
    sbViewAllOrNoneChannels =
        speedButton(paChartZeigeTasten, "sbViewAllOrNoneChannels", 107, "All");
    sbViewOnlySelectedChannel =
        speedButton(paChartZeigeTasten, "sbViewOnlySelectedChannel", 108, "Active");
    viewGrid->add(sbViewAllOrNoneChannels, 0, 0, kButtonInsets);
    viewGrid->add(sbViewOnlySelectedChannel, 0, 1, kButtonInsets);

    // The chart.
    Chart1 = named(new ChartView(&chart_, paMain), "Chart1");
    mainGrid->add(Chart1, 2, 0, {}, 2, 4);

    // Channel boxes on the panel.
    paChartKanalAnAus = named(new QWidget(paMain), "paChartKanalAnAus");
    paChartKanalAnAus->setAttribute(Qt::WA_StyledBackground);
    mainGrid->add(paChartKanalAnAus, 2, 4);
    GridPanelLayout2 = named(new QWidget(paChartKanalAnAus), "GridPanelLayout2");
    fill(paChartKanalAnAus, GridPanelLayout2);
    const double sixth = 100.0 / 6;
    PercentGrid* channelGrid =
        grid(GridPanelLayout2, {sixth, sixth, sixth, sixth, sixth, sixth}, {100});
    for (int i = 0; i < 6; ++i) {
        const QString n = QString::number(i + 1);
        ChartCh[i] = named(new QCheckBox(QStringLiteral("Ch") + n, GridPanelLayout2),
                           QStringLiteral("ChartCh") + n, i + 1);
        ChartCh[i]->setChecked(true);
        channelGrid->add(ChartCh[i], i, 0, {5, 5, 5, 5});
    }

    // Share.
    ShowShareSheetAction1 =
        named(new QAction(QStringLiteral("Open to"), this), "ShowShareSheetAction1");
    SpeedButton1 = named(new QToolButton(paMain), "SpeedButton1");
    SpeedButton1->setDefaultAction(ShowShareSheetAction1);
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    mainGrid->add(SpeedButton1, 3, 4, kButtonInsets);

    // Status bar.
    auto* bar = named(new StatusBar(this), "StatusBar1");
    StatusBar1 = bar;
    bar->setSizeGripEnabled(true);
    bar->setFixedHeight(22);
    setStatusBar(bar);
    lbfminfmax = named(new QLabel(QStringLiteral("fmin/fmax"), bar), "lbfminfmax");
    lbMessmode = named(new QLabel(QStringLiteral("Mode"), bar), "lbMessmode");
    rectstatus = named(new Lamp(bar, false), "rectstatus");
    lbstatus = named(new QLabel(QStringLiteral("?"), rectstatus), "lbstatus");
    fill(rectstatus, lbstatus, {1, 0, 0, 0});
    bar->dock(lbfminfmax, StatusBar::Dock::Left, {30, 0, 0, 0}, 82);
    bar->dock(rectstatus, StatusBar::Dock::Right, {3, 3, 20, 3}, 127);
    bar->dock(lbMessmode, StatusBar::Dock::Client, {});

    // Timers: disabled, the default interval.
    TimerBusy = named(new SwitchTimer(this), "TimerBusy");
    Timer1 = named(new SwitchTimer(this), "Timer1");

    // The pop-up menu, only over the address button and the two status texts.
    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    popStyle = named(new QAction(QStringLiteral("Style"), PopupMenu1), "popStyle");
    popCopy = named(new QAction(QStringLiteral("Copy"), PopupMenu1), "popCopy");
    PopupMenu1->addAction(popStyle);
    PopupMenu1->addAction(popCopy);
    for (QWidget* w : {static_cast<QWidget*>(sbSetIP), static_cast<QWidget*>(lbfminfmax),
                       static_cast<QWidget*>(lbMessmode)}) {
        openMenuOnContextClick(w, PopupMenu1);
    }
}

}  // namespace orvr
