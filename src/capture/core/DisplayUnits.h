#pragma once

// The "&Display Options" of the live-data window: a few parameters shown in other units
// (and renamed). What the window shows, graphs and logs is always the converted value,
// so names, units, decimals and conversions all come from here.
#include "EcuInterface.h"
#include "EcuTypes.h"

#include <QString>

enum TSpeedUnit : int { vsNone = 0, vsKMH, vsMPH, vsKMHSC, vsMPHSC };

class TDisplayUnits {
  public:
    bool InjDuty = false;      // "Convert Injector Milliseconds to Duty %"
    bool Temp = false;         // "Convert Celsius to Fahrenheit"
    bool Pressure = false;     // "Convert PSI to Bar"
    bool Oxygen = false;       // "Convert Lambda to AFR"
    TSpeedUnit Speed = vsNone; // the checked speed radio item; none behaves as km/h

    QString ParamName(int p) const;
    QString ParamUnits(int p) const;
    int ParamDecimals(int p) const;
    // The value's text as the window shows and logs it: fixed point, "." decimals.
    QString FormatParam(int p, double value) const;
    // Converts the values of one reply in place; only parameters in received are touched.
    void ApplyConversions(TParamValues& values, const TParamSet& received) const;

    // The parameters each option affects (what UnitsChanged is called with).
    static TParamSet InjDutyParams();
    static TParamSet TempParams();
    static TParamSet PressureParams();
    static TParamSet OxygenParams();
    static TParamSet SpeedParams();
    // Factor the speed option applies to epVehspd.
    static double SpeedFactor(TSpeedUnit speed);
};
