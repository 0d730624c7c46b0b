// The main window in demo mode, in-process: the emulated link and ECU, a temporary
// settings file, and recording dialogs and sounds so that nothing blocks.
#include "DashBoardForm.h"
#include "Dialogs.h"
#include "EcuConstData.h"
#include "EcuInterface.h"
#include "FakeEcu.h"
#include "IgaForm.h"
#include "MainForm.h"
#include "Paths.h"
#include "Settings.h"
#include "Sounds.h"
#include "TestPrint.h"

#include <QAction>
#include <QLineEdit>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
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
    // Tool windows that are not built in yet stay disabled.
    EXPECT_TRUE(w->menuToolWindows[twLiveData]->isEnabled());
    EXPECT_FALSE(w->menuToolWindows[twTroubleCodes]->isEnabled());
    EXPECT_FALSE(w->menuAdvanced->menuAction()->isVisible());
    EXPECT_FALSE(w->menuAuthenticity->isVisible());
    EXPECT_FALSE(w->menuWindow->isEnabled());
    EXPECT_EQ(w->menuDemoEcu->actions().size(), static_cast<int>(DemoEcuTypes.size()));
    EXPECT_TRUE(Dialogs->Calls.empty());
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
