#include "DisplayUnits.h"

#include "EcuConstData.h"
#include "NumFormat.h"

namespace {

TParamSet MakeSet(std::initializer_list<TEcuParam> params)
{
    TParamSet s;
    for (TEcuParam p : params)
        s.set(p);
    return s;
}

bool Valid(int p)
{
    return p >= 0 && p < EcuParamCount;
}

bool SpeedInMph(TSpeedUnit speed)
{
    return speed == vsMPH || speed == vsMPHSC;
}

} // namespace

TParamSet TDisplayUnits::InjDutyParams()
{
    return MakeSet({epFinjpw, epFinjpw2});
}

TParamSet TDisplayUnits::TempParams()
{
    return MakeSet({epCooltemp, epAirTemp, epEGT, epFuelTemp});
}

TParamSet TDisplayUnits::PressureParams()
{
    return MakeSet({epMap, epMrp, epApres, epPresDiff});
}

TParamSet TDisplayUnits::OxygenParams()
{
    return MakeSet({epAFS1, epAFS2});
}

TParamSet TDisplayUnits::SpeedParams()
{
    return MakeSet({epVehspd});
}

double TDisplayUnits::SpeedFactor(TSpeedUnit speed)
{
    switch (speed) {
    case vsMPH:
        return 0.625;
    case vsKMHSC:
        return 1.6;
    case vsMPHSC: // the speedo converter already doubles as the mph conversion
    case vsKMH:
    case vsNone:
        break;
    }
    return 1.0;
}

QString TDisplayUnits::ParamName(int p) const
{
    if (!Valid(p)) return QString();
    if (InjDuty && p == epFinjpw) return QStringLiteral("Fuel Injection #1 Duty");
    if (InjDuty && p == epFinjpw2) return QStringLiteral("Fuel Injection #2 Duty");
    return ParamDefs[p].Name;
}

QString TDisplayUnits::ParamUnits(int p) const
{
    if (!Valid(p)) return QString();
    if (InjDuty && InjDutyParams().test(p)) return QStringLiteral("%");
    if (Temp && TempParams().test(p)) return QStringLiteral("\u00B0F");
    if (Pressure && PressureParams().test(p)) return QStringLiteral("Bar");
    if (Oxygen && OxygenParams().test(p)) return QStringLiteral("AFR");
    if (p == epVehspd && SpeedInMph(Speed)) return QStringLiteral("mph");
    return ParamDefs[p].Units;
}

int TDisplayUnits::ParamDecimals(int p) const
{
    if (!Valid(p)) return 0;
    if (Pressure && PressureParams().test(p)) return 2;
    return ParamDefs[p].Decimals;
}

QString TDisplayUnits::FormatParam(int p, double value) const
{
    return FormatFixed(value, ParamDecimals(p));
}

void TDisplayUnits::ApplyConversions(TParamValues& values, const TParamSet& received) const
{
    auto convert = [&](const TParamSet& params, auto f) {
        for (int p = 0; p < EcuParamCount; ++p)
            if (params.test(p) && received.test(p)) values[p] = f(values[p]);
    };
    // Duty needs this reply's engine speed; without it the values stay in milliseconds.
    if (InjDuty && received.test(epEngspd)) {
        const double rpm = values[epEngspd];
        convert(InjDutyParams(), [rpm](double v) { return v * rpm / 1200.0; });
    }
    if (Temp) convert(TempParams(), [](double v) { return v * 1.8 + 32.0; });
    if (Speed != vsNone && Speed != vsKMH) {
        const double factor = SpeedFactor(Speed);
        convert(SpeedParams(), [factor](double v) { return v * factor; });
    }
    if (Pressure) convert(PressureParams(), [](double v) { return v * 0.06895; });
    if (Oxygen) convert(OxygenParams(), [](double v) { return v * 14.7; });
}
