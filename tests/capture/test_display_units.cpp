#include "DisplayUnits.h"
#include "TableOverride.h"
#include "TestPrint.h"

#include "EcuConstData.h"
#include "SetOf.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayUnits, NamesAndUnitsFollowTheOptions)
{
    TDisplayUnits plain;
    for (int p : {epFinjpw, epCooltemp, epMap, epAFS1, epVehspd}) {
        EXPECT_EQ(plain.ParamName(p), ParamDefs[p].Name);
        EXPECT_EQ(plain.ParamUnits(p), ParamDefs[p].Units);
    }

    TDisplayUnits all;
    all.InjDuty = all.Temp = all.Pressure = all.Oxygen = true;
    all.Speed = vsMPH;
    EXPECT_EQ(all.ParamName(epFinjpw), "Fuel Injection #1 Duty");
    EXPECT_EQ(all.ParamName(epFinjpw2), "Fuel Injection #2 Duty");
    EXPECT_EQ(all.ParamName(epCooltemp), ParamDefs[epCooltemp].Name);
    struct Case {
        int Param;
        QString Units;
    };
    for (const Case& c :
         {Case{epFinjpw, "%"}, Case{epFinjpw2, "%"}, Case{epCooltemp, "\u00B0F"},
          Case{epAirTemp, "\u00B0F"}, Case{epEGT, "\u00B0F"}, Case{epFuelTemp, "\u00B0F"},
          Case{epMap, "Bar"}, Case{epMrp, "Bar"}, Case{epApres, "Bar"}, Case{epPresDiff, "Bar"},
          Case{epAFS1, "AFR"}, Case{epAFS2, "AFR"}, Case{epVehspd, "mph"},
          Case{epEngspd, ParamDefs[epEngspd].Units}})
        EXPECT_EQ(all.ParamUnits(c.Param), c.Units) << "param " << c.Param;

    // Only the two mph items rename the unit; the speedo-converter km/h keeps it.
    TDisplayUnits speed;
    for (auto [unit, text] :
         {std::pair{vsKMH, ParamDefs[epVehspd].Units},
          std::pair{vsKMHSC, ParamDefs[epVehspd].Units}, std::pair{vsMPH, QString("mph")},
          std::pair{vsMPHSC, QString("mph")}}) {
        speed.Speed = unit;
        EXPECT_EQ(speed.ParamUnits(epVehspd), text) << "speed unit " << unit;
    }
}

TEST(DisplayUnits, ConversionsApplyOnlyToReceivedParameters)
{
    struct Case {
        const char* What;
        TDisplayUnits Units;
        int Param;
        double In;
        TParamSet Received;
        double Out;
    };
    TDisplayUnits duty, temp, bar, afr, mph, kmhsc, mphsc, kmh;
    duty.InjDuty = true;
    temp.Temp = true;
    bar.Pressure = true;
    afr.Oxygen = true;
    mph.Speed = vsMPH;
    kmhsc.Speed = vsKMHSC;
    mphsc.Speed = vsMPHSC;
    kmh.Speed = vsKMH;
    const Case cases[] = {
        {"duty with engine speed", duty, epFinjpw2, 2.0, Set({epFinjpw2, epEngspd}), 5.0},
        {"duty without engine speed stays ms", duty, epFinjpw, 2.0, Set({epFinjpw}), 2.0},
        {"fahrenheit", temp, epCooltemp, 90, Set({epCooltemp}), 194.0},
        {"fahrenheit below zero", temp, epAirTemp, -40, Set({epAirTemp}), -40.0},
        {"fahrenheit not received", temp, epEGT, 90, Set({epCooltemp}), 90.0},
        {"bar", bar, epPresDiff, 10, Set({epPresDiff}), 0.6895},
        {"afr", afr, epAFS2, 1.0, Set({epAFS2}), 14.7},
        {"mph", mph, epVehspd, 100, Set({epVehspd}), 62.5},
        {"km/h speedo converter", kmhsc, epVehspd, 100, Set({epVehspd}), 160},
        {"mph speedo converter", mphsc, epVehspd, 100, Set({epVehspd}), 100},
        {"km/h", kmh, epVehspd, 100, Set({epVehspd}), 100},
        {"no option touches engine speed", temp, epEngspd, 3000, Set({epEngspd}), 3000},
    };
    for (const Case& c : cases) {
        TParamValues values{};
        values[epEngspd] = 3000; // present in the array even when not received
        values[c.Param] = c.In;
        c.Units.ApplyConversions(values, c.Received);
        EXPECT_DOUBLE_EQ(values[c.Param], c.Out) << c.What;
        if (c.Param != epEngspd) {
            EXPECT_EQ(values[epEngspd], 3000) << c.What;
        }
    }
}

TEST(DisplayUnits, FormatsConvertedValuesAsTheWindowShowsThem)
{
    TDisplayUnits temp;
    temp.Temp = true;
    TParamValues values{};
    values[epCooltemp] = 90;
    temp.ApplyConversions(values, Set({epCooltemp}));
    EXPECT_EQ(temp.FormatParam(epCooltemp, values[epCooltemp]), "194.0");
    EXPECT_EQ(temp.FormatParam(epEngspd, 2450.4), "2450");
}

using DisplayUnitsDecimals = TableOverride;

TEST_F(DisplayUnitsDecimals, BarAlwaysHasTwoDecimals)
{
    for (int p : {epMap, epMrp, epApres, epPresDiff})
        ParamDefs[p].Decimals = 0;
    ParamDefs[epCooltemp].Decimals = 0;
    TDisplayUnits units;
    EXPECT_EQ(units.FormatParam(epMap, 14.5), "14");
    units.Pressure = true;
    for (int p : {epMap, epMrp, epApres, epPresDiff}) {
        EXPECT_EQ(units.ParamDecimals(p), 2);
        EXPECT_EQ(units.FormatParam(p, 14.5 * 0.06895), "1.00");
    }
    EXPECT_EQ(units.FormatParam(epCooltemp, 90.4), "90"); // other parameters keep theirs
}

} // namespace
