#include "TuningLogic.h"

#include "AdjustCodings.h"
#include "GenFuncs.h"

std::optional<TTuneGroups> TTuningLogic::CheckSupport(const TByteArray& data, bool camTiming)
{
    if (data.size() != 2 || data[0] != 0x55) return std::nullopt;
    const uint8_t mask = data[1];
    TTuneGroups g;
    g.Idle = BitTest(mask, 0);
    g.RevLimit = BitTest(mask, 1);
    g.IgnAdd = BitTest(mask, 2);
    g.Learning = BitTest(mask, 3);
    g.Boost = BitTest(mask, 4);
    if (camTiming) {
        g.Duty = BitTest(mask, 4);
        g.VVT = g.VVTAngle = BitTest(mask, 5);
    } else {
        g.Duty = BitTest(mask, 5);
    }
    g.Fuel = BitTest(mask, 6);
    g.Maps = BitTest(mask, 7);
    return g;
}

TParamSet TTuningLogic::PollParams()
{
    TParamSet p;
    for (TEcuParam e :
         {epMap, epEngspd, epIgntim, epFinjpw, epKnockcor, epPrictrl, epVVTAAAR, epVVTAAAL, epidle,
          epidleac, epDiagCtrlBits, epDiagIgnAdd, epDiagIgnLearnScale, epDiagBoostAdd,
          epDiagDutyScale, epDiagRevLimAdd, epDiagFuelScale, epDiagVVTAdd})
        p.set(e);
    return p;
}

TSwitchSet TTuningLogic::PollSwitches()
{
    TSwitchSet s;
    s.set(esDutySw).set(esBoostSw).set(esValet);
    return s;
}

TTuneStep TTuningLogic::TuningStep(const TTuneValues& v)
{
    auto write = [](uint32_t address, uint8_t value) { return TTuneStep{false, address, value}; };
    if (Pending[tiIdle]) {
        Pending.reset(tiIdle);
        return write(AdjustAddr::Idle, IdleByte(v.Idle));
    }
    if (Pending[tiIdleAC]) {
        Pending.reset(tiIdleAC);
        return write(AdjustAddr::IdleAC, IdleByte(v.IdleAC));
    }
    if (SelectionPending()) {
        Pending.reset(tiRevLimOpt).reset(tiBoostMap).reset(tiDutyMap);
        return write(AdjustAddr::ControlBits, ControlByte(v.DutyMapB, v.BoostMapB, v.RevLimitB));
    }
    if (Pending[tiRevAdjust]) {
        Pending.reset(tiRevAdjust);
        return write(AdjustAddr::RevAdjust, RevAdjustByte(v.RevAdjust));
    }
    if (Pending[tiIgnAdd]) {
        Pending.reset(tiIgnAdd);
        return write(AdjustAddr::IgnAdd, IgnAddByte(v.IgnAdd));
    }
    if (Pending[tiLearnScaling]) {
        Pending.reset(tiLearnScaling);
        return write(AdjustAddr::LearnScaling, ScalingByte(v.LearnScaling));
    }
    if (Pending[tiFuelScaling]) {
        Pending.reset(tiFuelScaling);
        return write(AdjustAddr::FuelScaling, ScalingByte(v.FuelScaling));
    }
    if (Pending[tiDutyScale]) {
        Pending.reset(tiDutyScale);
        return write(AdjustAddr::DutyScale, ScalingByte(v.DutyScale));
    }
    if (Pending[tiBoostAdd]) {
        Pending.reset(tiBoostAdd);
        return write(AdjustAddr::BoostAdd, BoostAddByte(v.BoostAdd));
    }
    if (Pending[tiVVTAdd]) {
        Pending.reset(tiVVTAdd);
        return write(AdjustAddr::VVTAdd, VVTAddByte(v.VVTAdd));
    }
    return TTuneStep{};
}

TTuneValues TTuningLogic::ValuesFromReply(const TParamRaw& raw, const TSwitchSet& present,
                                          const TSwitchSet& on, const TTuneValues& current)
{
    TTuneValues v = current;
    v.Idle = IdleRpm(raw[epidle]);
    v.IdleAC = IdleRpm(raw[epidleac]);
    v.RevAdjust = RevAdjustRpm(raw[epDiagRevLimAdd]);
    v.IgnAdd = IgnAddDegrees(raw[epDiagIgnAdd]);
    v.LearnScaling = ScalingPercent(raw[epDiagIgnLearnScale]);
    v.FuelScaling = ScalingPercent(raw[epDiagFuelScale]);
    v.DutyScale = ScalingPercent(raw[epDiagDutyScale]);
    v.BoostAdd = BoostAddBar(raw[epDiagBoostAdd]);
    v.VVTAdd = VVTAddDegrees(raw[epDiagVVTAdd]);
    if (present.test(esValet)) v.RevLimitB = on.test(esValet);
    if (present.test(esDutySw)) v.DutyMapB = on.test(esDutySw);
    if (present.test(esBoostSw)) v.BoostMapB = on.test(esBoostSw);
    return v;
}
