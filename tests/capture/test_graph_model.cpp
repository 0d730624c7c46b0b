#include "GraphModel.h"
#include "TestPrint.h"

#include "EcuConstData.h"

#include <gtest/gtest.h>

namespace {

constexpr int Lj0Code = ChannelSourceBase + lj0;

TGraphSources Sources(int a, int b)
{
    TGraphSources g;
    g.A.Source = a;
    g.B.Source = b;
    return g;
}

// Five supported parameters and one channel; menu order:
// epEngspd, epThrotAn, epEngload, epMap, epCooltemp, lj0.
class GraphModel : public ::testing::Test {
  protected:
    void SetUp() override
    {
        for (int p : {epEngload, epCooltemp, epMap, epEngspd, epThrotAn})
            M.Supported.set(p);
        M.Available.set(lj0);
    }
    void ClearFlags()
    {
        for (TGraphSources& g : M.Graphs)
            g.A.Clear = g.B.Clear = false;
    }
    QString Caption(int graph)
    {
        return M.Caption(
            graph, Units, [](int ch) { return QStringLiteral("Chan%1").arg(ch); },
            [](int) { return QStringLiteral("V"); });
    }

    TGraphModel M;
    TDisplayUnits Units;
};

TEST_F(GraphModel, MenuListsSupportedParametersInDisplayOrderThenChannels)
{
    EXPECT_EQ(M.MenuCodes(),
              (std::vector<int>{epEngspd, epThrotAn, epEngload, epMap, epCooltemp, Lj0Code}));
    for (auto [item, breaks] : {std::pair{1, false},
                                {2, false},
                                {16, false},
                                {17, true},
                                {18, false},
                                {32, false},
                                {33, true},
                                {49, true}})
        EXPECT_EQ(TGraphModel::MenuColumnBreak(item), breaks) << "item " << item;

    TParamSet analogue;
    analogue.set(epThrotAn);
    EXPECT_TRUE(M.MenuItemEnabled(epThrotAn, analogue));
    EXPECT_FALSE(M.MenuItemEnabled(epEngspd, analogue)); // supported but not requested
    EXPECT_TRUE(M.MenuItemEnabled(Lj0Code, analogue));
    EXPECT_FALSE(M.MenuItemEnabled(ChannelSourceBase + lj1, analogue)); // not available
    EXPECT_FALSE(M.MenuItemEnabled(FreeSource, analogue));

    M.Graphs[1] = Sources(epMap, Lj0Code);
    EXPECT_TRUE(M.MenuItemChecked(1, epMap));
    EXPECT_TRUE(M.MenuItemChecked(1, Lj0Code));
    EXPECT_FALSE(M.MenuItemChecked(0, epMap));
    EXPECT_FALSE(M.MenuItemChecked(1, FreeSource));
}

TEST_F(GraphModel, NewItemsTakeTheFreeTraceAThenB)
{
    M.MenuItemClick(0, epEngload);
    EXPECT_EQ(M.Graphs[0].A.Source, epEngload);
    EXPECT_TRUE(M.Graphs[0].A.Clear);
    EXPECT_TRUE(M.Graphs[0].B.IsFree());

    ClearFlags();
    M.MenuItemClick(0, epEngspd); // earlier in the menu, still goes to the free trace
    EXPECT_EQ(M.Graphs[0].A.Source, epEngload);
    EXPECT_FALSE(M.Graphs[0].A.Clear); // kept item keeps its trace and its points
    EXPECT_EQ(M.Graphs[0].B.Source, epEngspd);
    EXPECT_TRUE(M.Graphs[0].B.Clear);

    // Trace A removed: the next new item takes A although B is in use.
    ClearFlags();
    M.MenuItemClick(0, epEngload);
    EXPECT_TRUE(M.Graphs[0].A.IsFree());
    EXPECT_TRUE(M.Graphs[0].A.Clear);
    EXPECT_EQ(M.Graphs[0].B.Source, epEngspd);
    EXPECT_FALSE(M.Graphs[0].B.Clear);
    M.MenuItemClick(0, Lj0Code);
    EXPECT_EQ(M.Graphs[0].A.Source, Lj0Code);
    EXPECT_EQ(M.Graphs[0].B.Source, epEngspd);

    // Other graphs untouched.
    for (int g = 1; g < GraphCount; ++g)
        EXPECT_TRUE(M.Graphs[g].A.IsFree() && M.Graphs[g].B.IsFree());
}

TEST_F(GraphModel, ThirdItemReplacesTheFirstInMenuOrder)
{
    // Trace A holds the later menu item: menu order decides what goes, not trace order.
    M.Graphs[2] = Sources(epCooltemp, epThrotAn);
    M.MenuItemClick(2, epMap);
    EXPECT_EQ(M.Graphs[2].A.Source, epCooltemp);
    EXPECT_FALSE(M.Graphs[2].A.Clear);
    EXPECT_EQ(M.Graphs[2].B.Source, epMap);
    EXPECT_TRUE(M.Graphs[2].B.Clear);

    ClearFlags();
    M.Graphs[2] = Sources(epThrotAn, epCooltemp);
    M.MenuItemClick(2, epEngspd);
    EXPECT_EQ(M.Graphs[2].A.Source, epEngspd);
    EXPECT_TRUE(M.Graphs[2].A.Clear);
    EXPECT_EQ(M.Graphs[2].B.Source, epCooltemp);
    EXPECT_FALSE(M.Graphs[2].B.Clear);

    // Removing the last item leaves both free.
    M.MenuItemClick(2, epEngspd);
    M.MenuItemClick(2, epCooltemp);
    EXPECT_TRUE(M.Graphs[2].A.IsFree());
    EXPECT_TRUE(M.Graphs[2].B.IsFree());
    EXPECT_TRUE(M.Graphs[2].B.Clear);
}

TEST_F(GraphModel, BothTracesOnOneSourceCountAsOne)
{
    M.Graphs[0] = Sources(epMap, epMap);
    M.MenuItemClick(0, epEngspd);
    EXPECT_EQ(M.Graphs[0].A.Source, epMap);
    EXPECT_EQ(M.Graphs[0].B.Source, epEngspd);
}

TEST_F(GraphModel, UntickingFreesEveryTraceShowingTheItem)
{
    M.Graphs[0] = Sources(epMap, epEngspd);
    M.Graphs[2] = Sources(epThrotAn, epMap);
    M.Graphs[3] = Sources(Lj0Code, epEngload);
    std::vector<int> changed;
    M.FreeParam(epMap, &changed);
    EXPECT_EQ(changed, (std::vector<int>{0, 2}));
    EXPECT_TRUE(M.Graphs[0].A.IsFree() && M.Graphs[0].A.Clear);
    EXPECT_EQ(M.Graphs[0].B.Source, epEngspd);
    EXPECT_TRUE(M.Graphs[2].B.IsFree() && M.Graphs[2].B.Clear);
    EXPECT_EQ(Caption(0), ParamDefs[epEngspd].Name + " (rpm)");

    changed.clear();
    M.FreeChannel(lj0, &changed);
    EXPECT_EQ(changed, (std::vector<int>{3}));
    EXPECT_TRUE(M.Graphs[3].A.IsFree());
    M.FreeParam(epEngspd, nullptr);
    EXPECT_EQ(Caption(0), "<Unused Graph>");
}

TEST_F(GraphModel, CaptionsAndFreeingOfSourcesThatCannotBeShown)
{
    Units.Temp = true;
    M.Graphs[0] = Sources(epCooltemp, Lj0Code);
    M.Graphs[1] = Sources(FreeSource, epEngspd);
    M.Graphs[2] = Sources(epVehspd, ChannelSourceBase + lj1); // unsupported, unavailable
    EXPECT_EQ(Caption(0), ParamDefs[epCooltemp].Name + " (\u00B0F) and Chan16 (V)");
    EXPECT_EQ(Caption(1), ParamDefs[epEngspd].Name + " (rpm)");
    EXPECT_EQ(Caption(2), "<Unused Graph>");
    EXPECT_TRUE(M.Graphs[2].A.IsFree());
    EXPECT_TRUE(M.Graphs[2].B.IsFree());
    EXPECT_EQ(Caption(3), "<Unused Graph>");
}

TEST(GraphStoredForm, EncodeAndDecode)
{
    struct Case {
        TGraphSources G;
        int Stored;
    };
    const Case cases[] = {
        {Sources(epEngspd, FreeSource), 0xFF07},
        {Sources(epEngspd, Lj0Code), 0x07 | (Lj0Code << 8)},
        {Sources(FreeSource, epThrotAn), 0xFF0C}, // lone trace B stored as A
        {Sources(FreeSource, FreeSource), 0xFFFF},
        {Sources(0, FreeSource), 0xFF00}, // parameter 0 is not "free"
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TGraphModel::Encode(c.G), c.Stored);
        const TGraphSources d = TGraphModel::Decode(c.Stored);
        const TGraphSources expect = c.G.A.IsFree() ? Sources(c.G.B.Source, FreeSource) : c.G;
        EXPECT_EQ(d.A.Source, expect.A.Source) << std::hex << c.Stored;
        EXPECT_EQ(d.B.Source, expect.B.Source) << std::hex << c.Stored;
    }
    // Codes that name nothing read as free; a lone B (hand-edited) comes back as A.
    const TGraphSources odd = TGraphModel::Decode(0x0CF5);
    EXPECT_EQ(odd.A.Source, epThrotAn);
    EXPECT_TRUE(odd.B.IsFree());
    EXPECT_TRUE(TGraphModel::Decode(-1).A.IsFree());
}

TEST_F(GraphModel, InitialAssignmentFillsGraphsWithNothingValid)
{
    // Graph 1 stored free (0xFFFF), graph 2 showing engine speed, graph 3 an unsupported
    // parameter.
    M.Graphs[0] = TGraphModel::Decode(0xFFFF);
    M.Graphs[1] = Sources(epEngspd, FreeSource);
    M.Graphs[2] = Sources(epVehspd, FreeSource);
    TParamSet ticked;
    ticked.set(epEngload).set(epEngspd).set(epThrotAn).set(epMap).set(epCooltemp);
    M.InitialAssign(ticked);
    // Index order: epEngload(0), epCooltemp(1), epMap(6), epEngspd(7), epThrotAn(12).
    EXPECT_EQ(M.Graphs[0].A.Source, epEngload);
    EXPECT_EQ(M.Graphs[1].A.Source, epEngspd); // stored trace kept
    EXPECT_EQ(M.Graphs[2].A.Source, epCooltemp);
    EXPECT_EQ(M.Graphs[3].A.Source, epMap);
    for (const TGraphSources& g : M.Graphs)
        EXPECT_TRUE(g.B.IsFree());
}

TEST_F(GraphModel, InitialAssignmentKeepsAValidStoredTraceB)
{
    M.Graphs[0] = Sources(epVehspd, epThrotAn); // trace A no longer supported
    TParamSet ticked;
    ticked.set(epEngload).set(epCooltemp);
    M.InitialAssign(ticked);
    EXPECT_EQ(M.Graphs[0].A.Source, epThrotAn);
    EXPECT_TRUE(M.Graphs[0].B.IsFree());
    EXPECT_EQ(M.Graphs[1].A.Source, epEngload);
    EXPECT_EQ(M.Graphs[2].A.Source, epCooltemp);
    EXPECT_TRUE(M.Graphs[3].A.IsFree());

    // An engine speed that a stored graph shows may appear twice; unticked parameters don't.
    TGraphModel twice = M;
    twice.Graphs = {};
    twice.Graphs[0] = Sources(epEngspd, FreeSource);
    TParamSet engspd;
    engspd.set(epEngspd);
    twice.InitialAssign(engspd);
    EXPECT_EQ(twice.Graphs[1].A.Source, epEngspd);
    EXPECT_TRUE(twice.Graphs[2].A.IsFree());
}

TEST(GraphTime, AxisShowsTheLastTenSecondsAndEverythingKept)
{
    EXPECT_DOUBLE_EQ(TimeAxisMinimum(100, {}), 90);
    EXPECT_DOUBLE_EQ(TimeAxisMinimum(100, {95, 97}), 90); // few points: still 10 seconds
    EXPECT_DOUBLE_EQ(TimeAxisMinimum(100, {95, 50}), 50);
    EXPECT_DOUBLE_EQ(TimeAxisMinimum(3, {0.5}), -7);
}

} // namespace
