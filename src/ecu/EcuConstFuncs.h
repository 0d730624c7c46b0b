#pragma once

#include "EcuTypes.h"

#include <QString>

// Engineering value of a parameter from its raw integer (see TParamDef).
double ScaleParam(int index, uint32_t raw);
// Fixed-point text with the parameter's Decimals and 8 significant digits.
QString ParamValueText(int index, double value);
// First EcuIds record whose RomId equals romId exactly.
bool FindEcu(const TByteArray& romId, int& index);

// Applies the ECU-specific extra parameters and address overrides for EcuIds index e.
void ApplyEcuAdjustments(int e, TParamSet& supported);
