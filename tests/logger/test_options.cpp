// quillon-log's command line and the folder check it makes before opening anything.
#include "LoggerOptions.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TLoggerParse Parse(const QStringList& extra)
{
    return ParseLoggerOptions(QStringList{"quillon-log", "--demo", "--param", "epEngspd", "--log-dir", "/tmp/logs"} +
                              extra);
}

}  // namespace

TEST(LoggerOptions, RotationIsBoundedAndEveryValueOutsideNamesTheBounds)
{
    const struct {
        const char* Option;
        const char* Value;
        double Expected;  // 0: refused
    } cases[] = {
        {"--rotate-size", "inf", 0},        {"--rotate-size", "1e300", 0},   {"--rotate-size", "0.000001", 0},
        {"--rotate-size", "nan", 0},        {"--rotate-size", "0", 0},       {"--rotate-size", "-5", 0},
        {"--rotate-size", "100001", 0},     {"--rotate-size", "lots", 0},    {"--rotate-size", "0.001", 0.001},
        {"--rotate-size", "100000", 100000}, {"--rotate-size", "2.5", 2.5},   {"--rotate-time", "inf", 0},
        {"--rotate-time", "1e300", 0},      {"--rotate-time", "0.000001", 0}, {"--rotate-time", "-inf", 0},
        {"--rotate-time", "525601", 0},     {"--rotate-time", "0.1", 0.1},   {"--rotate-time", "525600", 525600},
        {"--rotate-time", "60", 60},
    };
    for (const auto& c : cases) {
        const TLoggerParse parse = Parse({c.Option, c.Value});
        const std::string what = std::string(c.Option) + " " + c.Value;
        if (c.Expected == 0) {
            EXPECT_FALSE(parse.Options) << what;
            const bool size = QString(c.Option) == "--rotate-size";
            EXPECT_TRUE(parse.Error.contains(size ? "from 0.001 to 100000" : "from 0.1 to 525600")) << what << ": "
                                                                                                     << parse.Error.toStdString();
            EXPECT_TRUE(parse.Error.endsWith(c.Value)) << what;
        } else {
            ASSERT_TRUE(parse.Options) << what << ": " << parse.Error.toStdString();
            EXPECT_EQ(QString(c.Option) == "--rotate-size" ? parse.Options->RotateSizeMb : parse.Options->RotateTimeMin,
                      c.Expected)
                << what;
        }
    }
}

TEST(LoggerOptions, HelpStatesTheExitCodesAndTheSignals)
{
    const QString help = ParseLoggerOptions({"quillon-log", "--help"}).Help;
    for (const char* text : {"0 a clean stop", "1 a lost link or a write failure",
                             "2 bad arguments, a missing port or an", "SIGHUP", "SIGPIPE", "0.001 to 100000"})
        EXPECT_TRUE(help.contains(text)) << text;
}

TEST(LogFolder, IsMadeWithItsParentsOrRefusedWithTheSystemsReason)
{
    QTemporaryDir dir;
    const QString nested = dir.filePath("car/logs/today");
    EXPECT_EQ(CheckLogFolder(nested), QString());
    EXPECT_TRUE(QDir(nested).exists());
    EXPECT_EQ(CheckLogFolder(nested), QString()) << "an existing folder";
    EXPECT_TRUE(QDir(nested).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty())
        << "the trial file is gone";

    // A regular file where a folder should be: refused even as root.
    const QString file = dir.filePath("notes");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    for (const QString& bad : {file, file + "/sub", file + "/sub/deeper"}) {
        const QString why = CheckLogFolder(bad);
        EXPECT_TRUE(why.endsWith(": Not a directory")) << why.toStdString();
    }
    EXPECT_EQ(QFileInfo(file).size(), 0) << "the file is left alone";
}
