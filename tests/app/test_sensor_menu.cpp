#include "Dialogs.h"
#include "MainForm.h"
#include "Paths.h"
#include "SensorHub.h"
#include "Settings.h"
#include "Sounds.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(SensorMenu, PortItemsAlwaysConfigurationOnlyWithSomethingToConfigure)
{
    QTemporaryDir dir;
    TSettingsStore::Instance().Open(dir.filePath("settings.ini"));
    TPaths::SetDataDir(dir.path());
    TScopedRecordingDialogs dialogs;
    TScopedRecordingSounds sounds;
    {
        TfrmMain w;
        emit w.menuSensors->aboutToShow();
        EXPECT_TRUE(w.menuAP22Setup->isEnabled());
        EXPECT_TRUE(w.menuInnovateSetup->isEnabled());
        // No LabJack and no Innovate device: nothing to configure.
        EXPECT_FALSE(w.menuConfigureSensors->isEnabled());
        EXPECT_TRUE(w.SensorHub()->AvailableChannels().none());
        EXPECT_EQ(dialogs->Count(TDialogKind::Error), 0);
    }
    TPaths::SetDataDir(QString());
}

} // namespace
