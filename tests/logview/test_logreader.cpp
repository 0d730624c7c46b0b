// The log reader over small files: the header rule, the rows, the messages and the rows
// kept before a fault, other loggers' headers, and the program's own writer read back.
#include "LogReader.h"

#include "CsvLog.h"
#include "EcuConstData.h"
#include "NumFormat.h"
#include "TextCodec.h"

#include <QLocale>

#include <cmath>
#include <limits>
#include <random>

#include <gtest/gtest.h>

namespace {

struct TCase {
    const char* Name;
    QByteArray Bytes;
    QStringList Captions;
    std::vector<double> Times;
    std::vector<std::vector<double>> Values;
    std::vector<TLogMessageKind> Kinds; // the messages, in order
    QString FirstMessageHas;            // part of the first message
    bool Usable;
};

QByteArray Rows(int from, int to)
{
    QByteArray out;
    for (int r = from; r < to; ++r)
        out += QByteArray::number(r * 50).rightJustified(8, ' ') + ", " + QByteArray::number(r) +
               ", \r\n";
    return out;
}

std::vector<double> Seq(int from, int to, double step)
{
    std::vector<double> v;
    for (int r = from; r < to; ++r)
        v.push_back(r * step);
    return v;
}

const QByteArray Example = "Time,Engine Speed (rpm),Manifold Pressure (psi),\r\n"
                           "       0, 850, -10.2, \r\n"
                           "     100, 900, -10.1, \r\n";

std::vector<TCase> Cases()
{
    using K = TLogMessageKind;
    QByteArray lf = Example;
    lf.replace("\r\n", "\n");
    return {
        {"two rows",
         Example,
         {"Engine Speed (rpm)", "Manifold Pressure (psi)"},
         {0, 100},
         {{850, 900}, {-10.2, -10.1}},
         {},
         {},
         true},
        {"LF line ends",
         lf,
         {"Engine Speed (rpm)", "Manifold Pressure (psi)"},
         {0, 100},
         {{850, 900}, {-10.2, -10.1}},
         {},
         {},
         true},
        {"on/off column",
         "Time,Defogger Switch,\r\n       0, 0,  \r\n      50, 1,  \r\n",
         {"Defogger Switch"},
         {0, 50},
         {{0, 1}},
         {},
         {},
         true},
        {"second header after 300 rows",
         "Time,A,\r\n" + Rows(0, 300) + "Time,A,B,\r\n" + Rows(300, 310),
         {"A"},
         Seq(0, 300, 50),
         {Seq(0, 300, 1)},
         {K::Warning},
         "changed during logging. \r\nOnly the original",
         true},
        {"Date header",
         "Date,A,\r\n1, 2, \r\n",
         {},
         {},
         {},
         {K::Error},
         "not in a recognised format and cannot be viewed.",
         false},
        {"lower-case time",
         "time,A,\r\n1, 2, \r\n",
         {},
         {},
         {},
         {K::Error},
         "recognised format",
         false},
        {"empty file", "", {}, {}, {}, {K::Error}, "recognised format", false},
        {"header only",
         "Time,A,B,\r\n\r\n  \r\n",
         {"A", "B"},
         {},
         {{}, {}},
         {K::Information},
         "contains no data. Perhaps you had data capture paused while logging",
         false},
        {"bad number in row 5",
         "Time,A,\r\n" + Rows(0, 4) + "     200, 4x, \r\n" + Rows(5, 8),
         {"A"},
         Seq(0, 4, 50),
         {Seq(0, 4, 1)},
         {K::Error},
         "An error occurred while loading in the log file (line 6: '4x' is not a valid floating "
         "point value). The data displayed will not be complete.",
         true},
        {"missing field",
         "Time,A,B,\r\n  0, 1, 2,\r\n  50, 3\r\n",
         {"A", "B"},
         {0},
         {{1}, {2}},
         {K::Error},
         "line 3 has no value for B",
         true},
        {"bad time",
         "Time,A,\r\n  0, 1,\r\n  5.5.5, 3\r\n",
         {"A"},
         {0},
         {{1}},
         {K::Error},
         "'5.5.5'",
         true},
        {"not a number word",
         "Time,A,\r\n  0, nan,\r\n",
         {"A"},
         {},
         {{}},
         {K::Error},
         "'nan'",
         false},
        {"blank lines, tabs, extra fields, no final line end",
         "Time , A ,B,,C,\r\n\r\n \t 0,1,+2,9,9\r\n\r\n\t\r\n10, 1e3 ,-0.5",
         {"A", "B"},
         {0, 10},
         {{1, 1000}, {2, -0.5}},
         {},
         {},
         true},
        {"Time (s) of another logger",
         "Time (s),RPM,Boost\n0.05,850,1\n0.1,900,2\n",
         {"RPM", "Boost"},
         {50, 100},
         {{850, 900}, {1, 2}},
         {},
         {},
         true},
        {"Time (ms) of another logger",
         "Time (ms),RPM\r\n5,850\r\n",
         {"RPM"},
         {5},
         {{850}},
         {},
         {},
         true},
        {"Time (sec) and a UTF-8 mark",
         "\xEF\xBB\xBFTime (sec),T (\xC2\xB0"
         "C)\n2,90\n",
         {"T (\u00B0C)"},
         {2000},
         {{90}},
         {},
         {},
         true},
        {"Windows-1252 caption",
         "Time,Coolant (\xB0"
         "F),\x80 Cost,\r\n1, 180, 2, \r\n",
         {"Coolant (\u00B0F)", "\u20AC Cost"},
         {1},
         {{180}, {2}},
         {},
         {},
         true},
        {"a line of a binary file",
         "Time,A,\r\n" + QByteArray(TLogReader::MaxLineLength + 10, '1'),
         {"A"},
         {},
         {{}},
         {K::Error},
         "longer than",
         false},
    };
}

void Check(const TCase& c, const TLogReadResult& r)
{
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(r.Data.ParamNames, c.Captions);
    EXPECT_EQ(r.Data.Times, c.Times);
    EXPECT_EQ(r.Data.ParamValues, c.Values);
    ASSERT_EQ(r.Messages.size(), c.Kinds.size());
    for (size_t i = 0; i < c.Kinds.size(); ++i)
        EXPECT_EQ(r.Messages[i].Kind, c.Kinds[i]);
    if (!c.FirstMessageHas.isEmpty()) {
        EXPECT_TRUE(r.Messages[0].Text.contains(c.FirstMessageHas))
            << r.Messages[0].Text.toStdString();
    }
    EXPECT_EQ(r.Usable, c.Usable);
}

} // namespace

TEST(LogReader, SmallFiles)
{
    for (const TCase& c : Cases())
        Check(c, ReadLog(c.Bytes));
}

// A line may be split anywhere between two chunks of the stream.
TEST(LogReader, ChunksOfAnySizeReadTheSame)
{
    for (const TCase& c : Cases()) {
        if (c.Bytes.size() > 20000) continue;
        for (int size : {1, 2, 7}) {
            TLogReader reader;
            for (qsizetype pos = 0; pos < c.Bytes.size(); pos += size)
                reader.Feed(QByteArrayView(c.Bytes).sliced(
                    pos, std::min<qsizetype>(size, c.Bytes.size() - pos)));
            Check(c, reader.Finish());
        }
    }
}

TEST(LogReader, ExtremesOfEachColumn)
{
    // Values past the old starting extremes of +/-999999 still give their true minimum.
    const TLogReadResult r = ReadLog(
        "Time,A,B,\r\n0, 1500000, -2000000,\r\n1, 2500000, -3000000,\r\n2, 2000000, -2500000,\r\n");
    EXPECT_EQ(r.Data.Minimum, (std::vector<double>{1500000, -3000000}));
    EXPECT_EQ(r.Data.Maximum, (std::vector<double>{2500000, -2000000}));
    EXPECT_TRUE(r.Data.TimesAscending);
    EXPECT_FALSE(ReadLog("Time,A,\r\n5, 1,\r\n3, 1,\r\n").Data.TimesAscending);
}

TEST(LogReader, ReadsAFileAndSaysWhyItCannot)
{
    const TLogReadResult missing = ReadLogFile("/nonexistent/dir/log.csv");
    ASSERT_EQ(missing.Messages.size(), 1u);
    EXPECT_EQ(missing.Messages[0].Kind, TLogMessageKind::Error);
    EXPECT_TRUE(
        missing.Messages[0].Text.startsWith("An error occurred while loading in the log file ("));
    EXPECT_FALSE(missing.Usable);
}

// What the live-data window writes comes back as it was shown: captions with their units
// (a degree sign of Windows-1252 among them), values and switch states.
TEST(LogReader, ReadsTheProgramsOwnLogBack)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TDisplayUnits units;
    units.Temp = true;
    TParamSet params;
    params.set(epEngspd).set(epCooltemp).set(epThrotAn);
    TSwitchSet switches;
    switches.set(esDefogSw);
    TSensorChannels channels;
    channels.set(lj0);
    TChannelNames names;
    names[lj0] = "Boost";

    QByteArray file = LogHeaderLine(units, params, switches, channels, names);
    TParamValues values{};
    TSensorValues sensor{};
    for (int r = 0; r < 40; ++r) {
        values[epEngspd] = 800 + r * 37;
        values[epCooltemp] = 150.25 + r;
        values[epThrotAn] = r * 0.7;
        sensor[lj0] = -1.005 * r;
        TSwitchSet on;
        on.set(esDefogSw, r % 3 == 0);
        file += LogDataLine(uint32_t(r * 51), units, params, params, values, switches, on, channels,
                            sensor);
    }
    QLocale::setDefault(saved);

    const TLogReadResult r = ReadLog(file);
    ASSERT_TRUE(r.Usable);
    EXPECT_TRUE(r.Messages.empty());
    const QStringList expected{
        units.ParamName(epCooltemp) + " (\u00B0F)",
        units.ParamName(epEngspd) + " (" + units.ParamUnits(epEngspd) + ")",
        units.ParamName(epThrotAn) + " (" + units.ParamUnits(epThrotAn) + ")",
        SwitchDefs[esDefogSw].Name,
        "Boost",
    };
    // Parameters are written in their order in the tables.
    QStringList sorted = expected.mid(0, 3);
    std::sort(sorted.begin(), sorted.end(), [&](const QString& a, const QString& b) {
        return file.indexOf(ToWin1252(a)) < file.indexOf(ToWin1252(b));
    });
    EXPECT_EQ(r.Data.ParamNames, sorted + expected.mid(3));
    ASSERT_EQ(r.Data.RowCount(), 40);
    const int throt = int(r.Data.ParamNames.indexOf(expected[2]));
    const int temp = int(r.Data.ParamNames.indexOf(expected[0]));
    for (int row = 0; row < 40; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(r.Data.Times[size_t(row)], row * 51);
        EXPECT_EQ(units.FormatParam(epThrotAn, r.Data.ParamValues[size_t(throt)][size_t(row)]),
                  units.FormatParam(epThrotAn, row * 0.7));
        EXPECT_EQ(units.FormatParam(epCooltemp, r.Data.ParamValues[size_t(temp)][size_t(row)]),
                  units.FormatParam(epCooltemp, 150.25 + row));
        EXPECT_EQ(r.Data.ParamValues[3][size_t(row)], row % 3 == 0 ? 1 : 0);
        EXPECT_EQ(FormatFixed(r.Data.ParamValues[4][size_t(row)], 2), FormatFixed(-1.005 * row, 2));
    }
}

// An empty field is a value that was not measured: the row stays, the value is NaN, and
// the column's extremes are those of the values it has.
TEST(LogReader, EmptyFieldsAreNoValueAndTheRowStays)
{
    const TLogReadResult r = ReadLog("Time,A,B,C,\r\n"
                                     "       0, , 2, , \r\n"
                                     "      50, 1,\t, , \r\n"
                                     "     100,-3,5,,\r\n");
    ASSERT_TRUE(r.Usable);
    EXPECT_TRUE(r.Messages.empty());
    EXPECT_EQ(r.Data.Times, (std::vector<double>{0, 50, 100}));
    const std::vector<std::vector<bool>> empty{
        {true, false, false}, {false, true, false}, {true, true, true}};
    for (size_t c = 0; c < 3; ++c)
        for (size_t row = 0; row < 3; ++row)
            EXPECT_EQ(std::isnan(r.Data.ParamValues[c][row]), empty[c][row]) << c << " " << row;
    EXPECT_EQ(r.Data.ParamValues[0][2], -3);
    EXPECT_EQ(r.Data.Minimum[0], -3);
    EXPECT_EQ(r.Data.Maximum[1], 5);
    EXPECT_TRUE(std::isnan(r.Data.Minimum[2]) && std::isnan(r.Data.Maximum[2])); // no value at all
    EXPECT_EQ(LogValueText(r.Data.ParamValues[0][0]), "");
}

// The program's own writer and this reader agree on a value that is no measurement and on
// a sensor name with a comma in it.
TEST(LogReader, ReadsNoValueAndACommaInANameFromTheProgramsOwnLog)
{
    TDisplayUnits units;
    TParamSet params;
    params.set(epEngspd);
    TSensorChannels channels;
    channels.set(lj0).set(lj1);
    TChannelNames names;
    names[lj0] = "Oil, temp";
    names[lj1] = "Boost";
    QByteArray file = LogHeaderLine(units, params, {}, channels, names);
    TParamValues values{};
    values[epEngspd] = LogNoValue;
    TSensorValues sensor{};
    sensor[lj0] = std::numeric_limits<double>::infinity();
    sensor[lj1] = 1.25;
    file += LogDataLine(10, units, params, params, values, {}, {}, channels, sensor);
    values[epEngspd] = 900;
    sensor[lj0] = 88;
    file += LogDataLine(20, units, params, params, values, {}, {}, channels, sensor);

    const TLogReadResult r = ReadLog(file);
    ASSERT_TRUE(r.Usable);
    EXPECT_TRUE(r.Messages.empty());
    ASSERT_EQ(r.Data.ColumnCount(), 3);
    EXPECT_EQ(r.Data.ParamNames.mid(1), (QStringList{"Oil  temp", "Boost"}));
    ASSERT_EQ(r.Data.RowCount(), 2);
    EXPECT_TRUE(std::isnan(r.Data.ParamValues[0][0]));
    EXPECT_TRUE(std::isnan(r.Data.ParamValues[1][0]));
    EXPECT_EQ(r.Data.ParamValues[2][0], 1.25);
    EXPECT_EQ(r.Data.ParamValues[0][1], 900);
    EXPECT_EQ(r.Data.ParamValues[1][1], 88);
}

TEST(LogReader, ValueText)
{
    EXPECT_EQ(LogValueText(-10.2), "-10.2");
    EXPECT_EQ(LogValueText(1500), "1500");
    EXPECT_EQ(LogValueText(3600000), "3600000");
    EXPECT_EQ(LogValueText(-0.0), "0");
    EXPECT_EQ(LogValueText(0.1 + 0.2), "0.3");
}

// Every spelling of a number reads as the nearest double, as the C library reads it.
TEST(LogReader, NumbersReadToTheNearestDouble)
{
    const char* numbers[] = {"0.1",
                             "2.675",
                             "-10.2",
                             "123456789012345",
                             "1234567890123456",
                             "9007199254740993",
                             "0.30000000000000004",
                             "4.35",
                             "1e3",
                             "+2",
                             "-.5",
                             "5.",
                             "-0",
                             "0.000001",
                             "179.99999999999997",
                             "65535.9999"};
    QByteArray log = "Time,A,\r\n";
    for (const char* n : numbers)
        log += QByteArray("0, ") + n + ",\r\n";
    const TLogReadResult r = ReadLog(log);
    ASSERT_EQ(r.Data.RowCount(), int(std::size(numbers)));
    for (size_t i = 0; i < std::size(numbers); ++i)
        EXPECT_EQ(r.Data.ParamValues[0][i], std::strtod(numbers[i], nullptr)) << numbers[i];
}

// Damaged and random input: whatever comes back is whole (every column as long as the
// times) and says what it is; nothing is read past the bytes given.
TEST(LogReader, DamagedInputNeverBreaksTheResult)
{
    std::mt19937 random(12);
    const QByteArray good = Example + Rows(2, 40);
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = good;
        if (round % 4 == 0) {
            bytes = QByteArray(int(random() % 300), Qt::Uninitialized);
            for (char& c : bytes)
                c = char(random());
            if (round % 8 == 0) bytes.prepend("Time,A,B,\r\n");
        } else {
            for (int n = int(random() % 6); n >= 0; --n) {
                const int at = int(random() % bytes.size());
                switch (random() % 3) {
                case 0:
                    bytes[at] = char(random());
                    break;
                case 1:
                    bytes.remove(at, int(random() % 20));
                    break;
                default:
                    bytes.insert(at, ",\r\n-.eE+\t\x00"[random() % 10]);
                }
            }
        }
        // A copy of exactly the bytes, so that a read past them shows under the sanitizer.
        std::vector<char> exact(bytes.begin(), bytes.end());
        const TLogReadResult r = ReadLog(QByteArrayView(exact.data(), qsizetype(exact.size())));
        SCOPED_TRACE(round);
        ASSERT_EQ(r.Data.ParamValues.size(), size_t(r.Data.ParamNames.size()));
        for (const auto& column : r.Data.ParamValues)
            ASSERT_EQ(column.size(), r.Data.Times.size());
        EXPECT_EQ(r.Usable, !r.Data.Times.empty());
        if (!r.Usable) {
            ASSERT_FALSE(r.Messages.empty());
        }
        for (const TLogMessage& m : r.Messages)
            EXPECT_FALSE(m.Text.isEmpty());
    }
}
