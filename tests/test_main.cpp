// Test entry shared by every test executable: an offscreen application object so that
// timers, queued calls and widgets work, test-mode standard paths so that no test
// touches the user's files, and the definition tables restored as at program start.
#include "EcuConstData.h"

#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    RestoreDefinitionTables();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
