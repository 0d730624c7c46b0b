#include "AD132.h"
#include "LabJack.h"

#include <QLibrary>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The fake driver library's own controls.
struct FakeLabJackLib {
    QLibrary Lib{QStringLiteral(FAKE_LJACKLM)};
    void (*Reset)(long found, long localId, long listError) = nullptr;
    void (*SetVolts)(const float* volts) = nullptr;
    int (*CallCount)() = nullptr;
    void (*GetCall)(int i, long* out) = nullptr;

    FakeLabJackLib()
    {
        EXPECT_TRUE(Lib.load()) << Lib.errorString().toStdString();
        Reset = reinterpret_cast<decltype(Reset)>(Lib.resolve("FakeLJ_Reset"));
        SetVolts = reinterpret_cast<decltype(SetVolts)>(Lib.resolve("FakeLJ_SetVolts"));
        CallCount = reinterpret_cast<decltype(CallCount)>(Lib.resolve("FakeLJ_CallCount"));
        GetCall = reinterpret_cast<decltype(GetCall)>(Lib.resolve("FakeLJ_GetCall"));
    }
    // Channels asked for in call i.
    std::vector<long> Channels(int i) const
    {
        long out[7];
        GetCall(i, out);
        return std::vector<long>(out + 3, out + 3 + out[2]);
    }
    long Id(int i) const
    {
        long out[7];
        GetCall(i, out);
        return out[0];
    }
};

TSensorChannels Inputs(std::initializer_list<int> inputs)
{
    TSensorChannels set;
    for (int i : inputs)
        set.set(lj0 + i);
    return set;
}

TEST(LabJack, AbsentLibraryOrNoUnitMeansNoLabJack)
{
    TLabJack missing(QStringLiteral("/nonexistent/libljacklm.so"));
    missing.DetectLabJack();
    EXPECT_FALSE(missing.LabJackPresent());

    FakeLabJackLib fake;
    for (auto [found, error] : {std::pair{0L, 0L}, std::pair{1L, 1001L}}) {
        fake.Reset(found, 3, error);
        TLabJack lj(QStringLiteral(FAKE_LJACKLM));
        ASSERT_TRUE(lj.LibraryLoaded());
        lj.DetectLabJack();
        EXPECT_FALSE(lj.LabJackPresent()) << found << " " << error;
    }
}

TEST(LabJack, EnabledInputsAreSampledInBatchesOfUpToFour)
{
    FakeLabJackLib fake;
    fake.Reset(1, 5, 0);
    const float volts[8] = {0.5f, 1.5f, 2.5f, 3.5f, 4.5f, 5.5f, 6.5f, 7.5f};
    fake.SetVolts(volts);
    TLabJack lj(QStringLiteral(FAKE_LJACKLM));
    lj.DetectLabJack();
    ASSERT_TRUE(lj.LabJackPresent());
    EXPECT_EQ(lj.LabJackLocalID(), 5);

    std::array<double, LabJackInputs> v;
    v.fill(-1);
    // Three inputs go as four, AI0 last; its reading lands in AI0.
    EXPECT_TRUE(lj.ReadLabJack(Inputs({1, 3, 6}), v));
    ASSERT_EQ(fake.CallCount(), 1);
    EXPECT_EQ(fake.Channels(0), (std::vector<long>{1, 3, 6, 0}));
    EXPECT_EQ(fake.Id(0), 5);
    EXPECT_EQ(v, (std::array<double, 8>{0.5, 1.5, 0, 3.5, 0, 0, 6.5, 0}));

    // Six inputs: four, then two.
    fake.Reset(1, 5, 0);
    fake.SetVolts(volts);
    EXPECT_TRUE(lj.ReadLabJack(Inputs({0, 2, 3, 4, 5, 7}), v));
    ASSERT_EQ(fake.CallCount(), 2);
    EXPECT_EQ(fake.Channels(0), (std::vector<long>{0, 2, 3, 4}));
    EXPECT_EQ(fake.Channels(1), (std::vector<long>{5, 7}));
    EXPECT_EQ(v, (std::array<double, 8>{0.5, 0, 2.5, 3.5, 4.5, 5.5, 0, 7.5}));

    // Nothing enabled, or only channels of other devices: no call.
    fake.Reset(1, 5, 0);
    TSensorChannels others;
    others.set(elan1).set(rtLat);
    EXPECT_FALSE(lj.ReadLabJack(others, v));
    EXPECT_EQ(fake.CallCount(), 0);
}

// A fake analogue card that records its configuration calls.
struct FakeCard {
    std::vector<std::string> Calls;
    std::vector<std::pair<uint8_t, float>> Samples; // channel reported, volts
    uint16_t InfoStatus = 0;
    size_t Next = 0;
    TAD132Library Lib;

    FakeCard()
    {
        Lib.GetCardInformation = [this](uint8_t, char* buffer, int size) {
            std::snprintf(buffer, size_t(size), "Fake card");
            return InfoStatus;
        };
        Lib.IsPCIBoard = [](uint8_t) { return uint8_t(1); };
        Lib.Configure = [this](const char* name, uint8_t, int a, int) {
            Calls.push_back(std::string(name) + " " + std::to_string(a));
        };
        Lib.SetFSample = [this](uint8_t, float hz) {
            Calls.push_back("SetFSample " + std::to_string(int(hz)));
        };
        Lib.GetIREQStatus = [](uint8_t) { return uint8_t(0); };
        Lib.ReadOneSample = [this](uint8_t) { return uint16_t(Next++); };
        Lib.ConvertSampleToVoltage = [this](uint8_t, uint16_t s, uint8_t* channel) {
            *channel = s < Samples.size() ? Samples[s].first : 0;
            return s < Samples.size() ? Samples[s].second : 0.0f;
        };
    }
};

TEST(AnalogueCard, AbsentWithoutLibraryOrCardAndReportedChannelsOutsideRangeIgnored)
{
    TAD132 none;
    EXPECT_FALSE(none.Present());
    EXPECT_EQ(none.StatusText(), "AD125LIB.DLL NOT Present");

    FakeCard missing;
    missing.InfoStatus = 1;
    TAD132 notFound(&missing.Lib);
    EXPECT_FALSE(notFound.Present());
    EXPECT_EQ(notFound.StatusText(), "Card not found");
    EXPECT_TRUE(missing.Calls.empty());

    FakeCard fake;
    for (int i = 0; i < 16; ++i)
        fake.Samples.push_back({uint8_t(i + 1), float(i)});
    fake.Samples[3].first = 0;  // outside 1..16
    fake.Samples[4].first = 17; // likewise
    TAD132 card(&fake.Lib);
    ASSERT_TRUE(card.Present());
    EXPECT_TRUE(card.IsPCI());
    EXPECT_EQ(card.StatusText(), "Fake card");
    EXPECT_EQ(fake.Calls.front(), "PutCardIntoKnownState 0");
    EXPECT_EQ(fake.Calls.back(), "SetFSample 20000");
    std::array<double, AnalogueCardInputs> v;
    v.fill(-1);
    card.ReadChannels(v);
    EXPECT_EQ(v[0], 0);
    EXPECT_EQ(v[3], -1); // not reported, kept
    EXPECT_EQ(v[4], -1);
    EXPECT_EQ(v[15], 15);
}

} // namespace
