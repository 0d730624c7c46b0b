// Saves PNG pictures of the program's windows, as a user would see them, for looking at
// after a change: quillon_shots OUTPUT_DIR [DEVICE]. With a serial device (the pty of a running
// quillon-ecu-sim, say) the main window is also shown on it. Not part of the test suite.
#include "Dialogs.h"
#include "EcuConstData.h"
#include "EcuInterface.h"
#include "EcuInterfaceForm.h"
#include "FakeEcu.h"
#include "MainForm.h"
#include "Paths.h"
#include "QuillonApplication.h"
#include "Settings.h"

#include <QDir>
#include <QMenu>
#include <QMenuBar>
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

    if (argc > 2) {
        main.SwitchToSerialPort(QString::fromLocal8Bit(argv[2]));
        if (!QTest::qWaitFor([&] { return main.Connected(); }, 8000))
            std::printf("the ECU on %s did not answer\n", argv[2]);
        QTest::qWait(100);
        Save(&main, "main_window_serial");
    }
    return 0;
}
