// A serial sensor on a real pseudo-terminal: its values are measurements only while the
// device sends; a stream that stops, or a port that goes, gives no values at all.
#include "AP22.h"
#include "Errors.h"
#include "Clock.h"
#include "LM1.h"
#include "Pty.h"
#include "SensorHub.h"
#include "SensorTypes.h"
#include "Settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

// An LM-1 packet, function code f, lambda word l (lambda x 1000 - 500), AFR x10 af.
QByteArray LM1Packet(int f, int af, int l)
{
    QByteArray p(16, '\0');
    p[0] = char(0x80 | (f << 2) | (af >> 7));
    p[1] = char(af & 0x7F);
    p[2] = char((l >> 7) & 0x3F);
    p[3] = char(l & 0x7F);
    p[4] = char(1 << 3);
    return p;
}

class StaleSensor : public ::testing::Test {
  protected:
    void SetUp() override
    {
        Previous = SetTickSource([this] { return Now; });
        Pty = std::make_unique<TestPty>();
        ASSERT_TRUE(Pty->Valid());
        Device = Pty->SlavePath();
    }
    void TearDown() override
    {
        Pty.reset();
        SetTickSource(Previous);
    }
    void Send(const QByteArray& bytes) { Pty->Write(bytes); }

    uint32_t Now = 5000;
    TTickSource Previous;
    std::unique_ptr<TestPty> Pty;
    QString Device;
};

TEST_F(StaleSensor, ValuesLastOnlyWhileTheDeviceSendsAndNotPastAPortError)
{
    TLM1 lm;
    lm.SetPort(Device);
    lm.SetActive(true);
    TSensorHub hub;
    hub.SetInnovate(&lm);
    Send(LM1Packet(0, 147, 380) + LM1Packet(0, 147, 380));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lm.Packets() >= 2; }, 3000));
    hub.DetectDevices();
    ASSERT_TRUE(hub.AvailableChannels().test(lmLambda));

    TSensorValues v{};
    hub.GetSensorValues(v);
    EXPECT_DOUBLE_EQ(v[lmLambda], 0.88);
    EXPECT_TRUE(lm.Fresh());

    // Silent for just over the limit: no values, not the last ones again.
    Now += TSerSensor::StaleMs;
    EXPECT_TRUE(lm.Fresh());
    Now += 1;
    EXPECT_FALSE(lm.Fresh());
    hub.GetSensorValues(v);
    for (int ch = lmLambda; ch <= lmAux4; ++ch)
        EXPECT_TRUE(std::isnan(v[ch])) << SensorChannelIdent(TSensorChannel(ch)).toStdString();

    // Packets again: values again. A warming-up packet is a packet, but no lambda.
    Send(LM1Packet(4, 147, 380));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lm.Packets() >= 3; }, 3000));
    hub.GetSensorValues(v);
    EXPECT_TRUE(std::isnan(v[lmLambda]));
    EXPECT_DOUBLE_EQ(v[lmAfrMult], 14.7);
    Send(LM1Packet(0, 147, 400));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lm.Packets() >= 4; }, 3000));
    hub.GetSensorValues(v);
    EXPECT_DOUBLE_EQ(v[lmLambda], 0.9);

    // The adapter goes: the port closes under the reader, and its channels have no values.
    Pty->Close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lm.Active(); }, 3000));
    EXPECT_FALSE(lm.LastError().isEmpty());
    EXPECT_FALSE(lm.Fresh());
    hub.GetSensorValues(v);
    EXPECT_TRUE(std::isnan(v[lmLambda]));
}

TEST_F(StaleSensor, AnAP22LineKeepsItFreshForASecond)
{
    TAP22 ap;
    EXPECT_FALSE(ap.Fresh());
    ap.Receive("0.1 0.2\r");
    EXPECT_TRUE(ap.Fresh());
    ap.Receive("junk\r"); // a line that is no reading does not count
    Now += TSerSensor::StaleMs + 1;
    EXPECT_FALSE(ap.Fresh());
    ap.Receive("0.3 0.4\r");
    EXPECT_TRUE(ap.Fresh());
    // Wrapping the tick counter changes nothing.
    Now = 0xFFFFFF00u;
    ap.Receive("0.3 0.4\r");
    Now += 0x200;
    EXPECT_TRUE(ap.Fresh());
}

// An adapter pulled and plugged in again, or missing at start: the port is tried again every
// few seconds for as long as the user wants it, its values come back by themselves, and the
// user's choice is what is saved.
TEST_F(StaleSensor, AVanishedPortIsOpenedAgainAndTheChoiceIsSaved)
{
    TSettingsStore::Instance().OpenInMemory();
    const int interval = TSerSensor::ReopenIntervalMs;
    TSerSensor::ReopenIntervalMs = 20;
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyUSB0"); // a stable name, as udev gives one
    ASSERT_TRUE(QFile::link(Device, link));

    TLM1 lm;
    lm.SetPort(link);
    lm.SetActive(true);
    TSensorHub hub;
    hub.SetInnovate(&lm);
    Send(LM1Packet(0, 147, 380));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lm.Packets() == 1; }, 3000));

    // Pulled: the port goes, and the name points nowhere for a while.
    Pty->Close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !lm.Active(); }, 3000));
    ASSERT_TRUE(QFile::remove(link));
    QTest::qWait(100);
    EXPECT_FALSE(lm.Active());
    EXPECT_TRUE(lm.Wanted());
    hub.SaveChannelSettings();
    EXPECT_TRUE(TSettingsStore::Instance().ReadBool(QString::fromLatin1(SensorSettingsRoot) + "/LM1", "Active", false));

    // Plugged in again: opened by itself, and its packets are read.
    Pty = std::make_unique<TestPty>();
    ASSERT_TRUE(Pty->Valid());
    ASSERT_TRUE(QFile::link(Pty->SlavePath(), link));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lm.Active(); }, 3000));
    Send(LM1Packet(0, 147, 400));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lm.Packets() == 2; }, 3000));
    EXPECT_TRUE(lm.Fresh());
    EXPECT_DOUBLE_EQ(lm.Lambda(), 0.9);

    // Switched off by the user: off it stays, and so it is saved.
    lm.SetActive(false);
    EXPECT_FALSE(lm.Wanted());
    hub.SaveChannelSettings();
    EXPECT_FALSE(TSettingsStore::Instance().ReadBool(QString::fromLatin1(SensorSettingsRoot) + "/LM1", "Active", true));

    // Missing when switched on: refused with the reason, then tried until it is there.
    TAP22 ap;
    ap.SetPort(dir.filePath("ttyUSB1"));
    EXPECT_THROW(ap.SetActive(true), Exception);
    EXPECT_TRUE(ap.Wanted());
    ASSERT_TRUE(QFile::link(Pty->SlavePath(), dir.filePath("ttyUSB1")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return ap.Active(); }, 3000));
    TSerSensor::ReopenIntervalMs = interval;
}

} // namespace
