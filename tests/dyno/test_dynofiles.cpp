// Road-dyno data files and the CSV export: the byte layout, the refused files that leave
// the run as it was, and the comment rules.
#include "DynoFiles.h"

#include "TextCodec.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

std::unique_ptr<TRunData> Sample(int count)
{
    auto run = std::make_unique<TRunData>();
    run->Ratios = {3.636, 2.375, 1.761, 1.346, 0.971, 0.756};
    run->FinalDrive = 3.9;
    run->TyreWidth = 215;
    run->TyreProfile = 40;
    run->WheelDiameter = 17;
    run->RevLimit = 7100;
    run->Mass = 1275;
    run->CD = 0.35;
    run->FrontalArea = 2.2;
    run->TestGear = 3;
    run->Comment.Assign(QStringLiteral("Dry road\r\n2 up"));
    for (int i = 0; i < count; ++i)
        run->Samples[run->SampleCount++] = {i * 0.037, 2000.0 + i * 3.25};
    return run;
}

bool SameRun(const TRunData& a, const TRunData& b)
{
    // The record has no padding that matters but its own: compare field by field.
    if (a.Ratios != b.Ratios || a.FinalDrive != b.FinalDrive || a.TyreWidth != b.TyreWidth ||
        a.TyreProfile != b.TyreProfile || a.WheelDiameter != b.WheelDiameter ||
        a.RevLimit != b.RevLimit || a.Mass != b.Mass || a.CD != b.CD ||
        a.FrontalArea != b.FrontalArea || a.TestGear != b.TestGear ||
        a.AtmPressure != b.AtmPressure || a.AIT != b.AIT ||
        a.Comment.ToString() != b.Comment.ToString() || a.SampleCount != b.SampleCount)
        return false;
    for (int i = 0; i < a.SampleCount; ++i)
        if (a.Samples[i].Time != b.Samples[i].Time || a.Samples[i].RPM != b.Samples[i].RPM)
            return false;
    return true;
}

class DynoFiles : public ::testing::Test {
  protected:
    QString Path(const char* name) const { return Dir.filePath(QLatin1String(name)); }
    QTemporaryDir Dir;
};

TEST_F(DynoFiles, SaveAndLoadBack)
{
    auto run = Sample(1234);
    run->AtmPressure = 1.01;
    run->AIT = 20;
    ASSERT_EQ(SaveRunFile(Path("car.DDF"), *run), QString());
    EXPECT_EQ(QFile(Path("car.DDF")).size(), 20144);
    auto back = std::make_unique<TRunData>();
    ASSERT_EQ(LoadRunFile(Path("car.DDF"), *back), QString());
    EXPECT_TRUE(SameRun(*run, *back));

    // The layout: little-endian, zero padding, the comment with its length byte.
    const QByteArray bytes = RunFileBytes(*run);
    int32_t rev;
    std::memcpy(&rev, bytes.constData() + 80, 4);
    EXPECT_EQ(rev, 7100);
    for (int pad : {84, 116, 396})
        EXPECT_EQ(bytes.mid(pad, 4), QByteArray(4, '\0')) << pad;
    EXPECT_EQ(uint8_t(bytes[136]), 14);
    EXPECT_EQ(bytes.mid(137, 14), QByteArray("Dry road\r\n2 up"));
    EXPECT_EQ(bytes.mid(151, 392 - 151), QByteArray(392 - 151, 0));
}

TEST_F(DynoFiles, EmptyRunAndItsExport)
{
    auto run = Sample(0);
    ASSERT_EQ(SaveRunFile(Path("empty.DDF"), *run), QString());
    EXPECT_EQ(QFile(Path("empty.DDF")).size(), 400);
    auto back = Sample(10);
    ASSERT_EQ(LoadRunFile(Path("empty.DDF"), *back), QString());
    EXPECT_EQ(back->SampleCount, 0);

    TCalcData calc;
    CalcRunData(*run, calc, 20);
    const QByteArray csv = ExportCsvBytes(*run, calc);
    const QList<QByteArray> lines = csv.split('\n');
    ASSERT_EQ(lines.size(), 17); // 16 lines, each ended by CR LF
    EXPECT_EQ(lines[0], "Gears,1,2,3,4,5,6\r");
    EXPECT_EQ(lines[1], "Ratios,3.6360,2.3750,1.7610,1.3460,0.9710,0.7560\r");
    EXPECT_EQ(lines[2], "FinalDrive,3.9000\r");
    EXPECT_EQ(lines[6], "RevLimit(RPM),7100.0000\r");
    EXPECT_EQ(lines[10], "TestGear,3.0000\r");
    EXPECT_EQ(lines[11], "AtmPressure(bar),999.0000\r");
    EXPECT_EQ(lines[12], "AIT(\xB0"
                         "C),999.0000\r");
    EXPECT_EQ(lines[13], "Comment,Dry road  2 up\r");
    EXPECT_EQ(lines[14], "\r");
    EXPECT_TRUE(lines[15].startsWith("Time(s), RPM, Speed(m/s), ChangeInDistance(m)"));
    EXPECT_EQ(lines[16], "");
}

TEST_F(DynoFiles, ExportDataLines)
{
    auto run = Sample(100);
    TCalcData calc;
    CalcRunData(*run, calc, 0);
    const QList<QByteArray> lines = ExportCsvBytes(*run, calc).split('\n');
    ASSERT_EQ(lines.size(), 16 + int(calc.Accels.size()) + 1);
    const QList<QByteArray> first = lines[16].trimmed().split(',');
    ASSERT_EQ(first.size(), 11);
    EXPECT_EQ(first[0], "0.02");   // mean time of the first interval, 2 decimals
    EXPECT_EQ(first[1], "2001.6"); // 1 decimal (halves to even)
}

TEST_F(DynoFiles, CommentsAndNames)
{
    EXPECT_EQ(CompareCaption(QStringLiteral("/runs/car.DDF"), QStringLiteral("Dry road\r\n2 up")),
              "car: Dry road, 2 up");
    EXPECT_EQ(ExportComment(QStringLiteral("a,b\r\nc")), "a b  c");
    EXPECT_EQ(ExportFileName(QStringLiteral("C:\\Runs\\car.DDF")), "C:\\Runs\\car-Export.csv");
    EXPECT_EQ(ExportFileName(QStringLiteral("/home/u/my.runs/car")),
              "/home/u/my.runs/car-Export.csv");
    EXPECT_EQ(ExportFileName(QString()), "-Export.csv");
    EXPECT_EQ(RunTitle(QString()), "<Current Unsaved Dyno Data>");
    EXPECT_EQ(RunTitle(QStringLiteral("/a/b.c/run1.DDF")), "run1");

    // A comment longer than the record holds keeps its first 255 characters.
    TShortString s;
    s.Assign(QString(300, QLatin1Char('x')) + QChar(0xB0));
    EXPECT_EQ(s.Length, 255);
}

TEST_F(DynoFiles, RefusedFilesLeaveTheRun)
{
    auto good = Sample(50);
    QByteArray truncated = RunFileBytes(*good);
    truncated.chop(1);
    QByteArray tooMany = RunFileBytes(*good);
    const int32_t count = 30000;
    std::memcpy(tooMany.data() + 392, &count, 4);
    QByteArray negative = tooMany;
    const int32_t minus = -1;
    std::memcpy(negative.data() + 392, &minus, 4);

    struct Case {
        const char* name;
        QByteArray bytes;
    };
    for (const Case& c : {Case{"truncated", truncated}, Case{"30000", tooMany},
                          Case{"negative", negative}, Case{"header", QByteArray(399, '\1')}}) {
        QFile f(Path(c.name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        auto run = Sample(7);
        const QString error = LoadRunFile(Path(c.name), *run);
        EXPECT_FALSE(error.isEmpty()) << c.name;
        EXPECT_TRUE(SameRun(*run, *Sample(7))) << c.name;
    }
    auto run = Sample(7);
    EXPECT_FALSE(LoadRunFile(Path("missing.DDF"), *run).isEmpty());
    // Saving into a folder that does not exist fails with a message.
    EXPECT_FALSE(SaveRunFile(Path("no/such/dir/x.DDF"), *run).isEmpty());
}

} // namespace
