// quillon-log as a user runs it: a child process against quillon-ecu-sim on a pty.
#include "SimProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

class LoggerProcess {
public:
    explicit LoggerProcess(const QStringList& args)
    {
        FProcess.setProgram(QStringLiteral(QUILLON_LOG));
        FProcess.setArguments(args);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        FProcess.setProcessEnvironment(env);
        FProcess.start();
        FProcess.waitForStarted(10000);
    }
    ~LoggerProcess()
    {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.kill();
            FProcess.waitForFinished(10000);
        }
    }
    // Waits until standard output holds the text.
    bool WaitOutput(const QString& text, int ms = 20000)
    {
        return QTest::qWaitFor(
            [&] {
                Out += QString::fromLocal8Bit(FProcess.readAllStandardOutput());
                return Out.contains(text);
            },
            ms);
    }
    void Signal(int sig) { ::kill(static_cast<pid_t>(FProcess.processId()), sig); }
    // The exit code, or -1 when it did not end in time.
    int Wait(int ms = 20000)
    {
        if (!QTest::qWaitFor([&] { return FProcess.state() == QProcess::NotRunning; }, ms))
            return -1;
        Out += QString::fromLocal8Bit(FProcess.readAllStandardOutput());
        Err += QString::fromLocal8Bit(FProcess.readAllStandardError());
        return FProcess.exitStatus() == QProcess::NormalExit ? FProcess.exitCode() : -1;
    }
    QString Out, Err;

private:
    QProcess FProcess;
};

QStringList Logs(const QString& dir)
{
    return QDir(dir).entryList({"*.csv"}, QDir::Files, QDir::Name);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The live-capture format: a header, then lines of an 8-wide time and the values.
void ExpectCaptureLog(const QByteArray& log, int columns)
{
    ASSERT_TRUE(log.endsWith("\r\n")) << "ends on a whole line";
    const QList<QByteArray> lines = log.split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("Time,"));
    EXPECT_EQ(lines[0].count(','), columns + 1);
    const QRegularExpression data(QStringLiteral("^[ 0-9]{8}, ([-0-9.]+, |[01],  )+\r$"));
    for (int i = 1; i + 1 < lines.size(); ++i)
        EXPECT_TRUE(data.match(QString::fromLatin1(lines[i])).hasMatch()) << i << ": " << lines[i].toStdString();
}

}  // namespace

TEST(Logger, BadOptionsNamesAndPortsExitWithTwo)
{
    QTemporaryDir dir;
    const QString logs = dir.filePath("logs");
    const struct {
        QStringList Args;
        const char* Says;
    } cases[] = {
        {{"--demo", "--param", "epEngspd", "--log-dir", logs, "--frobnicate"}, "Unknown option"},
        {{"--demo", "--param", "Engine Sped", "--log-dir", logs}, "Did you mean: \"Engine Speed\" (epEngspd)"},
        {{"--demo", "--switch", "esNoSuch", "--log-dir", logs}, "No switch is called"},
        {{"--port", dir.filePath("ttyUSB9"), "--param", "epEngspd", "--log-dir", logs}, "no serial port"},
        {{"--demo", "--param", "epEngspd"}, "--log-dir"},
        {{"--demo", "--param", "epEngspd", "--log-dir", logs, "--interval", "0"}, "--interval"},
        {{"--demo", "--param", "epEngspd", "--log-dir", logs, "--trigger", "brake"}, "Unknown trigger"},
        {{"--demo", "--log-dir", logs}, "Choose what to log"},
    };
    for (const auto& c : cases) {
        LoggerProcess p(c.Args);
        EXPECT_EQ(p.Wait(), 2) << c.Args.join(' ').toStdString();
        EXPECT_TRUE(p.Err.contains(QString::fromUtf8(c.Says))) << p.Err.toStdString();
    }
    EXPECT_FALSE(QDir(logs).exists());

    LoggerProcess help({"--help"});
    EXPECT_EQ(help.Wait(), 0);
    for (const char* option : {"--port", "--demo", "--param", "--switch", "--settings", "--units", "--interval",
                               "--fast", "--log-dir", "--trigger", "--rotate-size", "--rotate-time", "--status",
                               "--retry"})
        EXPECT_TRUE(help.Out.contains(option)) << option;
}

TEST(Logger, LogsTheSimulatorUntilSigtermAndEndsOnAWholeLine)
{
    TSimProcess sim({"--ecu", "8"});
    ASSERT_FALSE(sim.Device.isEmpty());
    QTemporaryDir dir;
    const QString logs = dir.filePath("car/logs");
    LoggerProcess p({"--port", sim.Device, "--param", "epEngspd", "--param", "Coolant Temperature", "--switch",
                     "esDefogSw", "--units", "fahrenheit", "--interval", "10", "--log-dir", logs, "--status"});
    ASSERT_TRUE(p.WaitOutput("Connected to ")) << p.Err.toStdString();
    ASSERT_TRUE(p.WaitOutput("rows ")) << p.Err.toStdString();
    QTest::qWait(1500);
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Wait(), 0) << p.Err.toStdString();
    ASSERT_EQ(Logs(logs).size(), 1);
    const QByteArray log = ReadFile(QDir(logs).filePath(Logs(logs)[0]));
    ExpectCaptureLog(log, 3);
    EXPECT_TRUE(log.startsWith("Time,")) << log.left(80).toStdString();
    EXPECT_TRUE(log.contains(" (\xB0" "F),")) << "the unit follows --units";
}

TEST(Logger, ALostSimulatorEndsTheLoggerAndRetryReconnects)
{
    QTemporaryDir dir;
    const QString logs = dir.filePath("logs");
    {
        TSimProcess sim({});
        LoggerProcess p({"--port", sim.Device, "--param", "epEngspd", "--interval", "10", "--log-dir", logs});
        ASSERT_TRUE(p.WaitOutput("Logging to ")) << p.Err.toStdString();
        QTest::qWait(500);
        sim.Kill();
        const int code = p.Wait(30000);
        EXPECT_NE(code, 0);
        EXPECT_NE(code, -1) << "must end by itself";
        EXPECT_TRUE(p.Err.contains("connection lost")) << p.Err.toStdString();
        ASSERT_EQ(Logs(logs).size(), 1);
        EXPECT_TRUE(ReadFile(QDir(logs).filePath(Logs(logs)[0])).endsWith("\r\n"));
    }

    // With --retry the logger waits, and a new simulator behind the same name (a symlink to
    // its pty, as udev gives a cable) gets a new log.
    const QString device = dir.filePath("ttyECU");
    auto first = std::make_unique<TSimProcess>(QStringList{});
    ASSERT_TRUE(QFile::link(first->Device, device));
    LoggerProcess p({"--port", device, "--param", "epEngspd", "--interval", "10", "--log-dir", logs, "--retry"});
    ASSERT_TRUE(p.WaitOutput("Logging to ")) << p.Err.toStdString();
    first->Kill();
    first.reset();
    TSimProcess second({});
    QFile::remove(device);
    ASSERT_TRUE(QFile::link(second.Device, device));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Logs(logs).size() == 3; }, 40000)) << p.Err.toStdString();
    EXPECT_TRUE(p.WaitOutput("Logging to ", 1000));
    p.Signal(SIGINT);
    EXPECT_EQ(p.Wait(), 0);
    EXPECT_EQ(p.Out.count("Connected to "), 2) << p.Out.toStdString();
    for (const QString& name : Logs(logs))
        EXPECT_TRUE(ReadFile(QDir(logs).filePath(name)).endsWith("\r\n")) << name.toStdString();
}

TEST(Logger, RotatesBetweenLinesWhileTheDemoEcuStreams)
{
    QTemporaryDir dir;
    const QString logs = dir.filePath("logs");
    // A thousandth of a megabyte: a new file every few dozen lines.
    LoggerProcess p({"--demo", "--fast", "--param", "epEngspd", "--param", "epThrotAn", "--log-dir", logs,
                     "--rotate-size", "0.001"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return Logs(logs).size() >= 3; }, 20000)) << p.Err.toStdString();
    p.Signal(SIGTERM);
    EXPECT_EQ(p.Wait(), 0) << p.Err.toStdString();
    const QStringList files = Logs(logs);
    ASSERT_GE(files.size(), 3);
    for (const QString& name : files) {
        const QByteArray log = ReadFile(QDir(logs).filePath(name));
        ExpectCaptureLog(log, 2);
        EXPECT_LT(log.size(), 1048 + 200) << name.toStdString();
    }
}
