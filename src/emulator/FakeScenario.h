#pragma once

// What the emulated engine is doing. "Random" is the plain drift of every sensor byte
// within its range. "Drive" plays a repeating drive cycle and "Road Test" the pull a road
// dyno records; both give engine speed, road speed, throttle, load, pressures, injector
// pulse and air flow that agree with each other, from a small vehicle model.
//
// The model uses the road dyno's own assumptions (no rolling resistance, no drivetrain
// loss, air density 1), so a dyno run on the "Road Test" finds the model's torque curve.

#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

enum TScenario : int {
    scRandom = 0,
    scDrive = 1,
    scRoadTest = 2,
};
constexpr int ScenarioCount = 3;

// "Random", "Drive", "Road Test".
QStringList ScenarioNames();
// The scenario of a name as the panel and the simulator write it (case and blanks ignored).
std::optional<TScenario> ScenarioByName(const QString& name);

// The car: the Road Dyno window's default set-up ("6spd STI UK&EU", 215/40/17, 7100 RPM,
// 1275 kg, Cd 0.35, 2.2 m^2), so that a dyno run needs no set-up to find the curve again.
struct TVehicleSetup {
    std::array<double, 6> Ratios{3.636, 2.375, 1.761, 1.346, 0.971, 0.756};
    double FinalDrive = 3.8995;
    double TyreWidth = 215, TyreProfile = 40, WheelDiameter = 17;
    double Mass = 1275;
    double CD = 0.35;
    double FrontalArea = 2.2;
    int RevLimit = 7100;

    double Circumference() const;
    // Road speed (m/s) at rpm in gear 1..6, and back.
    double Speed(int gear, double rpm) const;
    double Rpm(int gear, double speed) const;
};

class TVehicleModel {
  public:
    // Full-throttle engine torque, Nm: a smooth curve with 360 Nm at 4200 RPM.
    static double EngineTorque(double rpm);
    // Wheel power (W) at full throttle: torque times the engine's angular speed.
    static double Power(double rpm);
    // The curve's peaks between 2000 RPM and the rev limit: power (W) and torque (Nm).
    static double PeakPower(int revLimit);
    static double PeakTorque(int revLimit);
    // Acceleration (m/s^2) at full throttle in gear at road speed v.
    static double Acceleration(const TVehicleSetup& car, int gear, double v);
};

// The state the scenario gives the sensor bytes.
struct TEngineState {
    double Rpm = 800;
    double SpeedMs = 0;  // road speed
    double Throttle = 0; // 0..1
    double CoolantC = 20;
};

class TFakeScenario {
  public:
    static constexpr double AtmPressureBar = 1.0;
    static constexpr double IntakeTempC = 25;

    TScenario Scenario() const { return FScenario; }
    // Starts the scenario from its beginning at tick now.
    void Start(TScenario scenario, uint32_t now);
    // The gear of the road test's pull, 1..6 (clamped).
    int RoadTestGear() const { return FGear; }
    void SetRoadTestGear(int gear);
    const TVehicleSetup& Vehicle() const { return FCar; }

    // Moves the engine on to tick now; every byte of one reply comes from one moment.
    void Advance(uint32_t now);
    const TEngineState& State() const { return FState; }
    // The byte of a variable-area address the scenario drives; nothing for the others
    // (they drift), and nothing at all for "Random".
    std::optional<uint8_t> Byte(int address) const;

    // Road-test phases, for the tests: rpm held above 1800, falling, held low, the pull,
    // lifting off.
    enum TPhase { phHigh, phFalling, phLow, phPull, phLiftOff };
    TPhase Phase() const { return FPhase; }

  private:
    void Step(double dt);
    void StepRoadTest(double dt);
    void StepDrive(double dt);

    TScenario FScenario = scRandom;
    TVehicleSetup FCar;
    int FGear = 3;
    uint32_t FLast = 0;
    bool FStarted = false;
    double FElapsed = 0;   // s since the start of the scenario
    double FPhaseTime = 0; // s into the current phase or drive-cycle step
    TPhase FPhase = phHigh;
    int FDriveStep = 0;
    int FDriveGear = 1;
    TEngineState FState;
};
