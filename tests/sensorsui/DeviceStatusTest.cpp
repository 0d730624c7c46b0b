// The configuration window shows each Innovate device's function code while it is open.
#include "Dialogs.h"
#include "IInnovateReader.h"
#include "SensorHub.h"
#include "SensorSetupForm.h"
#include "sensors/TempSettings.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct FakeChain : IInnovateReader {
    bool IsFresh = true;
    int Lm = 0, Lc = 4;
    bool Active() const override { return true; }
    bool Fresh() const override { return IsFresh; }
    int LmStatus() const override { return Lm; }
    int LcStatus() const override { return Lc; }
    TSensorChannels Channels() const override { return SensorChannelRange(lmLambda, 14); }
    double Lambda() const override { return 1; }
    double O2() const override { return 0; }
    double AfrMult() const override { return 14.7; }
    double AFR() const override { return 14.7; }
    double BatVolts() const override { return 13; }
    int GetLmAux(int) const override { return 0; }
    double LcLambda() const override { return 1; }
    double LcO2() const override { return 0; }
    double LcAfrMult() const override { return 14.7; }
    double LcAFR() const override { return 14.7; }
    int GetMtsAux(int) const override { return 0; }
};

class DeviceStatus : public TempSettings {
  protected:
    TRecordingDialogs Dialogs;
};

TEST_F(DeviceStatus, TheConfigurationWindowFollowsEachDevicesFunctionCode)
{
    FakeChain chain;
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
