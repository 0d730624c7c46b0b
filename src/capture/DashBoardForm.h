#pragma once

// The Live ECU Data Capture window. It polls the ticked parameters and switches, one request
// outstanding at a time, shows each value with the extremes seen, feeds every reply to the
// CSV log and to four live graphs, and converts a few parameters into other units. While it
// exists it owns the link's OnParamValues and OnRequestTimeout slots.

#include "CaptureLogic.h"
#include "CsvLog.h"
#include "DisplayUnits.h"
#include "EcuInterface.h"
#include "GraphModel.h"
#include "LogSession.h"
#include "SensorTypes.h"
#include "ToolWindowHost.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <vector>

class QAction;
class QActionGroup;
class QCheckBox;
class QCPGraph;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QTabWidget;
class TThreadedTimer;

// A parameter or external-channel row of the value pages.
struct TDataRow {
    QCheckBox* Check = nullptr;
    QLineEdit* CurEdit = nullptr;
    QLineEdit* MinEdit = nullptr;
    QLineEdit* MaxEdit = nullptr;
    QLabel* UnitLabel = nullptr;
    TValueStats Stats;
    bool Greyed = false;
};

struct TSwitchRow {
    QCheckBox* Check = nullptr;
    QLineEdit* Edit = nullptr;
    bool Greyed = false;
};

// Owner-drawn status panel: the text on a colour of the setter's choosing.
class TColourPanel : public QWidget {
public:
    using QWidget::QWidget;
    void SetText(const QString& text, const QColor& colour);
    QString Text() const { return FText; }
    QColor Colour() const { return FColour; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString FText;
    QColor FColour;
};

class TfrmDashBoard : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char* DashboardKey = "SOFTWARE/Morvane/Quillon/Dashboard";

    explicit TfrmDashBoard(const TToolWindowHost& host, QWidget* parent = nullptr);
    ~TfrmDashBoard() override;

    // --- state the tests and the benchmark look at ---
    TParamSet SupportedParams;
    TSwitchSet SupportedSwitches;
    TSensorChannels AvailableChannels;
    std::array<TDataRow, EcuParamCount> ParamRows;
    std::array<TSwitchRow, EcuSwitchCount> SwitchRows;
    std::array<TDataRow, SensorChannelCount> ChannelRows;
    TSensorValues ChannelValues{};
    TThreadedTimer* RequestTimer = nullptr;
    bool FirstReply = true;
    QStringList FStoppedDevices;  // the serial devices said to have stopped
    QLabel* lblSensorStatus = nullptr;  // the Innovate devices' function codes
    uint32_t LastReplyTick = 0;
    int LargestReply = 0;
    TRequestTimeoutEvent SavedTimeoutHandler;

    // The logging rules, shared with the headless logger; the window shows their state.
    TLogSession Session;
    bool& Logging = Session.Logging;
    bool& TriggerStartFailed = Session.TriggerStartFailed;
    QString& LogBaseName = Session.BaseName;
    QString& LastLogName = Session.LastLogName;
    TDisplayUnits& Units = Session.Units;
    TGraphModel Graphs;
    uint32_t GraphOrigin = 0;
    uint32_t PauseStart = 0;
    int DataPoints = 500;

    // --- controls ---
    QTabWidget* pgcPages;
    QWidget *tabAnalogue, *tabExternal, *tabGraphs, *tabDigital, *tabComments;
    QPlainTextEdit* memComments;
    QLabel* pnlInterval;
    TColourPanel* pnlStatus;
    QAction *menuLogData, *menuOpenLastLog, *menuDefogLog, *menuLogThrot, *menuLogSelDir;
    QAction *menuInjectorDuty, *menuFahrenheit, *menuConvBar, *menuAFR;
    std::array<QAction*, 4> menuVehSpd{};  // by TSpeedUnit - 1
    QAction* menuFastPoll;  // shown only when the link can stream replies
    QAction *menuPause, *menuResMinMax, *menuAnSelAll, *menuAnSelNone, *menuDigSelAll, *menuDigSelNone;
    std::vector<QAction*> menuRates;
    QAction *menuPauseGraphs, *menuClearGraphs, *menuSetDataPoints;
    QMenu* GraphMenu = nullptr;
    std::vector<QAction*> GraphMenuItems;  // in menu order; data() is the source code
    std::array<QCustomPlot*, GraphCount> Plots{};
    std::array<std::array<QCPGraph*, 2>, GraphCount> Series{};
    // Per graph and trace: maximum, current and minimum edits.
    std::array<std::array<std::array<QLineEdit*, 3>, 2>, GraphCount> TraceEdits{};

    // --- operations ---
    void RequestTimerTimer();
    void ChangeInterval(QAction* item);
    void SetCaptureInterval(int ms);
    void RequestData();
    void EcuDataReceived(const TParamSet& received, const TParamValues& values, const TParamRaw& raw,
                         const TSwitchSet& present, const TSwitchSet& on);
    void CommsError(const TByteArray& request);
    TParamSet GetAnalogueSet() const;
    TSwitchSet GetDigitalSet() const;
    TSensorChannels GetExternalSet() const;
    void ShowAnalogueValues(const TParamSet& received, const TParamValues& values);
    void ShowDigitalValues(const TSwitchSet& present, const TSwitchSet& on);
    void ShowExternalValues(const TSensorValues& values);
    // Says once in the status area which serial device stopped sending (and when it
    // sends again), for the devices whose channels are ticked.
    void ReportSerialDevices();
    void btnResMinMaxClick();
    void btnAnSelAllOldClick();
    void btnAnSelNoneOldClick();
    void btnDigSelAllOldClick();
    void btnDigSelNoneOldClick();
    void chkPauseClicked(QAction* sender);
    void menuFastPollClick();
    void LoadSettings();
    void SaveSettings();
    void AnalogueCheckClick();
    void ExternalCheckClick();

    void menuLogDataClick();
    bool StartLogging();  // true when a log is open
    void StopLogging();
    void menuDefogLogClick();
    void menuLogThrotClick();
    void btnLogSelDirClick();
    void btnOpenLastLogoldClick();
    void ShowLogDirectory();
    void SetStatusText(const QString& text, const QColor& colour);

    void menuInjectorDutyClick();
    void menuFahrenheitClick();
    void menuBarClick();
    void menuAFRClick();
    void menuVehSpdConvClick(QAction* item);
    void UnitsChanged(const TParamSet& set);
    void BuildGraphMenu();
    void MenuPopup(int graph);
    void GraphMenuItemClick(int graph, QAction* item);
    void UpdateGraphCaption(int graph);
    void UpdateGraphs(const TParamSet& received, const TParamValues& values);
    void btnClearGraphClick();
    void menuSetDataPointsClick();
    void Panel4Resize();

    // The sum of the graph page: the time axis both ends (for tests).
    QString GraphTitle(int graph) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void BuildMenus();
    QWidget* BuildValuePage(bool external);
    QWidget* BuildDigitalPage();
    QWidget* BuildGraphPage();
    TDataRow MakeRow(QWidget* page, int y, const QString& caption, const QString& units);
    void SetEditGreyed(QLineEdit* edit, bool greyed);
    void SetupThrottleTrigger();
    void FillComments();
    QString EcuShortName() const;
    void CaptureMessage(const QString& text);
    void LogStarted(const QString& fileName);
    void LogStopped(const QString& lastLogName);
    void ReArm();
    void PauseChanged(bool wasPaused);

    TParamSet FStreamParams;  // what the running fast-poll stream reads
    TSwitchSet FStreamSwitches;
    // The link in use; asked of the host each time, never kept.
    TEcuInterface* Link() const { return FHost.GetLink(); }
    TToolWindowHost FHost;
    TChannelNames& FChannelNames = Session.ChannelNames;
    QWidget* FGraphArea = nullptr;
    QLabel* FGraphHeader = nullptr;
    int FMenuGraph = 0;  // the graph whose menu is open
    bool FDestroying = false;
    int FModal = 0;  // one of this window's messages is up
};
