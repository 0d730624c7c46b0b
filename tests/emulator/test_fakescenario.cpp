// The emulated engine's scenarios: a road test that idles, falls, pulls to the rev limit
// and lifts off; a drive cycle whose values agree with each other.
#include "FakeScenario.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

double RpmFromBytes(const TFakeScenario& s)
{
    return (*s.Byte(0x0E) * 256 + *s.Byte(0x0F)) / 4.0;
}

TEST(FakeScenario, Names)
{
    EXPECT_EQ(ScenarioNames(), QStringList({"Random", "Drive", "Road Test"}));
    EXPECT_EQ(ScenarioByName(QStringLiteral("road test")), scRoadTest);
    EXPECT_EQ(ScenarioByName(QStringLiteral("RoadTest")), scRoadTest);
    EXPECT_FALSE(ScenarioByName(QStringLiteral("Race")).has_value());
    TFakeScenario random;
    random.Advance(1000);
    EXPECT_FALSE(random.Byte(0x0E).has_value()); // everything drifts
}

TEST(FakeScenario, RoadTestPull)
{
    TFakeScenario s;
    s.SetRoadTestGear(3);
    // Started just before the tick counter wraps: the unsigned difference carries on.
    uint32_t now = 0xFFFFF000u;
    s.Start(scRoadTest, now);
    EXPECT_EQ(*s.Byte(0x23), 100); // 1.0 bar
    EXPECT_EQ(*s.Byte(0x12), 65);  // 25 C
    bool high = false, low = false, limit = false;
    double peak = 0;
    TFakeScenario::TPhase last = s.Phase();
    for (int i = 0; i < 20000 && !(limit && s.Phase() == TFakeScenario::phHigh); i += 10) {
        now += 10;
        s.Advance(now);
        const double rpm = RpmFromBytes(s);
        EXPECT_NEAR(rpm, s.State().Rpm, 0.25);
        EXPECT_NEAR(s.State().SpeedMs, s.Vehicle().Speed(3, s.State().Rpm), 1e-9);
        if (s.Phase() == TFakeScenario::phHigh && !low) high = high || rpm > 1800;
        if (s.Phase() == TFakeScenario::phLow) low = low || rpm < 1800;
        if (s.Phase() == TFakeScenario::phPull) {
            EXPECT_EQ(*s.Byte(0x15), 255); // full throttle
        }
        if (last == TFakeScenario::phPull && s.Phase() == TFakeScenario::phLiftOff)
            limit = rpm >= s.Vehicle().RevLimit - 10;
        peak = std::max(peak, rpm);
        last = s.Phase();
    }
    EXPECT_TRUE(high);
    EXPECT_TRUE(low);
    EXPECT_TRUE(limit);
    EXPECT_LT(peak, s.Vehicle().RevLimit + 20);
    // The curve the dyno should find: about 200 kW and 360 Nm.
    EXPECT_NEAR(TVehicleModel::PeakTorque(7100), 360, 1e-9);
    EXPECT_NEAR(TVehicleModel::PeakPower(7100), 202e3, 2e3);
}

TEST(FakeScenario, DriveCycleAgrees)
{
    TFakeScenario s;
    uint32_t now = 5000;
    s.Start(scDrive, now);
    const double coolant0 = s.State().CoolantC;
    double maxSpeed = 0;
    bool idled = false, full = false;
    for (int i = 0; i < 120000; i += 20) {
        now += 20;
        s.Advance(now);
        const TEngineState& e = s.State();
        ASSERT_GE(e.Rpm, 700);
        ASSERT_LE(e.Rpm, 7000);
        maxSpeed = std::max(maxSpeed, e.SpeedMs);
        idled = idled || (e.SpeedMs == 0 && e.Rpm < 900);
        full = full || e.Throttle == 1;
        if (e.SpeedMs > 5 && e.Rpm > 1300) {
            // Engine and road speed through one of the gears.
            bool inGear = false;
            for (int g = 1; g <= 5; ++g)
                inGear = inGear || std::fabs(s.Vehicle().Rpm(g, e.SpeedMs) - e.Rpm) < 1;
            ASSERT_TRUE(inGear) << e.Rpm << " rpm at " << e.SpeedMs << " m/s";
        }
        // Load follows the throttle: a closed throttle never shows a full load.
        if (e.Throttle == 0) {
            ASSERT_LT(*s.Byte(0x07) * 100 / 255.0, 40);
        }
        if (e.Throttle == 1 && e.Rpm > 4000) {
            ASSERT_GT(*s.Byte(0x07) * 100 / 255.0, 80);
        }
    }
    EXPECT_TRUE(idled);
    EXPECT_TRUE(full);
    EXPECT_GT(maxSpeed, 35);
    EXPECT_GT(s.State().CoolantC, coolant0 + 40); // warming up from cold
}

} // namespace
