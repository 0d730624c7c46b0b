#pragma once

// Small decisions of the live-data window's capture cycle, kept out of the window so
// they can be checked on their own.
#include "EcuInterface.h"
#include "EcuTypes.h"

#include <array>

// The statistics of one parameter or channel row. The start values are outside every
// parameter's range, so the first value after a reset fills all three edits.
struct TValueStats {
    double LastShown = 10000, MinValue = 10000, MaxValue = -10000;
    void Reset();
    enum : unsigned { CurChanged = 1, MaxChanged = 2, MinChanged = 4 };
    // Takes the next value; returns which edits need their text rewritten. Edits are
    // written only on a change, which keeps the per-reply work small.
    unsigned Update(double v);
};

enum class TTriggerAction { None, Start, Stop };

// "&Trigger Logging on Defog Switch": acts only when esDefogSw is present in the reply.
TTriggerAction DefogTrigger(bool checked, bool logging, const TSwitchSet& present,
                            const TSwitchSet& on);
// "Trigger Logging on Full Throttle": acts only when epThrotAn was received; starts above 90,
// stops below 80, and leaves things alone in between.
TTriggerAction ThrottleTrigger(bool checked, bool logging, const TParamSet& received,
                               const TParamValues& values);

// Recovery from a request that never got a reply while the ECU had never answered one as
// large: the ticked parameters to untick, from index 196 down, until their sizes add up
// to at least analogueSetBytes - largestReply.
TParamSet ParamsToUntick(const TParamSet& tickedSupported, int analogueSetBytes, int largestReply);
// Total size in bytes of the parameters of the set.
int ParamSetBytes(const TParamSet& set);

// The default selection at window creation: while fewer than four supported parameters are
// ticked, tick the next unticked supported one in display order.
TParamSet DefaultSelection(const TParamSet& ticked, const TParamSet& supported);

// The "Capture &Rate" menu, in menu order.
struct TCaptureRate {
    const char* Caption;
    int IntervalMs;
};
extern const std::array<TCaptureRate, 11> CaptureRates;
