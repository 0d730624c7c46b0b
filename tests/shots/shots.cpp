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
#include "DtcForm.h"
#include "IdleForm.h"
#include "IgnRetardForm.h"
#include "UserTuneForm.h"
#include "FakeEcu.h"
#include "FakeEcuForm.h"
#include "SupportedEcuForm.h"
#include "MainForm.h"
#include "Paths.h"
#include "ReloadForm.h"
#include "QuillonApplication.h"
#include "Settings.h"

#include <QCheckBox>
#include <QListWidget>
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
        // The first graph shows engine speed and throttle together: two traces, one axis.
        dash->ParamRows[epThrotAn].Check->setChecked(true);
        dash->Graphs.Graphs[0] = TGraphSources();
        for (int code : {int(epEngspd), int(epThrotAn)}) {
            dash->MenuPopup(0);
            for (QAction* a : dash->GraphMenuItems)
                if (a->data().toInt() == code)
                    dash->GraphMenuItemClick(0, a);
        }
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

    // The trouble-code reader with codes in both lists (an ECU with every OBD group).
    {
        main.Emulator()->SetEcuType(207);
        TFakeEcu* ecu = main.Emulator();
        for (int code : {0, 2})
            ecu->SetCodeTicked(clObdHistoric, code, false);
        ecu->SetCodeTicked(clObdCurrent, 0, false);
        for (int code : {12, 40, 300, 440})
            ecu->SetCodeTicked(clObdCurrent, code, true);
        for (int code : {17, 260})
            ecu->SetCodeTicked(clObdHistoric, code, true);
        main.OpenToolWindow(twTroubleCodes);
        auto* dtc = qobject_cast<TfrmDTC*>(main.ToolWindow(twTroubleCodes));
        if (dtc && QTest::qWaitFor([&] { return dtc->lbCurrent->count() >= 4 && dtc->lbHistoric->count() >= 2; }, 8000)) {
            dtc->resize(1100, 420);
            QTest::qWait(100);
            Save(dtc, "dtc_reader");
        } else {
            std::printf("the trouble-code reader did not fill its lists\n");
        }
        main.CloseAllToolWindows();
    }

    // Ignition retard and idle speeds, the idle window with an offset set by live tuning.
    {
        main.OpenToolWindow(twIgnitionRetard);
        QTest::qWait(1500);
        if (QWidget* w = main.ToolWindow(twIgnitionRetard))
            Save(w, "ignition_retard");
        main.Emulator()->VariableArea()[0x071] = 168;  // +1000 RPM with the air con on
        main.OpenToolWindow(twIdleSpeeds);
        QTest::qWait(2500);
        if (QWidget* w = main.ToolWindow(twIdleSpeeds))
            Save(w, "idle_speeds");
        main.CloseAllToolWindows();
    }

    // Live tuning on a cam-timing ECU: the warning, then every page; and an ECU without it.
    {
        main.Emulator()->SetEcuType(58);
        main.OpenToolWindow(twLiveTuning);
        auto* tune = qobject_cast<TfrmUserTune*>(main.ToolWindow(twLiveTuning));
        if (tune && QTest::qWaitFor([&] { return tune->pgcPages->isVisible(); }, 5000)) {
            QTest::qWait(100);
            Save(tune, "tuning_warning");
            tune->btnOkWarning->click();
            QTest::qWait(1500);
            for (QWidget* page : {tune->tabTuning, tune->tabHelp}) {
                tune->pgcPages->setCurrentWidget(page);
                QTest::qWait(100);
                Save(tune, "tuning_" + tune->pgcPages->tabText(tune->pgcPages->indexOf(page)).remove(' ').toLower());
            }
        } else {
            std::printf("the live-tuning window did not open\n");
        }
        main.CloseAllToolWindows();
        main.Emulator()->SetEcuType(84);
        if (tune) {
            tune->show();  // the main window offers it only to tuning ECUs; shown here directly
            if (QTest::qWaitFor([&] { return tune->pgcPages->isVisible(); }, 5000)) {
                QTest::qWait(100);
                Save(tune, "tuning_information");
            }
            tune->hide();
        }
    }

    // The in-car dash: screen 0 after a few seconds of polling, a flip through the ten default
    // screens with the keys, and a screen file that uses every element.
    {
        main.Emulator()->SetEcuType(207);
        main.OpenToolWindow(twDashboard);
        const auto window = [&] { return qobject_cast<TDashGaugeForm*>(main.ToolWindow(twDashboard)); };
        (void)QTest::qWaitFor([&] { return window() && window()->isVisible(); }, 3000);
        if (TDashGaugeForm* dash = window(); dash && dash->isVisible()) {
            QTest::qWait(3500);
            Save(dash, "dash_screen0");
            for (int n = 1; n < 10; ++n) {
                QTest::keyClick(dash, Qt::Key_Right);
                QTest::qWait(n == 9 ? 1000 : 100);
            }
            Save(dash, "dash_screen9");
            QTest::keyClick(dash, Qt::Key_Right);
            if (dash->LoadScreen(QStringLiteral(QUILLON_DASH_FIXTURES "/every_element/Form.Cfg"))) {
                QTest::qWait(3500);
                Save(dash, "dash_every_element");
            }
            QTest::keyClick(dash, Qt::Key_Escape);
        } else {
            std::printf("the dash did not open\n");
            if (auto* rec = dynamic_cast<TRecordingDialogs*>(&Dialogs()))
                for (const TDialogCall& c : rec->Calls)
                    std::printf("  %s\n", qPrintable(c.Text));
        }
        main.CloseAllToolWindows();
        main.Emulator()->SetEcuType(84);
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
