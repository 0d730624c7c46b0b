#include "FakeScenario.h"

#include <algorithm>
#include <cmath>
#include <numbers>

QStringList ScenarioNames()
{
    return {QStringLiteral("Random"), QStringLiteral("Drive"), QStringLiteral("Road Test")};
}

std::optional<TScenario> ScenarioByName(const QString& name)
{
    auto key = [](QString s) {
        return s.remove(QLatin1Char(' ')).remove(QLatin1Char('-')).toLower();
    };
    const QStringList names = ScenarioNames();
    for (int i = 0; i < names.size(); ++i)
        if (key(names[i]) == key(name)) return TScenario(i);
    return std::nullopt;
}

double TVehicleSetup::Circumference() const
{
    return std::numbers::pi * (2 * TyreWidth / 1000 * TyreProfile / 100 + WheelDiameter * 0.0254);
}

double TVehicleSetup::Speed(int gear, double rpm) const
{
    return rpm * Circumference() / Ratios[gear - 1] / FinalDrive / 60;
}

double TVehicleSetup::Rpm(int gear, double speed) const
{
    return speed * Ratios[gear - 1] * FinalDrive * 60 / Circumference();
}

double TVehicleModel::EngineTorque(double rpm)
{
    const double x = (rpm - 4200) / 4200;
    return std::max(0.0, 360 * (1 - 0.6 * x * x));
}

double TVehicleModel::Power(double rpm)
{
    return EngineTorque(rpm) * 2 * std::numbers::pi * rpm / 60;
}

double TVehicleModel::PeakPower(int revLimit)
{
    double best = 0;
    for (double rpm = 2000; rpm <= revLimit; rpm += 1)
        best = std::max(best, Power(rpm));
    return best;
}

double TVehicleModel::PeakTorque(int revLimit)
{
    double best = 0;
    for (double rpm = 2000; rpm <= revLimit; rpm += 1)
        best = std::max(best, EngineTorque(rpm));
    return best;
}

double TVehicleModel::Acceleration(const TVehicleSetup& car, int gear, double v)
{
    const double rpm = car.Rpm(gear, v);
    const double wheelRadius = car.Circumference() / (2 * std::numbers::pi);
    const double force = EngineTorque(rpm) * car.Ratios[gear - 1] * car.FinalDrive / wheelRadius;
    const double drag = car.CD * car.FrontalArea * v * v / 2; // air density 1, as the dyno
    return (force - drag) / car.Mass;
}

void TFakeScenario::Start(TScenario scenario, uint32_t now)
{
    FScenario = scenario;
    FLast = now;
    FStarted = true;
    FElapsed = 0;
    FPhaseTime = 0;
    FPhase = phHigh;
    FDriveStep = 0;
    FDriveGear = 1;
    FState = TEngineState();
    Step(0);
}

void TFakeScenario::SetRoadTestGear(int gear)
{
    FGear = std::clamp(gear, 1, 6);
}

void TFakeScenario::Advance(uint32_t now)
{
    if (!FStarted) {
        FStarted = true;
        FLast = now;
    }
    // Unsigned difference: a wrap of the tick counter is one more millisecond step.
    uint32_t ms = now - FLast;
    FLast = now;
    // Nobody read for a long while: the engine waited with them.
    ms = std::min<uint32_t>(ms, 5000);
    for (uint32_t i = 0; i < ms; ++i)
        Step(0.001);
}

void TFakeScenario::Step(double dt)
{
    FElapsed += dt;
    // The coolant warms from cold whatever the engine does.
    FState.CoolantC += (90 - FState.CoolantC) * dt / 120;
    if (FScenario == scRoadTest)
        StepRoadTest(dt);
    else if (FScenario == scDrive)
        StepDrive(dt);
}

void TFakeScenario::StepRoadTest(double dt)
{
    FPhaseTime += dt;
    const int g = FGear;
    auto next = [this](TPhase p) {
        FPhase = p;
        FPhaseTime = 0;
    };
    switch (FPhase) {
    case phHigh:
        FState.Rpm = 2400;
        FState.Throttle = 0.1;
        FState.SpeedMs = FCar.Speed(g, FState.Rpm);
        if (FPhaseTime >= 1.5) next(phFalling);
        break;
    case phFalling:
        FState.Rpm = 2400 - 900 * std::min(FPhaseTime, 1.0);
        FState.Throttle = 0;
        FState.SpeedMs = FCar.Speed(g, FState.Rpm);
        if (FPhaseTime >= 1.0) next(phLow);
        break;
    case phLow:
        FState.Rpm = 1500;
        FState.Throttle = 0.05;
        FState.SpeedMs = FCar.Speed(g, FState.Rpm);
        if (FPhaseTime >= 1.0) next(phPull);
        break;
    case phPull:
        FState.Throttle = 1;
        FState.SpeedMs += TVehicleModel::Acceleration(FCar, g, FState.SpeedMs) * dt;
        FState.Rpm = FCar.Rpm(g, FState.SpeedMs);
        if (FState.Rpm >= FCar.RevLimit) next(phLiftOff);
        break;
    case phLiftOff:
        FState.Throttle = 0;
        FState.SpeedMs = std::max(0.0, FState.SpeedMs - 3.0 * dt);
        FState.Rpm = FCar.Rpm(g, FState.SpeedMs);
        if (FPhaseTime >= 1.5) next(phHigh);
        break;
    }
}

namespace {

// The drive cycle: idle, pulling away, cruising, a full-throttle pull through the gears,
// braking to a stop.
enum TDriveKind { dkIdle, dkAccelerate, dkCruise, dkFullThrottle, dkBrake };
struct TDriveStep {
    TDriveKind Kind;
    double Value; // seconds (idle, cruise), target m/s (accelerate, full throttle)
    double Rate;  // m/s^2 (accelerate, brake)
    double Throttle;
};
constexpr std::array<TDriveStep, 7> DriveCycle{{
    {dkIdle, 6, 0, 0},
    {dkAccelerate, 14, 1.5, 0.3}, // pulling away to 50 km/h
    {dkCruise, 10, 0, 0.15},
    {dkAccelerate, 22, 1.0, 0.35}, // to 80 km/h
    {dkCruise, 8, 0, 0.2},
    {dkFullThrottle, 40, 0, 1}, // to 144 km/h
    {dkBrake, 0, 5, 0},
}};

constexpr double IdleRpm = 800;
constexpr double ShiftRpm = 6500;

} // namespace

void TFakeScenario::StepDrive(double dt)
{
    FPhaseTime += dt;
    const TDriveStep& s = DriveCycle[FDriveStep];
    bool done = false;
    double& v = FState.SpeedMs;
    // Outside the pull, the highest gear that keeps the engine at 1800 RPM or more.
    auto cruiseGear = [this](double speed) {
        int g = 1;
        for (int k = 2; k <= 5; ++k)
            if (FCar.Rpm(k, speed) >= 1800) g = k;
        return g;
    };
    switch (s.Kind) {
    case dkIdle:
        v = 0;
        FDriveGear = 1;
        done = FPhaseTime >= s.Value;
        break;
    case dkAccelerate:
        v = std::min(s.Value, v + s.Rate * dt);
        FDriveGear = cruiseGear(v);
        done = v >= s.Value;
        break;
    case dkCruise:
        FDriveGear = cruiseGear(v);
        done = FPhaseTime >= s.Value;
        break;
    case dkFullThrottle:
        if (FPhaseTime <= dt) // kick down
            FDriveGear = std::max(1, cruiseGear(v) - 2);
        if (FCar.Rpm(FDriveGear, v) >= ShiftRpm && FDriveGear < 5) ++FDriveGear;
        v += TVehicleModel::Acceleration(FCar, FDriveGear, v) * dt;
        done = v >= s.Value;
        break;
    case dkBrake:
        v = std::max(0.0, v - s.Rate * dt);
        FDriveGear = cruiseGear(v);
        done = v <= 0;
        break;
    }
    FState.Throttle = s.Throttle;
    const double inGear = FCar.Rpm(FDriveGear, v);
    // The clutch slips below idle speed; pulling away the engine holds a little more.
    const double floor = s.Kind == dkAccelerate && FDriveGear == 1 ? 1200 : IdleRpm;
    FState.Rpm = std::max(floor, inGear);
    if (s.Kind == dkIdle) FState.Rpm = IdleRpm + 15 * std::sin(FElapsed * 3);
    if (done) {
        FDriveStep = (FDriveStep + 1) % int(DriveCycle.size());
        FPhaseTime = 0;
    }
}

namespace {

uint8_t Raw(double value, double multiplier, double offset = 0)
{
    return static_cast<uint8_t>(std::clamp(std::lround(value / multiplier - offset), 0L, 255L));
}

} // namespace

std::optional<uint8_t> TFakeScenario::Byte(int address) const
{
    if (FScenario == scRandom) return std::nullopt;
    const TEngineState& e = FState;
    const double atmPsi = AtmPressureBar * 14.5;
    // Manifold pressure: vacuum when closed, atmospheric at part throttle, turbo boost
    // at full throttle once the engine has the revs for it.
    double map;
    if (e.Throttle < 0.4) {
        map = 4 + e.Throttle / 0.4 * (atmPsi - 4);
    } else {
        const double boost = 12 * std::clamp((e.Rpm - 2000) / 1500, 0.0, 1.0);
        map = atmPsi + boost * (e.Throttle - 0.4) / 0.6;
    }
    const double load = 15 + 80 * std::min(1.0, map / (atmPsi + 12)); // %
    const double maf = std::max(2.0, e.Rpm * map / atmPsi * 0.0135);  // g/s
    const double pulse = 1.5 + 14 * load / 100;                       // ms
    const long rpmRaw = std::clamp(std::lround(e.Rpm * 4), 0L, 65535L);
    const long mafRaw = std::clamp(std::lround(maf * 100), 0L, 65535L);
    switch (address) {
    case 0x07:
        return Raw(load, 100.0 / 255);
    case 0x08:
        return Raw(e.CoolantC, 1, -40);
    case 0x0D:
        return Raw(map, 37.0 / 255);
    case 0x0E:
        return static_cast<uint8_t>(rpmRaw >> 8);
    case 0x0F:
        return static_cast<uint8_t>(rpmRaw & 0xFF);
    case 0x10:
        return Raw(e.SpeedMs * 3.6, 1);
    case 0x12:
        return Raw(IntakeTempC, 1, -40);
    case 0x13:
        return static_cast<uint8_t>(mafRaw >> 8);
    case 0x14:
        return static_cast<uint8_t>(mafRaw & 0xFF);
    case 0x15:
        return Raw(e.Throttle * 100, 100.0 / 255);
    case 0x1D:
        return Raw(1.0 + 3.5 * std::sqrt(maf / 250), 0.02);
    case 0x1E:
        return Raw(0.5 + 4.0 * e.Throttle, 0.02);
    case 0x20:
    case 0x21:
        return Raw(pulse, 0.256);
    case 0x23:
        return Raw(atmPsi, 37.0 / 255);
    case 0x24:
        return Raw(map - atmPsi, 37.0 / 255, -128);
    default:
        return std::nullopt;
    }
}
