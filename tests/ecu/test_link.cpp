#include "EcuConstData.h"
#include "EcuConstFuncs.h"
#include "ScriptedLink.h"
#include "Settings.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {
class Link : public ::testing::Test {
protected:
    void SetUp() override { TSettingsStore::Instance().Open(Dir.filePath("s.ini")); }
    // Tests change table addresses; give the next test the shipped tables.
    void TearDown() override { RestoreDefinitionTables(); }

    QTemporaryDir Dir;
};

TByteArray ReadRequestData(const TLongWordArray& addrs)
{
    TByteArray d{0xA8, 0x00};
    for (uint32_t a : addrs)
        d.insert(d.end(), {uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a)});
    return d;
}
} // namespace

TEST_F(Link, OneRequestAtATime)
{
    TScriptedLink link;
    link.ReadAddresses({0x12, 0x13});
    ASSERT_EQ(link.Sent.size(), 1u);
    EXPECT_EQ(link.Sent[0], BuildPacket(0x10, 0xF0, ReadRequestData({0x12, 0x13})));
    EXPECT_EQ(link.LastReadCount, 2);

    // A second request meanwhile is dropped and does not touch the recorded list.
    link.ReadAddresses({0x20});
    EXPECT_EQ(link.Sent.size(), 1u);
    EXPECT_EQ(link.AddressList, (TLongWordArray{0x12, 0x13}));
    EXPECT_EQ(link.LastReadCount, 2);

    // Only the answer ends the pending request.
    int responses = 0;
    link.OnReadAddressesResponse = [&](const TLongWordArray&, int, const TByteArray&) { ++responses; };
    link.Reply({0xE8, 0x01, 0x02});
    EXPECT_EQ(responses, 1);
    EXPECT_FALSE(link.PendingRequestActive());
    EXPECT_FALSE(link.RetryTimer()->isActive());
    link.ReadAddresses({0x20});
    EXPECT_EQ(link.Sent.size(), 2u);
}

// A reply that does not answer the outstanding request is counted and dropped; the request
// stays outstanding, is sent again on the next retry tick, and a run of such replies ends in
// the time-out just as silence does.
TEST_F(Link, AReplyThatDoesNotAnswerKeepsTheRequestOutstanding)
{
    struct Case {
        const char* What;
        std::function<void(TScriptedLink&)> Request;
        TByteArray Bad, Good;
        const char* Traced;
    };
    const std::vector<Case> cases = {
        {"read reply one byte short", [](TScriptedLink& l) { l.ReadAddresses({0x12, 0x13}); },
         {0xE8, 0x01}, {0xE8, 0x01, 0x02}, "Wrong read byte count."},
        {"read reply one byte long", [](TScriptedLink& l) { l.ReadAddresses({0x12}); },
         {0xE8, 0x01, 0x02}, {0xE8, 0x01}, "Wrong read byte count."},
        {"write reply to a read", [](TScriptedLink& l) { l.ReadAddresses({0x12}); },
         {0xF8, 0x01}, {0xE8, 0x01}, "does not answer"},
        {"read reply to a write", [](TScriptedLink& l) { l.WriteAddress({0x70}, {0x05}); },
         {0xE8, 0x05}, {0xF8, 0x05}, "does not answer"},
        {"write reply of two bytes", [](TScriptedLink& l) { l.WriteAddress({0x70}, {0x05}); },
         {0xF8, 0x05, 0x00}, {0xF8, 0x05}, "does not answer"},
        {"read reply to an identification", [](TScriptedLink& l) { l.RequestInit(); },
         {0xE8, 0x05}, {0xFF, 0x01, 0x02, 0x03}, "does not answer"},
        {"unknown reply code", [](TScriptedLink& l) { l.RequestInit(); }, {0x7E, 0x05},
         {0xFF, 0x01}, "does not answer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        TScriptedLink link;
        link.Log().SetLogInformation(true);
        int answers = 0, timeouts = 0;
        link.OnReadAddressesResponse = [&](const TLongWordArray&, int, const TByteArray&) { ++answers; };
        link.OnWriteAddressResponse = [&](uint8_t, uint8_t, const TByteArray&, int,
                                          const TLongWordArray&) { ++answers; };
        link.OnInitResponse = [&](uint8_t, uint8_t, const TByteArray&) { ++answers; };
        link.OnRequestTimeout = [&](const TByteArray&) { ++timeouts; };

        c.Request(link);
        const TByteArray request = link.Sent.back();
        link.Reply(c.Bad);
        EXPECT_EQ(answers, 0);
        EXPECT_EQ(link.InvalidReplies, 1);
        EXPECT_TRUE(link.PendingRequestActive());
        EXPECT_TRUE(std::any_of(link.Log().Entries().begin(), link.Log().Entries().end(),
                                [&](const TEcuLogEntry& e) { return e.Text.contains(c.Traced); }));
        // Sent again on the next tick; its answer then ends it.
        ASSERT_TRUE(QTest::qWaitFor([&] { return link.Sent.size() == 2; }, 1500));
        EXPECT_EQ(link.Sent.back(), request);
        EXPECT_EQ(link.Retries, 1);
        link.Reply(c.Good);
        EXPECT_EQ(answers, 1);
        EXPECT_FALSE(link.PendingRequestActive());

        if (&c != &cases.front())
            continue;
        // MaxAttempts sends, each answered badly, end in the time-out.
        c.Request(link);
        link.Reply(c.Bad);
        for (size_t sends = 4; sends <= 5; ++sends) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return link.Sent.size() == sends; }, 1500));
            link.Reply(c.Bad);
        }
        EXPECT_EQ(timeouts, 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return timeouts == 1; }, 1500));
        EXPECT_EQ(answers, 1);
        EXPECT_EQ(link.Sent.size(), 5u);
        EXPECT_EQ(link.InvalidReplies, 4);
    }
}

// A reply is matched against the request that is outstanding, not against a list that a
// later, dropped request or a stray echo recorded.
TEST_F(Link, AReplyIsMatchedAgainstTheOutstandingRequest)
{
    TScriptedLink link;
    TLongWordArray answered;
    link.OnReadAddressesResponse = [&](const TLongWordArray& a, int, const TByteArray&) { answered = a; };
    link.ReadAddresses({0x12, 0x13});
    // The echo of another tester's one-address read records a list of one.
    link.Receive(BuildPacket(0x10, 0xF0, ReadRequestData({0x40})));
    EXPECT_EQ(link.AddressList.size(), 1u);
    link.Reply({0xE8, 0x09});
    EXPECT_TRUE(answered.empty());
    EXPECT_TRUE(link.PendingRequestActive());
    link.Reply({0xE8, 0x09, 0x0A});
    EXPECT_EQ(answered, (TLongWordArray{0x12, 0x13}));
    EXPECT_FALSE(link.PendingRequestActive());
}

TEST_F(Link, BadArgumentsSendNothing)
{
    TScriptedLink link;
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const EEcuInterface& e) {
            return e.Message;
        }
        return QString();
    };
    EXPECT_EQ(message([&] { link.ReadAddresses({}); }), "Bad address read count (<0): 0");
    EXPECT_EQ(message([&] { link.WriteAddress({1, 2}, {0}); }), "Bad address write count");
    EXPECT_EQ(message([&] { link.SetEcuBaudRate(57600); }), "UBR");
    // 83 addresses do not fit in one frame.
    EXPECT_FALSE(message([&] { link.ReadAddresses(TLongWordArray(83, 0x10)); }).isEmpty());
    EXPECT_TRUE(link.Sent.empty());
    EXPECT_EQ(link.BaudRate, 4800);
}

TEST_F(Link, RetriesThenTimesOut)
{
    TScriptedLink link;
    std::vector<TByteArray> timedOut;
    link.OnRequestTimeout = [&](const TByteArray& f) { timedOut.push_back(f); };
    link.RequestInit();
    QTest::qWait(2500);
    EXPECT_EQ(link.Sent.size(), 3u);
    EXPECT_TRUE(timedOut.empty());
    QTest::qWait(800);
    ASSERT_EQ(timedOut.size(), 1u);
    const TByteArray init{0x80, 0x10, 0xF0, 0x01, 0xBF, 0x40};
    EXPECT_EQ(timedOut[0], init);
    for (const auto& f : link.Sent)
        EXPECT_EQ(f, init);
    EXPECT_FALSE(link.PendingRequestActive());
}

TEST_F(Link, PollListOrder)
{
    TParamSet p;
    p.set(epEngspd);  // 2 bytes: low byte (0x0F) before high byte (0x0E)
    p.set(epAirTemp);
    TSwitchSet s;
    s.set(esDutySw);
    s.set(esValet);  // same byte as esDutySw: listed once
    s.set(esTestMode);
    ParamDefs[epMafGS].Size = 4;  // a float parameter lists all four bytes
    ParamDefs[epMafGS].LowAddress = 0x150;
    p.set(epMafGS);
    const auto list = TEcuInterface::BuildPollList(p, s, {0x1234});
    ASSERT_LT(epEngspd, epAirTemp);
    ASSERT_LT(epAirTemp, epMafGS);
    EXPECT_EQ(list, (TLongWordArray{0x0F, 0x0E, 0x12, 0x150, 0x151, 0x152, 0x153, 0x61, 0x78,
                                    0x1234}));
}

TEST_F(Link, DecodesValuesAndSwitches)
{
    TScriptedLink link;
    TParamSet got;
    TParamValues values{};
    TParamRaw raw{};
    TSwitchSet present, sw;
    TParamTexts texts;
    link.OnParamValues = [&](const TParamSet& r, const TParamValues& v, const TParamRaw& w,
                             const TSwitchSet& p, const TSwitchSet& s) {
        got = r, values = v, raw = w, present = p, sw = s;
    };
    link.OnParamText = [&](const TParamSet&, const TParamTexts& t) { texts = t; };

    // Two parameters sharing a low-byte address: only the lower index gets the byte.
    ParamDefs[epBatvolt].LowAddress = ParamDefs[epAirTemp].LowAddress;
    ParamDefs[epBatvolt].Size = 1;
    ParamDefs[epMafGS].Size = 4;
    ParamDefs[epMafGS].LowAddress = 0x150;
    ParamDefs[epMafGS].Offset = 0;
    ParamDefs[epMafGS].Multiplier = 1;

    // epBatvolt's byte is decoded as epAirTemp's, the lower index.
    TParamSet p;
    p.set(epEngspd).set(epBatvolt).set(epMafGS);
    TSwitchSet s;
    s.set(esDutySw).set(esBoostSw).set(esValet);
    link.PollParameters(p, s);
    link.Echo();
    const int controlByte = 0x80 | 0x20;  // duty and valet on, boost off
    ASSERT_EQ(link.AddressList, (TLongWordArray{0x0F, 0x0E, 0x150, 0x151, 0x152, 0x153,
                                                uint32_t(ParamDefs[epAirTemp].LowAddress), 0x78}));
    link.Reply({0xE8, 0x80, 0x0C, 0x42, 0xC8, 0x00, 0x00, 100, uint8_t(controlByte)});

    EXPECT_EQ(link.LastReplyCount, 8);
    EXPECT_TRUE(got.test(epEngspd));
    EXPECT_DOUBLE_EQ(values[epEngspd], 800.0);
    EXPECT_EQ(raw[epEngspd], 3200u);
    EXPECT_DOUBLE_EQ(values[epAirTemp], 60.0);
    EXPECT_FALSE(got.test(epBatvolt));
    EXPECT_DOUBLE_EQ(values[epBatvolt], 0.0);
    EXPECT_DOUBLE_EQ(values[epMafGS], 100.0);
    EXPECT_TRUE(present.test(esDutySw) && present.test(esBoostSw) && present.test(esValet));
    EXPECT_TRUE(sw.test(esDutySw));
    EXPECT_FALSE(sw.test(esBoostSw));
    EXPECT_TRUE(sw.test(esValet));
    EXPECT_EQ(texts[epEngspd], ParamValueText(epEngspd, 800.0));
}

TEST_F(Link, IdentificationFlagsFollowPayloadLength)
{
    TScriptedLink link;
    TByteArray payload(37, 0x00);
    payload[36] = 0x01;  // position 37 bit 0
    link.RequestInit();
    TByteArray reply{0xFF};
    reply.insert(reply.end(), payload.begin(), payload.end());
    link.Reply(reply);
    EXPECT_TRUE(link.DtcGroup4);
    EXPECT_FALSE(link.ObdTroubleCodes || link.DtcGroup8 || link.DtcGroup5a || link.DtcGroup5b ||
                 link.DtcGroup7);

    TByteArray full(48, 0x00);
    full[37] = 0x40;  // position 38 bit 6
    full[47] = 0xF0;
    reply = {0xFF};
    reply.insert(reply.end(), full.begin(), full.end());
    link.Reply(reply);
    EXPECT_TRUE(link.ObdTroubleCodes && link.DtcGroup8 && link.DtcGroup5a && link.DtcGroup5b &&
                link.DtcGroup7);
    EXPECT_FALSE(link.DtcGroup4);
}

TEST_F(Link, IdentificationSetsSupportAndAdjustments)
{
    // A parameter that is never supported, one whose byte lies past the payload.
    ParamDefs[epEngspd].CapPosition = -1;
    ParamDefs[epAirTemp].CapPosition = 60;
    ParamDefs[epAirTemp].CapBit = 0;
    ParamDefs[epBatvolt].CapPosition = 1;
    ParamDefs[epBatvolt].CapBit = 3;

    TScriptedLink link;
    int e = 79;
    TByteArray reply{0xFF, 0x01, 0x02, 0x03};
    reply.insert(reply.end(), EcuIds[e].RomId.begin(), EcuIds[e].RomId.end());
    reply.resize(1 + 50, 0xFF);
    reply[1] = 0xFF;
    link.Reply(reply);
    EXPECT_EQ(link.RomId, EcuIds[e].RomId);
    int found = -1;
    ASSERT_TRUE(link.FindEcu(found));
    EXPECT_EQ(found, e);
    EXPECT_FALSE(link.SupportedParams.test(epEngspd));
    EXPECT_FALSE(link.SupportedParams.test(epAirTemp));
    EXPECT_TRUE(link.SupportedParams.test(epBatvolt));
    EXPECT_TRUE(link.SupportedParams.test(epRawRPMTS));  // ECU 79's extra parameters
    EXPECT_EQ(ParamDefs[epFuelLookupFinal2002].HighAddress, 0x020B8E);
}
