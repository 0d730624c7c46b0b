#pragma once

// One road-dyno run and the arithmetic that turns its engine-speed trace, recorded at full
// throttle in one gear, into road speed, distance, acceleration, wheel power and torque.
// No window code, no files, no link: the window records and shows, this only calculates.

#include <QString>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

constexpr int MaxRevSamples = 20000;
constexpr int MaxCommentLength = 255;

struct TRevPoint {
    double Time = 0; // seconds since the first sample of the recording
    double RPM = 0;
};

// The run's comment as it is stored: a length byte and 255 Windows-1252 characters.
struct TShortString {
    uint8_t Length = 0;
    std::array<char, MaxCommentLength> Chars{};

    QString ToString() const;
    // Keeps the first 255 characters.
    void Assign(const QString& text);
    bool Empty() const { return Length == 0; }
};

// Fixed size with the trace in place, so that recording a sample never allocates.
struct TRunData {
    std::array<double, 6> Ratios{}; // 0 in 6th: a five-speed gearbox
    double FinalDrive = 0;
    double TyreWidth = 0;     // mm
    double TyreProfile = 0;   // % of the width
    double WheelDiameter = 0; // inches
    int32_t RevLimit = 0;
    double Mass = 0; // kg
    double CD = 0;
    double FrontalArea = 0;   // m^2
    int32_t TestGear = 1;     // 1..6
    double AtmPressure = 999; // bar; 999 = not measured
    double AIT = 999;         // deg C; 999 = not measured
    TShortString Comment;
    int32_t SampleCount = 0;
    std::array<TRevPoint, MaxRevSamples> Samples{};
};

constexpr double NotMeasured = 999;

struct TSpdPoint {
    double Time = 0;
    double Speed = 0; // m/s
};

struct TDstPoint {
    double Time = 0;
    double Step = 0;       // m since the previous point
    double Cumulative = 0; // m
};

struct TAccPoint {
    double RPM = 0;
    double Speed = 0;
    double ChangeInDistance = 0;
    double CumulativeDistance = 0;
    double Time = 0;
    double Acceleration = 0;
    double AccelerativePower = 0;
    double DragForce = 0;
    double DragPower = 0;
    double WheelPower = 0;
    double WheelTorque = 0;
};

using TSmRevData = std::vector<TRevPoint>;
using TSpdData = std::vector<TSpdPoint>;
using TDstData = std::vector<TDstPoint>;
using TAccData = std::vector<TAccPoint>;

struct TCalcData {
    double Circumference = 0; // m
    TSmRevData SmRevs;
    TSpdData Speeds;
    TDstData Distances;
    TAccData Accels;
    std::array<double, 8> InGearTimes{}; // 20-40 .. 90-110 mph
    double MaxWheelPower = 0;
    double MaxPowerRpm = 0;
    double MaxWheelTorque = 0;
    double MaxTorqueRpm = 0;
    double TerminalVelocity = 0;
};

struct TGearData {
    const char* Name;
    double FinalDrive;
    std::array<double, 6> Ratios;
};

struct TVehicleData {
    double Mass;
    double CD;
    double FrontalArea;
    const char* Name;
};

struct TTyreSize {
    double Width, Profile, Diameter;
};

struct TRevLimitData {
    int RPM;
    const char* Name;
};

extern const std::array<TGearData, 7> GearSets;
extern const std::array<TTyreSize, 8> TyreSizes;
extern const std::array<TRevLimitData, 4> RevLimits;
extern const std::array<TVehicleData, 5> Vehicles;

// The in-gear speed ranges, mph.
extern const std::array<std::pair<double, double>, 8> InGearRanges;

// The set-up a new road test starts from: the 6-speed STI gearbox (UK & EU), 215/40 R17
// tyres, a 7100 rpm limit, a 1275 kg car with Cd 0.35 and 2.2 m^2, 3rd gear. The comment,
// the ambient values and the samples are left as they are.
void SetDefaultSetup(TRunData& run);

double TyreCircumference(const TRunData& run);
// Road speed in m/s in gear 1..6 at rpm; uses the Circumference of calc.
double SpeedAtRpm(int gear, const TRunData& run, const TCalcData& calc, double rpm);

// How wheel power is corrected for the air. None is the plain method: air density taken
// as 1 and the power as measured.
enum TCorrection : int {
    crNone = 0,
    crMeasuredDensity = 1,
    crSaeJ1349 = 2,
};

struct TCorrectionFactors {
    double AirDensity = 1;  // kg/m^3, in the drag force
    double PowerFactor = 1; // applied to wheel power and torque
    bool Applied = false;   // false when the run lacks the ambient values it needs
};

TCorrectionFactors CorrectionFor(const TRunData& run, TCorrection correction);
// One line for the report naming the correction used.
QString CorrectionText(const TRunData& run, TCorrection correction);

// Every field of calc from run. With no samples only Circumference changes.
// MaxPowerRpm and MaxTorqueRpm are kept when no interval beats a maximum of 0.
void CalcRunData(const TRunData& run, TCalcData& calc, int smoothingPercent,
                 const TCorrectionFactors& correction = {});

// Seconds from one speed to another (mph) through Accels; 0 when the trace does not cover them.
double InGearTime(const TCalcData& calc, double fromMph, double toMph);

inline double MphToMs(double x)
{
    return x * 0.44704;
}
inline double MsToMph(double x)
{
    return x / 0.44704;
}
inline double MsToKmh(double x)
{
    return x * 3.6;
}

// Display factors applied to the SI values, and their labels.
struct TUnitFactor {
    double Factor;
    const char* Label;
};
// Indexes as in the window's unit groups: km/h, mph, m/s; kW, BHP, PS; Nm, lbft. An index
// outside them gives m/s, kW and Nm.
TUnitFactor SpeedUnit(int index);
TUnitFactor PowerUnit(int index);
TUnitFactor TorqueUnit(int index);

// "205 50 16": the drop-down label of a TyreSizes row.
QString TyreSizeText(int row);
