// quillon-log as a user runs it: a child process against quillon-ecu-sim on a pty.
#include "SimProcess.h"

#include "LogReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

class LoggerProcess {
public:
    // settings: the user's default settings file for this run; else the test run's own.
    // pipeTo: a shell command that reads the logger's output through a pipe, whose exit
    // code then counts only when the logger's is 0.
    explicit LoggerProcess(const QStringList& args, const QString& settings = QString(),
                           const QString& pipeTo = QString())
    {
        if (pipeTo.isEmpty()) {
            FProcess.setProgram(QStringLiteral(QUILLON_LOG));
            FProcess.setArguments(args);
        } else {
            FProcess.setProgram(QStringLiteral("bash"));
            FProcess.setArguments(QStringList{"-c", "set -o pipefail; \"$0\" \"$@\" | " + pipeTo, QUILLON_LOG} + args);
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        if (!settings.isEmpty())
            env.insert(QStringLiteral("QUILLON_SETTINGS"), settings);
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

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The log as the log viewer reads it: every line a row of the columns, without a message,
// and the last line whole.
void ExpectCaptureLog(const QString& path, int columns)
{
    const QByteArray bytes = ReadFile(path);
    ASSERT_TRUE(bytes.endsWith("\r\n")) << "ends on a whole line";
    const TLogReadResult read = ReadLogFile(path);
    ASSERT_TRUE(read.Usable) << path.toStdString();
    for (const TLogMessage& m : read.Messages)
        ADD_FAILURE() << m.Text.toStdString();
    EXPECT_EQ(read.Data.ColumnCount(), columns);
    EXPECT_EQ(read.Data.RowCount(), bytes.count("\r\n") - 1) << "every line after the header a row";
    EXPECT_TRUE(read.Data.TimesAscending);
}

// A settings file written by hand, in an order that QSettings would not keep.
const QByteArray HandWrittenSettings = "[Zeta]\nlast=1\n\n[SOFTWARE]\n"
                                       "Morvane\\EcuInterface\\ComPort=/dev/ttyUSB0\n"
                                       "Morvane\\EcuInterface\\x8Baud=false\n";

}  // namespace

TEST(Logger, BadOptionsNamesPortsAndFoldersExitWithTwo)
{
    QTemporaryDir dir;
    const QString logs = dir.filePath("logs");
    TSimProcess sim({"--verbose"});
    ASSERT_FALSE(sim.Device.isEmpty());
    const QString file = dir.filePath("notes.txt");
    WriteFile(file, "not a folder");
    const struct {
        QStringList Args;
        QString Says;
    } cases[] = {
        {{"--demo", "--param", "epEngspd", "--log-dir", logs, "--frobnicate"}, "Unknown option"},
        {{"--demo", "--param", "Engine Sped", "--log-dir", logs}, "Did you mean: \"Engine Speed\" (epEngspd)"},
        {{"--demo", "--switch", "esNoSuch", "--log-dir", logs}, "No switch is called"},
        {{"--port", dir.filePath("ttyUSB9"), "--param", "epEngspd", "--log-dir", logs}, "no serial port"},
        {{"--demo", "--param", "epEngspd"}, "--log-dir"},
        {{"--demo", "--param", "epEngspd", "--log-dir", logs, "--interval", "0"}, "--interval"},
        {{"--demo", "--param", "epEngspd", "--log-dir", logs, "--trigger", "brake"}, "Unknown trigger"},
        {{"--demo", "--log-dir", logs}, "Choose what to log"},
        {{"--demo", "--param", "epEngspd", "--log-dir", logs, "--rotate-size", "inf"},
         "--rotate-size needs megabytes from 0.001 to 100000: inf"},
        {{"--demo", "--param", "epEngspd", "--log-dir", logs, "--rotate-time", "0.000001"},
         "--rotate-time needs minutes from 0.1 to 525600"},
        // The folder is tried before the port is opened, and the system says why not.
        {{"--port", sim.Device, "--param", "epEngspd", "--log-dir", file + "/sub"},
         "cannot write logs in " + file + "/sub: Not a directory"},
        {{"--port", sim.Device, "--param", "epEngspd", "--log-dir", file + "/sub", "--retry"}, "Not a directory"},
    };
    for (const auto& c : cases) {
        LoggerProcess p(c.Args);
        EXPECT_EQ(p.Wait(), 2) << c.Args.join(' ').toStdString();
        EXPECT_TRUE(p.Err.contains(c.Says)) << p.Err.toStdString();
        EXPECT_FALSE(p.Out.contains("Connected to")) << c.Args.join(' ').toStdString();
    }
    EXPECT_FALSE(QDir(logs).exists());
    QTest::qWait(200);
    EXPECT_FALSE(sim.Errors().contains("request")) << "no request reached the ECU";

    LoggerProcess help({"--help"});
    EXPECT_EQ(help.Wait(), 0);
    for (const char* option : {"--port", "--demo", "--param", "--switch", "--settings", "--units", "--interval",
                               "--fast", "--log-dir", "--trigger", "--rotate-size", "--rotate-time", "--status",
                               "--retry", "Exit codes"})
        EXPECT_TRUE(help.Out.contains(option)) << option;
}

TEST(Logger, EveryWayToStopEndsTheLogOnAWholeLineAndLeavesTheSettingsAlone)
{
    // A car computer loses its power (a hang-up) or the reader of its output rather than
    // shutting down; each ends like SIGTERM. The settings file, named or the user's default,
    // is read and comes back byte for byte.
    const struct {
        const char* Way;
        int Signal;  // 0: the reader of its output ends after three lines
        bool SettingsOption;
    } ways[] = {
        {"SIGTERM", SIGTERM, true},
        {"SIGHUP", SIGHUP, false},
        {"SIGPIPE", SIGPIPE, true},
        {"a pipe whose reader ended", 0, false},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.Way);
        TSimProcess sim({"--ecu", "8"});
        ASSERT_FALSE(sim.Device.isEmpty());
        QTemporaryDir dir;
        const QString logs = dir.filePath("car/logs");
        const QString settings = dir.filePath("Quillon.ini");
        WriteFile(settings, HandWrittenSettings);
        QStringList args{"--port", sim.Device, "--param", "epEngspd", "--param", "Coolant Temperature", "--switch",
                         "esDefogSw", "--units", "fahrenheit", "--interval", "10", "--log-dir", logs, "--status"};
        if (way.SettingsOption)
            args << "--settings" << settings;
        LoggerProcess p(args, way.SettingsOption ? dir.filePath("unused.ini") : settings,
                        way.Signal ? QString() : QStringLiteral("head -n 3"));
        ASSERT_TRUE(p.WaitOutput("Connected to ")) << p.Err.toStdString();
        ASSERT_TRUE(p.WaitOutput("rows ")) << p.Err.toStdString();
        QTest::qWait(500);
        if (way.Signal)
            p.Signal(way.Signal);  // else the next status line meets the broken pipe
        EXPECT_EQ(p.Wait(), 0) << p.Err.toStdString();
        ASSERT_EQ(Logs(logs).size(), 1);
        const QString log = QDir(logs).filePath(Logs(logs)[0]);
        ExpectCaptureLog(log, 3);
        EXPECT_TRUE(ReadFile(log).contains(" (\xB0" "F),")) << "the unit follows --units";
        EXPECT_EQ(ReadFile(settings), HandWrittenSettings);
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("unused.ini")));
    }
}

TEST(Logger, ASilentEcuIsToldOnceAndRetryReconnects)
{
    // Bad replies first, counted on the status line; then the ECU falls silent for longer
    // than the link's ten tries, and answers again.
    TSimProcess sim({});
    ASSERT_FALSE(sim.Device.isEmpty());
    QTemporaryDir dir;
    const QString logs = dir.filePath("logs");
    LoggerProcess p({"--port", sim.Device, "--param", "epEngspd", "--interval", "10", "--log-dir", logs, "--status",
                     "--retry"});
    ASSERT_TRUE(p.WaitOutput("Logging to ")) << p.Err.toStdString();
    ASSERT_TRUE(sim.Command("fault checksum 3"));
    const QRegularExpression counted(QStringLiteral("rows \\d+, \\d+ rows/s, [1-9]\\d* bad replies, [1-9]\\d* retries, "));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            p.WaitOutput("rows ", 10);
            return counted.match(p.Out).hasMatch();
        },
        10000))
        << p.Out.toStdString();
    ASSERT_TRUE(sim.Command("fault silent"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Logs(logs).size() == 1 && p.WaitOutput("Closed ", 10); }, 30000))
        << p.Err.toStdString();
    QTest::qWait(12000);  // more tries at identification, unanswered
    ASSERT_TRUE(sim.Command("fault none"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Logs(logs).size() == 2; }, 30000)) << p.Err.toStdString();
    // Rows in the new log, however busy the machine.
    ASSERT_TRUE(QTest::qWaitFor([&] { return ReadFile(QDir(logs).filePath(Logs(logs).last())).count("\r\n") >= 3; },
                                10000));
    p.Signal(SIGINT);
    EXPECT_EQ(p.Wait(), 0);
    EXPECT_EQ(p.Err.count("the ECU stopped answering"), 1) << p.Err.toStdString();
    EXPECT_EQ(p.Err.count("quillon-log:"), 1) << p.Err.toStdString();
    EXPECT_EQ(p.Out.count("Connected to "), 2) << p.Out.toStdString();
    for (const QString& name : Logs(logs))
        ExpectCaptureLog(QDir(logs).filePath(name), 1);
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
        ExpectCaptureLog(QDir(logs).filePath(name), 2);
        EXPECT_LT(ReadFile(QDir(logs).filePath(name)).size(), 1048 + 200) << name.toStdString();
    }
}
