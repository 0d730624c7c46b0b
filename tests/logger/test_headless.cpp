// The headless logger in this process: on the emulated link beside the live-data window,
// and waiting for a cable that is not there, both on an injected clock.
#include "HeadlessLogger.h"
#include "FaultRecovery.h"
#include "IdentifyEcu.h"

#include "Clock.h"
#include "DashBoardForm.h"
#include "Dialogs.h"
#include "FakeEcu.h"
#include "FakeEcuInterface.h"
#include "Settings.h"
#include "Sounds.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

// Puts the process on a clock of the test's own and back on the system's at the end.
class TestClock {
public:
    TestClock() : FPrevious(SetTickSource([this] { return Now; })) {}
    ~TestClock() { SetTickSource(FPrevious); }
    uint32_t Now = 1000;

private:
    TTickSource FPrevious;
};

// What the logger prints, caught in a file.
class Captured {
public:
    Captured() : File(std::tmpfile()) {}
    ~Captured() { std::fclose(File); }
    QString Text() const
    {
        std::fflush(File);
        std::rewind(File);
        QByteArray all;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, File)) > 0)
            all.append(buffer, qsizetype(n));
        std::fseek(File, 0, SEEK_END);
        return QString::fromLocal8Bit(all);
    }
    FILE* File;
};

TLoggerOptions Options(const QStringList& args)
{
    const TLoggerParse parse = ParseLoggerOptions(QStringList{"quillon-log"} + args);
    EXPECT_TRUE(parse.Options) << parse.Error.toStdString();
    return parse.Options.value_or(TLoggerOptions{});
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(HeadlessLogger, WritesTheSameLogAsTheLiveDataWindow)
{
    // Every reply the logger's link delivers goes to the window as well, at the same time on
    // one clock: the two logs and their comments files are the same, byte for byte.
    TSettingsStore::Instance().OpenInMemory();
    TScopedRecordingDialogs dialogs;
    TScopedRecordingSounds sounds;
    TestClock clock;
    QTemporaryDir dir;
    const QDateTime when(QDate(2004, 1, 5), QTime(14, 3, 27));

    THeadlessLogger logger(Options({"--demo", "--param", "epEngspd", "--param", "Coolant Temperature", "--switch",
                                    "esDefogSw", "--units", "fahrenheit", "--interval", "5", "--log-dir",
                                    dir.filePath("headless")}));
    Captured out;
    logger.Out = logger.Err = out.File;
    logger.Session.Now = [&] { return when; };

    // The window on a link of its own to the same type of emulated ECU, so that the file
    // names and the comments agree too. Hidden, it sends no requests of its own.
    TFakeEcuInterface windowLink;
    TFakeEcu windowEcu;
    windowEcu.Connect(&windowLink);
    windowLink.SetActive(true);
    ASSERT_TRUE(IdentifyEcu(windowLink));
    QString windowDir = dir.filePath("window");
    TToolWindowHost host;
    host.Link = [&] { return &windowLink; };
    host.LoggingDirectory = [&] { return windowDir; };
    host.SetLoggingDirectory = [&](const QString& d) { windowDir = d; };
    host.GraphBackgroundColour = [] { return QColor(Qt::black); };
    host.DemoMode = [] { return true; };
    host.AddRecentFile = [](const QString&) {};
    host.OpenLogFile = [](const QString&) {};
    auto form = std::make_unique<TfrmDashBoard>(host);
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    for (int p = 0; p < EcuParamCount; ++p)
        if (form->ParamRows[p].Check)
            form->ParamRows[p].Check->setChecked(p == epEngspd || p == epCooltemp);
    form->AnalogueCheckClick();
    ASSERT_TRUE(form->SwitchRows[esDefogSw].Check);
    form->SwitchRows[esDefogSw].Check->setChecked(true);
    form->menuFahrenheit->trigger();
    form->Session.Now = [&] { return when; };

    ASSERT_TRUE(logger.Start());
    TEcuInterface* link = logger.Link();
    ASSERT_TRUE(link);
    // The logger opens its log on the identification reply; the window opens its own then.
    const auto identified = link->OnInitResponse;
    link->OnInitResponse = [&](uint8_t a, uint8_t b, const TByteArray& reply) {
        identified(a, b, reply);
        if (!form->Logging)
            form->StartLogging();
    };
    constexpr int Replies = 25;
    int replies = 0;
    const auto values = link->OnParamValues;
    link->OnParamValues = [&](const TParamSet& received, const TParamValues& v, const TParamRaw& raw,
                              const TSwitchSet& present, const TSwitchSet& on) {
        if (replies == Replies)
            return;
        ++replies;
        clock.Now += 37 + 11 * (replies % 4);
        form->EcuDataReceived(received, v, raw, present, on);
        values(received, v, raw, present, on);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return replies == Replies; }, 20000)) << out.Text().toStdString();
    ASSERT_TRUE(form->Logging);
    ASSERT_TRUE(logger.Session.Logging);
    logger.Stop();
    form->StopLogging();

    const QString headless = logger.Session.LastLogName;
    ASSERT_EQ(QFileInfo(headless).fileName(), QFileInfo(form->LastLogName).fileName());
    const QByteArray log = ReadFile(headless);
    EXPECT_EQ(log.count("\r\n"), 1 + Replies) << log.toStdString();
    EXPECT_TRUE(log.contains(" (\xB0" "F),")) << "in the display units";
    EXPECT_EQ(log, ReadFile(form->LastLogName));
    const QByteArray comments = ReadFile(logger.Session.BaseName + ".txt");
    EXPECT_TRUE(comments.startsWith("Log From ")) << comments.toStdString();
    EXPECT_EQ(comments, ReadFile(form->LogBaseName + ".txt"));
    EXPECT_EQ(logger.Rows(), Replies);

    form.reset();
    windowLink.SetActive(false);
}

TEST(HeadlessLogger, AMissingPortIsToldOnceForEachTroubleAndRemindedOnceAMinute)
{
    TSettingsStore::Instance().OpenInMemory();
    TestClock clock;
    QTemporaryDir dir;
    const QString port = dir.filePath("ttyUSB0");
    THeadlessLogger logger(Options({"--port", port, "--param", "epEngspd", "--log-dir", dir.filePath("logs"), "--retry"}));
    Captured err;
    logger.Out = logger.Err = err.File;
    logger.RelinkIntervalMs = 2;
    const auto told = [&] { return err.Text().count("Unable to open"); };

    ASSERT_TRUE(logger.Start());
    QTest::qWait(150);  // dozens of tries
    EXPECT_EQ(told(), 1) << err.Text().toStdString();
    clock.Now += THeadlessLogger::ReminderIntervalMs - 1;
    QTest::qWait(60);
    EXPECT_EQ(told(), 1);
    clock.Now += 1;
    QTest::qWait(60);
    EXPECT_EQ(told(), 2) << "the reminder";
    QTest::qWait(60);
    EXPECT_EQ(told(), 2);

    // Another reason is news at once: a folder where the device should be.
    ASSERT_TRUE(QDir().mkdir(port));
    ASSERT_TRUE(QTest::qWaitFor([&] { return told() == 3; }, 2000)) << err.Text().toStdString();
    QTest::qWait(60);
    EXPECT_EQ(told(), 3) << err.Text().toStdString();
    const QStringList lines = err.Text().split('\n', Qt::SkipEmptyParts);
    EXPECT_NE(lines.last(), lines.first());
    logger.Stop();
}

TEST(HeadlessLogger, GoesOnAfterABadReplyAndEndsOnASilentEcu)
{
    // The logger asks again only from its reply handler: a bad reply must be retried, not
    // end the loop; an ECU that stops answering ends the run with one message and exit 1.
    TSettingsStore::Instance().OpenInMemory();
    QTemporaryDir dir;
    THeadlessLogger logger(Options({"--demo", "--param", "epEngspd", "--interval", "5", "--log-dir", dir.path()}));
    Captured out;
    logger.Out = logger.Err = out.File;
    int finished = -1;
    logger.OnFinished = [&](int code) { finished = code; };
    ASSERT_TRUE(logger.Start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return logger.Rows() >= 3; }, 5000)) << out.Text().toStdString();
    TEcuInterface& link = *logger.Link();
    TFakeEcu& ecu = *logger.Emulator();
    const auto rows = [&] { return size_t(logger.Rows()); };
    ExpectGoesOnAfterOneBadReply(link, ecu, rows);
    ExpectGoesOnAfterOneBadReply(link, ecu, rows, {.CorruptChecksum = true, .Count = 2});
    EXPECT_EQ(finished, -1);

    link.MaxAttempts = 2;  // the logger's ten sends would make this a long wait
    ExpectTimesOutWhenSilent(link, ecu, [&] { return finished == 1 ? 1 : 0; });
    EXPECT_EQ(out.Text().count("the ECU stopped answering"), 1) << out.Text().toStdString();
    EXPECT_FALSE(logger.Session.Logging);
}
