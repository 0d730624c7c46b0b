// The main window in demo mode, in-process: the emulated link and ECU, a temporary
// settings file, and recording dialogs and sounds so that nothing blocks.
#include "DashBoardForm.h"
#include "Dialogs.h"
#include "EcuConstData.h"
#include "EcuInterface.h"
#include "FakeEcu.h"
#include "IdleForm.h"
#include "IgaForm.h"
#include "MainForm.h"
#include "Paths.h"
#include "Settings.h"
#include "Sounds.h"
#include "TestPrint.h"
#include "QuillonApplication.h"
#include "Errors.h"
#include "EcuInterfaceForm.h"
#include "FakeEcuForm.h"

#include <QAction>
#include <QLineEdit>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QSettings>
#include <QSpinBox>
#include <QFileInfo>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class MainForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        TSettingsStore::Instance().Open(Dir.filePath("settings.ini"));
        TPaths::SetDataDir(Dir.path());
    }
    void TearDown() override { TPaths::SetDataDir(QString()); }

    std::unique_ptr<TfrmMain> Create(TfrmMain::TOptions options = TfrmMain::TOptions())
    {
        auto w = std::make_unique<TfrmMain>(options);
        return w;
    }
    static bool WaitConnected(TfrmMain& w, int ms = 2000)
    {
        return QTest::qWaitFor([&] { return w.Connected(); }, ms);
    }
    QString MakeFile(const QString& name)
    {
        const QString path = Dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        return path;
    }

    QTemporaryDir Dir;
    TScopedRecordingDialogs Dialogs;
    TScopedRecordingSounds Sounds;
};

} // namespace

TEST_F(MainForm, StartsConnectedToTheDemoEcu)
{
    auto w = Create();
    EXPECT_EQ(w->windowTitle(), "Morvane Quillon Diagnostics - Demo Version");
    EXPECT_EQ(w->pnlStatus0->text(), "Disconnected");
    EXPECT_FALSE(w->menuReconnect->isEnabled());
    ASSERT_TRUE(WaitConnected(*w, 1000));
    EXPECT_EQ(w->pnlStatus0->text(), "Connected to " + EcuIds[DefaultDemoEcu].Description);
    EXPECT_EQ(w->EcuName(), EcuIds[DefaultDemoEcu].Description);
    EXPECT_TRUE(w->menuReconnect->isEnabled());
    EXPECT_TRUE(w->menuEcuReset->isEnabled());
    for (TToolWindow t : {twLiveData, twTroubleCodes, twIgnitionRetard, twIdleSpeeds})
        EXPECT_TRUE(w->menuToolWindows[t]->isEnabled()) << t;
    // Live tuning only for the ECUs that offer it; the default demo ECU does not.
    EXPECT_FALSE(w->menuToolWindows[twLiveTuning]->isEnabled());
    // The in-car dash opens once connected.
    EXPECT_TRUE(w->menuToolWindows[twDashboard]->isEnabled());
    EXPECT_FALSE(w->menuAdvanced->menuAction()->isVisible());
    EXPECT_FALSE(w->menuAuthenticity->isVisible());
    EXPECT_FALSE(w->menuWindow->isEnabled());
    EXPECT_EQ(w->menuDemoEcu->actions().size(), static_cast<int>(DemoEcuTypes.size()));
    EXPECT_TRUE(Dialogs->Calls.empty());
}

TEST_F(MainForm, DiagnosticsWindowsOpenFromTheToolsMenu)
{
    auto w = Create();
    w->ShowAsBar();
    ASSERT_TRUE(WaitConnected(*w));
    QWidget* dtc = w->ToolWindow(twTroubleCodes);
    ASSERT_TRUE(dtc);
    EXPECT_FALSE(dtc->isVisible());  // created at start, hidden
    EXPECT_EQ(w->menuToolWindows[twTroubleCodes]->shortcut(), QKeySequence(Qt::Key_F4));
    w->menuToolWindows[twTroubleCodes]->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dtc->isVisible(); }, 3000));
    // Maximised below the bar (the offscreen platform's frame takes a few pixels).
    const QRect area = w->ToolWindowArea();
    EXPECT_EQ(dtc->geometry().top(), area.top());
    EXPECT_GE(dtc->width(), area.width() - 10);
    EXPECT_GE(dtc->height(), area.height() - 10);
    EXPECT_TRUE(w->menuWindow->isEnabled());

    // Another tool hides it.
    w->menuToolWindows[twIdleSpeeds]->trigger();
    QWidget* idle = w->ToolWindow(twIdleSpeeds);
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle->isVisible(); }, 3000));
    EXPECT_FALSE(dtc->isVisible());

    // Choosing an ECU that offers live tuning identifies it at once: the status bar and F8
    // follow without a tool being opened, and the windows made for the old ECU close.
    ASSERT_NE(DefaultDemoEcu, 8);
    EXPECT_FALSE(w->menuToolWindows[twLiveTuning]->isEnabled());
    for (QAction* a : w->menuDemoEcu->actions())
        if (a->data().toInt() == 8)
            a->trigger();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return w->pnlStatus0->text() == "Connected to " + EcuIds[8].Description; }, 3000));
    EXPECT_EQ(w->EcuName(), EcuIds[8].Description);
    EXPECT_FALSE(idle->isVisible());
    ASSERT_TRUE(w->menuToolWindows[twLiveTuning]->isEnabled());
    EXPECT_EQ(w->menuToolWindows[twLiveTuning]->shortcut(), QKeySequence(Qt::Key_F8));
    w->menuToolWindows[twLiveTuning]->trigger();
    QWidget* tune = w->ToolWindow(twLiveTuning);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tune->isVisible(); }, 3000));
    EXPECT_EQ(tune->windowTitle(), "Live Tuning Adjustment");
}

// Another tool takes the link only after the idle window's pending change has been written
// and answered.
TEST_F(MainForm, AnotherToolWaitsForTheIdleWindowsChange)
{
    auto w = Create();
    ASSERT_TRUE(WaitConnected(*w));
    std::vector<std::pair<uint32_t, uint8_t>> writes;
    auto write = w->Link()->OnWriteAddressRequest;
    w->Link()->OnWriteAddressRequest = [&, write](uint8_t d, uint8_t s, uint8_t v, int n,
                                                  const TLongWordArray& a) {
        writes.push_back({a.empty() ? 0u : a[0], v});
        write(d, s, v, n, a);
    };
    w->menuToolWindows[twIdleSpeeds]->trigger();
    auto* idle = qobject_cast<TfrmIdle*>(w->ToolWindow(twIdleSpeeds));
    ASSERT_TRUE(idle);
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle->isVisible(); }, 3000));
    idle->SpinIdle->setValue(150);
    w->OpenToolWindow(twIgnitionRetard);
    EXPECT_FALSE(idle->isVisible());
    EXPECT_EQ(writes, (std::vector<std::pair<uint32_t, uint8_t>>{{0x070, 134}}));
    EXPECT_EQ(w->Emulator()->VariableArea()[0x070], 134);
    QWidget* retard = w->ToolWindow(twIgnitionRetard);
    ASSERT_TRUE(QTest::qWaitFor([&] { return retard->isVisible(); }, 3000));
}

TEST_F(MainForm, InCarDashOpensWithF3ClosesWithEscAndOpensAgain)
{
    auto w = Create();
    w->ShowAsBar();
    ASSERT_TRUE(WaitConnected(*w));
    EXPECT_EQ(w->menuToolWindows[twDashboard]->shortcut(), QKeySequence(Qt::Key_F3));
    QPointer<QWidget> first;
    for (int round = 0; round < 2; ++round) {
        w->menuToolWindows[twDashboard]->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->ToolWindow(twDashboard) && w->ToolWindow(twDashboard)->isVisible(); },
                                    3000));
        QPointer<QWidget> dash = w->ToolWindow(twDashboard);
        EXPECT_NE(dash, first);  // every opening makes a new window
        EXPECT_EQ(dash->size(), QSize(640, 480));
        EXPECT_TRUE(w->menuWindow->isEnabled());
        QTest::keyClick(dash, Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitFor([&] { return dash.isNull(); }, 1000));
        first = dash;
    }
    EXPECT_TRUE(QFileInfo::exists(TPaths::DashScreensDir() + "/9/Form.Cfg"));
    EXPECT_TRUE(Dialogs->Calls.empty());
}

TEST_F(MainForm, InCarDashAsTheStartUpWindow)
{
    TSettingsStore::Instance().WriteInteger(TfrmMain::SettingsKey, "StartWindow", twDashboard);
    auto w = Create();
    ASSERT_TRUE(WaitConnected(*w));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->ToolWindow(twDashboard) && w->ToolWindow(twDashboard)->isVisible(); },
                                3000));
    w->CloseAllToolWindows();
    EXPECT_EQ(w->ToolWindow(twDashboard), nullptr);
}

TEST_F(MainForm, LostConnectionWarnsOnceAndKeepsTrying)
{
    auto w = Create();
    ASSERT_TRUE(WaitConnected(*w));
    w->Emulator()->SetFaults({.Silent = true});
    w->Emulator()->ResetCounters();
    w->Link()->ReadAddresses({0x000012});  // a tool window's request that goes unanswered

    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->Connected(); }, 4000));
    EXPECT_EQ(w->pnlStatus0->text(), "Disconnected");
    QTest::qWait(3500);  // one more unanswered identification cycle
    EXPECT_EQ(Dialogs->Texts(TDialogKind::Warning),
              QStringList{"There has been a problem communicating with the ECU. Check your "
                          "cabling and click OK."});
    EXPECT_EQ(Sounds->Calls.size(), 1u);
    EXPECT_GE(w->Emulator()->RequestsReceived(frInit), 3);

    w->Emulator()->SetFaults({});
    ASSERT_TRUE(WaitConnected(*w, 3500));
    EXPECT_EQ(Dialogs->Count(TDialogKind::Warning), 1);
}

TEST_F(MainForm, ReconnectAndEcuReset)
{
    auto w = Create();
    ASSERT_TRUE(WaitConnected(*w));
    w->menuReconnect->trigger();
    ASSERT_TRUE(WaitConnected(*w));

    w->Emulator()->ResetCounters();
    w->menuEcuReset->trigger();  // answered No
    QTest::qWait(100);
    EXPECT_EQ(w->Emulator()->RequestsReceived(frWriteAddress), 0);
    ASSERT_EQ(Dialogs->Count(TDialogKind::Confirmation), 1);
    EXPECT_EQ(Dialogs->Calls.back().Text,
              "Resetting the ECU will clear all trouble codes, \r\nidle and ignition "
              "adjustments, plus any learned knock correction.\r\n\r\nReset ECU ?");

    Dialogs->MessageAnswers.push_back(TMessageResult::Yes);
    w->menuEcuReset->trigger();
    EXPECT_EQ(Dialogs->Texts(TDialogKind::Information),
              QStringList{"The ECU has been Reset.\r\nNow turn off your ignition fully, then "
                          "turn it back on to complete the reset."});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return w->Emulator()->RequestsReceived(frWriteAddress) == 1; }, 1000));
}

TEST_F(MainForm, AuthenticityCheck)
{
    TfrmMain::TOptions options;
    options.Partner = true;
    auto w = Create(options);
    EXPECT_TRUE(w->menuAuthenticity->isVisible());
    ASSERT_TRUE(WaitConnected(*w));
    const std::pair<uint8_t, const char*> cases[] = {
        {'O', "This is a Tarsine ECU"},
        {'o', "This ECU has been reprogrammed, but not by Tarsine"},
        {'0', "This ECU has not been modified by Morvane software."},
    };
    for (const auto& [byte, text] : cases) {
        w->Emulator()->RomImage()[0x028011 % 0x20000] = byte;
        Dialogs->Calls.clear();
        w->menuAuthenticity->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Dialogs->Calls.empty(); }, 1000)) << text;
        EXPECT_EQ(Dialogs->Calls.back().Text, text);
    }
}

TEST_F(MainForm, RecentFilesKeepTheirOrderAcrossARestart)
{
    QStringList files;
    for (int i = 0; i < 11; ++i)
        files << MakeFile(QStringLiteral("log%1.csv").arg(i));
    {
        auto w = Create();
        for (const QString& f : files)
            w->AddRecentFile(f);
        w->AddRecentFile(files[3]);  // already listed: moves to the top
        w->AddRecentFile(Dir.filePath("missing.csv"));
        ASSERT_EQ(w->RecentFiles().size(), 10);
        EXPECT_EQ(w->RecentFiles().front(), files[3]);
        EXPECT_EQ(w->RecentFiles()[1], files[10]);
        EXPECT_FALSE(w->RecentFiles().contains(files[0])) << "the oldest dropped";
        EXPECT_EQ(w->menuReopen->actions().size(), 10);
    }
    QStringList expected{files[3]};
    for (int i = 10; i >= 1; --i)
        if (i != 3)
            expected << files[i];
    auto w = Create();
    EXPECT_EQ(w->RecentFiles(), expected);
    EXPECT_EQ(TSettingsStore::Instance().ReadString(TfrmMain::RecentKey, "1"), files[3]);
}

TEST_F(MainForm, SettingsOutsideTheirRange)
{
    auto& store = TSettingsStore::Instance();
    store.WriteInteger(TfrmMain::SettingsKey, "StartWindow", 9);
    store.WriteInteger(TfrmMain::SettingsKey, "DemoECU", 100);  // not a demo type
    {
        auto w = Create();
        EXPECT_EQ(w->StartWindow(), twNone);
        for (QAction* a : w->menuStartWindow->actions())
            EXPECT_FALSE(a->isChecked());
        for (QAction* a : w->menuDemoEcu->actions())
            EXPECT_FALSE(a->isChecked());
        EXPECT_EQ(w->Emulator()->EcuType(), DefaultDemoEcu);
        ASSERT_TRUE(WaitConnected(*w));
        EXPECT_EQ(w->EcuName(), EcuIds[DefaultDemoEcu].Description);
    }
    EXPECT_EQ(store.ReadInteger(TfrmMain::SettingsKey, "DemoECU"), DefaultDemoEcu);
    EXPECT_EQ(store.ReadInteger(TfrmMain::SettingsKey, "StartWindow"), twNone);
}

TEST_F(MainForm, ChoicesAreRestoredAtTheNextStart)
{
    const int other = DemoEcuTypes.front() == DefaultDemoEcu ? DemoEcuTypes.back()
                                                              : DemoEcuTypes.front();
    {
        auto w = Create();
        for (QAction* a : w->menuDemoEcu->actions())
            if (a->data().toInt() == other)
                a->trigger();
        w->menuStart[2]->trigger();  // Diagnostic Trouble Code Reader
        EXPECT_EQ(w->StartWindow(), twTroubleCodes);
        w->menuStart[0]->trigger();  // another item ticks alone
        w->menuStart[0]->trigger();  // the ticked one again: none
        EXPECT_EQ(w->StartWindow(), twNone);
        w->menuStart[3]->trigger();
        Dialogs->ColourAnswers.push_back(QColor(0x12, 0x34, 0x56));
        w->menuGraphBgColour->trigger();
        ASSERT_TRUE(WaitConnected(*w));
        EXPECT_EQ(w->EcuName(), EcuIds[other].Description) << "identified as the new type";
    }
    auto w = Create();
    EXPECT_EQ(w->StartWindow(), twRoadDyno);
    EXPECT_TRUE(w->menuStart[3]->isChecked());
    EXPECT_EQ(w->Emulator()->EcuType(), other);
    EXPECT_EQ(w->GraphBackgroundColour(), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(TSettingsStore::Instance().ReadInteger(TfrmMain::GraphingKey, "GraphBgColour"),
              0x563412);
}

TEST_F(MainForm, ToolWindowOpensOnlyWhenTheEcuAnswers)
{
    auto w = Create();
    int opened = 0, closed = 0;
    TfrmMain::TToolWindowHooks hooks;
    hooks.Open = [&] { ++opened; };
    hooks.Close = [&] { ++closed; };
    w->SetToolWindow(twLiveData, hooks);
    ASSERT_TRUE(WaitConnected(*w));
    ASSERT_TRUE(w->menuToolWindows[twLiveData]->isEnabled());

    w->Emulator()->SetFaults({.Silent = true});
    w->menuToolWindows[twLiveData]->trigger();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(w->PendingWindow(), twLiveData);
    QTest::qWait(1500);
    EXPECT_EQ(opened, 0);

    w->Emulator()->SetFaults({});
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened == 1; }, 4000));
    EXPECT_EQ(w->Link()->MaxAttempts, 10);
    EXPECT_EQ(w->PendingWindow(), twNone);
}

TEST_F(MainForm, LiveDataCaptureOpensBelowTheBarAndCloses)
{
    auto w = Create();
    ASSERT_TRUE(WaitConnected(*w));
    w->menuToolWindows[twLiveData]->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->DashBoard() != nullptr; }, 3000));
    TfrmDashBoard* dash = w->DashBoard();
    EXPECT_EQ(dash->windowTitle(), "Live ECU Data Capture");
    EXPECT_EQ(w->Link()->MaxAttempts, 10);
    EXPECT_TRUE(w->menuWindow->isEnabled());
    // Values arrive through the main window's link.
    dash->SetCaptureInterval(20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dash->ParamRows[epEngspd].CurEdit->text().isEmpty(); }, 5000));

    // Another tool closes it; the main window gets its time-out handler back.
    w->CloseAllToolWindows();
    EXPECT_EQ(w->DashBoard(), nullptr);
    EXPECT_FALSE(w->Link()->OnParamValues);
    w->Emulator()->SetFaults({.Silent = true});
    w->Link()->MaxAttempts = 2;  // keeps the wait short
    w->Link()->RequestInit();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->Connected(); }, 20000));
    EXPECT_EQ(Dialogs->Count(TDialogKind::Warning), 1);
}

TEST_F(MainForm, ExitEndsTheProgramWithWindowsOpenAndWritesEverySetting)
{
    // A data folder that does not exist yet, as for a new user.
    TPaths::SetDataDir(Dir.filePath("new/user/data"));
    TSettingsStore::Instance().Open(Dir.filePath("exit.ini"));
    auto w = Create(TfrmMain::TOptions{.Advanced = true, .Partner = false});
    w->ShowAsBar();
    ASSERT_TRUE(WaitConnected(*w));
    w->menuToolWindows[twLiveData]->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->DashBoard() != nullptr; }, 3000));
    TfrmDashBoard* dash = w->DashBoard();
    dash->SetCaptureInterval(20);
    dash->menuLogData->trigger();
    ASSERT_TRUE(dash->Logging);
    const QString log = dash->LogBaseName + ".csv";
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(log).size() > 200; }, 5000));
    w->menuViewFakeEcu->trigger();
    w->menuViewEcuInterface->trigger();

    // Ctrl+X ends the event loop at once, whatever else is open.
    bool exitTriggered = false;
    QTimer::singleShot(0, w.get(), [&] {
        exitTriggered = true;
        w->menuExit->trigger();
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    EXPECT_EQ(qApp->exec(), 0);
    EXPECT_TRUE(exitTriggered);
    EXPECT_EQ(w->DashBoard(), nullptr);
    EXPECT_FALSE(w->FakeEcuWindow()->isVisible());
    EXPECT_FALSE(w->EcuInterfaceWindow()->isVisible());

    // The log ends with a whole line, and both windows' settings are in the file, the
    // recent list already holding the log just closed.
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().endsWith("\r\n"));
    QSettings ini(Dir.filePath("exit.ini"), QSettings::IniFormat);
    EXPECT_TRUE(ini.contains("SOFTWARE/Morvane/Quillon/StartWindow"));
    EXPECT_TRUE(ini.contains("SOFTWARE/Morvane/Quillon/Dashboard/Capture/CaptureIntervalMilliseconds"));
    EXPECT_EQ(ini.value("SOFTWARE/Morvane/Quillon/LogMRU/1").toString(), log);
}

TEST_F(MainForm, AToolWindowOpensOnceWhenItsKeyIsPressedTwice)
{
    auto w = Create();
    ASSERT_TRUE(WaitConnected(*w));
    // The second press comes while the first is still closing the other windows.
    QTimer::singleShot(50, w.get(), [&] { w->menuToolWindows[twLiveData]->trigger(); });
    w->menuToolWindows[twLiveData]->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->DashBoard() != nullptr; }, 3000));
    QTest::qWait(600);
    int windows = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        windows += qobject_cast<TfrmDashBoard*>(top) != nullptr;
    EXPECT_EQ(windows, 1);
}

TEST_F(MainForm, WindowMenuItemFollowsTheCaption)
{
    auto w = Create();
    QWidget viewer;
    viewer.setWindowTitle("Log Viewer - a.csv");
    w->RegisterWindow(&viewer);
    ASSERT_EQ(w->menuWindow->actions().size(), 1);
    viewer.setWindowTitle("Log Viewer - b.csv");
    EXPECT_EQ(w->menuWindow->actions()[0]->text(), "Log Viewer - b.csv");
    w->UnregisterWindow(&viewer);
    EXPECT_FALSE(w->menuWindow->isEnabled());
}

TEST_F(MainForm, RateChangeDuringCaptureIsTickedWhenTheEcuConfirmsIt)
{
    auto w = Create(TfrmMain::TOptions{.Advanced = true, .Partner = false});
    ASSERT_TRUE(WaitConnected(*w));
    w->menuToolWindows[twLiveData]->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->DashBoard() != nullptr; }, 3000));
    w->DashBoard()->SetCaptureInterval(20);
    w->DashBoard()->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Link()->PendingRequestActive(); }, 3000));

    // Chosen while a poll is out: the old rate stays ticked until the ECU has switched.
    w->menuBaud[3]->trigger();
    EXPECT_TRUE(w->menuBaud[0]->isChecked());
    EXPECT_FALSE(w->menuBaud[3]->isChecked());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->menuBaud[3]->isChecked(); }, 3000));
    EXPECT_FALSE(w->menuBaud[0]->isChecked());
    EXPECT_EQ(w->Emulator()->BaudRate(), 38400);
    EXPECT_EQ(w->Link()->BaudRate, 38400);

    // Capture goes on at the new rate, with no refused request.
    const int before = w->Emulator()->RequestsReceived(frReadAddresses);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w->Emulator()->RequestsReceived(frReadAddresses) >= before + 5; }, 3000));
    EXPECT_FALSE(w->Emulator()->LastMessage().startsWith("ECUE wrong BR"));
    EXPECT_EQ(Dialogs->Count(TDialogKind::Warning), 0);
}

TEST_F(MainForm, AnEscapedErrorIsShownWithCaught)
{
    auto w = Create();
    TQuillonApplication::HandleError(std::make_exception_ptr(Exception("boom")));
    EXPECT_EQ(Dialogs->Texts(TDialogKind::Error), QStringList{"Caught: boom"});
}

TEST_F(MainForm, RoadDynoWithoutAnEcuAndWhenTheEcuFallsSilent)
{
    auto w = Create();
    w->Emulator()->SetFaults({.Silent = true});  // the first identification goes unanswered
    ASSERT_TRUE(w->menuToolWindows[twRoadDyno]->isEnabled());
    w->menuToolWindows[twRoadDyno]->trigger();
    auto* dyno = qobject_cast<TfrmIGA*>(w->ToolWindow(twRoadDyno));
    ASSERT_NE(dyno, nullptr);
    ASSERT_TRUE(dyno->isVisible());
    EXPECT_FALSE(w->Connected());
    // Not connected: the test waits for an answer until the link gives up, then says why.
    dyno->btnStartTest->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dyno->Testing(); }, 8000));
    EXPECT_EQ(dyno->pnlStatus->text(), "Test Stopped - the ECU did not answer");
    EXPECT_TRUE(dyno->isVisible());
    EXPECT_EQ(Dialogs->Count(TDialogKind::Warning), 0);

    // Connected: a silent ECU closes the window with the main window's warning.
    w->Emulator()->SetFaults({});
    ASSERT_TRUE(WaitConnected(*w, 5000));
    w->menuToolWindows[twRoadDyno]->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dyno->isVisible(); }, 3000));
    dyno->btnStartTest->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dyno->Testing(); }, 1000));
    w->Emulator()->SetFaults({.Silent = true});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->Connected(); }, 15000));
    EXPECT_FALSE(dyno->isVisible());
    EXPECT_FALSE(dyno->Testing());
    EXPECT_FALSE(w->Link()->FastPolling());
    EXPECT_EQ(Dialogs->Count(TDialogKind::Warning), 1);
    w->Emulator()->SetFaults({});
}
