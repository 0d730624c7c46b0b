#include "DashBoardSettings.h"

#include "Settings.h"

#include <QTemporaryDir>

#include <tuple>

#include <gtest/gtest.h>

namespace {

class DashBoardSettings : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        Store().Open(FDir.filePath(QStringLiteral("settings.ini")));
    }
    TSettingsStore& Store() { return TSettingsStore::Instance(); }
    TDashBoardSettings S{TSettingsStore::Instance()};

  private:
    QTemporaryDir FDir;
};

TEST_F(DashBoardSettings, DefaultsWhenNothingIsStored)
{
    TDashBoardSelection sel;
    sel.Analogue.set(epEngspd); // ticked by creation
    TParamSet supported;
    supported.set(epEngspd).set(epThrotAn);
    S.LoadSelection(sel, supported, TSwitchSet().set(esDefogSw), TSensorChannels().set(lj0));
    EXPECT_EQ(sel.Analogue, TParamSet().set(epEngspd));
    EXPECT_TRUE(sel.Digital.none());
    EXPECT_TRUE(sel.External.none());
    EXPECT_EQ(S.LoadCaptureInterval(), 100);
    EXPECT_EQ(S.LoadDataPoints(), 500);
    bool defog = true, throttle = true;
    S.LoadTriggers(defog, throttle);
    EXPECT_FALSE(defog);
    EXPECT_FALSE(throttle);
    TGraphModel model;
    model.Graphs[0].A.Source = epEngspd;
    S.LoadGraphs(model);
    for (const TGraphSources& g : model.Graphs)
        EXPECT_TRUE(g.A.IsFree() && g.B.IsFree());
    TDisplayUnits units;
    S.LoadUnits(units);
    EXPECT_FALSE(units.InjDuty || units.Temp || units.Pressure || units.Oxygen);
    EXPECT_EQ(units.Speed, vsNone);
}

TEST_F(DashBoardSettings, StoredValuesThatWouldStopCaptureReadAsUsable)
{
    // A window of 0 points empties every graph and a negative one hangs the first reply; an
    // interval of 0 never ticks and a negative one polls without a pause.
    const std::tuple<int, int, int, int> cases[] = {
        // stored points, stored interval, points read, interval read
        {0, 0, 500, 20}, {-1, -5, 500, 20}, {1, 1, 1, 1}, {2000, 5000, 2000, 5000},
    };
    for (auto [points, interval, wantPoints, wantInterval] : cases) {
        S.SaveDataPoints(points);
        S.SaveCaptureInterval(interval);
        EXPECT_EQ(S.LoadDataPoints(), wantPoints) << points;
        EXPECT_EQ(S.LoadCaptureInterval(), wantInterval) << interval;
    }
}

TEST_F(DashBoardSettings, SelectionRoundTripTouchesOnlySupportedItems)
{
    TParamSet supported;
    supported.set(epEngspd).set(epThrotAn).set(epCooltemp);
    const TSwitchSet supportedSw = TSwitchSet().set(esDefogSw).set(esIdle);
    const TSensorChannels available = TSensorChannels().set(lj0);

    TDashBoardSelection saved;
    saved.Analogue.set(epThrotAn).set(epVehspd); // epVehspd unsupported: not written
    saved.Digital.set(esIdle);
    saved.External.set(lj0);
    S.SaveSelection(saved, supported, supportedSw, available);

    const QString analogue = TDashBoardSettings::Key("Analogue");
    EXPECT_EQ(Store().ValueNames(analogue).size(), 3);
    EXPECT_FALSE(Store().ReadBool(analogue, QString::number(epEngspd), true));
    EXPECT_TRUE(Store().ReadBool(analogue, QString::number(epThrotAn)));
    EXPECT_FALSE(Store().ValueExists(analogue, QString::number(epVehspd)));

    TDashBoardSelection loaded;
    loaded.Analogue.set(epEngspd).set(epMap); // epMap unsupported: its tick is not ours
    S.LoadSelection(loaded, supported, supportedSw, available);
    EXPECT_EQ(loaded.Analogue, TParamSet().set(epThrotAn).set(epMap));
    EXPECT_EQ(loaded.Digital, TSwitchSet().set(esIdle));
    EXPECT_EQ(loaded.External, TSensorChannels().set(lj0));
}

TEST_F(DashBoardSettings, ScalarsGraphsAndUnitsRoundTrip)
{
    S.SaveCaptureInterval(150); // no rate item offers it; still used
    S.SaveDataPoints(50);
    S.SaveTriggers(false, true);
    TGraphModel model;
    model.Graphs[0].A.Source = epEngspd;
    model.Graphs[1].B.Source = ChannelSourceBase + lj0; // lone B
    S.SaveGraphs(model);
    TDisplayUnits units;
    units.Temp = units.Oxygen = true;
    units.Speed = vsKMHSC;
    S.SaveUnits(units);

    EXPECT_EQ(S.LoadCaptureInterval(), 150);
    EXPECT_EQ(S.LoadDataPoints(), 50);
    bool defog = true, throttle = false;
    S.LoadTriggers(defog, throttle);
    EXPECT_FALSE(defog);
    EXPECT_TRUE(throttle);

    const QString graph = TDashBoardSettings::Key("Graph");
    EXPECT_EQ(Store().ReadInteger(graph, "Graph1"), 0xFF07);
    EXPECT_EQ(Store().ReadInteger(graph, "Graph2"), 0xFF00 | (ChannelSourceBase + lj0));
    EXPECT_EQ(Store().ReadInteger(graph, "Graph3"), 0xFFFF);
    TGraphModel loaded;
    S.LoadGraphs(loaded);
    EXPECT_EQ(loaded.Graphs[0].A.Source, epEngspd);
    EXPECT_EQ(loaded.Graphs[1].A.Source, ChannelSourceBase + lj0); // restored as trace A
    EXPECT_TRUE(loaded.Graphs[1].B.IsFree());

    TDisplayUnits back;
    S.LoadUnits(back);
    EXPECT_TRUE(back.Temp && back.Oxygen);
    EXPECT_FALSE(back.InjDuty || back.Pressure);
    EXPECT_EQ(back.Speed, vsKMHSC);
    const QString unitsKey = TDashBoardSettings::Key("Units");
    EXPECT_TRUE(Store().ReadBool(unitsKey, "VehSpdKMHSC"));
    EXPECT_FALSE(Store().ReadBool(unitsKey, "VehSpdKMH", true));

    // Several speed items stored true (edited by hand): the last in menu order wins.
    Store().WriteBool(unitsKey, "VehSpdMPH", true);
    Store().WriteBool(unitsKey, "VehSpdMPHSC", true);
    TDisplayUnits last;
    S.LoadUnits(last);
    EXPECT_EQ(last.Speed, vsMPHSC);
}

TEST_F(DashBoardSettings, KeysLieUnderTheDashboardRoot)
{
    S.SaveCaptureInterval(200);
    EXPECT_EQ(Store().ReadInteger("SOFTWARE/Morvane/Quillon/Dashboard/Capture",
                                  "CaptureIntervalMilliseconds"),
              200);
}

} // namespace
