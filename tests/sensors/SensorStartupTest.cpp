#include "Pty.h"
#include "SensorDevices.h"
#include "SensorHub.h"
#include "TempSettings.h"

#include <QLibrary>

#include <gtest/gtest.h>

namespace {

const QString Root = QString::fromLatin1(SensorSettingsRoot);

QByteArray LM1Packet()
{
    // F 0, AF 147, L 500: lambda 1.0.
    return QByteArray::fromHex("8113037408000000000000000000000000").left(16);
}

class SensorStartup : public TempSettings {};

TEST_F(SensorStartup, MissingPortsShowTheirBoxesAndNothingIsWaitedFor)
{
    for (const char* dev : {"LM1", "AP22"}) {
        Store().WriteString(Root + "/" + dev, "Port", "/nonexistent/ttyQ9");
        Store().WriteBool(Root + "/" + dev, "Active", true);
    }
    QStringList events;
    TSensorStartupHooks hooks;
    hooks.ShowError = [&](const QString& text) { events << text; };
    hooks.Wait = [&](int ms) { events << QStringLiteral("wait %1").arg(ms); };
    hooks.LabJackLibrary = QStringLiteral("/nonexistent/libljacklm.so");
    TSensorHub hub;
    TSensorDevices devices;
    devices.Start(hub, hooks);
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[0],
              "The Com Port for the LM1 connection is no longer available. \r\n"
              "You will need to close Quillon and reconnect your Com Port before the LM1 "
              "will function.");
    EXPECT_EQ(events[1],
              "The Com Port for the AP22 connection is no longer available. \r\n"
              "You will need to close Quillon and reconnect your Com Port before the AP22 "
              "will function.");
    EXPECT_TRUE(hub.AvailableChannels().none());
    EXPECT_FALSE(devices.AP22()->Active());
}

TEST_F(SensorStartup, DevicesFoundDuringStartUpOfferTheirChannelsAndSettingsAreSaved)
{
    TestPty lmPty, apPty;
    ASSERT_TRUE(lmPty.Valid() && apPty.Valid());
    Store().WriteString(Root + "/LM1", "Port", lmPty.SlavePath());
    Store().WriteBool(Root + "/LM1", "Active", true);
    Store().WriteBool(Root + "/LM1", "RPMSensor", true);
    Store().WriteString(Root + "/AP22", "Port", apPty.SlavePath());
    Store().WriteBool(Root + "/AP22", "Active", true);
    Store().WriteString(Root + "/16", "SensorName", "Boost");

    QLibrary fake(QStringLiteral(FAKE_LJACKLM));
    ASSERT_TRUE(fake.load());
    auto reset = reinterpret_cast<void (*)(long, long, long)>(fake.resolve("FakeLJ_Reset"));
    reset(1, 0, 0);

    TSensorHub hub;
    TSensorDevices devices;
    QStringList errors;
    TSensorStartupHooks hooks;
    hooks.ShowError = [&](const QString& text) { errors << text; };
    // The Innovate reader is open while the start-up waits: its first packet arrives now.
    int waited = 0;
    hooks.Wait = [&](int ms) {
        waited = ms;
        ASSERT_TRUE(devices.LM1() && devices.LM1()->Active());
        EXPECT_FALSE(devices.AP22()->Active()); // it opens after the wait
        lmPty.Write(LM1Packet() + LM1Packet());
        EXPECT_TRUE(WaitFor([&] { return devices.LM1()->ChannelsKnown(); }));
    };
    hooks.LabJackLibrary = QStringLiteral(FAKE_LJACKLM);
    devices.Start(hub, hooks);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("|").toStdString();
    EXPECT_EQ(waited, 1000);
    EXPECT_EQ(hub.AvailableChannels(), SensorChannelRange(lj0, 8) | SensorChannelRange(rtLat, 2) |
                                           SensorChannelRange(lmLambda, 10));
    EXPECT_EQ(hub.GetSensorName(lj0), "Boost");

    apPty.Write("0.25 -0.5\r");
    ASSERT_TRUE(WaitFor([&] { return devices.AP22()->LatG() != 0; }));
    TSensorValues v{};
    hub.GetSensorValues(v);
    EXPECT_DOUBLE_EQ(v[rtLat], 0.25);
    EXPECT_DOUBLE_EQ(v[rtLong], -0.5);
    EXPECT_DOUBLE_EQ(v[lmLambda], 1.0);

    // The port dialogs change the readers; exit writes what they hold.
    devices.AP22()->SetActive(false);
    devices.AP22()->SetPort("/dev/ttyUSB7");
    hub.SaveChannelSettings();
    EXPECT_EQ(Store().ReadString(Root + "/AP22", "Port"), "/dev/ttyUSB7");
    EXPECT_FALSE(Store().ReadBool(Root + "/AP22", "Active", true));
    EXPECT_EQ(Store().ReadString(Root + "/LM1", "Port"), lmPty.SlavePath());
    EXPECT_TRUE(Store().ReadBool(Root + "/LM1", "Active", false));
    EXPECT_TRUE(Store().ReadBool(Root + "/LM1", "RPMSensor", false));
}

TEST_F(SensorStartup, APseudoTerminalWithoutModemLinesIsAWorkingPort)
{
    TestPty pty;
    ASSERT_TRUE(pty.Valid());
    TAP22 ap;
    ap.SetPort(pty.SlavePath());
    ap.SetActive(true); // a pty refuses DTR and RTS; that is no error
    ASSERT_TRUE(ap.Active());
    pty.Write("0.1 0.2\r");
    ASSERT_TRUE(WaitFor([&] { return ap.LatG() != 0; }));
    EXPECT_DOUBLE_EQ(ap.LongG(), 0.2);
    EXPECT_TRUE(ap.LastError().isEmpty());
    ap.SetActive(false);
    EXPECT_FALSE(ap.Active());
}

} // namespace
