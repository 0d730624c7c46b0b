// Entry of the end-to-end tests: as the shared test main, but with the program's own
// application object, so that an error escaping an event handler (a serial port that
// vanished) reaches the main window's handler as it does in the program. The run has a
// settings file of its own, which the programs it starts inherit, so that no test leaves
// its ports and windows in the developer's settings.
#include "EcuConstData.h"
#include "QuillonApplication.h"
#include "Settings.h"

#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    TQuillonApplication app(argc, argv);
    const QTemporaryDir settingsDir;
    if (!settingsDir.isValid())
        return 1;
    const QString settings = settingsDir.filePath(QStringLiteral("Quillon.ini"));
    qputenv("QUILLON_SETTINGS", settings.toLocal8Bit());
    TSettingsStore::Instance().Open(settings);
    RestoreDefinitionTables();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
