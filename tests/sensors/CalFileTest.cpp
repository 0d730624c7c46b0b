#include "CalFile.h"

#include <gtest/gtest.h>

namespace {

std::vector<float> Volts(const std::vector<TConvPoint>& points)
{
    std::vector<float> v;
    for (const TConvPoint& p : points)
        v.push_back(p.Volts);
    return v;
}

TEST(CalPoints, AddedPointsStayAscendingAndEqualVoltsGoBeside)
{
    std::vector<TConvPoint> points;
    EXPECT_EQ(AddCalPoint(points, 3, 30), 0);
    EXPECT_EQ(AddCalPoint(points, 1, 10), 0);
    EXPECT_EQ(AddCalPoint(points, 2, 20), 1);
    EXPECT_EQ(Volts(points), (std::vector<float>{1, 2, 3}));
    // Equal volts: after the existing point, never before the lower ones.
    EXPECT_EQ(AddCalPoint(points, 2, 25), 2);
    EXPECT_EQ(AddCalPoint(points, 3, 35), 4);
    EXPECT_EQ(Volts(points), (std::vector<float>{1, 2, 2, 3, 3}));
    EXPECT_EQ(points[2].Value, 25);
    EXPECT_EQ(AddCalPoint(points, 0.5f, 5), 0);
}

TEST(CalFile, ExportReadsBackEqual)
{
    TCalFile f{QStringLiteral("Boost, left bank"),
               QStringLiteral("\xb0"
                              "C"),
               {{0.1f, -40.25f}, {1.0f / 3, 12.345678f}, {4.99f, 1e6f}}};
    const QByteArray bytes = WriteCalFile(f);
    EXPECT_TRUE(bytes.startsWith("Boost, left bank,\xb0"
                                 "C\r\n"));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    const TCalReadResult r = ReadCalFile(bytes);
    ASSERT_TRUE(r.Ok) << r.Error.toStdString();
    EXPECT_EQ(r.File.Name, f.Name);
    EXPECT_EQ(r.File.Units, f.Units);
    ASSERT_EQ(r.File.Points.size(), f.Points.size());
    for (size_t i = 0; i < f.Points.size(); ++i) {
        EXPECT_EQ(r.File.Points[i].Volts, f.Points[i].Volts);
        EXPECT_EQ(r.File.Points[i].Value, f.Points[i].Value);
    }
}

TEST(CalFile, ImportSortsAndRefusesBadLinesWithTheirNumber)
{
    const TCalReadResult sorted = ReadCalFile("AFR,:1\n3,30\n1,10\n2,20\n\n");
    ASSERT_TRUE(sorted.Ok);
    EXPECT_EQ(Volts(sorted.File.Points), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(sorted.File.Units, ":1");

    struct Bad {
        QByteArray Bytes;
        const char* Line;
    };
    const Bad bad[] = {
        {"", "Line 1:"},
        {"n,u\r\n1,2\r\nx,3\r\n", "Line 3:"},
        {"n,u\r\n1;2\r\n", "Line 2:"},
        {"n,u\r\n1,2,3\r\n", "Line 2:"},
        {"n,u\r\n1,nan\r\n", "Line 2:"},
        {"n,u\r\n1,1e39\r\n", "Line 2:"},
        {"n,u\r\n1,2\r\n\r\n3,4\r\n", "Line 3:"},
        {"n,u\r\n2,1\r\n1,1\r\n2.0,5\r\n", "Line 4:"}, // same volts as line 2
    };
    for (const Bad& b : bad) {
        const TCalReadResult r = ReadCalFile(b.Bytes);
        EXPECT_FALSE(r.Ok) << b.Bytes.toStdString();
        EXPECT_TRUE(r.Error.startsWith(QLatin1String(b.Line))) << r.Error.toStdString();
        EXPECT_TRUE(r.File.Points.empty());
    }
}

} // namespace
