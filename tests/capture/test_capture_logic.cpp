#include "CaptureLogic.h"
#include "DisplayOrder.h"
#include "TableOverride.h"

#include "EcuConstData.h"
#include "SetOf.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(DisplayOrder, IsAPermutationOfEveryParameter)
{
    std::set<int> seen(DisplayOrder.begin(), DisplayOrder.end());
    EXPECT_EQ(seen.size(), size_t(EcuParamCount));
    EXPECT_EQ(*seen.begin(), 0);
    EXPECT_EQ(*seen.rbegin(), EcuParamCount - 1);
    EXPECT_EQ(DisplayOrder[0], epEngspd);
    EXPECT_EQ(DisplayOrder[1], epThrotAn);
    EXPECT_EQ(DisplayOrder[2], epEngload);
    EXPECT_EQ(DisplayOrder[50], epApres);
    EXPECT_EQ(DisplayOrder[170], epDiagVVTAdd);
    EXPECT_EQ(DisplayOrder[196], epv1v2v3UnscaledMAP);
}

TEST(ValueStats, RewritesOnlyWhatChanged)
{
    using S = TValueStats;
    struct Step {
        double V;
        unsigned Changed;
    };
    const Step steps[] = {
        {50, S::CurChanged | S::MaxChanged | S::MinChanged}, // first value after a reset
        {50, 0},                                             // same value: nothing rewritten
        {60, S::CurChanged | S::MaxChanged},
        {55, S::CurChanged},
        {40, S::CurChanged | S::MinChanged},
    };
    S stats;
    for (const Step& s : steps)
        EXPECT_EQ(stats.Update(s.V), s.Changed) << "value " << s.V;
    EXPECT_EQ(stats.MinValue, 40);
    EXPECT_EQ(stats.MaxValue, 60);
    EXPECT_EQ(stats.LastShown, 40);

    stats.Reset();
    EXPECT_EQ(stats.LastShown, 10000);
    EXPECT_EQ(stats.MinValue, 10000);
    EXPECT_EQ(stats.MaxValue, -10000);
    // The start values are sentinels: 10000 never sets the minimum (nor the current text,
    // which already "shows" 10000), -10000 never sets the maximum.
    EXPECT_EQ(stats.Update(10000), unsigned(S::MaxChanged));
    stats.Reset();
    EXPECT_EQ(stats.Update(20000), unsigned(S::CurChanged | S::MaxChanged));
    stats.Reset();
    EXPECT_EQ(stats.Update(-10000), unsigned(S::CurChanged | S::MinChanged));
}

TEST(LoggingTriggers, FullThrottleStartsAbove90AndStopsBelow80)
{
    TParamValues values{};
    const TParamSet received = Set({epThrotAn});
    bool logging = false;
    std::vector<TTriggerAction> actions;
    for (double throttle : {85.0, 95.0, 85.0, 90.0, 80.0, 79.0, 90.0, 90.5}) {
        values[epThrotAn] = throttle;
        const TTriggerAction a = ThrottleTrigger(true, logging, received, values);
        if (a == TTriggerAction::Start) logging = true;
        if (a == TTriggerAction::Stop) logging = false;
        actions.push_back(a);
    }
    using A = TTriggerAction;
    EXPECT_EQ(actions, (std::vector<A>{A::None, A::Start, A::None, A::None, A::None, A::Stop,
                                       A::None, A::Start}));

    values[epThrotAn] = 100;
    EXPECT_EQ(ThrottleTrigger(false, false, received, values), A::None);       // item unchecked
    EXPECT_EQ(ThrottleTrigger(true, false, Set({epEngspd}), values), A::None); // not received
    values[epThrotAn] = 0;
    EXPECT_EQ(ThrottleTrigger(true, true, Set({epEngspd}), values), A::None);
}

TEST(LoggingTriggers, DefogFollowsTheSwitchWhenPresent)
{
    using A = TTriggerAction;
    TSwitchSet present, on, none;
    present.set(esDefogSw);
    on.set(esDefogSw);
    struct Case {
        bool Checked, Logging;
        TSwitchSet Present, On;
        A Action;
    };
    const Case cases[] = {
        {true, false, present, on, A::Start}, // already on when the trigger is checked
        {true, true, present, on, A::None},
        {true, true, present, none, A::Stop},
        {true, false, present, none, A::None},
        {true, true, none, none, A::None}, // not in this reply: no decision
        {false, false, present, on, A::None},
        {false, true, present, none, A::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DefogTrigger(c.Checked, c.Logging, c.Present, c.On), c.Action)
            << c.Checked << c.Logging << c.Present.test(esDefogSw) << c.On.test(esDefogSw);
}

// Sizes are set here so the cases do not depend on the shipped table.
class UntickRecovery : public TableOverride {
  protected:
    void SetUp() override
    {
        for (int p = 0; p < EcuParamCount; ++p)
            ParamDefs[p].Size = 2;
        for (int p : {0, 1, 2, 3, 190, 196})
            ParamDefs[p].Size = 1;
        ParamDefs[100].Size = 4;
    }
    // 1+1+1+1 + 2*7 + 1+1 = 20.
    const TParamSet Ticked = Set({0, 1, 2, 3, 7, 11, 13, 150, 186, 187, 188, 190, 196});
};

TEST_F(UntickRecovery, UntickFromTheHighestIndexUntilEnoughBytesAreGone)
{
    ASSERT_EQ(ParamSetBytes(Ticked), 20);
    struct Case {
        int LargestReply;
        TParamSet Untick;
    };
    const Case cases[] = {
        {12, Set({196, 190, 188, 187, 186})}, // 1+1+2+2+2 = 8
        {19, Set({196})},
        {17, Set({196, 190, 188})}, // 2 bytes are not enough: 4
        {0, Ticked},                // never had a reply: everything
        {20, {}},
        {25, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParamsToUntick(Ticked, ParamSetBytes(Ticked), c.LargestReply), c.Untick)
            << "largest reply " << c.LargestReply;

    // A four-byte parameter counts four.
    const TParamSet withFloat = Set({7, 100, 196});
    EXPECT_EQ(ParamSetBytes(withFloat), 7);
    EXPECT_EQ(ParamsToUntick(withFloat, 7, 2), Set({196, 100}));
}

TEST_F(UntickRecovery, OnlyTickedParametersAreUnticked)
{
    // The analogue set may hold more than the ticked parameters (the throttle trigger adds
    // epThrotAn); that only raises the target.
    const TParamSet ticked = Set({7, 196});
    EXPECT_EQ(ParamsToUntick(ticked, ParamSetBytes(ticked) + 1, 0), ticked);
}

TEST(DefaultSelection, TopsUpToFourInDisplayOrder)
{
    const TParamSet supported = Set({epEngload, epCooltemp, epEngspd, epThrotAn, epMap, epVehspd});
    // Display order: epEngspd, epThrotAn, epEngload, ..., epMap, ... epCooltemp, epVehspd.
    EXPECT_EQ(DefaultSelection({}, supported), Set({epEngspd, epThrotAn, epEngload, epMap}));
    EXPECT_EQ(DefaultSelection(Set({epVehspd, epEngspd}), supported),
              Set({epVehspd, epEngspd, epThrotAn, epEngload}));
    const TParamSet four = Set({epVehspd, epCooltemp, epMap, epEngload});
    EXPECT_EQ(DefaultSelection(four, supported), four);
    // Fewer than four supported: all of them.
    EXPECT_EQ(DefaultSelection({}, Set({epCooltemp, epVehspd})), Set({epCooltemp, epVehspd}));
}

} // namespace
