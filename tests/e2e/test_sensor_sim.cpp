// The external sensors end to end: quillon-sensor-sim serves an AP22 and an LC-1 + LM-1
// chain on pseudo-terminals, the settings name them, and the main window starts with them.
#include "DashBoardForm.h"
#include "Dialogs.h"
#include "MainForm.h"
#include "Paths.h"
#include "SensorDevices.h"
#include "SensorHub.h"
#include "Settings.h"
#include "Sounds.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class TSensorSim {
  public:
    explicit TSensorSim(const QStringList& args)
    {
        FProcess.setProgram(QStringLiteral(QUILLON_SENSOR_SIM));
        FProcess.setArguments(args);
        FProcess.start();
        if (QTest::qWaitFor([&] { return FProcess.canReadLine(); }, 20000))
            Device = QString::fromLocal8Bit(FProcess.readLine()).trimmed();
    }
    ~TSensorSim()
    {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.terminate();
            if (!FProcess.waitForFinished(5000)) FProcess.kill();
        }
    }
    QString Device;

  private:
    QProcess FProcess;
};

class SensorSim : public ::testing::Test {
  protected:
    void SetUp() override
    {
        TSettingsStore::Instance().Open(Dir.filePath("settings.ini"));
        TPaths::SetDataDir(Dir.path());
    }
    void TearDown() override { TPaths::SetDataDir(QString()); }

    QTemporaryDir Dir;
    TScopedRecordingDialogs Dialogs;
    TScopedRecordingSounds Sounds;
};

TEST_F(SensorSim, SerialSensorsReachTheHubTheLiveDataWindowAndTheLog)
{
    TSensorSim ap22({"--ap22"});
    const QString link = Dir.filePath("innovate");
    TSensorSim innovate({"--innovate", "--chain", "lc1,lm1", "--link", link});
    ASSERT_TRUE(ap22.Device.startsWith("/dev/"));
    ASSERT_TRUE(QFile::exists(link));

    const QString root = QString::fromLatin1(SensorSettingsRoot);
    TSettingsStore& store = TSettingsStore::Instance();
    store.WriteString(root + "/AP22", "Port", ap22.Device);
    store.WriteBool(root + "/AP22", "Active", true);
    store.WriteString(root + "/LM1", "Port", link);
    store.WriteBool(root + "/LM1", "Active", true);

    TfrmMain w;
    EXPECT_EQ(Dialogs->Count(TDialogKind::Error), 0)
        << Dialogs->Texts(TDialogKind::Error).join("|").toStdString();
    TSensorHub& hub = *w.SensorHub();
    EXPECT_EQ(hub.AvailableChannels(),
              SensorChannelRange(rtLat, 2) | SensorChannelRange(lmLambda, 14));

    TSensorValues v{};
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            hub.GetSensorValues(v);
            return v[rtLat] != 0 && v[lc_1_Lambda] != 0;
        },
        5000));
    EXPECT_GT(v[lmLambda], 0.8);
    EXPECT_LT(v[lmLambda], 1.1);
    EXPECT_NEAR(v[lmAfrMult], 14.7, 1e-9);
    EXPECT_NEAR(v[lmBatVolts], 13.8, 0.02);

    // The live-data window's "External Sensors" tab, then a log with the channel columns.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Connected(); }, 5000));
    w.menuToolWindows[twLiveData]->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.DashBoard() != nullptr; }, 8000));
    TfrmDashBoard* dash = w.DashBoard();
    for (TSensorChannel ch : {rtLat, lmLambda, lc_1_AFR}) {
        ASSERT_TRUE(dash->ChannelRows[ch].Check) << int(ch);
        dash->ChannelRows[ch].Check->click();
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !dash->ChannelRows[lmLambda].CurEdit->text().isEmpty(); }, 8000));
    EXPECT_FALSE(dash->ChannelRows[rtLat].CurEdit->text().isEmpty());

    dash->menuLogData->trigger();
    ASSERT_TRUE(dash->Logging);
    QTest::qWait(600);
    dash->menuLogData->trigger();
    ASSERT_FALSE(dash->Logging);
    QFile log(dash->LastLogName);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << dash->LastLogName.toStdString();
    const QList<QByteArray> lines = log.readAll().split('\n');
    ASSERT_GE(lines.size(), 3);
    const QByteArray header = lines[0];
    for (const char* name : {"Lateral Acceleration", "LM1 Lambda", "LC1 Air/Fuel Ratio"})
        EXPECT_TRUE(header.contains(name)) << header.toStdString() << " lacks " << name;
}

} // namespace
