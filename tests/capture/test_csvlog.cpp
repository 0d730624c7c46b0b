#include "CsvLog.h"
#include "LogSession.h"
#include "TestPrint.h"

#include "EcuConstData.h"
#include "TextCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

QByteArray W(const QString& s)
{
    return ToWin1252(s);
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}

// A German default locale would write "," decimals if anything went through it.
class CsvLines : public ::testing::Test {
  protected:
    void SetUp() override
    {
        FSaved = QLocale();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Names[lj0] = "Boost";
        Names[rtLat] = "Lateral G";
    }
    void TearDown() override { QLocale::setDefault(FSaved); }

    TChannelNames Names;
    TDisplayUnits Units;

  private:
    QLocale FSaved;
};

TEST_F(CsvLines, HeaderListsParametersSwitchesAndChannelsInIndexOrder)
{
    Units.Temp = true;
    TParamSet params;
    params.set(epEngspd).set(epCooltemp);
    TSwitchSet switches;
    switches.set(esDefogSw).set(esIdle);
    TSensorChannels channels;
    channels.set(rtLat).set(lj0);

    const QByteArray line = LogHeaderLine(Units, params, switches, channels, Names);
    const QByteArray expected = "Time," + W(ParamDefs[epCooltemp].Name) +
                                " (\xB0"
                                "F)," +
                                W(ParamDefs[epEngspd].Name) + " (rpm)," +
                                W(SwitchDefs[esIdle].Name) + "," + W(SwitchDefs[esDefogSw].Name) +
                                ",Boost,Lateral G,\r\n";
    EXPECT_EQ(line, expected);
    EXPECT_EQ(line.count('\xB0'), 1); // the degree sign is one byte
}

TEST_F(CsvLines, HeaderWithoutParameters)
{
    TSwitchSet switches;
    switches.set(esDefogSw);
    EXPECT_EQ(LogHeaderLine(Units, {}, switches, {}, Names),
              "Time," + W(SwitchDefs[esDefogSw].Name) + ",\r\n");
    EXPECT_EQ(LogHeaderLine(Units, {}, {}, {}, Names), "Time,\r\n");
}

TEST_F(CsvLines, DataLineFieldsAndSeparators)
{
    TParamSet params;
    params.set(epEngspd).set(epCooltemp).set(epAFS1);
    TParamSet received;
    received.set(epEngspd).set(epAFS1); // coolant missing from this reply
    TParamValues values{};
    values[epEngspd] = 2450;
    values[epCooltemp] = 85; // stale: must not be written
    values[epAFS1] = -0.5;
    TSwitchSet switches;
    switches.set(esDefogSw).set(esIdle);
    TSwitchSet on;
    on.set(esDefogSw);
    TSensorChannels channels;
    channels.set(lj0);
    TSensorValues channelValues{};
    channelValues[lj0] = 1234.567;

    EXPECT_EQ(
        LogDataLine(120, Units, params, received, values, switches, on, channels, channelValues),
        QByteArray("     120, 0.0, 2450, -0.500, 0,  1,  1234.57, \r\n"));
    // Last field a switch: the line ends in ",  ".
    EXPECT_EQ(LogDataLine(120, Units, {}, {}, values, switches, on, {}, channelValues),
              QByteArray("     120, 0,  1,  \r\n"));
}

TEST_F(CsvLines, DataLineWritesConvertedValuesInTheirFormat)
{
    Units.Pressure = true;
    TParamSet params;
    params.set(epMap);
    TParamValues values{};
    values[epMap] = 14.5;
    Units.ApplyConversions(values, params);
    EXPECT_EQ(LogDataLine(0, Units, params, params, values, {}, {}, {}, {}),
              QByteArray("       0, 1.00, \r\n"));
}

// A value that is no measurement is an empty field; the separators stay, so every column
// after it keeps its place.
TEST_F(CsvLines, ValuesThatAreNoMeasurementAreEmptyFields)
{
    TParamSet params;
    params.set(epEngspd).set(epAFS1);
    TSensorChannels channels;
    channels.set(lj0).set(rtLat);
    TSwitchSet switches;
    switches.set(esDefogSw);
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double Rpm, Boost;
        const char* Line;
    } cases[] = {
        {2450, 1.5, "     120, 2450, -0.500, 0,  1.50, 0.25, \r\n"},
        {LogNoValue, 1.5, "     120, , -0.500, 0,  1.50, 0.25, \r\n"},
        {inf, -inf, "     120, , -0.500, 0,  , 0.25, \r\n"},
        {-inf, std::nan(""), "     120, , -0.500, 0,  , 0.25, \r\n"},
    };
    for (const auto& c : cases) {
        TParamValues values{};
        values[epEngspd] = c.Rpm;
        values[epAFS1] = -0.5;
        TSensorValues sensor{};
        sensor[lj0] = c.Boost;
        sensor[rtLat] = 0.25;
        const QByteArray line =
            LogDataLine(120, Units, params, params, values, switches, {}, channels, sensor);
        EXPECT_EQ(line, QByteArray(c.Line)) << c.Rpm << " " << c.Boost;
        EXPECT_EQ(line.count(','), 6);
    }
}

// Names from the calibration dialog and .cal files may hold commas; in the header each
// would start a column of its own and push every caption after it out of place.
TEST_F(CsvLines, ACommaInANameDoesNotShiftTheHeader)
{
    Names[lj0] = "Oil, temp";
    Names[lj1] = "Boost,\r\nafter";
    TSensorChannels channels;
    channels.set(lj0).set(lj1).set(rtLat);
    TSwitchSet switches;
    switches.set(esDefogSw);
    EXPECT_EQ(LogHeaderLine(Units, {}, switches, channels, Names),
              "Time," + W(SwitchDefs[esDefogSw].Name) + ",Oil  temp,Boost   after,Lateral G,\r\n");
    EXPECT_EQ(Names[lj0], "Oil, temp"); // the name itself keeps it
}

TEST_F(CsvLines, TimeIsRightAlignedAndNeverCut)
{
    const std::pair<uint32_t, const char*> cases[] = {
        {0, "       0"},
        {12, "      12"},
        {12345678, "12345678"},
        {123456789, "123456789"},
        {4294967295u, "4294967295"},
    };
    for (auto [ms, text] : cases)
        EXPECT_EQ(LogDataLine(ms, Units, {}, {}, {}, {}, {}, {}, {}), QByteArray(text) + ", \r\n");
}

TEST(CsvLogName, DateAndTimePattern)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(
        LogFileBaseName("/data/Logs", "ECU", QDateTime(QDate(2004, 1, 5), QTime(14, 3, 27)), us),
        "/data/Logs/QuillonLog-ECU-Mon Jan 5 2004 14-03.27");
    EXPECT_EQ(LogFileBaseName("/l", "WRX", QDateTime(QDate(2010, 12, 23), QTime(9, 5, 7)), us),
              "/l/QuillonLog-WRX-Thu Dec 23 2010 09-05.07");
}

class CsvLogFile : public ::testing::Test {
  protected:
    void TearDown() override { TCsvLogFile::SimulateWriteFailureAfter(-1); }
    QString Path(const QString& name) const { return FDir.filePath(name); }

  private:
    QTemporaryDir FDir;
};

TEST_F(CsvLogFile, EachLineReachesTheFileBeforeClose)
{
    const QString path = Path("log.csv");
    TCsvLogFile log;
    ASSERT_TRUE(log.Open(path));
    EXPECT_TRUE(log.IsOpen());
    EXPECT_TRUE(log.WriteLine("Time,\r\n"));
    EXPECT_EQ(ReadAll(path), "Time,\r\n"); // on disk while still open
    EXPECT_TRUE(log.WriteLine("       5, \r\n"));
    log.Close();
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(ReadAll(path), "Time,\r\n       5, \r\n");
    EXPECT_FALSE(log.WriteLine("x")); // closed
}

TEST_F(CsvLogFile, AnExistingLogIsNeverOverwritten)
{
    const QString base = Path("QuillonLog-ECU-Mon Jan 5 2004 14-03.27");
    const QByteArray older = "Time,\r\n     120, 2450, \r\n";
    {
        QFile old(base + ".csv");
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(older);
    }
    TCsvLogFile log;
    EXPECT_FALSE(log.Open(base + ".csv"));
    EXPECT_EQ(ReadAll(base + ".csv"), older);

    // The next name is free; a comments file alone also takes a name.
    EXPECT_EQ(UniqueLogBaseName(base), base + " (2)");
    QFile(base + " (2).txt").open(QIODevice::WriteOnly);
    EXPECT_EQ(UniqueLogBaseName(base), base + " (3)");
    EXPECT_EQ(UniqueLogBaseName(Path("fresh")), Path("fresh"));
}

TEST_F(CsvLogFile, FailuresAreReported)
{
    TCsvLogFile log;
    QString error;
    EXPECT_FALSE(log.Open(Path("no such folder/log.csv"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(log.IsOpen());
    EXPECT_FALSE(log.WriteLine("Time,\r\n"));
    log.Close(); // must not complain or throw
}

TEST_F(CsvLogFile, AFailedWriteEndsTheFileAtItsLastCompleteLine)
{
    // The failing line gets half-way to the disk, as on a disk that fills up mid-line.
    TCsvLogFile::SimulateWriteFailureAfter(2);
    TCsvLogFile log;
    ASSERT_TRUE(log.Open(Path("log.csv")));
    EXPECT_TRUE(log.WriteLine("Time,Engine Speed (rpm),\r\n"));
    EXPECT_TRUE(log.WriteLine("       0, 800, \r\n"));
    EXPECT_FALSE(log.WriteLine("      20, 825, \r\n"));
    EXPECT_EQ(ReadAll(Path("log.csv")), "Time,Engine Speed (rpm),\r\n       0, 800, \r\n");
    log.Close();
    EXPECT_EQ(ReadAll(Path("log.csv")), "Time,Engine Speed (rpm),\r\n       0, 800, \r\n");
}

TEST_F(CsvLogFile, CommentsFile)
{
    const QString path = Path("log.txt");
    ASSERT_TRUE(SaveCommentsFile(path, {"Log From Subaru ECU", "", "caf\u00E9 90\u00B0"}));
    EXPECT_EQ(ReadAll(path), "Log From Subaru ECU\r\n\r\ncaf\xE9 90\xB0\r\n");

    // An empty memo writes nothing.
    EXPECT_TRUE(SaveCommentsFile(Path("empty1.txt"), {}));
    EXPECT_TRUE(SaveCommentsFile(Path("empty2.txt"), {""}));
    EXPECT_FALSE(QFile::exists(Path("empty1.txt")));
    EXPECT_FALSE(QFile::exists(Path("empty2.txt")));

    EXPECT_FALSE(SaveCommentsFile(Path("no such folder/log.txt"), {"x"}));
}

// The logging session on a clock of the test's own, in a folder of its own.
class LogSession : public ::testing::Test {
  protected:
    void SetUp() override
    {
        Session.LoggingDirectory = [this] { return Dir.path(); };
        Session.Tick = [this] { return Now; };
        Session.Comments = [this] { return Comments; };
        Session.OnError = [this](const QString& text) { Errors << text; };
        Params.set(epEngspd);
    }
    void TearDown() override { TCsvLogFile::SimulateWriteFailureAfter(-1); }
    bool Row(uint32_t at)
    {
        Now = at;
        TParamValues values{};
        values[epEngspd] = 800;
        return Session.WriteReply(Params, values, Params, {}, {}, {}, TSensorValues{});
    }
    QStringList Files() const
    {
        return QDir(Dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    }

    QTemporaryDir Dir;
    TLogSession Session;
    TParamSet Params;
    uint32_t Now = 0;
    QString Comments = "Log From Subaru ECU";
    QStringList Errors;
};

// Once a second while lines come, never more often, and once more at close; the clock
// may run round through zero in between.
TEST_F(LogSession, GoesToTheDiskAtMostOnceASecondAndAtClose)
{
    for (const uint32_t start : {1000u, 4294967295u - 1500u}) {
        SCOPED_TRACE(start);
        Now = start;
        ASSERT_TRUE(Session.Start(Params, {}, {}));
        EXPECT_EQ(Session.DiskSyncs(), 0);
        std::vector<uint32_t> syncedAt;
        // Irregular gaps: bursts, one step short of the second, one long pause.
        for (const uint32_t gap :
             {0u, 5u, 300u, 694u, 1u, 999u, 1u, 50u, 2500u, 10u, 10u, 979u, 1u, 3u}) {
            const int before = Session.DiskSyncs();
            ASSERT_TRUE(Row(Now + gap));
            if (Session.DiskSyncs() != before) syncedAt.push_back(Now - start);
        }
        EXPECT_EQ(syncedAt, (std::vector<uint32_t>{1000, 2000, 4550, 5550}));
        const int running = Session.DiskSyncs();
        Session.Stop();
        EXPECT_EQ(Session.DiskSyncs(), running + 1);
        QFile log(Session.LastLogName);
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        EXPECT_EQ(log.readAll().count('\n'), 15); // the header and every row
    }
}

// The comments file is there as soon as the log is, so a log that is never closed keeps
// its comments; the close writes it again with what they say by then.
TEST_F(LogSession, CommentsFileIsWrittenAtStartAndAgainAtClose)
{
    Comments = "Log From Subaru ECU\nbefore";
    ASSERT_TRUE(Session.Start(Params, {}, {}));
    QFile txt(Session.BaseName + ".txt");
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    EXPECT_EQ(txt.readAll(), "Log From Subaru ECU\r\nbefore\r\n");
    txt.close();

    Comments = "Log From Subaru ECU\nafter the run";
    ASSERT_TRUE(Row(100));
    Session.Stop();
    ASSERT_TRUE(txt.open(QIODevice::ReadOnly));
    EXPECT_EQ(txt.readAll(), "Log From Subaru ECU\r\nafter the run\r\n");
    EXPECT_TRUE(Errors.isEmpty()) << Errors.join(" | ").toStdString();
}

// A start that fails leaves the folder as it was: no empty log, no comments file.
TEST_F(LogSession, AFailedStartLeavesNoEmptyFiles)
{
    const struct {
        const char* Name;
        int WriteFailureAfter;
        QString Ecu;
    } cases[] = {
        {"the disk is full at the header", 0, "ECU"},
        {"the file cannot be made (its name is too long)", -1, QString(300, 'E')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Errors.clear();
        TCsvLogFile::SimulateWriteFailureAfter(c.WriteFailureAfter);
        Session.EcuShortName = [&] { return c.Ecu; };
        EXPECT_FALSE(Session.Start(Params, {}, {}));
        EXPECT_FALSE(Session.Logging);
        EXPECT_EQ(Files(), QStringList());
        ASSERT_EQ(Errors.size(), 1);
        EXPECT_TRUE(Errors[0].startsWith("Quillon was unable to create the logfile '"))
            << Errors[0].toStdString();
    }
}

TEST(CsvComments, FirstLine)
{
    EXPECT_EQ(CommentsFirstLine(""), "Log From Subaru ECU");
    EXPECT_EQ(CommentsFirstLine("2002 WRX"), "Log From 2002 WRX");
    const QString longText = CommentsFirstLine(QString(100, 'x'));
    EXPECT_EQ(longText.size(), 89);
    EXPECT_TRUE(longText.startsWith("Log From xxx"));
}

} // namespace
