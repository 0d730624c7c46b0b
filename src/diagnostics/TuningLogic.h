#pragma once

// What the live-tuning window does, without its widgets: the capability check, the order in
// which pending adjustments are written (one per step, then a poll), and the values a poll
// reply gives each control.

#include "EcuInterface.h"

#include <bitset>
#include <optional>

// The adjustment controls, in writing order. The three choices share one control byte.
enum TTuneItem : int {
    tiIdle = 0,
    tiIdleAC,
    tiRevLimOpt,
    tiBoostMap,
    tiDutyMap,
    tiRevAdjust,
    tiIgnAdd,
    tiLearnScaling,
    tiFuelScaling,
    tiDutyScale,
    tiBoostAdd,
    tiVVTAdd,
};
constexpr int TuneItemCount = 12;

// The controls' values, as the window holds them.
struct TTuneValues {
    int Idle = 0;
    int IdleAC = 0;
    bool RevLimitB = false; // "Adjust Rev Limit (B)" rather than the standard one
    bool BoostMapB = false;
    bool DutyMapB = false;
    int RevAdjust = 0;
    double IgnAdd = 0.0;
    int LearnScaling = 100;
    int FuelScaling = 100;
    int DutyScale = 100;
    double BoostAdd = 0.0;
    double VVTAdd = 0.0;
};

// The groups the ECU offers.
struct TTuneGroups {
    bool Idle = false, RevLimit = false, IgnAdd = false, Learning = false, Boost = false,
         Duty = false, VVT = false, VVTAngle = false, Fuel = false, Maps = false;
};

// One step of the cycle: a byte to write, or a poll.
struct TTuneStep {
    bool Poll = true;
    uint32_t Address = 0;
    uint8_t Value = 0;
};

class TTuningLogic {
  public:
    // Cam-timing ECUs give the capability bits 4 and 5 another meaning.
    static bool IsCamTimingEcu(int ecuIndex) { return ecuIndex == 58 || ecuIndex == 79; }
    // The reply to the capability read of 0x000076 and 0x000077: the groups offered, or
    // nothing when the ECU does not run the live-tuning software.
    static std::optional<TTuneGroups> CheckSupport(const TByteArray& data, bool camTiming);

    // What the poll reads.
    static TParamSet PollParams();
    static TSwitchSet PollSwitches();

    // The first pending item's write, its flag (all three for the control byte) cleared;
    // a poll when nothing is pending.
    TTuneStep TuningStep(const TTuneValues& values);

    // The values a poll reply gives the controls: each adjustment from its raw value (a
    // parameter missing from the reply counts as raw 0); each choice from its switch when
    // the switch is present, else as it was.
    static TTuneValues ValuesFromReply(const TParamRaw& raw, const TSwitchSet& present,
                                       const TSwitchSet& on, const TTuneValues& current);
    // Any of the three choices waiting to be written.
    bool SelectionPending() const
    {
        return Pending[tiRevLimOpt] || Pending[tiBoostMap] || Pending[tiDutyMap];
    }

    std::bitset<TuneItemCount> Pending;
};
