// Road-dyno arithmetic: the tyre and speed figures, the smoothing and peak rules, the
// maxima that survive a calculation, the in-gear times and the air corrections.
#include "DynoReport.h"
#include "IgaCalcs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace {

std::unique_ptr<TRunData> MakeRun(std::initializer_list<TRevPoint> samples = {})
{
    auto run = std::make_unique<TRunData>();
    run->Ratios = {1, 1, 1, 1, 1, 0};
    run->FinalDrive = 1;
    run->TyreWidth = 215;
    run->TyreProfile = 40;
    run->WheelDiameter = 17;
    run->RevLimit = 7100;
    run->Mass = 1400;
    run->CD = 0.35;
    run->FrontalArea = 2.2;
    run->TestGear = 1;
    for (const TRevPoint& s : samples)
        run->Samples[run->SampleCount++] = s;
    return run;
}

TEST(IgaCalcs, TyreAndSpeed)
{
    auto run = MakeRun();
    TCalcData calc;
    CalcRunData(*run, calc, 6);
    EXPECT_NEAR(calc.Circumference, 1.89689, 5e-6); // 215/40/17
    calc.Circumference = 1.2;
    EXPECT_DOUBLE_EQ(SpeedAtRpm(1, *run, calc, 1000), 20.0);
    EXPECT_TRUE(std::isnan(SpeedAtRpm(7, *run, calc, 1000))); // gear from a damaged file
    EXPECT_EQ(TyreSizeText(0), "205 50 16");
    EXPECT_DOUBLE_EQ(GearSets[3].FinalDrive, 3.8995);
    EXPECT_GT(GearSets[5].Ratios[4], GearSets[5].Ratios[3]);
    EXPECT_DOUBLE_EQ(TorqueUnit(1).Factor, 0.7365150784723338);
    EXPECT_STREQ(PowerUnit(7).Label, "kW"); // outside the items
}

TEST(IgaCalcs, SmoothingCounts)
{
    struct Case {
        int samples, percent, expected;
    };
    for (const Case c : {Case{100, 6, 94}, Case{100, 10, 90}, Case{33, 20, 27}, Case{1, 30, 1},
                         Case{20000, 30, 14000}}) {
        auto run = MakeRun();
        for (int i = 0; i < c.samples; ++i)
            run->Samples[run->SampleCount++] = {i * 0.1, 2000.0 + i};
        TCalcData calc;
        CalcRunData(*run, calc, c.percent);
        ASSERT_EQ(int(calc.SmRevs.size()), c.expected) << c.samples << " at " << c.percent;
        // Each entry is the mean of the N + 1 raw samples from its own index.
        const int N = c.samples - c.expected;
        EXPECT_NEAR(calc.SmRevs[0].RPM, 2000.0 + N / 2.0, 1e-9);
        EXPECT_NEAR(calc.SmRevs.back().Time, (c.expected - 1 + N / 2.0) * 0.1, 1e-9);
    }
}

TEST(IgaCalcs, NoSamplesChangesOnlyTheTyre)
{
    auto run = MakeRun({{0, 2000}, {1, 3000}, {2, 4000}});
    TCalcData calc;
    CalcRunData(*run, calc, 0);
    const TCalcData before = calc;
    run->SampleCount = 0;
    run->TyreWidth = 225;
    CalcRunData(*run, calc, 0);
    EXPECT_NE(calc.Circumference, before.Circumference);
    EXPECT_EQ(calc.Accels.size(), before.Accels.size());
    EXPECT_EQ(calc.MaxWheelPower, before.MaxWheelPower);
}

TEST(IgaCalcs, OneSample)
{
    auto run = MakeRun({{0, 3000}});
    TCalcData calc;
    CalcRunData(*run, calc, 30);
    EXPECT_EQ(calc.SmRevs.size(), 1u);
    EXPECT_EQ(calc.Speeds.size(), 1u);
    EXPECT_EQ(calc.Distances.size(), 1u);
    EXPECT_TRUE(calc.Accels.empty());
    EXPECT_EQ(calc.MaxWheelPower, 0);
    EXPECT_EQ(calc.TerminalVelocity, 0);
    for (double t : calc.InGearTimes)
        EXPECT_EQ(t, 0);
}

TEST(IgaCalcs, TraceEndsAtTheFirstPeak)
{
    // Two equal highest values: the first wins; the fall after it is ignored.
    auto run = MakeRun({{0, 2000}, {1, 3000}, {2, 5000}, {3, 5000}, {4, 4000}});
    TCalcData calc;
    CalcRunData(*run, calc, 0);
    EXPECT_EQ(calc.Speeds.size(), 3u);
    EXPECT_EQ(calc.Distances.size(), 3u);
    ASSERT_EQ(calc.Accels.size(), 2u);
    EXPECT_DOUBLE_EQ(calc.Accels[1].RPM, 4000);
    // ChangeInDistance is the mean of the neighbouring steps: entry 0 gets half the first.
    EXPECT_DOUBLE_EQ(calc.Accels[0].ChangeInDistance, calc.Distances[1].Step / 2);
    EXPECT_DOUBLE_EQ(calc.Accels[1].CumulativeDistance,
                     calc.Accels[0].ChangeInDistance + calc.Accels[1].ChangeInDistance);

    // Nothing above 0: P = 0, no intervals.
    auto zero = MakeRun({{0, 0}, {1, 0}});
    CalcRunData(*zero, calc, 0);
    EXPECT_EQ(calc.Speeds.size(), 1u);
    EXPECT_TRUE(calc.Accels.empty());
}

TEST(IgaCalcs, PowerTorqueAndKeptMaxima)
{
    auto run = MakeRun({{0, 2000}, {1, 3000}});
    TCalcData calc;
    CalcRunData(*run, calc, 0);
    calc.Circumference = TyreCircumference(*run);
    const double v0 = SpeedAtRpm(1, *run, calc, 2000), v1 = SpeedAtRpm(1, *run, calc, 3000);
    const double v = (v0 + v1) / 2;
    const double power = 1400 * (v1 - v0) * v + 0.35 * 2.2 * v * v * v / 2;
    ASSERT_EQ(calc.Accels.size(), 1u);
    EXPECT_NEAR(calc.MaxWheelPower, power, 1e-6);
    EXPECT_DOUBLE_EQ(calc.MaxPowerRpm, 2500);
    EXPECT_NEAR(calc.MaxWheelTorque, power * 60 / (2 * std::numbers::pi * 2500), 1e-6);
    EXPECT_NEAR(calc.TerminalVelocity, std::cbrt(2 * power / (0.35 * 2.2)), 1e-9);

    // Two samples of the same rpm: no interval beats 0, the rpm of the maxima stays.
    auto flat = MakeRun({{0, 4000}, {1, 4000}});
    CalcRunData(*flat, calc, 0);
    EXPECT_EQ(calc.MaxWheelPower, 0);
    EXPECT_DOUBLE_EQ(calc.MaxPowerRpm, 2500);
    EXPECT_DOUBLE_EQ(calc.MaxTorqueRpm, 2500);
}

TEST(IgaCalcs, InGearTimes)
{
    // Constant acceleration from 10 to 55 mph over 45 s: 1 mph per second.
    auto run = MakeRun();
    TCalcData calc;
    calc.Circumference = TyreCircumference(*run);
    const double rpmPerMph = MphToMs(1) * 60 / calc.Circumference;
    for (int i = 0; i <= 450; ++i)
        run->Samples[run->SampleCount++] = {i * 0.1, (10 + i * 0.1) * rpmPerMph};
    CalcRunData(*run, calc, 0);
    EXPECT_NEAR(calc.InGearTimes[0], 20, 1e-6); // 20-40
    EXPECT_NEAR(calc.InGearTimes[1], 20, 1e-6); // 30-50
    for (int i = 2; i < 8; ++i)                 // never reaches 60
        EXPECT_EQ(calc.InGearTimes[i], 0) << i;
    EXPECT_EQ(InGearTime(calc, 5, 20), 0); // starts above 5
}

TEST(IgaCalcs, ZeroTimeStepIsShownAsMissing)
{
    auto run = MakeRun({{0, 2000}, {0, 3000}});
    TCalcData calc;
    CalcRunData(*run, calc, 0);
    ASSERT_EQ(calc.Accels.size(), 1u);
    EXPECT_FALSE(std::isfinite(calc.Accels[0].Acceleration));
    const QStringList report = ReportSection(QStringLiteral("x"), *run, calc, TDisplayUnits{});
    EXPECT_FALSE(report.join('\n').contains(QStringLiteral("nan"), Qt::CaseInsensitive));
    EXPECT_FALSE(report.join('\n').contains(QStringLiteral("inf"), Qt::CaseInsensitive));
}

TEST(IgaCalcs, Corrections)
{
    auto run = MakeRun();
    EXPECT_FALSE(CorrectionFor(*run, crSaeJ1349).Applied); // nothing measured: none
    run->AtmPressure = 0.99;
    run->AIT = 25;
    const TCorrectionFactors sae = CorrectionFor(*run, crSaeJ1349);
    EXPECT_TRUE(sae.Applied);
    EXPECT_NEAR(sae.PowerFactor, 1.0, 1e-3); // the standard day itself
    EXPECT_NEAR(sae.AirDensity, 99000 / (287.05 * 298.15), 1e-9);
    run->AtmPressure = 0.9;
    run->AIT = 40;
    EXPECT_GT(CorrectionFor(*run, crSaeJ1349).PowerFactor, 1.1); // thin hot air: more
    EXPECT_EQ(CorrectionFor(*run, crMeasuredDensity).PowerFactor, 1);
    EXPECT_TRUE(CorrectionText(*run, crSaeJ1349).contains(QStringLiteral("SAE J1349")));
}

} // namespace
