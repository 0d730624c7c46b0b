#include "DynoReport.h"

#include "NumFormat.h"

#include <cmath>
#include <numbers>

const QString MissingValue = QStringLiteral("-----");

QString DynoNumber(double value, int decimals)
{
    return std::isfinite(value) ? FormatFixed(value, decimals) : MissingValue;
}

QString StatsLine(const TRunData& run, const TCalcData& calc, const TDisplayUnits& u)
{
    if (run.SampleCount <= 0) return {};
    const QString pu = QLatin1String(u.Power.Label);
    const QString tu = QLatin1String(u.Torque.Label);
    const double power = calc.MaxWheelPower * u.Power.Factor;
    return DynoNumber(power, 0) + pu + QLatin1Char('@') + DynoNumber(calc.MaxPowerRpm, 0) +
           QStringLiteral("rpm") + QLatin1Char(' ') +
           DynoNumber(calc.MaxWheelTorque * u.Torque.Factor, 0) + tu + QLatin1Char('@') +
           DynoNumber(calc.MaxTorqueRpm, 0) + QStringLiteral("rpm") + QLatin1Char(' ') +
           DynoNumber(power / run.Mass * 1000, 0) + pu + QStringLiteral("/ton");
}

namespace {

const char* const GearNames[6] = {"1st", "2nd", "3rd", "4th", "5th", "6th"};
const char* const InGearLabels[8] = {
    "    20 - 40mph = ", "    30 - 50mph = ", "    40 - 60mph = ", "    50 - 70mph = ",
    "    60 - 80mph = ", "    70 - 90mph = ", "    80 -100mph = ", "    90 -110mph = ",
};

QString GearLine(int gear, double speed, const QString& su)
{
    QString value =
        std::isfinite(speed) ? QString::asprintf("%5.1f", speed) : MissingValue.rightJustified(5);
    return QStringLiteral("  ") + QLatin1String(GearNames[gear - 1]) + QStringLiteral(": ") +
           value + QLatin1Char(' ') + su;
}

} // namespace

QStringList ReportSection(const QString& title, const TRunData& run, const TCalcData& calc,
                          const TDisplayUnits& u, const QString& correctionLine)
{
    const double sf = u.Speed.Factor, pf = u.Power.Factor, tf = u.Torque.Factor;
    const QString su = QLatin1String(u.Speed.Label);
    const QString pu = QLatin1String(u.Power.Label);
    const QString tu = QLatin1String(u.Torque.Label);
    const QChar deg(0xB0);

    QStringList l;
    const QString head = QStringLiteral("Dyno Test: ") + title;
    l << head << QString(head.size(), QLatin1Char('=')) << QString();
    const QString comment = run.Comment.ToString();
    if (!comment.isEmpty()) l << QStringLiteral("Comment:") << comment << QString();
    if (run.SampleCount > 0) {
        l << QStringLiteral("Maximum Wheel Power:   ") + DynoNumber(calc.MaxWheelPower * pf, 1) +
                 QLatin1Char(' ') + pu + QStringLiteral(" @ ") + DynoNumber(calc.MaxPowerRpm, 0) +
                 QStringLiteral(" RPM");
        l << QStringLiteral("Maximum Wheel Torque:  ") + DynoNumber(calc.MaxWheelTorque * tf, 1) +
                 QLatin1Char(' ') + tu + QStringLiteral(" @ ") + DynoNumber(calc.MaxTorqueRpm, 0) +
                 QStringLiteral(" RPM");
        l << QStringLiteral("Power to weight ratio: ") +
                 DynoNumber(calc.MaxWheelPower * pf / run.Mass * 1000, 1) + QLatin1Char(' ') + pu +
                 QStringLiteral(" per ton");
        l << QString();
        l << QStringLiteral("Terminal velocity due to power: ") +
                 DynoNumber(calc.TerminalVelocity * sf, 1) + QLatin1Char(' ') + su;
        l << QString();
        l << QStringLiteral("In Gear Acceleration:");
        for (int i = 0; i < 8; ++i)
            if (calc.InGearTimes[i] != 0)
                l << QLatin1String(InGearLabels[i]) + DynoNumber(calc.InGearTimes[i], 1) +
                         QStringLiteral(" seconds");
        l << QString();
    }
    auto gearLines = [&](double rpm) {
        for (int g = 1; g <= 6; ++g)
            if (g <= 5 || run.Ratios[5] != 0)
                l << GearLine(g, SpeedAtRpm(g, run, calc, rpm) * sf, su);
    };
    l << QStringLiteral("Speed per 1000 RPM:");
    gearLines(1000);
    l << QString();
    l << QStringLiteral("Maximum Speed per Gear:");
    gearLines(run.RevLimit);
    l << QString();
    l << QStringLiteral("Total Vehicle Mass:   ") + DynoNumber(run.Mass, 0) + QStringLiteral("kg");
    l << QStringLiteral("Drag Co-efficient:    ") + DynoNumber(run.CD, 2);
    l << QStringLiteral("Frontal Area:         ") + DynoNumber(run.FrontalArea, 2) +
             QStringLiteral(" square metres");
    l << QStringLiteral("Wheel/Tyre Setup:     ") + DynoNumber(run.TyreWidth, 0) +
             QLatin1Char('/') + DynoNumber(run.TyreProfile, 0) + QLatin1Char('/') +
             DynoNumber(run.WheelDiameter, 0);
    l << QStringLiteral("Tyre Diameter:        ") +
             DynoNumber(calc.Circumference / std::numbers::pi * 1000, 0) + QStringLiteral("mm");
    l << QStringLiteral("Tyre Circumference:   ") + DynoNumber(calc.Circumference * 1000, 0) +
             QStringLiteral("mm");
    l << QStringLiteral("Engine Rev Limit:     ") + DynoNumber(run.RevLimit, 0);
    l << QStringLiteral("Test gear:            ") + QString::number(run.TestGear);
    l << QStringLiteral("Max Speed of gear:    ") +
             DynoNumber(SpeedAtRpm(run.TestGear, run, calc, run.RevLimit) * sf, 0) +
             QLatin1Char(' ') + su;
    if (run.AIT != NotMeasured)
        l << QStringLiteral("Air Intake Temp:      ") + DynoNumber(run.AIT, 0) + deg +
                 QStringLiteral("C (") + DynoNumber(run.AIT * 1.8 + 32, 0) + deg +
                 QStringLiteral("F)");
    if (run.AtmPressure != NotMeasured)
        l << QStringLiteral("Atmospheric Pressure: ") + DynoNumber(run.AtmPressure, 2) +
                 QStringLiteral(" bar");
    if (!correctionLine.isEmpty()) l << correctionLine;
    l << QString();
    return l;
}
