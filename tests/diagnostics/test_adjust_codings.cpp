// The byte codings of the adjustment bytes and the live-tuning readings.
#include "AdjustCodings.h"

#include <gtest/gtest.h>

namespace {

TEST(AdjustCodings, BytesWrittenAndHalvesRead)
{
    struct Case {
        const char* Name;
        int Byte, Expected;
    };
    const Case cases[] = {
        {"idle 300", IdleByte(300), 140},
        {"idle -300", IdleByte(-300), 116},
        {"idle 30 (div towards zero)", IdleByte(30), 129},
        {"idle -30", IdleByte(-30), 127},
        {"idle +1000 (live tuning)", IdleByte(1000), 168},
        {"retard 3", RetardByte(3), 3},
        {"ignition +3 steps", IgnAddByte(3 * 90.0 / 256.0), 131},
        {"ignition +3 steps as shown (1.05)", IgnAddByte(1.05), 131},
        {"ignition -5", IgnAddByte(-5), 114},
        {"learn 150 %", ScalingByte(150), 192},
        {"learn 20 %", ScalingByte(20), 25},
        {"rev limit -4000", RevAdjustByte(-4000), 48},
        {"rev limit 200", RevAdjustByte(200), 132},
        {"duty 200 % (clamped)", ScalingByte(200), 255},
        {"boost +0.35 bar (clamped)", BoostAddByte(0.35), 255},
        {"boost -0.35 bar (clamped)", BoostAddByte(-0.35), 0},
        {"boost +0.02 bar", BoostAddByte(0.02), 135},
        {"cam +10 degrees", VVTAddByte(10), 242},
        {"cam -10 degrees", VVTAddByte(-10), 14},
        {"control byte: duty B, boost B, rev B", ControlByte(true, true, true), 0xE0},
        {"control byte: boost B alone", ControlByte(false, true, false), 0x40},
        // Rounding sends halves to the even neighbour.
        {"ignition +0.5 step rounds to 0", IgnAddByte(45.0 / 256.0), 128},
        {"ignition +1.5 steps round to 2", IgnAddByte(135.0 / 256.0), 130},
        {"ignition -1.5 steps round to -2", IgnAddByte(-135.0 / 256.0), 126},
        {"scaling 144 reads 112.5 %: 112", ScalingPercent(144), 112},
        {"scaling 16 reads 12.5 %: 12", ScalingPercent(16), 12},
        {"scaling 48 reads 37.5 %: 38", ScalingPercent(48), 38},
        {"scaling 176 reads 137.5 %: 138", ScalingPercent(176), 138},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Byte, c.Expected) << c.Name;
}

TEST(AdjustCodings, ValuesReadBack)
{
    EXPECT_EQ(IdleRpm(140), 300);
    EXPECT_EQ(IdleRpm(116), -300);
    EXPECT_EQ(IdleRpm(168), 1000);
    EXPECT_EQ(RetardDegrees(3), 3);
    EXPECT_DOUBLE_EQ(IgnAddDegrees(131), 1.0546875);
    EXPECT_EQ(ScalingPercent(192), 150);
    EXPECT_EQ(ScalingPercent(255), 199);
    EXPECT_EQ(ScalingPercent(0), 0);
    EXPECT_EQ(RevAdjustRpm(48), -4000);
    EXPECT_EQ(RevAdjustRpm(132), 200);
    EXPECT_NEAR(BoostAddBar(255), 0.3394, 1e-4);
    EXPECT_EQ(VVTAddDegrees(242), 10);
    EXPECT_EQ(VVTAddDegrees(14), -10);
    EXPECT_EQ(VVTAddDegrees(134), 1); // 0.527 degrees: whole degrees only
    EXPECT_EQ(VVTAddDegrees(0), -11);
}

TEST(AdjustCodings, ReadingTexts)
{
    EXPECT_EQ(TuningReadingText(epIgntim, 100), "-14.0");
    EXPECT_EQ(TuningReadingText(epKnockcor, 131), "1.5");
    EXPECT_EQ(TuningReadingText(epEngspd, 3203), "800");
    EXPECT_EQ(TuningReadingText(epMap, 255), "2.552");
    EXPECT_EQ(TuningReadingText(epPrictrl, 51), "20.0");
    EXPECT_EQ(TuningReadingText(epFinjpw, 10), "2.6");
    EXPECT_EQ(TuningReadingText(epVVTAAAL, 40), "-10.0");
    EXPECT_EQ(TuningReadingText(epVVTAAAR, 75), "25.0");
    EXPECT_TRUE(TuningReadingText(epCooltemp, 1).isEmpty());
}

} // namespace
