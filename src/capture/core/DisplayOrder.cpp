#include "DisplayOrder.h"

// clang-format off
const std::array<TEcuParam, EcuParamCount> DisplayOrder = {
    epEngspd, epThrotAn, epEngload, epPrictrl, epSecCtrl, epMap, epMrp, epPresDiff, epIgntim,
    epKnockcor, epFuelLookup2002, epFuelLookupIntermediate2004, epFuelLookupFinal2004,
    epFuelLookupFinal2002, epFinjpw, epFinjpw2, epAFS1, epAFS2, epEGT, epEngLoad99, epEngLoad2002,
    epEngLoad2004, epAdvMult99, epAdvMult2002, epAdvMult2004, epIgnMergeK, epIgnAP2002,
    epIgnAP2004, epIgnAK2002, epIgnAK2004, epIgnAT2002, epIgnAT2004, epBoostErr2002,
    epBoostErr2004, epWgTDProp2002, epWgTDIntNeg2002, epWgTDIntPos2002, epWgIntSum2002,
    epWgInitial2002, epWgInitial2004, epWgMax2002, epWgMax2004, epTDBoostErr2002, epGearManTS,
    epRawRPMTS, epRawVehSpdTS, epUC1TS, epUC2TS, epUC3TS, epUC4TS, epApres, epCooltemp, epAirTemp,
    epOilTemp, epVehspd, epDiffPSV, epMafGS, epBatvolt, epMaf, epThrot, epVVTAAAR, epVVTAAAL,
    epeVVTAAAR, epeVVTAAAL, epVvlLiftMd, epAfc, epAfc2, epAFC3, epAFC4, epAFLearn, epAFLearn2,
    epAFL3, epAFL4, epAFHCur1, epAFHCur2, epAFS1Cur, epAFS2Cur, epAFS1Res, epAFS2Res, epAFLeanCo,
    epAFHDuty, epAFAdjV, epFrnto21, epFrnto22, epRearO21, epFo2H1Cur, epFo2H2Cur, epRo2HCur,
    epRo2HeatV, epCOAdjust, epLIgnTim, epCPCDuty, epTGNPosR, epTGNPosL, epISCVDuty, epIscvstep,
    epAccOpAng, epThrMoDu, epThrMotV, epSubThrot, epMainThrot, epSubAcc, epMainAcc, epFPDuty,
    epFTPress, epFuelLvl, epFuelTemp, epFlPressHi, epFuelLvlR, epOdo, epFTAPress, epOCVDutyR,
    epOCVDutyL, epOCVCurR, epOCVCurL, epeOCVDutyR, epeOCVDutyL, epeOCVCurR, epeOCVCurL, epOsvDutyR,
    epOsvDutyL, epOSVCurR, epOSVCurL, epEGRSteps, epAltDuty, epGearPos, epBrkBoost, epColdStIj,
    epSCVstep, epMemCruSpd, epRoughMon1, epRoughMon2, epRoughMon3, epRoughMon4, epRoughMon5,
    epRoughMon6, ep13_4, ep17_7, ep17_6, ep17_4, ep17_3, ep17_2, ep17_1, ep17_0, ep18_7, ep18_6,
    ep18_5, ep18_2, ep18_1, ep18_0, ep19_7, ep19_6, ep19_3, ep19_2, ep19_1, ep19_0, ep41_0, ep43_7,
    ep43_6, ep43_5, epignret, epidle, epidleac, epDiagCtrlBits, epDiagIgnAdd, epDiagIgnLearnScale,
    epDiagBoostAdd, epDiagDutyScale, epDiagRevLimAdd, epDiagFuelScale, epDiagVVTAdd, epv1RPMdiv25,
    epv2v3RPMdiv25, epv1AccDutyCompMult, epv2v3AccDutyCompMult, epv1PosNegAcc, epv2v3PosNegAcc,
    epv1PosAcc, epv2v3PosAcc, epv1DesiredBoost, epv2v3DesiredBoost, epv1BoostMapVal,
    epv2v3BoostMapVal, epv1v2v3ManAbsPressure, epv1MaxDutyMapVal, epv2v3MaxDutyMapVal,
    epv1AtmPressBoostCompMult, epv2v3AtmPressBoostCompMult, epv1AirTempDutyCompMult,
    epv2v3AirTempDutyCompMult, epv1AtmPressDutyCompMult, epv2v3AtmPressDutyCompMult,
    epv1AirTempBoostCompMult, epv2v3AirTempBoostCompMult, epv1VehSpdDiv2, epv2VehSpdDiv2,
    epv1v2v3UnscaledMAP
};
// clang-format on
