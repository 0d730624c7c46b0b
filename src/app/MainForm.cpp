#include "MainForm.h"

#include "AboutForm.h"
#include "CodeListForm.h"
#include "Colours.h"
#include "Dialogs.h"
#include "EcuConstData.h"
#include "EcuInterfaceForm.h"
#include "ErrorDisplay.h"
#include "Errors.h"
#include "DashBoardForm.h"
#include "FakeEcu.h"
#include "FakeEcuForm.h"
#include "FakeEcuInterface.h"
#include "LogViewForm.h"
#include "Paths.h"
#include "QuillonApplication.h"
#include "SensorDevices.h"
#include "SensorHub.h"
#include "SensorSetupForm.h"
#include "SerialPortForm.h"
#include "SerialEcuInterface.h"
#include "Settings.h"
#include "Sounds.h"
#include "SupportedEcuForm.h"
#include "ToolWindows.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSerialPortInfo>
#include <QStatusBar>
#include <QUrl>

namespace {

// Status panel 1: says which kind of link is in use, drawn by the window.
class TLinkPanel : public QWidget {
public:
    explicit TLinkPanel(QWidget* parent) : QWidget(parent)
    {
        setMinimumWidth(50);
        setMinimumHeight(fontMetrics().height() + 2);
    }
    void SetLink(bool emulated, const QString& description)
    {
        FEmulated = emulated;
        FDescription = description;
        setToolTip(Text());  // the panel may be too narrow for a long port description
        update();
    }
    QString Text() const
    {
        return FEmulated ? QStringLiteral("SOFTWARE DEMO MODE")
                         : QStringLiteral("Using ") + FDescription;
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().color(FEmulated ? QPalette::ToolTipBase : QPalette::Button));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(10, 1, width() - 10, height() - 1), Qt::AlignLeft | Qt::AlignTop, Text());
    }

private:
    bool FEmulated = true;
    QString FDescription;
};

const char* const WebSite = "https://www.morvane.example";

} // namespace

TfrmMain::TfrmMain(TOptions options) : FOptions(options)
{
    // 1. Link, pending window and colours start empty or at their defaults.
    TQuillonApplication::SetErrorHandler(
        [this](std::exception_ptr error) { HandleApplicationError(error); });
    SetApplicationErrorDisplay([](const QString& message) { Dialogs().Error(message); });
    setWindowTitle(QStringLiteral("Morvane Quillon Diagnostics - Demo Version"));
    setCentralWidget(new QWidget(this));
    centralWidget()->setFixedHeight(0);
    setAcceptDrops(true);  // a CSV log dropped on the bar opens in a viewer

    // 2. Menus, with "Choose Demo ECU Type" ticking the default.
    BuildMenus();
    BuildStatusBar();

    // 3, 4. Settings, recent files and the logging folder.
    ReadSettings();

    // 5. The emulated ECU plays the ticked demo type.
    FEmulator = std::make_unique<TFakeEcu>();
    int demoType = DefaultDemoEcu;
    if (QAction* ticked = FDemoEcuGroup->checkedAction())
        demoType = ticked->data().toInt();
    FEmulator->SetEcuType(demoType);
    FEmulatorWindow = new TfrmFakeEcu(FEmulator.get());

    // 6. The sensor hub and its devices, opened from their settings.
    FSensorHub = std::make_unique<TSensorHub>();
    FSensorDevices = std::make_unique<TSensorDevices>();
    TSensorStartupHooks sensorHooks;
    sensorHooks.ShowError = [](const QString& text) { Dialogs().Error(text); };
    FSensorDevices->Start(*FSensorHub, sensorHooks);
    RegisterToolWindows(*this);

    // 7, 8. Demo mode, then identify the ECU.
    menuAdvanced->menuAction()->setVisible(FOptions.Advanced);
    menuAuthenticity->setVisible(FOptions.Partner);
    SwitchOnDemoMode();
    FLink->RequestInit();
}

TfrmMain::~TfrmMain()
{
    Shutdown();
    TQuillonApplication::SetErrorHandler(nullptr);
    SetApplicationErrorDisplay(nullptr);
    FEmulator->SetDemoActive(false);
    // Windows that live for the whole program go before the link they use.
    for (auto& hooks : FToolWindows)
        if (hooks.Destroy)
            hooks.Destroy();
    delete FSensorSetup;
    delete FEmulatorWindow;
    delete FLinkWindow;
    FEmulator->Connect(nullptr);
    FEmulator.reset();
    FLink.reset();
}

void TfrmMain::Shutdown()
{
    if (FShutDown)
        return;
    FShutDown = FClosing = true;
    // The tool windows first, each through its own close path: a running log ends with
    // its last line and joins the recent list, and the window writes its settings.
    for (auto& hooks : FToolWindows)
        if (hooks.Close)
            hooks.Close();
    // Log viewers and any other registered window.
    for (auto& item : std::vector(FWindowItems))
        if (item.first)
            item.first->close();
    if (FEmulatorWindow)
        FEmulatorWindow->hide();
    if (FLinkWindow)
        FLinkWindow->hide();
    if (FLink)
        FLink->SetActive(false);
    // Then the main window's own settings, which now hold the last log in the recent list.
    WriteSettings();
    FSensorHub->SaveChannelSettings();
    TSettingsStore::Instance().Flush();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // Closing the bar ends the program, whatever other windows are open.
    Shutdown();
    event->accept();
    QCoreApplication::quit();
}

// ---------------------------------------------------------------- building

void TfrmMain::BuildMenus()
{
    auto item = [this](QMenu* menu, const QString& caption, const QKeySequence& key,
                       auto slot) {
        QAction* a = menu->addAction(caption);
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    menuFile = menuBar()->addMenu(QStringLiteral("&File"));
    menuOpenLog = item(menuFile, QStringLiteral("&Open Log File..."), QKeySequence(Qt::CTRL | Qt::Key_O),
                       [this] { menuOpenLogClick(); });
    menuReopen = menuFile->addMenu(QStringLiteral("&Reopen Log File"));
    menuFile->addSeparator();
    menuExit = item(menuFile, QStringLiteral("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_X),
                    [this] { close(); });

    menuTools = menuBar()->addMenu(QStringLiteral("&Tools"));
    auto tool = [&](TToolWindow w, const QString& caption, const QKeySequence& key) {
        menuToolWindows[w] = item(menuTools, caption, key, [this, w] {
            if (w == twRoadDyno && !FConnected) {
                // Saved runs can be worked on without an ECU.
                if (FToolWindows[w].Open)
                    FToolWindows[w].Open();
                return;
            }
            OpenToolWindow(w);
        });
    };
    tool(twLiveData, QStringLiteral("&Live Data Capture..."), QKeySequence(Qt::Key_F2));
    tool(twDashboard, QStringLiteral("In Car Dashboard..."), QKeySequence(Qt::Key_F3));
    tool(twTroubleCodes, QStringLiteral("&Diagnostic Trouble Code Reader..."), QKeySequence(Qt::Key_F4));
    menuTools->addSeparator();
    tool(twRoadDyno, QStringLiteral("&Road Dyno..."), QKeySequence(Qt::Key_F6));
    menuTools->addSeparator();
    menuEcuReset = item(menuTools, QStringLiteral("ECU &Reset..."), QKeySequence(Qt::Key_F7),
                        [this] { menuEcuResetClick(); });
    tool(twIgnitionRetard, QStringLiteral("Adjust I&gnition Retard..."), QKeySequence(Qt::SHIFT | Qt::Key_F7));
    tool(twIdleSpeeds, QStringLiteral("Adjust &Idle Speeds..."), QKeySequence(Qt::CTRL | Qt::Key_F7));
    tool(twLiveTuning, QStringLiteral("Live Tuning..."), QKeySequence(Qt::Key_F8));
    menuAuthenticity = item(menuTools, QStringLiteral("Confirm Tarsine ECU Authenticity"), QKeySequence(),
                            [this] { menuAuthenticityClick(); });
    menuTools->addSeparator();
    menuReconnect = item(menuTools, QStringLiteral("&Connect to another Car"), QKeySequence(Qt::Key_F5),
                         [this] { menuReconnectClick(); });

    menuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
    menuDemoEcu = menuOptions->addMenu(QStringLiteral("Choose Demo ECU Type"));
    FDemoEcuGroup = new QActionGroup(this);
    FDemoEcuGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    std::vector<int> demoTypes = DemoEcuTypes;
    std::sort(demoTypes.begin(), demoTypes.end());
    for (int e : demoTypes) {
        QAction* a = menuDemoEcu->addAction(EcuIds[e].Description);
        a->setCheckable(true);
        a->setData(e);
        a->setChecked(e == DefaultDemoEcu);
        FDemoEcuGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, e] { ChooseDemoEcu(e); });
    }
    menuSerialPort = item(menuOptions, QStringLiteral("Choose ECU Comms &Serial Port..."), QKeySequence(),
                          [this] { menuSerialPortClick(); });
    menuOptions->addSeparator();
    menuGraphBgColour = item(menuOptions, QStringLiteral("Set Graphing Background Colour..."), QKeySequence(), [this] {
        if (auto c = Dialogs().ChooseColour(FGraphBgColour))
            FGraphBgColour = *c;
    });
    menuLogLineColour = item(menuOptions, QStringLiteral("Set Graphing Line Colour for Log Viewing..."), QKeySequence(), [this] {
        if (auto c = Dialogs().ChooseColour(FLogLineColour))
            FLogLineColour = *c;
    });
    menuOptions->addSeparator();
    menuStartWindow = menuOptions->addMenu(QStringLiteral("Auto Startup Window"));
    const std::pair<const char*, TToolWindow> starts[] = {
        {"Live Data Capture", twLiveData},
        {"In Car Dashboard", twDashboard},
        {"Diagnostic Trouble Code Reader", twTroubleCodes},
        {"Road Dyno", twRoadDyno},
    };
    for (size_t i = 0; i < 4; ++i) {
        const TToolWindow w = starts[i].second;
        menuStart[i] = menuStartWindow->addAction(QString::fromLatin1(starts[i].first));
        menuStart[i]->setCheckable(true);
        connect(menuStart[i], &QAction::triggered, this, [this, w] { ChooseStartWindow(w); });
    }
    menuOptions->addSeparator();
    menuSensors = menuOptions->addMenu(QStringLiteral("External Sensor Configuration"));
    menuConfigureSensors = menuSensors->addAction(QStringLiteral("&Configure External Sensors..."));
    menuAP22Setup = menuSensors->addAction(QStringLiteral("&Race Technology AP22 Serial Port Setup..."));
    menuInnovateSetup = menuSensors->addAction(QStringLiteral("&Innovate Motorsports Products Serial Port Setup..."));
    // Configuration is offered only where there is something to configure.
    connect(menuSensors, &QMenu::aboutToShow, this, [this] {
        const TLM1* lm = FSensorDevices ? FSensorDevices->LM1() : nullptr;
        menuConfigureSensors->setEnabled(FSensorHub->LabJackPresent() || (lm && lm->Channels().any()));
    });
    connect(menuConfigureSensors, &QAction::triggered, this, [this] { SensorSetup()->exec(); });
    connect(menuAP22Setup, &QAction::triggered, this, [this] {
        if (FSensorDevices && FSensorDevices->AP22())
            AP22SerialPortSetup(*FSensorDevices->AP22(), Dialogs(), this);
    });
    connect(menuInnovateSetup, &QAction::triggered, this, [this] {
        TLM1* lm = FSensorDevices ? FSensorDevices->LM1() : nullptr;
        if (!lm) return;
        // "Aux Inputs..." leads to the calibration of the auxiliary channels, when offered.
        std::function<void()> aux;
        if (lm->Channels().any()) aux = [this] { SensorSetup()->exec(); };
        InnovateSerialPortSetup(*lm, Dialogs(), this, aux);
    });

    menuWindow = menuBar()->addMenu(QStringLiteral("&Window"));
    menuWindow->setEnabled(false);

    menuAdvanced = menuBar()->addMenu(QStringLiteral("&Advanced"));
    menuViewFakeEcu = item(menuAdvanced, QStringLiteral("View Fake &ECU..."), QKeySequence(),
                           [this] { menuViewFakeEcuClick(); });
    menuViewEcuInterface = item(menuAdvanced, QStringLiteral("View ECU &Interface..."), QKeySequence(),
                                [this] { menuViewEcuInterfaceClick(); });
    menuAdvanced->addSeparator();
    const int rates[] = {4800, 9600, 19200, 38400};
    for (int i = 0; i < 4; ++i) {
        const int rate = rates[i];
        menuBaud[i] = item(menuAdvanced, QStringLiteral("%1 Baud").arg(rate), QKeySequence(),
                           [this, rate] { menuBaudClick(rate); });
        menuBaud[i]->setCheckable(true);
        menuBaud[i]->setChecked(rate == 4800);
    }

    menuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    menuSupportedEcus = item(menuHelp, QStringLiteral("&Supported ECUs..."), QKeySequence(Qt::Key_F1), [this] {
        TfrmSupportedEcus window(this);
        window.Execute();
    });
    menuWebSite = item(menuHelp, QStringLiteral("Go to Morvane &Web Site..."), QKeySequence(Qt::SHIFT | Qt::Key_F1),
                       [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(WebSite))); });
    menuHelp->addSeparator();
    menuNonObdCodes = item(menuHelp, QStringLiteral("View Non OBD Trouble Code List..."), QKeySequence(Qt::CTRL | Qt::Key_F4), [this] {
        TfrmCodeList window(this);
        window.ShowNonObdCodes();
    });
    menuObdCodes = item(menuHelp, QStringLiteral("View OBD Trouble Code List..."), QKeySequence(Qt::SHIFT | Qt::Key_F4), [this] {
        TfrmCodeList window(this);
        window.ShowObdCodes();
    });
    menuHelp->addSeparator();
    menuAbout = item(menuHelp, QStringLiteral("&About..."), QKeySequence(Qt::CTRL | Qt::Key_F1), [this] {
        TfrmAbout window(this);
        window.exec();
    });
    UpdateToolItems();
}

void TfrmMain::BuildStatusBar()
{
    pnlStatus0 = new QLabel(this);
    pnlStatus1 = new TLinkPanel(this);
    statusBar()->addWidget(pnlStatus0);
    statusBar()->addWidget(pnlStatus1, 1);
    statusBar()->setSizeGripEnabled(false);
    SetStatusText(QStringLiteral("Disconnected"));
}

void TfrmMain::SetStatusText(const QString& text)
{
    pnlStatus0->setText(text);
    pnlStatus0->setFixedWidth(pnlStatus0->fontMetrics().horizontalAdvance(text) + 10);
}

void TfrmMain::ShowAsBar()
{
    const QRect area = screen()->availableGeometry();
    const int height = menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    setMaximumHeight(height);
    setGeometry(area.left(), area.top(), area.width(), height);
    show();
}

QRect TfrmMain::ToolWindowArea() const
{
    const QRect area = screen()->availableGeometry();
    const QRect bar = frameGeometry();
    const int top = bar.top() + bar.height() - 2;
    const int height = area.bottom() - (bar.top() + bar.height()) + 2;
    return QRect(area.left(), top, area.width(), height);
}

// ---------------------------------------------------------------- settings

void TfrmMain::ReadSettings()
{
    auto& store = TSettingsStore::Instance();
    const int start = store.ReadInteger(SettingsKey, QStringLiteral("StartWindow"), twNone);
    FStartWindow = start >= 0 && start < twNone ? static_cast<TToolWindow>(start) : twNone;
    const int demo = store.ReadInteger(SettingsKey, QStringLiteral("DemoECU"), DefaultDemoEcu);
    for (QAction* a : FDemoEcuGroup->actions())
        a->setChecked(a->data().toInt() == demo);
    FLoggingDirectory =
        store.ReadString(FilePrefsKey, QStringLiteral("LoggingDirectory"), TPaths::LogsDir());
    FGraphBgColour = ColorFromRef(static_cast<uint32_t>(
        store.ReadInteger(GraphingKey, QStringLiteral("GraphBgColour"), 0)));
    FLogLineColour = ColorFromRef(static_cast<uint32_t>(
        store.ReadInteger(GraphingKey, QStringLiteral("GraphLogLineColour"), 0x00FF00)));
    FRecent.Load();
    RebuildReopenMenu();
    ShowStartWindow();
    if (!QDir(FLoggingDirectory).exists())
        FLoggingDirectory = TPaths::LogsDir();
}

void TfrmMain::WriteSettings()
{
    auto& store = TSettingsStore::Instance();
    store.WriteInteger(SettingsKey, QStringLiteral("StartWindow"), FStartWindow);
    store.WriteInteger(SettingsKey, QStringLiteral("DemoECU"), FEmulator->EcuType());
    store.WriteString(FilePrefsKey, QStringLiteral("LoggingDirectory"), FLoggingDirectory);
    store.WriteInteger(GraphingKey, QStringLiteral("GraphBgColour"),
                       static_cast<int>(ColorToRef(FGraphBgColour)));
    store.WriteInteger(GraphingKey, QStringLiteral("GraphLogLineColour"),
                       static_cast<int>(ColorToRef(FLogLineColour)));
    FRecent.Save();
}

// ---------------------------------------------------------------- link and state

void TfrmMain::SwitchOnDemoMode()
{
    try {
        FEmulator->SetDemoActive(true);
        if (!dynamic_cast<TFakeEcuInterface*>(FLink.get())) {
            bool debugVisible = false;
            if (FLinkWindow) {
                debugVisible = FLinkWindow->isVisible();
                delete FLinkWindow;
                FLinkWindow = nullptr;
            }
            if (FLink) {
                try {
                    FLink->SetActive(false);
                    FLink.reset();
                } catch (...) {
                    FLink.release();  // a port that fails while closing is left behind
                }
            }
            FLink = std::make_unique<TFakeEcuInterface>();
            FLinkWindow = new TfrmEcuInterface(*FLink);
            FLinkWindow->setVisible(debugVisible);
            FEmulator->SetBaudRate(FLink->BaudRate);  // a fresh line starts at the link's rate
        }
        FLink->OnInitResponse = [this](uint8_t, uint8_t, const TByteArray& payload) {
            InitResponse(payload);
        };
        FLink->OnRequestTimeout = [this](const TByteArray&) { RequestTimeout(); };
        FLink->OnEcuBaudRateChanged = [this](int rate) { TickBaudRate(rate); };
        FEmulator->Connect(FLink.get());
        static_cast<TLinkPanel*>(pnlStatus1)->SetLink(true, FLink->GetDescription());
        FLink->SetActive(true);
        SetConnected(false);
    } catch (...) {
        Dialogs().Error(QStringLiteral("An error occured when switching to demo mode: ") +
                        TQuillonApplication::ErrorText(std::current_exception()));
    }
}

void TfrmMain::InitResponse(const TByteArray&)
{
    int index = -1;
    const bool found = FLink->FindEcu(index);
    FEcuName = found ? EcuIds[index].Description : QStringLiteral("Subaru Ecu");
    FLiveTuningEcu = found && (index == 8 || index == 15 || index == 58);
    // An answer means connected, from the emulator or from a car.
    SetConnected(true);
}

void TfrmMain::SetConnected(bool connected)
{
    FConnected = connected;
    UpdateToolItems();
    if (connected) {
        // Choosing another demo ECU identifies it and opens nothing.
        if (FPendingWindow == twNone && !FSuppressStartWindow)
            FPendingWindow = FStartWindow;
        FSuppressStartWindow = false;
        SetStatusText(QStringLiteral("Connected to ") + FEcuName);
        OpenPendingWindow();
    } else {
        SetStatusText(QStringLiteral("Disconnected"));
    }
}

void TfrmMain::UpdateToolItems()
{
    menuTools->setEnabled(true);
    for (int w = 0; w < twNone; ++w) {
        const bool available = static_cast<bool>(FToolWindows[w].Open);
        bool enabled = available && FConnected;
        if (w == twRoadDyno)
            enabled = available;
        if (w == twLiveTuning)
            enabled = enabled && FLiveTuningEcu;  // the identified ECU decides
        menuToolWindows[w]->setEnabled(enabled);
    }
    for (QAction* a : {menuEcuReset, menuAuthenticity, menuReconnect})
        a->setEnabled(FConnected);
}

QWidget* TfrmMain::ToolWindow(TToolWindow window) const
{
    const auto& hooks = FToolWindows.at(window);
    return hooks.Window ? hooks.Window() : nullptr;
}

TfrmDashBoard* TfrmMain::DashBoard() const
{
    return qobject_cast<TfrmDashBoard*>(ToolWindow(twLiveData));
}

TfrmSensorSetup* TfrmMain::SensorSetup()
{
    if (!FSensorSetup) FSensorSetup = new TfrmSensorSetup(*FSensorHub, Dialogs(), this);
    return FSensorSetup;
}

TToolWindowHost TfrmMain::MakeHost()
{
    TToolWindowHost host;
    host.Link = [this] { return FLink.get(); };
    host.Sensors = [this] { return FSensorHub.get(); };
    host.Closing = [this] { return FClosing; };
    host.DemoMode = [this] { return DemoMode(); };
    host.Connected = [this] { return FConnected; };
    host.EcuName = [this] { return FEcuName; };
    host.LoggingDirectory = [this] { return FLoggingDirectory; };
    host.SetLoggingDirectory = [this](const QString& dir) { FLoggingDirectory = dir; };
    host.DataDirectory = [] { return TPaths::DataDir(); };
    host.DashScreensDirectory = [] { return TPaths::DashScreensDir(); };
    host.GraphBackgroundColour = [this] { return FGraphBgColour; };
    host.LogLineColour = [this] { return FLogLineColour; };
    host.RegisterWindow = [this](QWidget* w) { RegisterWindow(w); };
    host.UnregisterWindow = [this](QWidget* w) { UnregisterWindow(w); };
    host.OpenLogFile = [this](const QString& f) { OpenLogFile(f); };
    host.AddRecentFile = [this](const QString& f) { AddRecentFile(f); };
    host.ToolWindowArea = [this] { return ToolWindowArea(); };
    return host;
}

void TfrmMain::SetToolWindow(TToolWindow window, TToolWindowHooks hooks)
{
    FToolWindows.at(window) = std::move(hooks);
    UpdateToolItems();
}

void TfrmMain::OpenToolWindow(TToolWindow window)
{
    // A second request while the first is still closing the others (a key pressed twice)
    // is the same request: one window opens.
    if (FClosingTools || FClosing)
        return;
    CloseAllToolWindows();
    FPendingWindow = window;
    FLink->RequestInit();
}

void TfrmMain::OpenPendingWindow()
{
    const TToolWindow window = FPendingWindow;
    FPendingWindow = twNone;
    if (window == twNone || FClosing)
        return;
    if (window == twLiveData)
        FLink->MaxAttempts = 10;  // kept until the program ends
    if (FToolWindows[window].Open)
        FToolWindows[window].Open();
}

void TfrmMain::CloseAllToolWindows()
{
    if (FClosingTools)
        return;
    FClosingTools = true;
    for (auto& hooks : FToolWindows)
        if (hooks.Close)
            hooks.Close();
    // Let the closed windows finish what they were doing. A window that still sends a change
    // of the user's stays up until the ECU has answered it (at most the link's time-out):
    // the next window must not take the link before.
    const auto stillOpen = [this] {
        for (const auto& hooks : FToolWindows) {
            QWidget* w = hooks.Window ? hooks.Window() : nullptr;
            if (hooks.Close && w && w->isVisible())
                return true;
        }
        return false;
    };
    const int longest = FLink ? FLink->TimeoutMs() + 500 : 0;
    QElapsedTimer clock;
    clock.start();
    while (!FClosing && (clock.elapsed() < 250 || (stillOpen() && clock.elapsed() < longest)))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    FClosingTools = false;
}

void TfrmMain::RequestTimeout()
{
    if (FConnected) {
        SetConnected(false);
        CloseAllToolWindows();
        Sounds().Beep();
        Dialogs().Warning(QStringLiteral(
            "There has been a problem communicating with the ECU. Check your cabling and click OK."));
    } else {
        for (auto& hooks : FToolWindows) {
            QWidget* w = hooks.Window ? hooks.Window() : nullptr;
            if (hooks.Timeout && w && w->isVisible())
                hooks.Timeout();
        }
    }
    FLink->RequestInit();
}

void TfrmMain::HandleApplicationError(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const ESerialPortError&) {
        SetConnected(false);
        // The tool windows go first: they hold the link that is about to be replaced, and
        // must not poll it while the message is up.
        CloseAllToolWindows();
        Sounds().Beep();
        Dialogs().Error(QStringLiteral(
            "Application Error: The data connection to the ECU is no longer available. \r\n"
            "Have you unplugged your USB connection ?\r\nQuillon will return to demo mode."));
        SwitchOnDemoMode();
        FLink->RequestInit();
    } catch (...) {
        Dialogs().Error(QStringLiteral("Caught: ") +
                        TQuillonApplication::ErrorText(std::current_exception()));
    }
}

bool TfrmMain::DemoMode() const
{
    return dynamic_cast<TFakeEcuInterface*>(FLink.get()) != nullptr;
}

void TfrmMain::SwitchToSerialPort(const QString& port)
{
    CloseAllToolWindows();
    try {
        FEmulator->SetDemoActive(false);
        FEmulator->Connect(nullptr);
        const bool debugVisible = FLinkWindow && FLinkWindow->isVisible();
        delete FLinkWindow;
        FLinkWindow = nullptr;
        if (FLink) {
            FLink->SetActive(false);
            FLink.reset();
        }
        FLink = std::make_unique<TSerialEcuInterface>(port);
        FLink->OnInitResponse = [this](uint8_t, uint8_t, const TByteArray& payload) {
            InitResponse(payload);
        };
        FLink->OnRequestTimeout = [this](const TByteArray&) { RequestTimeout(); };
        FLink->OnEcuBaudRateChanged = [this](int rate) { TickBaudRate(rate); };
        FLinkWindow = new TfrmEcuInterface(*FLink);
        FLinkWindow->setVisible(debugVisible);
        FLink->SetActive(true);
        for (QAction* a : menuBaud)
            a->setChecked(a == menuBaud[0]);
        static_cast<TLinkPanel*>(pnlStatus1)->SetLink(false, FLink->GetDescription());
        SetConnected(false);
        FLink->RequestInit();
    } catch (...) {
        Dialogs().Error(QStringLiteral("A problem was encountered - ") +
                        TQuillonApplication::ErrorText(std::current_exception()) +
                        QStringLiteral("\r\nQuillon will remain in Demo Mode.") +
                        QStringLiteral("\r\nPerhaps you have selected a non-working serial port, or a "
                                       "port that is in use by another device e.g. a mouse."));
        SwitchOnDemoMode();
        FLink->RequestInit();
    }
}

void TfrmMain::menuSerialPortClick()
{
    // Device, description and USB ids, so that the cable can be told from a built-in port.
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    const QString demo = TFakeEcuInterface::Description();
    QStringList items{demo};
    int current = 0;
    for (const QSerialPortInfo& p : ports) {
        QString text = p.systemLocation();
        if (!p.description().isEmpty())
            text += QStringLiteral(" - ") + p.description();
        if (p.hasVendorIdentifier() && p.hasProductIdentifier())
            text += QStringLiteral(" [USB %1:%2]")
                        .arg(p.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                        .arg(p.productIdentifier(), 4, 16, QLatin1Char('0'));
        if (!DemoMode() && (FLink->ComPort == p.systemLocation() || FLink->ComPort == p.portName()))
            current = static_cast<int>(items.size());
        items << text;
    }
    const auto answer = Dialogs().ChooseItem(QStringLiteral("Choose ECU Comms Serial Port"),
                                             QStringLiteral("Serial port (or type a device name):"),
                                             items, current, true);
    if (!answer || answer->trimmed().isEmpty())
        return;
    const int chosen = static_cast<int>(items.indexOf(*answer));
    if (chosen == 0) {
        if (!DemoMode()) {
            CloseAllToolWindows();
            SwitchOnDemoMode();
            FLink->RequestInit();
        }
        return;
    }
    SwitchToSerialPort(chosen > 0 ? ports[chosen - 1].systemLocation() : answer->trimmed());
}

// ---------------------------------------------------------------- commands

void TfrmMain::menuReconnectClick()
{
    SetConnected(false);
    CloseAllToolWindows();
    FLink->RequestInit();
}

void TfrmMain::menuEcuResetClick()
{
    CloseAllToolWindows();
    if (!Dialogs().Confirm(QStringLiteral(
            "Resetting the ECU will clear all trouble codes, \r\nidle and ignition adjustments, "
            "plus any learned knock correction.\r\n\r\nReset ECU ?")))
        return;
    FLink->ResetEcu();
    Dialogs().Information(QStringLiteral("The ECU has been Reset.\r\nNow turn off your ignition "
                                         "fully, then turn it back on to complete the reset."));
}

void TfrmMain::menuAuthenticityClick()
{
    CloseAllToolWindows();
    constexpr uint32_t marker = 0x028011;
    FLink->OnReadAddressesResponse = [](const TLongWordArray& addresses, int,
                                        const TByteArray& payload) {
        if (addresses.size() != 1 || addresses[0] != marker || payload.size() != 1)
            return;
        if (payload[0] == 'O')
            Dialogs().Information(QStringLiteral("This is a Tarsine ECU"));
        else if (payload[0] == 'o')
            Dialogs().Information(QStringLiteral("This ECU has been reprogrammed, but not by Tarsine"));
        else
            Dialogs().Information(QStringLiteral("This ECU has not been modified by Morvane software."));
    };
    FLink->ReadAddresses({marker});
}

void TfrmMain::menuBaudClick(int rate)
{
    // The item is ticked when the ECU confirms the change; until then the old one stays.
    TickBaudRate(FLink->BaudRate);
    FLink->SetEcuBaudRate(rate);
}

void TfrmMain::TickBaudRate(int rate)
{
    const int rates[] = {4800, 9600, 19200, 38400};
    for (int i = 0; i < 4; ++i)
        menuBaud[i]->setChecked(rates[i] == rate);
}

void TfrmMain::ChooseDemoEcu(int index)
{
    for (QAction* a : FDemoEcuGroup->actions())
        a->setChecked(a->data().toInt() == index);
    const bool demo = DemoMode();
    // Open tool windows were made for the old ECU; a change one is still sending goes to
    // the ECU it was made for.
    if (demo)
        CloseAllToolWindows();
    FEmulator->SetEcuType(index);
    if (!demo)
        return;
    // Identify the new ECU at once, so that the status bar, the capability sets and the
    // items that depend on them follow.
    SetConnected(false);
    FPendingWindow = twNone;
    FSuppressStartWindow = true;
    FLink->RequestInit();
}

void TfrmMain::ChooseStartWindow(TToolWindow window)
{
    // Choosing the ticked item again means no start-up window.
    FStartWindow = window == FStartWindow ? twNone : window;
    ShowStartWindow();
}

void TfrmMain::ShowStartWindow()
{
    const TToolWindow codes[] = {twLiveData, twDashboard, twTroubleCodes, twRoadDyno};
    for (int i = 0; i < 4; ++i)
        menuStart[i]->setChecked(codes[i] == FStartWindow);
}

void TfrmMain::menuViewFakeEcuClick()
{
    FEmulatorWindow->show();
    FEmulatorWindow->raise();
}

void TfrmMain::menuViewEcuInterfaceClick()
{
    FLinkWindow->show();
    FLinkWindow->raise();
}

// ---------------------------------------------------------------- log files and windows

void TfrmMain::menuOpenLogClick()
{
    TFileDialogOptions options;
    options.Filter = QStringLiteral("CSV Log Files|*.CSV");
    options.DefaultExt = QStringLiteral("CSV");
    options.StartFolder = FLoggingDirectory;
    const auto file = Dialogs().OpenFile(options);
    if (!file)
        return;
    FLoggingDirectory = QFileInfo(*file).absolutePath();
    AddRecentFile(*file);
    OpenLogFile(*file);
}

void TfrmMain::OpenLogFile(const QString& fileName)
{
    // One viewer per file; it lists itself in the "&Window" menu and frees itself when closed.
    TfrmLogViewer::Open(MakeHost(), fileName);
}

namespace {

QStringList DroppedLogs(const QMimeData* data)
{
    QStringList files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && url.toLocalFile().endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
            files << url.toLocalFile();
    return files;
}

}  // namespace

void TfrmMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedLogs(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent* event)
{
    const QStringList files = DroppedLogs(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    for (const QString& file : files) {
        AddRecentFile(file);
        OpenLogFile(file);
    }
}

void TfrmMain::AddRecentFile(const QString& fileName)
{
    FRecent.Add(fileName);
    RebuildReopenMenu();
}

void TfrmMain::RebuildReopenMenu()
{
    menuReopen->clear();
    const QStringList& files = FRecent.Files();
    for (int i = 0; i < files.size(); ++i) {
        const QString file = files[i];
        QAction* a = menuReopen->addAction(QStringLiteral("&%1 %2").arg(i + 1 == 10 ? 0 : i + 1).arg(file));
        connect(a, &QAction::triggered, this, [this, file] { OpenLogFile(file); });
    }
    menuReopen->setEnabled(!files.isEmpty());
}

void TfrmMain::RegisterWindow(QWidget* window)
{
    for (auto& [w, a] : FWindowItems)
        if (w == window)
            return;
    QAction* a = menuWindow->addAction(window->windowTitle());
    QPointer<QWidget> guarded(window);
    // The item follows the caption (a log viewer names its file, a dash its screen).
    connect(window, &QWidget::windowTitleChanged, a, &QAction::setText);
    connect(a, &QAction::triggered, this, [guarded] {
        if (guarded) {
            guarded->show();
            guarded->raise();
            guarded->activateWindow();
        }
    });
    FWindowItems.emplace_back(guarded, a);
    menuWindow->setEnabled(true);
}

void TfrmMain::UnregisterWindow(QWidget* window)
{
    for (auto it = FWindowItems.begin(); it != FWindowItems.end();) {
        if (it->first == window || it->first.isNull()) {
            menuWindow->removeAction(it->second);
            delete it->second;
            it = FWindowItems.erase(it);
        } else {
            ++it;
        }
    }
    menuWindow->setEnabled(!FWindowItems.empty());
}
