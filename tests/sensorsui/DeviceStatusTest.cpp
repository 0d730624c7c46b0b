// The configuration window shows each Innovate device's function code while it is open.
#include "Dialogs.h"
#include "SensorHub.h"
#include "SensorSetupForm.h"
#include "sensors/FakeInnovate.h"
#include "sensors/TempSettings.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class DeviceStatus : public TempSettings {
  protected:
    TRecordingDialogs Dialogs;
};

TEST_F(DeviceStatus, TheConfigurationWindowFollowsEachDevicesFunctionCode)
{
    FakeInnovate chain;
    chain.Lm = 0;
    TSensorHub hub;
    hub.SetInnovate(&chain);
    hub.DetectDevices();
    hub.LoadChannelSettings();
    TfrmSensorSetup form(hub, Dialogs);
    form.show();
    EXPECT_EQ(form.lblDeviceStatus->text(), "LM-1: Normal, LC-1: Warming up");
    EXPECT_TRUE(form.lblDeviceStatus->isVisible());
    chain.Lc = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.lblDeviceStatus->text() == "LM-1: Normal, LC-1: Normal"; }, 2000));
    chain.IsFresh = false;
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.lblDeviceStatus->text() == "LM-1: no data, LC-1: no data"; }, 2000));

    // Without Innovate devices there is no such line.
    TSensorHub none;
    TfrmSensorSetup empty(none, Dialogs);
    empty.show();
    EXPECT_FALSE(empty.lblDeviceStatus->isVisible());
    EXPECT_EQ(empty.height(), 4 + 15 + 1);
}

} // namespace
