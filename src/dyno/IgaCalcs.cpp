#include "IgaCalcs.h"

#include "NumFormat.h"
#include "TextCodec.h"

#include <algorithm>
#include <cmath>
#include <numbers>

const std::array<TGearData, 7> GearSets{{
    {"5spd WRX, UK Turbo, GT", 3.9, {3.454, 1.947, 1.366, 0.972, 0.738, 0}},
    {"5spd JDM WRX&STI 5&6 JDM & UK P1", 4.444, {3.166, 1.882, 1.296, 0.972, 0.738, 0}},
    {"5spd STI 5&6 R&RA, 22B", 4.444, {3.083, 2.062, 1.545, 1.151, 0.825, 0}},
    {"6spd STI UK&EU", 3.8995, {3.636, 2.375, 1.761, 1.346, 0.971, 0.756}},
    {"6spd STI JDM&US", 3.9, {3.636, 2.375, 1.761, 1.346, 1.062, 0.842}},
    // 5th above 4th, as the gearbox was listed.
    {"5spd 2.5RS", 4.11, {3.545, 2.111, 1.448, 1.088, 1.151, 0}},
    {"5spd Forester GT AUS 99-00MY, 2.5XT", 4.444, {3.454, 1.947, 1.366, 0.972, 0.738, 0}},
}};

const std::array<TTyreSize, 8> TyreSizes{{
    {205, 50, 16},
    {215, 40, 17},
    {215, 45, 17},
    {215, 60, 16},
    {225, 45, 17},
    {225, 35, 18},
    {225, 40, 18},
    {235, 35, 19},
}};

const std::array<TRevLimitData, 4> RevLimits{{
    {6800, "Forester"},
    {7100, "UK Turbo, GT, WRX"},
    {7600, "JDM WRX, STI Type UK"},
    {8200, "JDM STI"},
}};

const std::array<TVehicleData, 5> Vehicles{{
    {1350, 0.35, 2.2, "Old Shape WRX ->00MY"},
    {1400, 0.35, 2.2, "Old Shape STI ->00MY"},
    {1450, 0.39, 3.2, "Forester ->00MY"},
    {1550, 0.37, 2.2, "New Shape WRX 01MY->"},
    {1600, 0.37, 2.2, "New Shape STI 01MY->"},
}};

const std::array<std::pair<double, double>, 8> InGearRanges{{
    {20, 40},
    {30, 50},
    {40, 60},
    {50, 70},
    {60, 80},
    {70, 90},
    {80, 100},
    {90, 110},
}};

QString TShortString::ToString() const
{
    return FromWin1252(QByteArray(Chars.data(), Length));
}

void TShortString::Assign(const QString& text)
{
    const QByteArray bytes = ToWin1252(text.left(MaxCommentLength)).left(MaxCommentLength);
    Chars.fill(0);
    std::copy(bytes.begin(), bytes.end(), Chars.begin());
    Length = static_cast<uint8_t>(bytes.size());
}

void SetDefaultSetup(TRunData& run)
{
    run.Ratios = GearSets[3].Ratios;
    run.FinalDrive = GearSets[3].FinalDrive;
    run.TyreWidth = 215;
    run.TyreProfile = 40;
    run.WheelDiameter = 17;
    run.RevLimit = 7100;
    run.Mass = 1275;
    run.CD = 0.35;
    run.FrontalArea = 2.2;
    run.TestGear = 3;
}

double TyreCircumference(const TRunData& run)
{
    const double sidewall = (run.TyreWidth / 1000.0) * (run.TyreProfile / 100.0);
    const double rim = run.WheelDiameter * 2.54 / 100.0;
    return std::numbers::pi * (2 * sidewall + rim);
}

double SpeedAtRpm(int gear, const TRunData& run, const TCalcData& calc, double rpm)
{
    // A gear outside 1..6 (a damaged file) has no ratio: the speed is missing, not a crash.
    if (gear < 1 || gear > 6) return std::nan("");
    return rpm * calc.Circumference / run.Ratios[gear - 1] / run.FinalDrive / 60.0;
}

namespace {

bool Measured(double v)
{
    return v != NotMeasured && std::isfinite(v);
}

bool HasAmbient(const TRunData& run)
{
    // Out-of-range values from a file would give nonsense densities: treat them as missing.
    return Measured(run.AtmPressure) && Measured(run.AIT) && run.AtmPressure > 0.3 &&
           run.AtmPressure < 2 && run.AIT > -60 && run.AIT < 100;
}

constexpr double GasConstantDryAir = 287.05; // J/(kg K)

} // namespace

TCorrectionFactors CorrectionFor(const TRunData& run, TCorrection correction)
{
    TCorrectionFactors f;
    if (correction == crNone || !HasAmbient(run)) return f;
    const double pressurePa = run.AtmPressure * 1e5;
    const double kelvin = run.AIT + 273.15;
    f.AirDensity = pressurePa / (GasConstantDryAir * kelvin);
    f.Applied = true;
    if (correction == crSaeJ1349) {
        // SAE J1349: to 99 kPa of dry air at 25 C, with its allowance for friction.
        const double kPa = run.AtmPressure * 100;
        f.PowerFactor = 1.18 * (99.0 / kPa) * std::sqrt(kelvin / 298.15) - 0.18;
    }
    return f;
}

QString CorrectionText(const TRunData& run, TCorrection correction)
{
    const TCorrectionFactors f = CorrectionFor(run, correction);
    switch (correction) {
    case crMeasuredDensity:
        if (!f.Applied)
            return QStringLiteral("Correction: none (air pressure and temperature not measured)");
        return QStringLiteral("Correction: measured air density ") + FormatFixed(f.AirDensity, 3) +
               QStringLiteral(" kg/m^3");
    case crSaeJ1349:
        if (!f.Applied)
            return QStringLiteral("Correction: none (air pressure and temperature not measured)");
        return QStringLiteral("Correction: SAE J1349 to 99 kPa dry air at 25") + QChar(0xB0) +
               QStringLiteral("C, factor ") + FormatFixed(f.PowerFactor, 3) +
               QStringLiteral(", air density ") + FormatFixed(f.AirDensity, 3) +
               QStringLiteral(" kg/m^3");
    default:
        return QStringLiteral("Correction: none (air density 1, power as measured)");
    }
}

void CalcRunData(const TRunData& run, TCalcData& calc, int smoothingPercent,
                 const TCorrectionFactors& correction)
{
    // 1. Tyre.
    calc.Circumference = TyreCircumference(run);
    const int n = std::clamp<int>(run.SampleCount, 0, MaxRevSamples);
    if (n == 0) return;

    // 2. Smoothing: mean of a forward window of N + 1 raw samples. A running sum keeps the
    // cost linear whatever the window; its rounding stays far below the clock's resolution.
    const int p = std::clamp(smoothingPercent, 0, 99);
    const int N = static_cast<int>((int64_t(n) * p) / 100);
    const int m = n - N;
    calc.SmRevs.resize(m);
    {
        double sumT = 0, sumR = 0;
        for (int i = 0; i <= N; ++i) {
            sumT += run.Samples[i].Time;
            sumR += run.Samples[i].RPM;
        }
        for (int k = 0; k < m; ++k) {
            if (k > 0) {
                sumT += run.Samples[k + N].Time - run.Samples[k - 1].Time;
                sumR += run.Samples[k + N].RPM - run.Samples[k - 1].RPM;
            }
            calc.SmRevs[k] = {sumT / (N + 1), sumR / (N + 1)};
        }
    }

    // 3. Peak: the first of the highest, from 0.0 with a strict ">".
    int P = 0;
    double best = 0.0;
    for (int k = 0; k < m; ++k)
        if (calc.SmRevs[k].RPM > best) {
            best = calc.SmRevs[k].RPM;
            P = k;
        }

    // 4. Speed.
    calc.Speeds.resize(P + 1);
    for (int k = 0; k <= P; ++k)
        calc.Speeds[k] = {calc.SmRevs[k].Time,
                          SpeedAtRpm(run.TestGear, run, calc, calc.SmRevs[k].RPM)};

    // 5. Distance, trapezoidal.
    calc.Distances.resize(P + 1);
    calc.Distances[0] = {calc.Speeds[0].Time, 0, 0};
    for (int k = 1; k <= P; ++k) {
        const TSpdPoint& a = calc.Speeds[k - 1];
        const TSpdPoint& b = calc.Speeds[k];
        const double step = (a.Speed + b.Speed) / 2 * (b.Time - a.Time);
        calc.Distances[k] = {b.Time, step, calc.Distances[k - 1].Cumulative + step};
    }

    // 6. Intervals. The rpm of the maxima is deliberately not reset.
    calc.Accels.resize(P);
    calc.MaxWheelPower = 0;
    calc.MaxWheelTorque = 0;
    double cumulative = 0;
    for (int k = 0; k < P; ++k) {
        TAccPoint& e = calc.Accels[k];
        const TRevPoint& r0 = calc.SmRevs[k];
        const TRevPoint& r1 = calc.SmRevs[k + 1];
        const double v0 = calc.Speeds[k].Speed, v1 = calc.Speeds[k + 1].Speed;
        e.Time = (r0.Time + r1.Time) / 2;
        e.RPM = (r0.RPM + r1.RPM) / 2;
        e.Speed = (v0 + v1) / 2;
        e.ChangeInDistance = (calc.Distances[k].Step + calc.Distances[k + 1].Step) / 2;
        cumulative += e.ChangeInDistance;
        e.CumulativeDistance = cumulative;
        e.Acceleration = (v1 - v0) / (r1.Time - r0.Time);
        e.AccelerativePower = run.Mass * e.Acceleration * e.Speed;
        e.DragForce = correction.AirDensity * run.CD * run.FrontalArea * e.Speed * e.Speed / 2;
        e.DragPower = e.DragForce * e.Speed;
        e.WheelPower = (e.DragPower + e.AccelerativePower) * correction.PowerFactor;
        if (e.WheelPower > calc.MaxWheelPower) {
            calc.MaxWheelPower = e.WheelPower;
            calc.MaxPowerRpm = e.RPM;
        }
        e.WheelTorque = e.RPM == 0 ? 0 : e.WheelPower * 60 / (2 * std::numbers::pi * e.RPM);
        if (e.WheelTorque > calc.MaxWheelTorque) {
            calc.MaxWheelTorque = e.WheelTorque;
            calc.MaxTorqueRpm = e.RPM;
        }
    }

    // 7. Where drag would take all of the peak power.
    calc.TerminalVelocity =
        std::cbrt(2 * calc.MaxWheelPower / (correction.AirDensity * run.CD * run.FrontalArea));

    // 8.
    for (size_t i = 0; i < InGearRanges.size(); ++i)
        calc.InGearTimes[i] = InGearTime(calc, InGearRanges[i].first, InGearRanges[i].second);
}

namespace {

// Time at which Accels first reaches speed v, from the second entry on; 0 when never.
double TimeAtSpeed(const TAccData& a, double v)
{
    for (size_t k = 1; k < a.size(); ++k) {
        if (a[k].Speed < v) continue;
        const TAccPoint& p = a[k - 1];
        const TAccPoint& q = a[k];
        if (q.Speed == p.Speed) return (p.Time + q.Time) / 2;
        return p.Time + (q.Time - p.Time) * (v - p.Speed) / (q.Speed - p.Speed);
    }
    return 0;
}

} // namespace

double InGearTime(const TCalcData& calc, double fromMph, double toMph)
{
    const TAccData& a = calc.Accels;
    if (a.empty()) return 0;
    const double lo = MphToMs(fromMph);
    const double hi = MphToMs(toMph);
    double vmin = a[0].Speed, vmax = a[0].Speed;
    for (const TAccPoint& e : a) {
        vmin = std::min(vmin, e.Speed);
        vmax = std::max(vmax, e.Speed);
    }
    if (vmin > lo || vmax < hi) return 0;
    return TimeAtSpeed(a, hi) - TimeAtSpeed(a, lo);
}

TUnitFactor SpeedUnit(int index)
{
    switch (index) {
    case 0:
        return {3.6, "kmh"};
    case 1:
        return {1 / 0.44704, "mph"};
    default:
        return {1, "m/s"};
    }
}

TUnitFactor PowerUnit(int index)
{
    switch (index) {
    case 1:
        return {0.0013410220895631437, "BHP"};
    case 2:
        return {0.0013596216173039043, "PS"};
    default:
        return {0.001, "kW"};
    }
}

TUnitFactor TorqueUnit(int index)
{
    if (index == 1) return {0.7365150784723338, "LbFt"};
    return {1, "Nm"};
}

QString TyreSizeText(int row)
{
    const TTyreSize& t = TyreSizes.at(row);
    auto i = [](double v) { return QString::number(RoundHalfEven(v)); };
    return i(t.Width) + QLatin1Char(' ') + i(t.Profile) + QLatin1Char(' ') + i(t.Diameter);
}
