// Saves PNG pictures of the program's windows, as a user would see them, for looking at
// after a change: quillon_shots OUTPUT_DIR [DEVICE]. With a serial device (the pty of a running
// quillon-ecu-sim, say) the main window is also shown on it. Not part of the test suite.
#include "Dialogs.h"
#include "EcuConstData.h"
#include "EcuInterface.h"
#include "EcuInterfaceForm.h"
#include "AboutForm.h"
#include "CodeListForm.h"
#include "DashBoardForm.h"
#include "FakeEcu.h"
#include "FakeEcuForm.h"
#include "DynoFiles.h"
#include "IgaForm.h"
#include "SupportedEcuForm.h"
#include "MainForm.h"
#include "Paths.h"
#include "QuillonApplication.h"
#include "Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {
QString OutDir;

void Save(QWidget* w, const QString& name)
{
    w->grab().save(OutDir + "/" + name + ".png");
    std::printf("%s/%s.png\n", qPrintable(OutDir), qPrintable(name));
}

void SaveMenu(QMenu* menu, const QString& name)
{
    menu->popup(QPoint(0, 0));
    QTest::qWait(50);
    Save(menu, name);
    menu->hide();
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TQuillonApplication app(argc, argv);
    OutDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QDir().mkpath(OutDir);
    QTemporaryDir dir;
    TSettingsStore::Instance().Open(dir.filePath("settings.ini"));
    TPaths::SetDataDir(dir.path());
    SetApplicationTitle(QStringLiteral("Morvane Quillon Demonstration Version"));
    RestoreDefinitionTables();
    SetDialogs(std::make_unique<TRecordingDialogs>());

    TfrmMain::TOptions options;
    options.Advanced = true;
    options.Partner = true;
    TfrmMain main(options);
    main.resize(1280, 60);
    main.ShowAsBar();
    if (!QTest::qWaitFor([&] { return main.Connected(); }, 2000))
        std::printf("the demo ECU did not answer\n");
    QTest::qWait(100);
    Save(&main, "main_window");
    for (QMenu* m : {main.menuFile, main.menuTools, main.menuOptions, main.menuAdvanced, main.menuHelp})
        SaveMenu(m, "menu_" + m->title().remove('&').toLower());
    SaveMenu(main.menuDemoEcu, "menu_demo_ecu");

    // The link's debug window with logging on, after a few polls.
    TfrmEcuInterface* debug = main.EcuInterfaceWindow();
    main.Link()->Log().SetLogInformation(true);
    main.Link()->Log().SetLevelShown(6, true);
    for (int i = 0; i < 3; ++i) {
        TParamSet p;
        p.set(epEngspd).set(epCooltemp);
        main.Link()->PollParameters(p, {});
        QTest::qWait(150);
    }
    main.Link()->Log().LogMarker(0);
    debug->resize(900, 560);
    debug->show();
    QTest::qWait(150);
    Save(debug, "debug_window");
    debug->hide();

    // Every page of the emulator's panel, with a few codes ticked and addresses listed.
    TfrmFakeEcu* panel = main.FakeEcuWindow();
    panel->Ecu()->SetCodeTicked(clObdCurrent, 1, true);
    panel->Ecu()->SetCodeTicked(clObdHistoric, 3, true);
    panel->Ecu()->SetCodeTicked(clNonObdCurrent, 4, true);
    panel->Ecu()->ListAddrs();
    panel->Ecu()->RefreshFlash();
    panel->resize(840, 520);
    panel->show();
    for (int i = 0; i < panel->pgcPages->count(); ++i) {
        panel->pgcPages->setCurrentIndex(i);
        QTest::qWait(50);
        Save(panel, "emulator_" + panel->pgcPages->tabText(i).remove(' ').toLower());
    }
    panel->hide();

    // The live-data window after a few seconds of polling, every page, its graph menu.
    main.OpenToolWindow(twLiveData);
    if (!QTest::qWaitFor([&] { return main.DashBoard() != nullptr; }, 3000))
        std::printf("the live-data window did not open\n");
    if (TfrmDashBoard* dash = main.DashBoard()) {
        dash->resize(1280, 800);
        dash->SetCaptureInterval(50);
        int switches = 0;
        for (TSwitchRow& row : dash->SwitchRows)
            if (row.Check && switches < 3)
                row.Check->setChecked(true), ++switches;
        dash->menuFahrenheit->trigger();
        dash->menuLogData->trigger();
        QTest::qWait(4000);
        for (int i = 0; i < dash->pgcPages->count(); ++i) {
            dash->pgcPages->setCurrentIndex(i);
            QTest::qWait(300);
            Save(dash, "live_" + dash->pgcPages->tabText(i).remove(' ').toLower());
        }
        dash->pgcPages->setCurrentWidget(dash->tabGraphs);
        dash->MenuPopup(0);
        dash->GraphMenu->popup(QPoint(0, 0));
        QTest::qWait(100);
        Save(dash->GraphMenu, "live_graph_menu");
        dash->GraphMenu->hide();
        for (QMenu* m : dash->menuBar()->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
            if (!m->title().isEmpty())
                SaveMenu(m, "live_menu_" + m->title().remove('&').remove(' ').toLower());
        dash->menuLogData->trigger();
        dash->close();
    }

    // The road dyno after road tests on the emulator's "Road Test": two runs saved and
    // loaded for comparison (3rd and 2nd gear), then a 4th-gear run on screen.
    {
        TFakeEcu* ecu = main.FakeEcuWindow()->Ecu();
        main.menuToolWindows[twRoadDyno]->trigger();
        auto* dyno = qobject_cast<TfrmIGA*>(main.ToolWindow(twRoadDyno));
        if (!dyno || !QTest::qWaitFor([&] { return dyno->isVisible(); }, 3000)) {
            std::printf("the road dyno did not open\n");
        } else {
            dyno->resize(1100, 760);
            auto& dialogs = static_cast<TRecordingDialogs&>(Dialogs());
            auto pull = [&](int gear, const QString& comment) {
                ecu->SetRoadTestGear(gear);
                ecu->SetScenario(scRoadTest);
                const int item = dyno->cmbTestGear->findData(gear);
                dyno->cmbTestGear->setCurrentIndex(item);
                emit dyno->cmbTestGear->activated(item);
                dyno->memoComment->setPlainText(comment);
                dyno->btnStartTest->click();
                QTest::qWait(300);
                if (!QTest::qWaitFor([&] { return !dyno->Testing(); }, 30000))
                    std::printf("the road test did not end: %s\n", qPrintable(dyno->pnlStatus->text()));
            };
            const QString runs = dir.filePath("runs");
            QDir().mkpath(runs);
            pull(3, "3rd gear\nDry road, 1 up");
            dialogs.FileAnswers = {runs + "/third.DDF"};
            dyno->btnSaveDataFile->click();
            pull(2, "2nd gear");
            dialogs.FileAnswers = {runs + "/second.DDF"};
            dyno->btnSaveDataFile->click();
            pull(4, "4th gear");
            Save(dyno, "dyno_setup");
            dialogs.FileAnswers = {runs + "/third.DDF", runs + "/second.DDF"};
            dyno->btnOpenCompare[0]->click();
            dyno->btnOpenCompare[1]->click();
            dyno->pgcTabs->setCurrentIndex(1);
            QTest::qWait(100);
            Save(dyno, "dyno_graph_power_torque");
            dyno->rgGraphType->SetItemIndex(TfrmIGA::gtGearRanges);
            dyno->RedrawAnalysis();
            QTest::qWait(50);
            Save(dyno, "dyno_graph_gear_ranges");
            dyno->rgGraphType->SetItemIndex(TfrmIGA::gtVehicleSpeed);
            dyno->rgGraphX->SetItemIndex(TfrmIGA::gxTime);
            dyno->RedrawAnalysis();
            QTest::qWait(50);
            Save(dyno, "dyno_graph_speed_time");
            dyno->pgcTabs->setCurrentIndex(2);
            QTest::qWait(50);
            Save(dyno, "dyno_report");
            dyno->hide();
        }
        ecu->SetScenario(scRandom);
    }

    // The three list windows and the About box.
    {
        TfrmCodeList codes(&main);
        codes.FillNonObdCodes();
        codes.show();
        QTest::qWait(50);
        Save(&codes, "list_non_obd_codes");
        codes.FillObdCodes();
        QTest::qWait(50);
        Save(&codes, "list_obd_codes");
    }
    {
        TfrmSupportedEcus ecus(&main);
        ecus.show();
        QTest::qWait(50);
        Save(&ecus, "list_supported_ecus");
    }
    {
        TfrmAbout about(&main);
        about.show();
        QTest::qWait(50);
        Save(&about, "about");
    }
    if (argc > 2) {
        main.SwitchToSerialPort(QString::fromLocal8Bit(argv[2]));
        if (!QTest::qWaitFor([&] { return main.Connected(); }, 8000))
            std::printf("the ECU on %s did not answer\n", argv[2]);
        QTest::qWait(100);
        Save(&main, "main_window_serial");
    }
    return 0;
}
