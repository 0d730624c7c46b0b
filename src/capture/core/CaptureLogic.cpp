#include "CaptureLogic.h"

#include "DisplayOrder.h"
#include "EcuConstData.h"

void TValueStats::Reset()
{
    *this = TValueStats();
}

unsigned TValueStats::Update(double v)
{
    unsigned changed = 0;
    if (v != LastShown) {
        LastShown = v;
        changed |= CurChanged;
    }
    if (v > MaxValue) {
        MaxValue = v;
        changed |= MaxChanged;
    }
    if (v < MinValue) {
        MinValue = v;
        changed |= MinChanged;
    }
    return changed;
}

TTriggerAction DefogTrigger(bool checked, bool logging, const TSwitchSet& present,
                            const TSwitchSet& on)
{
    if (!checked || !present.test(esDefogSw)) return TTriggerAction::None;
    const bool defogOn = on.test(esDefogSw);
    if (!logging && defogOn) return TTriggerAction::Start;
    if (logging && !defogOn) return TTriggerAction::Stop;
    return TTriggerAction::None;
}

TTriggerAction ThrottleTrigger(bool checked, bool logging, const TParamSet& received,
                               const TParamValues& values)
{
    if (!checked || !received.test(epThrotAn)) return TTriggerAction::None;
    const double throttle = values[epThrotAn];
    if (!logging && throttle > 90) return TTriggerAction::Start;
    if (logging && throttle < 80) return TTriggerAction::Stop;
    return TTriggerAction::None;
}

int ParamSetBytes(const TParamSet& set)
{
    int bytes = 0;
    for (int p = 0; p < EcuParamCount; ++p)
        if (set.test(p)) bytes += ParamDefs[p].Size;
    return bytes;
}

TParamSet ParamsToUntick(const TParamSet& tickedSupported, int analogueSetBytes, int largestReply)
{
    const int target = analogueSetBytes - largestReply;
    TParamSet untick;
    int removed = 0;
    for (int p = EcuParamCount - 1; p >= 0 && removed < target; --p)
        if (tickedSupported.test(p)) {
            untick.set(p);
            removed += ParamDefs[p].Size;
        }
    return untick;
}

TParamSet DefaultSelection(const TParamSet& ticked, const TParamSet& supported)
{
    TParamSet result = ticked & supported;
    for (TEcuParam p : DisplayOrder) {
        if (result.count() >= 4) break;
        if (supported.test(p)) result.set(p);
    }
    // Ticks of unsupported parameters are not ours to drop.
    return result | ticked;
}

const std::array<TCaptureRate, 11> CaptureRates = {{
    {"Every 20ms", 20},
    {"Every 50ms", 50},
    {"Every 100ms", 100},
    {"Every 200ms", 200},
    {"Every 500ms", 500},
    {"Every second", 1000},
    {"Every 2 seconds", 2000},
    {"Every 5 seconds", 5000},
    {"Every 10 seconds", 10000},
    {"Every 30 seconds", 30000},
    {"Every minute", 60000},
}};
