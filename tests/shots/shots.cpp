// Saves PNG pictures of the program's windows, as a user would see them, for looking at
// after a change: quillon_shots OUTPUT_DIR [DEVICE]. With a serial device (the pty of a running
// quillon-ecu-sim, say) the main window is also shown on it. Not part of the test suite.
#include "AboutForm.h"
#include "CodeListForm.h"
#include "DashBoardForm.h"
#include "Dialogs.h"
#include "EcuConstData.h"
#include "EcuInterface.h"
#include "EcuInterfaceForm.h"
#include "DtcForm.h"
#include "IdleForm.h"
#include "IgnRetardForm.h"
#include "UserTuneForm.h"
#include "FakeEcu.h"
#include "FakeEcuForm.h"
#include "LogPlot.h"
#include "LogSeries.h"
#include "LogViewForm.h"
#include "DynoFiles.h"
#include "IgaForm.h"
#include "SupportedEcuForm.h"
#include "MainForm.h"
#include "Paths.h"
#include "Plot3DFrame.h"
#include "ReloadForm.h"
#include "QuillonApplication.h"
#include "Rot3D.h"
#include "Settings.h"
#include "SupportedEcuForm.h"
#include "SensorCalForm.h"
#include "SensorHub.h"
#include "SensorSetupForm.h"
#include "SerialPortForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QListWidget>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
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
TfrmLogViewer* NewestViewer()
{
    TfrmLogViewer* newest = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* v = qobject_cast<TfrmLogViewer*>(w); v && v->isVisible()) newest = v;
    return newest;
}

// Every page of a viewer, each with a point read out as a user would click it.
void SaveViewerPages(TfrmLogViewer* v, const QString& prefix)
{
    v->resize(1280, 560);
    for (int i = 0; i < v->pgcPages->count(); ++i) {
        if (!v->pgcPages->isTabVisible(i)) continue;
        v->pgcPages->setCurrentIndex(i);
        QTest::qWait(200);
        QWidget* page = v->pgcPages->currentWidget();
        if (page == v->tabTimeGraphs && !v->Graphs.empty()) {
            auto& g = v->Graphs[0];
            const int row = v->Data.RowCount() / 3;
            QTest::mouseClick(g.Plot, Qt::LeftButton, {}, g.Series->RowPixel(row).toPoint());
            QTest::qWait(100);
        } else if (page == v->tabCustom2D && v->CustomSeries[0]->End() > 0) {
            v->RChart->replot();
            const int row = (v->CustomSeries[0]->Begin() + v->CustomSeries[0]->End()) / 2;
            QTest::mouseClick(v->RChart, Qt::LeftButton, {},
                              v->CustomSeries[0]->RowPixel(row).toPoint());
            QTest::qWait(100);
        } else if (page == v->tabCustom3D && v->Log3DFrame->Rot3D1->PointCount() > 0) {
            TRot3D* view = v->Log3DFrame->Rot3D1;
            const int n = view->PointCount() / 2;
            QTest::mouseClick(view, Qt::RightButton, {},
                              view->Project(view->Point(n).Coord).toPoint());
            QTest::qWait(100);
        }
        Save(v, prefix + v->pgcPages->tabText(i).remove(' ').toLower());
        if (page == v->tabTimeGraphs && v->Data.RowCount() > 40) {
            // Zoomed in to a few seconds: the points' markers show.
            const double t = v->Data.Times[size_t(v->Data.RowCount() / 3)];
            v->Graphs[0].Plot->xAxis->setRange(t - 3000, t + 3000);
            QTest::qWait(200);
            Save(v, prefix + "timegraphs_zoomed");
            v->Unzoom();
        }
    }
}

// An hour at 20 rows a second, 30 columns, shaped like a drive.
QString WriteHourLog(const QString& dir)
{
    const QString path = dir + "/hour.csv";
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    const char* names[] = {"Engine Speed (rpm)",
                           "Manifold Relative Pressure (psi)",
                           "Knock Correction (degrees)",
                           "Ignition Timing (degrees)",
                           "Throttle Opening Angle (%)",
                           "Coolant Temperature (\xB0"
                           "F)"};
    QByteArray header = "Time,";
    for (int c = 0; c < 30; ++c)
        header += c < 6 ? QByteArray(names[c]) + ","
                        : "Parameter " + QByteArray::number(c) + (c % 10 == 9 ? "," : " (unit),");
    f.write(header + "\r\n");
    for (int r = 0; r < 72000; ++r) {
        const double t = r * 0.05;
        const double rpm = 2500 + 1800 * std::sin(t / 23) + 400 * std::sin(t / 3.1);
        const double boost = -10 + 0.006 * (rpm - 700) + 3 * std::sin(t / 5);
        QByteArray line = QByteArray::number(r * 50).rightJustified(8, ' ') + ", ";
        line += QByteArray::number(std::round(rpm)) + ", " + QByteArray::number(boost, 'f', 2) +
                ", " +
                QByteArray::number(std::max(-4.0, std::min(0.0, 2 * std::sin(t / 7))), 'f', 1) +
                ", " + QByteArray::number(10 + rpm / 250 - boost / 2, 'f', 1) + ", " +
                QByteArray::number(50 + 49 * std::sin(t / 11), 'f', 0) + ", " +
                QByteArray::number(180 + 10 * std::sin(t / 600), 'f', 0) + ", ";
        for (int c = 6; c < 30; ++c)
            line += c % 10 == 9
                        ? QByteArray(int(t / (7 + c)) % 2 ? "1,  " : "0,  ")
                        : QByteArray::number(20 * std::sin(t / (5 + c)) + c, 'f', c % 3) + ", ";
        f.write(line + "\r\n");
    }
    return path;
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
    for (QMenu* m :
         {main.menuFile, main.menuTools, main.menuOptions, main.menuAdvanced, main.menuHelp})
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
            if (row.Check && switches < 3) row.Check->setChecked(true), ++switches;
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

        // A minute's log (QUILLON_SHOTS_LOG_SECONDS), opened from the recent list as a user would.
        const int seconds = qEnvironmentVariableIsSet("QUILLON_SHOTS_LOG_SECONDS")
                                ? qEnvironmentVariableIntValue("QUILLON_SHOTS_LOG_SECONDS")
                                : 60;
        dash->btnAnSelNoneOldClick();
        for (TEcuParam p : {epEngspd, epMrp, epKnockcor, epIgntim, epThrotAn, epCooltemp, epVehspd})
            if (dash->ParamRows[p].Check) dash->ParamRows[p].Check->setChecked(true);
        dash->menuLogData->trigger();
        QTest::qWait(seconds * 1000);
        dash->menuLogData->trigger();
        dash->close();
        if (QAction* recent = main.menuReopen->actions().value(0)) {
            recent->trigger();
            if (TfrmLogViewer* v = NewestViewer()) {
                SaveViewerPages(v, "logview_");
                v->close();
            }
        }
    }
    main.OpenLogFile(WriteHourLog(dir.path()));
    if (TfrmLogViewer* v = NewestViewer()) {
        SaveViewerPages(v, "logview_hour_");
        v->close();
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
        if (dtc && QTest::qWaitFor([&] { return dtc->isVisible(); }, 3000)) {
            dtc->resize(1100, 420);
            Save(dtc, "dtc_reader_reading"); // before the first complete pass
        }
        if (dtc && QTest::qWaitFor([&] { return dtc->lbCurrent->count() >= 4 && dtc->lbHistoric->count() >= 2; }, 8000)) {
            dtc->resize(1100, 420);
            QTest::qWait(100);
            Save(dtc, "dtc_reader");
            // A reply of the wrong length: reading stops, and the window says so.
            TFakeEcuFaults fault;
            fault.LengthError = -1;
            fault.Count = 1;
            ecu->SetFaults(fault);
            if (QTest::qWaitFor([&] { return !dtc->StopReason().isEmpty(); }, 5000))
                Save(dtc, "dtc_reader_stopped");
        } else {
            std::printf("the trouble-code reader did not fill its lists\n");
        }
        main.CloseAllToolWindows();
    }

    // Ignition retard and idle speeds, the idle window with an offset set by live tuning.
    {
        main.OpenToolWindow(twIgnitionRetard);
        QTest::qWait(1500);
        if (auto* w = qobject_cast<TfrmIgnRetard*>(main.ToolWindow(twIgnitionRetard))) {
            Save(w, "ignition_retard");
            // A change not yet answered, then the ECU's answer.
            w->spinRetard->setValue(2);
            Save(w, "ignition_retard_sending");
            if (!QTest::qWaitFor([&] { return w->lblState->text() == "Set"; }, 3000))
                std::printf("the window never showed Set\n");
            Save(w, "ignition_retard_set");
        }
        main.Emulator()->VariableArea()[0x071] = 168;  // +1000 RPM with the air con on
        main.OpenToolWindow(twIdleSpeeds);
        QTest::qWait(2500);
        if (auto* w = qobject_cast<TfrmIdle*>(main.ToolWindow(twIdleSpeeds))) {
            Save(w, "idle_speeds");
            w->SpinIdle->setValue(150);
            Save(w, "idle_speeds_sending");
            if (!QTest::qWaitFor([&] { return w->lblState->text() == "Set"; }, 4000))
                std::printf("the window never showed Set\n");
            Save(w, "idle_speeds_set");
        }
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
    // The external sensor windows, with a LabJack, an AP22 and an LM1 + LC1 chain present.
    {
        TSensorHub hub;
        hub.SetAvailableChannels(SensorChannelRange(lj0, 8) | SensorChannelRange(rtLat, 2) |
                                 SensorChannelRange(lmLambda, 14));
        hub.SetSensorName(lj0, QStringLiteral("Boost pressure"));
        hub.SetSensorUnits(lj0, QStringLiteral("kPa"));
        hub.SetEnabled(lj3, false);
        hub.Conversion(lj0).Points = {{0.5f, 20}, {1.5f, 60}, {2.5f, 105}, {4.5f, 250}};
        TfrmSensorSetup setup(hub, Dialogs(), &main);
        setup.show();
        QTest::qWait(50);
        Save(&setup, "sensor_configuration");

        TfrmSensorCal cal(Dialogs(), &main);
        cal.LoadPoints(hub.Conversion(lj0));
        cal.SetCalName(hub.GetSensorName(lj0));
        cal.SetCalUnits(hub.GetSensorUnits(lj0));
        cal.sgPoints->selectRow(2);
        cal.niInputTest->setValue(2.0);
        cal.btnConvertClick();
        cal.show();
        QTest::qWait(50);
        Save(&cal, "sensor_calibration");

        const std::vector<TSerialPortEntry> ports = {
            {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("FT232R USB UART [0403:6001]")},
            {QStringLiteral("/dev/ttyS0"), QString()}};
        TfrmAP22 ap22(&main);
        ap22.SetPorts(ports);
        ap22.SetPort(QStringLiteral("/dev/ttyUSB0"));
        ap22.SetUse(true);
        ap22.show();
        QTest::qWait(50);
        Save(&ap22, "sensor_ap22_port");
        TfrmLM1 lm1(&main);
        lm1.SetPorts(ports);
        lm1.SetPort(QStringLiteral("/tmp/quillon-innovate"));
        lm1.SetUse(true);
        lm1.SetAuxInputsAction([] {});
        lm1.memo->setPlainText(QStringLiteral("Found at start-up:\nLM-1 wideband meter\nLC-1 wideband controller"));
        lm1.show();
        QTest::qWait(50);
        Save(&lm1, "sensor_innovate_port");
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
