#include "app/mainwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QToolButton>

#include "app/errorreport.h"
#include "app/inifile.h"
#include "app/widgets.h"
#include "chart/chartview.h"
#include "chart/curve.h"
#include "lang/langfile.h"
#include "lang/texts.h"
#include "link/commands.h"
#include "link/errors.h"
#include "link/fields.h"
#include "link/switchtimer.h"
#include "link/version.h"
#include "measure/presets.h"
#include "measure/savename.h"

namespace orvr {

namespace {

const QColor kGreen = QColor::fromRgba(0xFF7CFC00);
const QColor kRed = QColor::fromRgba(0xFFFF0000);
const QColor kStatusGreen = QColor::fromRgba(0xFF00FF00);
const QColor kStatusYellow = QColor::fromRgba(0xFFFFFF00);

constexpr int kMinOuterWidth = 650;
constexpr int kMinOuterHeight = 350;
constexpr int kDoubleTap = 265;
constexpr uint8_t kInputFmin = 3;
constexpr uint8_t kInputFmax = 4;

const QString kTitle = QStringLiteral("Rivezorud");

int tagOf(const QObject* o) {
    return o ? o->property("Tag").toInt() : 0;
}

}  // namespace

TForm1::TForm1(Environment env, QWidget* parent) : QMainWindow(parent), env_(std::move(env)) {
    IdTCPClientOrv.port = env_.port;
    IdTCPClientOrv.bounds = env_.bounds;
    creating_ = true;
    buildLayout();
    applyLook(Look::Light);
    wireHandlers();
}

TForm1::~TForm1() = default;

template <class F>
void TForm1::guarded(F&& body) {
    try {
        body();
    } catch (const Error& e) {
        env_.dialogs->error(this, ErrorReportText(e.text()));
    } catch (const std::exception& e) {
        env_.dialogs->error(this, ErrorReportText(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        env_.dialogs->error(this, ErrorReportText(QStringLiteral("Unexpected error")));
    }
}

void TForm1::wireHandlers() {
    auto click = [this](QPushButton* b, void (TForm1::*handler)()) {
        connect(b, &QPushButton::clicked, this, handler);
    };
    click(sbOrv_AMPLA, &TForm1::sbOrv_AMPLAClick);
    click(sbOrv_AMPLE, &TForm1::sbOrv_AMPLEClick);
    click(sbOrv_FFT, &TForm1::sbOrv_FFTClick);
    click(sbOrv_Z, &TForm1::sbOrv_ZClick);
    click(sbOrvLeseAlleKanaele, &TForm1::sbOrvLeseAlleKanaeleClick);
    click(sbOrv_xyviewFreq, &TForm1::sbOrv_xyviewFreqClick);
    click(sbOrv_xyviewZ, &TForm1::sbOrv_xyviewZClick);
    click(sbOrv_Mess, &TForm1::sbOrv_MessClick);
    click(spOrvSetFmin, &TForm1::spOrvSetFminClick);
    click(spOrvSetFmax, &TForm1::spOrvSetFmaxClick);
    click(sbSaveFile, &TForm1::sbSaveFileClick);
    click(sbSetIP, &TForm1::sbSetIPClick);
    click(sbViewAllOrNoneChannels, &TForm1::sbViewAllOrNoneChannelsClick);
    click(sbViewOnlySelectedChannel, &TForm1::sbViewOnlySelectedChannelClick);
    for (QPushButton* b : sbF) {
        connect(b, &QPushButton::clicked, this, [this, b] { sbF1Click(b); });
    }
    for (QCheckBox* c : ChartCh) {
        connect(c, &QCheckBox::toggled, this, [this, c] { ChartCh1Change(c); });
    }
    connect(cbChartLegendOnOff, &QCheckBox::toggled, this, &TForm1::cbChartLegendOnOffChange);
    connect(Chart1, &ChartView::doubleClicked, this, &TForm1::Chart1DblClick);
    connect(popStyle, &QAction::triggered, this, &TForm1::popStyleClick);
    connect(popCopy, &QAction::triggered, this, &TForm1::popCopyClick);
    connect(ShowShareSheetAction1, &QAction::triggered, this,
            &TForm1::ShowShareSheetAction1BeforeExecute);
    connect(TimerBusy, &SwitchTimer::tick, this, &TForm1::TimerBusyTimer);
    connect(Timer1, &SwitchTimer::tick, this, &TForm1::Timer1Timer);
}

// ---- Program entry, start-up, settings, shutdown --------------------------------------

void TForm1::Create() {
    creating_ = true;
    FormCreate();
    creating_ = false;
    FormResize();
}

void TForm1::FormCreate() {
    guarded([this] { formCreate(); });
}

void TForm1::formCreate() {
    ini_ = std::make_unique<IniFile>(env_.exeDir + QLatin1Char('/') + kSettingsFileName);
    loadSettings();

    if (SystemLanguage(env_.locale) == QLatin1String("DE")) {
        bool found = false;
        try {
            found = LoadLanguageFile(env_.exeDir + QStringLiteral("/DE_orvr.txt"), translator_,
                                     env_.locale);
        } catch (const IoError& e) {
            // An unreadable file must not cost the user the window: report it and go on in
            // English, with no half-made list behind the messages.
            translator_ = Translator{};
            env_.dialogs->error(this, ErrorReportText(e.text()));
            found = true;
        }
        if (!found) {
            env_.dialogs->information(this, QStringLiteral("German language file not found!"));
        }
        ApplyLanguage();
    }

    if (!probeInstrument()) {
        return;
    }
    cbChartLegendOnOff->setVisible(false);
    versionSupported_ = checkVersion();
    TimerBusy->setEnabled(true);
}

namespace {

int frameExtraWidth(const QWidget* w) {
    return w->frameGeometry().width() - w->width();
}
int frameExtraHeight(const QWidget* w) {
    return w->frameGeometry().height() - w->height();
}

}  // namespace

void TForm1::loadSettings() {
    try {
        ReadSettings(*ini_, settings_);
    } catch (const Error&) {
        env_.dialogs->information(this, QStringLiteral("Can not write INI file"));
    }
    edipOrv->setText(settings_.stIPAdress);
    ApplyHostPort();
    applyLook(settings_.bStyle == 0 ? Look::Dark : Look::Light);
    // Outer bounds: the frame, once the window manager has given one, is part of them.
    resize(settings_.iscreenWidth - frameExtraWidth(this), height());
    resize(width(), settings_.iscreenHeight - frameExtraHeight(this));
    move(settings_.iscreenleft, y());
    move(x(), settings_.iscreentop);
    appliedOuter_ = QSize(settings_.iscreenWidth, settings_.iscreenHeight);
}

void TForm1::saveSettings() {
    using namespace settingskey;
    ini_->writeString(Section, Ip, settings_.stIPAdress);
    settings_.iscreenleft = x();
    settings_.iscreentop = y();
    ini_->writeInteger(Section, Left, settings_.iscreenleft);
    ini_->writeInteger(Section, Top, settings_.iscreentop);
    ini_->writeInteger(Section, Width, settings_.iscreenWidth);
    ini_->writeInteger(Section, Height, settings_.iscreenHeight);
    ini_->writeInteger(Section, Style, settings_.bStyle);
}

void TForm1::FormResize() {
    guarded([this] {
        if (frameGeometry().width() < kMinOuterWidth) {
            resize(kMinOuterWidth - frameExtraWidth(this), height());
        }
        if (frameGeometry().height() < kMinOuterHeight) {
            resize(width(), kMinOuterHeight - frameExtraHeight(this));
        }
        settings_.iscreenWidth = frameGeometry().width();
        settings_.iscreenHeight = frameGeometry().height();
        settings_.iscreenleft = x();
        settings_.iscreentop = y();
    });
}

void TForm1::FormClose() {
    guarded([this] { saveSettings(); });
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!creating_) {
        FormResize();
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A settings file that cannot be written is reported, but never keeps the user from
    // quitting.
    FormClose();
    event->accept();
}

bool TForm1::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && !frameKnown_ &&
        isVisible() && (frameExtraWidth(this) > 0 || frameExtraHeight(this) > 0)) {
        // The stored bounds are outer bounds; before the first show the frame was unknown.
        frameKnown_ = true;
        if (appliedOuter_.isValid()) {
            resize(appliedOuter_.width() - frameExtraWidth(this),
                   appliedOuter_.height() - frameExtraHeight(this));
        }
    }
    return handled;
}

void TForm1::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // A double tap that no control took, on the window itself.
        FormGesture(kDoubleTap);
        event->accept();
        return;
    }
    QMainWindow::mouseDoubleClickEvent(event);
}

// ---- Looks ------------------------------------------------------------------------------

void TForm1::applyLook(Look look) {
    look_ = look;
    ApplyLook(this, look);
}

void TForm1::ToggleStyle() {
    guarded([this] { toggleStyle(); });
}

void TForm1::toggleStyle() {
    if (look_ == Look::Dark) {
        applyLook(Look::Light);
        settings_.bStyle = 1;
    } else {
        applyLook(Look::Dark);
        settings_.bStyle = 0;
    }
    saveSettings();
}

void TForm1::FormGesture(int gestureId) {
    guarded([this, gestureId] {
        if (gestureId == kDoubleTap) {
            toggleStyle();
        }
    });
}

void TForm1::popStyleClick() {
    guarded([this] { toggleStyle(); });
}

// ---- Status and lock --------------------------------------------------------------------

void TForm1::SetStatus(uint8_t state, QWidget* control) {
    switch (static_cast<Status>(state)) {
        case Status::Ok:
            lbstatus->setText(QStringLiteral("Ok"));
            rectstatus->setFillColor(kStatusGreen);
            control->setCursor(Qt::ArrowCursor);
            break;
        case Status::Wait:
            lbstatus->setText(translator_.Translate(text::Wait));
            rectstatus->setFillColor(kStatusYellow);
            control->setCursor(Qt::BusyCursor);
            break;
        case Status::NoAccess:
            lbstatus->setText(translator_.Translate(text::NoAccess));
            rectstatus->setFillColor(kRed);
            break;
    }
    setWindowTitle(kTitle + QStringLiteral(" <") + lbstatus->text() + QLatin1Char('>'));
    QCoreApplication::processEvents();
    QThread::msleep(10);
}

void TForm1::LockControls(bool lock) {
    paChartKanalAnAus->setEnabled(!lock);
    const bool enabled = paChartKanalAnAus->isEnabledTo(this);
    for (QWidget* panel :
         {paMessmode, paMessenStart, paFreqPreset, paChartZeigeTasten, paChartLesen, paFileSave}) {
        panel->setEnabled(enabled);
    }
}

// ---- Link -------------------------------------------------------------------------------

void TForm1::SendCommand(const QString& command, bool& connected, QString& reply,
                         bool pausePolling) {
    orvr::SendCommand(IdTCPClientOrv, command, connected, reply, pausePolling, TimerBusy);
}

void TForm1::sendIgnored(const QString& command) {
    QString reply;
    SendCommand(command, connected_, reply, true);
}

void TForm1::ApplyHostPort() {
    IdTCPClientOrv.host = edipOrv->text();
    IdTCPClientOrv.port = env_.port;
}

bool TForm1::checkVersion() {
    QString reply;
    SendCommand(cmd::Ver(), connected_, reply, true);
    return VersionSupported(reply);
}

bool TForm1::probeInstrument() {
    readPresets();
    if (!connected_) {
        return true;
    }
    versionSupported_ = checkVersion();
    if (!versionSupported_) {
        TimerBusy->setEnabled(false);
        LockControls(true);
        env_.dialogs->information(this, translator_.Translate(text::VersionRefused));
        return false;
    }
    return true;
}

void TForm1::sbSetIPClick() {
    guarded([this] {
        settings_.stIPAdress = edipOrv->text();
        saveSettings();
        ApplyHostPort();
        if (!probeInstrument()) {
            return;
        }
        SetStatus(static_cast<uint8_t>(Status::Ok), sbOrv_Mess);
        LockControls(false);
        TimerBusy->setEnabled(true);
    });
}

// ---- Busy poll and run ------------------------------------------------------------------

void TForm1::TimerBusyTimer() {
    guarded([this] {
        TimerBusy->setEnabled(false);
        QString reply;
        SendCommand(cmd::Busy(), connected_, reply, false);
        if (reply == QLatin1String("0")) {
            rectOrvBusy->setFillColor(kGreen);
            if (run_.onIdle()) {
                LockControls(false);
                SetStatus(static_cast<uint8_t>(Status::Ok), sbOrv_Mess);
                env_.dialogs->information(this, translator_.Translate(text::NoMeasurement));
            }
        }
        if (reply == QLatin1String("1")) {
            run_.onBusy();
            rectOrvBusy->setFillColor(kRed);
        }
        if (reply.isEmpty()) {
            connected_ = false;
        }
        if (connected_) {
            rectOrvConnected->setFillColor(kGreen);
            readMode();
        } else {
            rectOrvConnected->setFillColor(kRed);
            LockControls(true);
            lbMessmode->setText(translator_.Translate(text::StartOrv));
            SetStatus(static_cast<uint8_t>(Status::NoAccess), sbOrvLeseAlleKanaele);
        }
        if (run_.takeEnded()) {
            Timer1->setEnabled(true);
        }
        TimerBusy->setEnabled(connected_);
    });
}

void TForm1::sbOrv_MessClick() {
    guarded([this] {
        if (rectOrvBusy->fillColor() == kRed) {
            env_.dialogs->information(this, translator_.Translate(text::OrvBusy));
            return;
        }
        TimerBusy->setEnabled(false);
        LockControls(true);
        viewAll();
        SetStatus(static_cast<uint8_t>(Status::Wait), sbOrv_Mess);
        QString reply;
        SendCommand(cmd::Channel(cbMesskanal->currentIndex() + 1), connected_, reply, false);
        SendCommand(cmd::Measure(), connected_, reply, true);
        run_.start();
        TimerBusy->setEnabled(true);
    });
}

void TForm1::Timer1Timer() {
    guarded([this] {
        Timer1->setEnabled(false);
        SetStatus(static_cast<uint8_t>(Status::Ok), sbOrv_Mess);
        readAllChannels();
    });
}

// ---- Mode line and one-shot commands ----------------------------------------------------

void TForm1::readMode() {
    QString reply;
    SendCommand(cmd::Mode(), connected_, reply, false);
    if (!ApplyModeReply(reply, mode_)) {
        return;
    }
    lbfminfmax->setText(LimitsText(mode_));
    if (tagOf(cbMesskanal) == 0) {
        cbMesskanal->setCurrentIndex(ChannelSelectionIndex(mode_.modeChannel));
        cbMesskanal->setProperty("Tag", 1);
    }
    lbMessmode->setText(ModeName(mode_.modeNumber));
    sbOrv_xyviewFreq->setText(XyFreqCaption(mode_.xyFreqFlag));
    sbOrv_xyviewZ->setText(XyZCaption(mode_.xyZFlag));
}

void TForm1::sbOrv_AMPLAClick() {
    guarded([this] { sendIgnored(cmd::Ampla()); });
}
void TForm1::sbOrv_AMPLEClick() {
    guarded([this] { sendIgnored(cmd::Ample()); });
}
void TForm1::sbOrv_FFTClick() {
    guarded([this] { sendIgnored(cmd::Fft()); });
}
void TForm1::sbOrv_ZClick() {
    guarded([this] { sendIgnored(cmd::Z()); });
}

void TForm1::sbOrv_xyviewFreqClick() {
    guarded([this] {
        sendIgnored(cmd::XyModeA());
        readAllChannels();
    });
}

void TForm1::sbOrv_xyviewZClick() {
    guarded([this] {
        sendIgnored(cmd::XyModeI());
        readAllChannels();
    });
}

void TForm1::sbSaveFileClick() {
    guarded([this] {
        const QString name =
            SaveFileName(edFileSaveName->text(), lbMessmode->text(), env_.clock(), env_.locale);
        QString reply;
        SendCommand(cmd::FileSave(name), connected_, reply, true);
        // Without any answer nothing was stored; telling the user it was would lose the
        // measurement silently.
        env_.dialogs->information(this, reply.isEmpty()
                                            ? translator_.Translate(text::NoAccess)
                                            : translator_.Translate(text::FileSaved) + name);
    });
}

// ---- Presets and limits -----------------------------------------------------------------

void TForm1::readPresets() {
    QString reply;
    SendCommand(cmd::FPreset(), connected_, reply, true);
    PresetCaptions captions;
    for (int i = 0; i < 6; ++i) {
        captions[i] = sbF[i]->text();
    }
    if (ApplyPresetReply(reply, captions) == 0) {
        connected_ = false;
    }
    for (int i = 0; i < 6; ++i) {
        sbF[i]->setText(captions[i]);
    }
}

void TForm1::sbF1Click(QObject* sender) {
    guarded([this, sender] { sendIgnored(cmd::Fpr(tagOf(sender))); });
}

void TForm1::spOrvSetFminClick() {
    guarded([this] { inputBoxHandy(QStringLiteral("fmin(Hz)"), kInputFmin); });
}

void TForm1::spOrvSetFmaxClick() {
    guarded([this] { inputBoxHandy(QStringLiteral("fmax(Hz)"), kInputFmax); });
}

void TForm1::inputBoxHandy(const QString& caption, uint8_t kind) {
    QPointer<TForm1> self(this);
    auto done = [self, kind](int result, const QStringList& values) {
        if (self) {
            self->guarded([&] { self->onInputClosed(kind, result, values); });
        }
    };
    const QString value = Decimal(kind == kInputFmin ? mode_.fmin : mode_.fmax);
    env_.dialogs->inputAsync(this, caption, QString(), value, std::move(done));
}

void TForm1::onInputClosed(uint8_t kind, int result, const QStringList& values) {
    if (result != 1) {
        return;
    }
    const QString typed = values.value(0);
    int32_t n = 0;
    try {
        n = Integer(typed, IntegerMessage::Typed);
    } catch (const ConversionError&) {
        env_.dialogs->information(this, translator_.Translate(text::NumericInput) + typed);
        return;
    }
    sendIgnored(kind == kInputFmin ? cmd::Fmin(n) : cmd::Fmax(n));
}

// ---- Readout ----------------------------------------------------------------------------

void TForm1::readChannel(int channel) {
    const int index = channel - 1;
    chart_.clearPoints(index);
    QString reply;
    SendCommand(cmd::Meas(channel), connected_, reply, false);
    for (int i = 0; i < kSeriesCount; ++i) {
        chart_.setLineWidth(i, 2);
    }
    if (reply.isEmpty()) {
        chartData_.Messdata[index].ArrMessdatenVorhanden = 0;
        return;
    }
    const QString decimal = env_.locale.decimalPoint();
    const QChar point = decimal.isEmpty() ? QLatin1Char('.') : decimal.front();
    std::vector<QPointF> points;
    int32_t count = 0;
    try {
        ParseCurve(reply, point, points, count);
    } catch (const ConversionError&) {
        // The points before the bad value stay, as they would had they arrived one by one.
        chart_.addPoints(index, points);
        throw;
    }
    chart_.addPoints(index, points);
    chartData_.Messdata[index].ArrMessdatenVorhanden = count;
}

void TForm1::readChartDetails() {
    QString reply;
    SendCommand(cmd::ChartDetails(), connected_, reply, false);
    ApplyChartDetails(reply, chartData_, chart_);
}

void TForm1::readAllChannels() {
    TimerBusy->setEnabled(false);
    LockControls(true);
    SetStatus(static_cast<uint8_t>(Status::Wait), sbOrvLeseAlleKanaele);
    for (int channel = 1; channel <= kSeriesCount; ++channel) {
        readChannel(channel);
    }
    readChartDetails();
    TimerBusy->setEnabled(true);
    SetStatus(static_cast<uint8_t>(Status::Ok), sbOrvLeseAlleKanaele);
    LockControls(false);
}

void TForm1::sbOrvLeseAlleKanaeleClick() {
    guarded([this] { readAllChannels(); });
}

// ---- View controls, copy, share ---------------------------------------------------------

void TForm1::ChartCh1Change(QObject* sender) {
    guarded([this, sender] {
        const int t = tagOf(sender);
        if (t >= 1 && t <= kSeriesCount) {
            chart_.setVisible(t - 1, ChartCh[t - 1]->isChecked());
        }
        int n = 0;
        for (const QCheckBox* c : ChartCh) {
            n += c->isChecked() ? 1 : 0;
        }
        cbChartLegendOnOff->setVisible(n == 1);
        cbChartLegendOnOff->setChecked(n >= 2);
    });
}

void TForm1::cbChartLegendOnOffChange() {
    guarded([this] { chart_.setLegendVisible(cbChartLegendOnOff->isChecked()); });
}

void TForm1::viewAll() {
    for (QCheckBox* c : ChartCh) {
        c->setChecked(true);
    }
    chart_.setLegendSymbolsVisible(true);
}

void TForm1::sbViewAllOrNoneChannelsClick() {
    guarded([this] { viewAll(); });
}

void TForm1::sbViewOnlySelectedChannelClick() {
    guarded([this] {
        for (QCheckBox* c : ChartCh) {
            c->setChecked(false);
        }
        const int k = cbMesskanal->currentIndex();
        if (k >= 0 && k < kSeriesCount) {
            ChartCh[k]->setChecked(true);
        }
        chart_.setLegendSymbolsVisible(false);
    });
}

void TForm1::Chart1DblClick() {
    guarded([this] {
        // The rule judges the range as last drawn, which follows the points while automatic.
        chart_.updateAutoRanges();
        chart_.bottom().setMin(10);
        chart_.bottom().setMax(90000);
        chart_.notify();
    });
}

void TForm1::copyChart() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        return;
    }
    clipboard->setPixmap(Chart1->renderPicture());
    env_.dialogs->information(this, translator_.Translate(text::ChartCopied));
}

void TForm1::popCopyClick() {
    guarded([this] { copyChart(); });
}

void TForm1::ShowShareSheetAction1BeforeExecute() {
    guarded([this] { copyChart(); });
}

// ---- Language ---------------------------------------------------------------------------

void TForm1::ApplyLanguage() {
    if (!translator_.loaded()) {
        return;
    }
    const auto components = findChildren<QObject*>();
    for (QObject* o : components) {
        const int tag = tagOf(o);
        if (tag <= 100) {
            continue;
        }
        const QString caption = translator_.LookupText(tag);
        if (auto* b = qobject_cast<QAbstractButton*>(o)) {
            b->setText(caption);
        }
        if (auto* l = qobject_cast<QLabel*>(o)) {
            l->setText(caption);
        }
        if (auto* a = qobject_cast<QAction*>(o)) {
            a->setText(caption);
        }
    }
}

}  // namespace orvr
