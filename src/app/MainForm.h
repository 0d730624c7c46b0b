#pragma once

// The main window: a thin bar across the top of the screen that owns the ECU link, the
// emulated ECU and the sensor hub, identifies the ECU, keeps the connected state and opens
// the tool windows, each only after the ECU has answered an identification request.

#include "EcuTypes.h"
#include "RecentFiles.h"
#include "ToolWindowHost.h"

#include <QColor>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <exception>
#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class TEcuInterface;
class TFakeEcu;
class TfrmAbout;
class TfrmCodeList;
class TfrmDashBoard;
class TfrmEcuInterface;
class TfrmFakeEcu;
class TfrmSupportedEcus;
class TSensorHub;
class TSensorDevices;
class TfrmSensorSetup;

// Tool windows by the codes the pending-window field and "StartWindow" use.
enum TToolWindow : uint8_t {
    twLiveData = 0,
    twTroubleCodes = 1,
    twIgnitionRetard = 2,
    twIdleSpeeds = 3,
    twRoadDyno = 4,
    twLiveTuning = 5,
    twDashboard = 6,
    twNone = 7,
};

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    struct TOptions {
        bool Advanced = false;  // shows the "&Advanced" menu
        bool Partner = false;   // shows the authenticity command
    };

    static constexpr const char* SettingsKey = "SOFTWARE/Morvane/Quillon";
    static constexpr const char* FilePrefsKey = "SOFTWARE/Morvane/Quillon/Dashboard/FilePrefs";
    static constexpr const char* GraphingKey = "SOFTWARE/Morvane/Graphing";
    static constexpr const char* RecentKey = "SOFTWARE/Morvane/Quillon/LogMRU";

    TfrmMain() : TfrmMain(TOptions()) {}
    explicit TfrmMain(TOptions options);
    ~TfrmMain() override;

    // Shown as a bar across the top of the screen, as tall as its menu and status bar.
    void ShowAsBar();
    // Where a maximised tool window goes: the work area below the bar.
    QRect ToolWindowArea() const;

    // --- what the tool windows use ---
    TEcuInterface* Link() const { return FLink.get(); }
    TFakeEcu* Emulator() const { return FEmulator.get(); }
    TSensorHub* SensorHub() const { return FSensorHub.get(); }
    TSensorDevices* SensorDevices() const { return FSensorDevices.get(); }
    // The "External Sensor Configuration" window, made on first use.
    TfrmSensorSetup* SensorSetup();
    const QString& EcuName() const { return FEcuName; }
    bool Connected() const { return FConnected; }
    QString LoggingDirectory() const { return FLoggingDirectory; }
    void SetLoggingDirectory(const QString& dir) { FLoggingDirectory = dir; }
    QColor GraphBackgroundColour() const { return FGraphBgColour; }
    QColor LogLineColour() const { return FLogLineColour; }
    void RegisterWindow(QWidget* window);
    void UnregisterWindow(QWidget* window);
    void AddRecentFile(const QString& fileName);
    const QStringList& RecentFiles() const { return FRecent.Files(); }

    // A tool window is reached through these: Open shows it (creating it when it lives only
    // while open), Close hides or frees it through its own close path, Destroy frees a window
    // that lives for the whole program (before the link goes), Window answers the window or
    // null. A window without hooks has its item disabled.
    struct TToolWindowHooks {
        std::function<void()> Open;
        std::function<void()> Close;
        std::function<void()> Destroy;
        std::function<QWidget*()> Window;
        // The link gave up on a request while not connected: a visible window that was
        // waiting for an answer hears of it (when connected, the window is closed instead).
        std::function<void()> Timeout;
    };
    void SetToolWindow(TToolWindow window, TToolWindowHooks hooks);

    // Opening a tool window: close the others, remember it, identify the ECU; it opens
    // when the ECU answers.
    void OpenToolWindow(TToolWindow window);
    void CloseAllToolWindows();
    TToolWindow PendingWindow() const { return FPendingWindow; }
    QWidget* ToolWindow(TToolWindow window) const;
    // What every tool window is given: the link through a getter, folders, colours, dialogs.
    TToolWindowHost MakeHost();
    // True from the moment the program starts to end.
    bool Closing() const { return FClosing; }
    // Ends the program's work in order: every tool window through its own close path (logs
    // end, their settings are written), then the main window's settings. Runs once.
    void Shutdown();
    TToolWindow StartWindow() const { return FStartWindow; }

    // The application-wide error handler.
    void HandleApplicationError(std::exception_ptr error);

    // Leaves demo mode for the ECU on a serial port; when the port cannot be opened, says so
    // and stays in demo mode.
    void SwitchToSerialPort(const QString& port);
    bool DemoMode() const;

    // --- menu items (public for the tests and the tool windows) ---
    QMenu *menuFile, *menuReopen, *menuTools, *menuOptions, *menuDemoEcu, *menuStartWindow,
        *menuSensors, *menuWindow, *menuAdvanced, *menuHelp;
    QAction *menuOpenLog, *menuExit;
    std::array<QAction*, 7> menuToolWindows{};  // by TToolWindow
    QAction *menuEcuReset, *menuAuthenticity, *menuReconnect;
    QAction *menuSerialPort;
    QAction *menuGraphBgColour, *menuLogLineColour;
    std::array<QAction*, 4> menuStart{};  // Live Data, Dashboard, Trouble Codes, Road Dyno
    QAction *menuConfigureSensors, *menuAP22Setup, *menuInnovateSetup;
    QAction *menuViewFakeEcu, *menuViewEcuInterface;
    std::array<QAction*, 4> menuBaud{};
    QAction *menuSupportedEcus, *menuWebSite, *menuNonObdCodes, *menuObdCodes, *menuAbout;
    QLabel* pnlStatus0;
    QWidget* pnlStatus1;

    TfrmEcuInterface* EcuInterfaceWindow() const { return FLinkWindow; }
    TfrmFakeEcu* FakeEcuWindow() const { return FEmulatorWindow; }
    TfrmDashBoard* DashBoard() const;
    void OpenLogFile(const QString& fileName);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void BuildStatusBar();
    void ReadSettings();
    void WriteSettings();
    void SwitchOnDemoMode();
    void SetConnected(bool connected);
    void OpenPendingWindow();
    void UpdateToolItems();
    void RebuildReopenMenu();
    void ChooseDemoEcu(int index);
    void ChooseStartWindow(TToolWindow window);
    void ShowStartWindow();
    void SetStatusText(const QString& text);

    void InitResponse(const TByteArray& payload);
    void RequestTimeout();
    void menuOpenLogClick();
    void menuEcuResetClick();
    void menuAuthenticityClick();
    void menuReconnectClick();
    void menuBaudClick(int rate);
    void TickBaudRate(int rate);
    void menuViewFakeEcuClick();
    void menuViewEcuInterfaceClick();
    void menuSerialPortClick();

    TOptions FOptions;
    std::unique_ptr<TEcuInterface> FLink;
    std::unique_ptr<TFakeEcu> FEmulator;
    std::unique_ptr<TSensorHub> FSensorHub;
    std::unique_ptr<TSensorDevices> FSensorDevices; // after the hub: detaches from it first
    TfrmSensorSetup* FSensorSetup = nullptr;
    TfrmEcuInterface* FLinkWindow = nullptr;
    TfrmFakeEcu* FEmulatorWindow = nullptr;
    QString FEcuName;
    TToolWindow FPendingWindow = twNone;
    TToolWindow FStartWindow = twNone;
    bool FConnected = false;
    bool FClosing = false;
    bool FShutDown = false;
    bool FClosingTools = false;
    bool FLiveTuningEcu = false;
    bool FSuppressStartWindow = false; // the next identification opens no start-up window
    QColor FGraphBgColour = Qt::black;
    QColor FLogLineColour = QColor(0x00, 0xFF, 0x00);
    QString FLoggingDirectory;
    TRecentFiles FRecent{RecentKey};
    std::array<TToolWindowHooks, 7> FToolWindows;
    QActionGroup* FDemoEcuGroup = nullptr;
    std::vector<std::pair<QPointer<QWidget>, QAction*>> FWindowItems;
};
