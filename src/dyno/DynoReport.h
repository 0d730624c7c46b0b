#pragma once

// The texts the road dyno shows for a run: the one-line summary drawn in the chart's
// corner and the run's section of the "Performance Report". Results that are not finite
// (a zero time step, a zero ratio from a file) are shown as missing.

#include "IgaCalcs.h"

#include <QString>
#include <QStringList>

struct TDisplayUnits {
    TUnitFactor Speed = SpeedUnit(1);
    TUnitFactor Power = PowerUnit(1);
    TUnitFactor Torque = TorqueUnit(1);
};

// Fixed notation with the given decimals, or the missing mark.
QString DynoNumber(double value, int decimals);
extern const QString MissingValue;

// "186kW@6000rpm 330Nm@4000rpm 133kW/ton"; empty for a run without samples.
QString StatsLine(const TRunData& run, const TCalcData& calc, const TDisplayUnits& units);

// The lines of one run's report section. correctionLine is added after the set-up lines
// when not empty.
QStringList ReportSection(const QString& title, const TRunData& run, const TCalcData& calc,
                          const TDisplayUnits& units, const QString& correctionLine = {});
