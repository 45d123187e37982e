#pragma once

#include <QMainWindow>
#include <array>
#include <memory>

#include "app/environment.h"
#include "app/looks.h"
#include "app/settings.h"
#include "chart/chartdetails.h"
#include "chart/chartmodel.h"
#include "lang/languagelist.h"
#include "link/exchange.h"
#include "measure/mode.h"
#include "measure/runstate.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QToolButton;

namespace orvr {

class ChartView;
class Frame;
class IniFile;
class Lamp;
class SwitchTimer;

enum class Status : uint8_t { Ok = 0, Wait = 1, NoAccess = 2 };

// The one window. Handlers are public so tests can call them the way the event loop
// does; each is a guarded entry: an error ends it and shows the general error report.
class TForm1 : public QMainWindow {
    Q_OBJECT
  public:
    explicit TForm1(Environment env, QWidget* parent = nullptr);
    ~TForm1() override;

    // Program entry's steps after construction: FormCreate, then FormResize once.
    void Create();

    // Handlers.
    void FormCreate();
    void FormResize();
    void FormClose();
    void FormGesture(int gestureId);
    void popStyleClick();
    void popCopyClick();
    void ShowShareSheetAction1BeforeExecute();
    void Chart1DblClick();
    void ChartCh1Change(QObject* sender);
    void cbChartLegendOnOffChange();
    void sbViewAllOrNoneChannelsClick();
    void sbViewOnlySelectedChannelClick();
    void sbOrvLeseAlleKanaeleClick();
    void sbF1Click(QObject* sender);
    void spOrvSetFminClick();
    void spOrvSetFmaxClick();
    void sbOrv_AMPLAClick();
    void sbOrv_AMPLEClick();
    void sbOrv_FFTClick();
    void sbOrv_ZClick();
    void sbOrv_xyviewFreqClick();
    void sbOrv_xyviewZClick();
    void sbSaveFileClick();
    void sbOrv_MessClick();
    void TimerBusyTimer();
    void Timer1Timer();
    void sbSetIPClick();

    // Operations.
    void ToggleStyle();
    void SetStatus(uint8_t state, QWidget* control);
    void LockControls(bool lock);
    void SendCommand(const QString& command, bool& connected, QString& reply, bool pausePolling);
    void ApplyHostPort();
    void ApplyLanguage();
    Look currentLook() const { return look_; }

    // State, readable by tests.
    const tinisetting& settings() const { return settings_; }
    const TChartData& chartData() const { return chartData_; }
    ChartModel& chart() { return chart_; }
    bool connected() const { return connected_; }
    const Run& run() const { return run_; }
    const ModeValues& mode() const { return mode_; }
    bool versionSupported() const { return versionSupported_; }
    const Translator& translator() const { return translator_; }
    const TcpClient& client() const { return IdTCPClientOrv; }
    const Environment& environment() const { return env_; }

    // Components, named as their object names (sbOrvLeseAlleKanäle as ...Kanaele).
    QWidget* paMain = nullptr;
    Frame* paMessmode1 = nullptr;
    QWidget* paMessmode = nullptr;
    QPushButton* sbOrv_AMPLA = nullptr;
    QPushButton* sbOrv_AMPLE = nullptr;
    QPushButton* sbOrv_FFT = nullptr;
    QPushButton* sbOrv_Z = nullptr;
    Frame* paChartLesen1 = nullptr;
    QWidget* paChartLesen = nullptr;
    QPushButton* sbOrvLeseAlleKanaele = nullptr;
    QPushButton* sbOrv_xyviewFreq = nullptr;
    QPushButton* sbOrv_xyviewZ = nullptr;
    Frame* paMessenStart1 = nullptr;
    QWidget* paMessenStart = nullptr;
    QComboBox* cbMesskanal = nullptr;
    Lamp* rectOrvBusy = nullptr;
    QPushButton* sbOrv_Mess = nullptr;
    QWidget* pafminfmax = nullptr;
    QPushButton* spOrvSetFmin = nullptr;
    QPushButton* spOrvSetFmax = nullptr;
    Frame* paFileSave1 = nullptr;
    QWidget* paFileSave = nullptr;
    QLineEdit* edFileSaveName = nullptr;
    QPushButton* sbSaveFile = nullptr;
    Frame* paNetzwerk = nullptr;
    QWidget* paNetzwerk1 = nullptr;
    QLabel* Label1 = nullptr;
    Lamp* rectOrvConnected = nullptr;
    QLineEdit* edipOrv = nullptr;
    QPushButton* sbSetIP = nullptr;
    QWidget* paFreqPreset = nullptr;
    std::array<QPushButton*, 6> sbF{};  // sbF1 .. sbF6
    QCheckBox* cbChartLegendOnOff = nullptr;
    QWidget* paChartZeigeTasten = nullptr;
    QPushButton* sbViewAllOrNoneChannels = nullptr;
    QPushButton* sbViewOnlySelectedChannel = nullptr;
    ChartView* Chart1 = nullptr;
    QWidget* paChartKanalAnAus = nullptr;
    QWidget* GridPanelLayout2 = nullptr;
    std::array<QCheckBox*, 6> ChartCh{};  // ChartCh1 .. ChartCh6
    QToolButton* SpeedButton1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* lbfminfmax = nullptr;
    QLabel* lbMessmode = nullptr;
    Lamp* rectstatus = nullptr;
    QLabel* lbstatus = nullptr;
    SwitchTimer* TimerBusy = nullptr;
    SwitchTimer* Timer1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* popStyle = nullptr;
    QAction* popCopy = nullptr;
    QAction* ShowShareSheetAction1 = nullptr;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    // A double tap that no control took, on the window itself.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    // Builds every component in its design state (light look) and wires the handlers.
    void buildLayout();
    void wireHandlers();

    template <class F>
    void guarded(F&& body);

    // Handler bodies; errors propagate to the entry that called them.
    void formCreate();
    void loadSettings();
    void saveSettings();
    void toggleStyle();
    void applyLook(Look look);
    bool probeInstrument();
    bool checkVersion();
    void readPresets();
    void readMode();
    void readChannel(int channel);
    void readAllChannels();
    void readChartDetails();
    void viewAll();
    void copyChart();
    void inputBoxHandy(const QString& caption, uint8_t kind);
    void onInputClosed(uint8_t kind, int result, const QStringList& values);
    void sendIgnored(const QString& command);

    Environment env_;
    std::unique_ptr<IniFile> ini_;
    tinisetting settings_;
    TChartData chartData_;
    ChartModel chart_;
    TcpClient IdTCPClientOrv;
    bool connected_ = false;
    Run run_;
    ModeValues mode_;
    bool versionSupported_ = false;
    Translator translator_;
    Look look_ = Look::Light;
    bool creating_ = false;  // size changes during creation do not run FormResize
    // The outer size start-up applied, kept until the window manager's frame is known so
    // the frame can be taken out of the client size once.
    QSize appliedOuter_;
    bool frameKnown_ = false;
};

}  // namespace orvr
