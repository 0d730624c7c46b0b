// The program's entry: process-wide settings, the definition tables, then the main window.
#include "Dialogs.h"
#include "EcuConstData.h"
#include "Errors.h"
#include "MainForm.h"
#include "Paths.h"
#include "QuillonApplication.h"
#include "Settings.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QLocale>

#include <cstdio>

int main(int argc, char** argv)
{
    TQuillonApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Morvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.00.156"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Diagnostics, data logging and road tests for Subaru engine control units."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("Read and write the settings in FILE."),
                                      QStringLiteral("FILE"));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"),
                                     QStringLiteral("Keep logs and dash screens below DIR."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption advanced(QStringLiteral("advanced"),
                                      QStringLiteral("Show the Advanced menu."));
    const QCommandLineOption partner(QStringLiteral("partner"),
                                     QStringLiteral("Offer the ECU authenticity check."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Connect to the ECU on serial port DEVICE instead of demo mode."),
                                  QStringLiteral("DEVICE"));
    parser.addOptions({settings, dataDir, advanced, partner, port});
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("CSV logs to open in the log viewer."),
                                 QStringLiteral("[FILE.csv...]"));
    parser.process(app);

    // Numbers are written with "." and "," whatever the desktop's regional settings.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    SetApplicationTitle(QStringLiteral("Morvane Quillon Demonstration Version"));
    TSettingsStore::Instance().Open(parser.isSet(settings) ? parser.value(settings)
                                                           : TSettingsStore::DefaultFileName());
    if (parser.isSet(dataDir))
        TPaths::SetDataDir(parser.value(dataDir));

    try {
        RestoreDefinitionTables();
    } catch (const Exception& e) {
        std::fprintf(stderr, "quillon: %s\n", qPrintable(e.Message));
        return 1;
    }

    TfrmMain::TOptions options;
    options.Advanced = parser.isSet(advanced);
    options.Partner = parser.isSet(partner);
    int rc;
    {
        TfrmMain main(options);
        main.ShowAsBar();
        if (parser.isSet(port))
            main.SwitchToSerialPort(parser.value(port));
        for (const QString& file : parser.positionalArguments()) {
            const QString path = QFileInfo(file).absoluteFilePath();
            main.AddRecentFile(path);
            main.OpenLogFile(path);
        }
        rc = app.exec();
    }
    return rc;
}
