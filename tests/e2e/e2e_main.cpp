// Entry of the end-to-end tests: as the shared test main, but with the program's own
// application object, so that an error escaping an event handler (a serial port that
// vanished) reaches the main window's handler as it does in the program.
#include "EcuConstData.h"
#include "QuillonApplication.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    TQuillonApplication app(argc, argv);
    RestoreDefinitionTables();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
