#include "EcuConstFuncs.h"

#include "EcuConstData.h"
#include "NumFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>


double ScaleParam(int index, uint32_t raw)
{
    if (index < 0 || index >= EcuParamCount) return 0;
    const TParamDef& d = ParamDefs[index];
    double x = raw;
    if (d.Size == 4) {
        // The first byte in memory was added as the lowest byte of raw; it is the float's
        // most significant byte.
        const uint32_t bits =
            (raw >> 24) | ((raw >> 8) & 0xFF00u) | ((raw << 8) & 0xFF0000u) | (raw << 24);
        float f = 0;
        std::memcpy(&f, &bits, sizeof f);
        if (!std::isfinite(f)) return -1.0;
        x = f;
    }
    return (d.Offset + x) * d.Multiplier;
}

QString ParamValueText(int index, double value)
{
    const int decimals = index >= 0 && index < EcuParamCount ? ParamDefs[index].Decimals : 0;
    return FormatFixed(value, decimals);
}

bool FindEcu(const TByteArray& romId, int& index)
{
    if (romId.size() != 5) return false;
    for (int i = 0; i < EcuIdCount; ++i)
        if (EcuIds[i].RomId == romId) {
            index = i;
            return true;
        }
    return false;
}

void ApplyEcuAdjustments(int e, TParamSet& supported)
{
    auto listed = [e](const std::vector<int>& list) {
        return std::find(list.begin(), list.end(), e) != list.end();
    };
    if (listed(MapThrotAnEcus)) {
        supported.set(epMap);
        supported.set(epThrotAn);
    }
    if (listed(TimeStampEcus))
        for (int p = epGearManTS; p <= epUC4TS; ++p)
            supported.set(p);
    for (const TAddressOverride& o : AddressOverrides) {
        if (!listed(o.EcuIndices)) continue;
        TParamDef& d = ParamDefs[o.Param];
        if (o.TwoBytes) {
            d.HighAddress = o.Address;
            d.LowAddress = o.Address + 1;
        } else {
            d.LowAddress = o.Address;
        }
        supported.set(o.Param);
    }
}
