// The emulated ECU behind the real link and the emulated line, on a running event loop:
// requests travel as frames, are echoed, answered and decoded as in demo mode.
#include "FakeEcu.h"
#include "FakeEcuInterface.h"

#include "EcuConstData.h"
#include "EcuConstFuncs.h"
#include "GenFuncs.h"
#include "Settings.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class FakeEcuLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        TSettingsStore::Instance().Open(Dir.filePath("s.ini"));
        Link = std::make_unique<TFakeEcuInterface>();
        Link->Log().SetLogInformation(true);
        Ecu = std::make_unique<TFakeEcu>(42u);
        Ecu->Connect(Link.get());
        Link->SetActive(true);
        Link->OnReadAddressesResponse = [this](const TLongWordArray&, int, const TByteArray& p) {
            Replies.push_back(p);
        };
        Link->OnWriteAddressResponse = [this](uint8_t, uint8_t, const TByteArray& p, int,
                                              const TLongWordArray&) { Replies.push_back(p); };
        Link->OnRequestTimeout = [this](const TByteArray&) { ++Timeouts; };
    }
    void TearDown() override
    {
        Link->SetActive(false);
        Ecu.reset();
        Link.reset();
    }

    // Waits for the next reply handed to the response slots above.
    std::optional<TByteArray> NextReply(int timeoutMs = 500)
    {
        const size_t n = Replies.size();
        if (!QTest::qWaitFor([&] { return Replies.size() > n; }, timeoutMs))
            return std::nullopt;
        return Replies.back();
    }

    QTemporaryDir Dir;
    std::unique_ptr<TFakeEcuInterface> Link;
    std::unique_ptr<TFakeEcu> Ecu;
    std::vector<TByteArray> Replies;
    int Timeouts = 0;
};

} // namespace

TEST_F(FakeEcuLink, IdentifiesAsTheChosenDemoEcu)
{
    for (int e : {8, DefaultDemoEcu}) {
        Ecu->SetEcuType(e);
        std::optional<TByteArray> payload;
        Link->OnInitResponse = [&](uint8_t, uint8_t, const TByteArray& p) { payload = p; };
        Link->RequestInit();
        QTRY_VERIFY_WITH_TIMEOUT(payload.has_value(), 1000);
        EXPECT_EQ(*payload, EcuInitReplies[e]);
        int index = -1;
        EXPECT_TRUE(Link->FindEcu(index));
        EXPECT_EQ(index, e);
    }
}

TEST_F(FakeEcuLink, ReadsAndBlockReads)
{
    Ecu->RomImage()[0x03456] = 0x5C;
    Ecu->SetObdDtcs(true);
    Ecu->SetCodeTicked(clObdCurrent, 260, true);
    Link->ReadAddresses({0x000070, 0x123456, 0x0000F0, 0x802800});
    EXPECT_EQ(NextReply(), (TByteArray{0x80, 0x5C, 0x10, 0x00}));
    EXPECT_EQ(Ecu->LastMessage(), "Address out of range");

    // The link has no block-read operation; send the request frame itself.
    std::optional<TByteArray> block;
    Link->OnReadBlockResponse = [&](int address, const TByteArray& p) {
        EXPECT_EQ(address, 0x0001F8);
        block = p;
    };
    ASSERT_TRUE(Link->SendRequest({0xA0, 0x00, 0x00, 0x01, 0xF8, 0x04}));
    QTRY_VERIFY_WITH_TIMEOUT(block.has_value(), 1000);
    EXPECT_EQ(*block, EcuIds[DefaultDemoEcu].RomId);
}

TEST_F(FakeEcuLink, BaudRateChange)
{
    std::vector<int> confirmed;
    Link->OnEcuBaudRateChanged = [&](int rate) { confirmed.push_back(rate); };

    // Through the link's own operation: the ECU answers once it has switched, and the very
    // next request is answered at the new rate.
    Link->SetEcuBaudRate(38400);
    EXPECT_EQ(Link->BaudRate, 38400);
    EXPECT_FALSE(NextReply(300));
    EXPECT_EQ(NextReply(1000), (TByteArray{0x75}));
    EXPECT_EQ(Ecu->BaudRate(), 38400);
    EXPECT_EQ(Link->GetBaudRate(), 38400);
    EXPECT_EQ(confirmed, (std::vector<int>{38400}));
    Link->ReadAddresses({0x000070});
    EXPECT_EQ(NextReply(), (TByteArray{0x80}));

    // Asked for while a request is out, the change waits for that reply instead of being
    // dropped while the link moves to the new rate alone.
    Link->ReadAddresses({0x000070});
    Link->SetEcuBaudRate(9600);
    EXPECT_EQ(Link->BaudRate, 38400);
    EXPECT_EQ(Link->QueuedBaudRate(), 9600);
    EXPECT_EQ(NextReply(), (TByteArray{0x80}));
    EXPECT_EQ(Link->BaudRate, 9600);
    EXPECT_EQ(NextReply(1500), (TByteArray{0x35}));
    EXPECT_EQ(Ecu->BaudRate(), 9600);
    EXPECT_EQ(confirmed, (std::vector<int>{38400, 9600}));
    Link->ReadAddresses({0x000070});
    EXPECT_EQ(NextReply(), (TByteArray{0x80}));

    // A direct write moves the ECU and the port, but not the link's own rate: the next
    // request goes out at 9600 again and the ECU, now at 19200, does not answer.
    Link->WriteAddress({0x000000}, {0x55});
    EXPECT_EQ(NextReply(1500), (TByteArray{0x55}));
    EXPECT_EQ(Ecu->BaudRate(), 19200);
    EXPECT_EQ(Link->GetBaudRate(), 19200);
    EXPECT_EQ(Link->BaudRate, 9600);
    EXPECT_EQ(confirmed.size(), 2u) << "not a change the link asked for";
    Ecu->ResetCounters();
    Link->ReadAddresses({0x000070});
    EXPECT_FALSE(NextReply(3500));
    EXPECT_EQ(Ecu->LastMessage(), "ECUE wrong BR 19200 9600");
    EXPECT_EQ(Timeouts, 1);
    EXPECT_EQ(Ecu->RequestsReceived(frReadAddresses), 3) << "heard at 0 s, 1 s and 2 s";
}

TEST_F(FakeEcuLink, WireTimesAndTheLineItself)
{
    // n * 9840 / baud, rounded down.
    EXPECT_EQ(Link->WireTime(6), 12u);
    Link->SetBaudRate(38400);
    EXPECT_EQ(Link->WireTime(6), 1u);
    Link->SetBaudRate(4800);

    // Two sends within one wire time: the line carries only the second.
    std::vector<TByteArray> heard;
    Link->OnAnyRequest = [&](uint8_t, uint8_t, const TByteArray& d) { heard.push_back(d); };
    Ecu->SetDemoActive(false);  // nobody answers; only the echoes come back
    Link->SendRaw(BuildPacket(0x10, 0xF0, {0xA8, 0x00, 0x00, 0x00, 0x70}));
    Link->SendRaw(BuildPacket(0x10, 0xF0, {0xA8, 0x00, 0x00, 0x00, 0x71}));
    QTest::qWait(200);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0], (TByteArray{0xA8, 0x00, 0x00, 0x00, 0x71}));

    // Switching the line off cancels a delivery that is due.
    heard.clear();
    Link->SendRaw(BuildPacket(0x10, 0xF0, {0xA8, 0x00, 0x00, 0x00, 0x72}));
    Link->SetActive(false);
    Link->SetActive(true);
    QTest::qWait(200);
    EXPECT_TRUE(heard.empty());
}

TEST_F(FakeEcuLink, FaultsReachTheLinkAsOnTheWire)
{
    // A corrupted checksum is dropped by the receiver; the retry a second later succeeds.
    Ecu->SetFaults({.CorruptChecksum = true, .Count = 1});
    Link->ReadAddresses({0x000071});
    EXPECT_FALSE(NextReply(800));
    EXPECT_EQ(NextReply(1000), (TByteArray{0x80}));
    EXPECT_EQ(Ecu->RequestsReceived(frReadAddresses), 2);

    // A reply one byte short raises no event; the request stays out and its second send is
    // answered.
    Ecu->SetFaults({.LengthError = -1, .Count = 1});
    Link->ReadAddresses({0x000070, 0x000071});
    EXPECT_FALSE(NextReply(300));
    EXPECT_TRUE(Link->PendingRequestActive());
    EXPECT_EQ(NextReply(1000).value_or(TByteArray()).size(), 2u);
    EXPECT_FALSE(Link->PendingRequestActive());
    EXPECT_EQ(Timeouts, 0);

    // A late reply still arrives, after the delay.
    Ecu->SetFaults({.ExtraDelayMs = 300, .Count = 1});
    Link->ReadAddresses({0x000070});
    EXPECT_FALSE(NextReply(150));
    EXPECT_EQ(NextReply(800), (TByteArray{0x80}));
}

// What the main window and the live-data window rely on: identify, then poll the
// supported parameters and switches; values arrive scaled from the emulator's bytes.
TEST_F(FakeEcuLink, IdentifyThenPollDeliversScaledValues)
{
    bool identified = false;
    Link->OnInitResponse = [&](uint8_t, uint8_t, const TByteArray&) { identified = true; };
    Link->RequestInit();
    QTRY_VERIFY_WITH_TIMEOUT(identified, 1000);
    ASSERT_TRUE(Link->SupportedParams.test(epEngspd));
    ASSERT_TRUE(Link->SupportedParams.test(epAirTemp));

    TParamSet params;
    params.set(epEngspd).set(epAirTemp).set(epCooltemp);
    TSwitchSet switches = Link->SupportedSwitches;
    switches.set(esDutySw).set(esBoostSw).set(esValet);

    int polls = 0;
    TParamSet got;
    TParamValues values{};
    TParamRaw raw{};
    TSwitchSet present, on;
    Link->OnParamValues = [&](const TParamSet& r, const TParamValues& v, const TParamRaw& w,
                              const TSwitchSet& p, const TSwitchSet& s) {
        ++polls;
        got = r, values = v, raw = w, present = p, on = s;
    };
    for (int round = 1; round <= 5; ++round) {
        Link->PollParameters(params, switches);
        QTRY_COMPARE_WITH_TIMEOUT(polls, round, 1000);
        const auto& mem = Ecu->VariableArea();
        // The bytes the emulator answered stay in its memory until the next read.
        const uint32_t rpmRaw = mem[ParamDefs[epEngspd].HighAddress] * 256u +
                                mem[ParamDefs[epEngspd].LowAddress];
        EXPECT_EQ(raw[epEngspd], rpmRaw);
        EXPECT_DOUBLE_EQ(values[epEngspd], rpmRaw * 0.25);
        EXPECT_DOUBLE_EQ(values[epAirTemp], mem[0x12] - 40.0);
        EXPECT_GE(values[epAirTemp], ParamDefs[epAirTemp].Minimum - 1e-9);
        EXPECT_LE(values[epAirTemp], ParamDefs[epAirTemp].Maximum + 1e-9);
        EXPECT_TRUE(got.test(epCooltemp));
        EXPECT_DOUBLE_EQ(values[epCooltemp], ScaleParam(epCooltemp, raw[epCooltemp]));
        EXPECT_DOUBLE_EQ(values[epBatvolt], 0.0) << "not polled";
        for (int s = 0; s < EcuSwitchCount; ++s) {
            if (!switches.test(s))
                continue;
            EXPECT_TRUE(present.test(s));
            // The diagnostic switch byte reads as the "Diag $61" number without the test-mode
            // connector, 0 by default.
            const int a = SwitchDefs[s].ByteAddress;
            const uint8_t byte = a == 0x61 ? 0 : mem[a];
            EXPECT_EQ(on.test(s), BitTest(byte, SwitchDefs[s].Bit)) << SwitchDefs[s].Name.toStdString();
        }
    }
    // The control byte starts as 0xE0: duty, boost and valet switches on.
    EXPECT_TRUE(on.test(esDutySw) && on.test(esBoostSw) && on.test(esValet));
    EXPECT_EQ(Link->LastReplyCount, Link->LastReadCount);
    EXPECT_EQ(Timeouts, 0);
}

TEST_F(FakeEcuLink, InactiveLinkSendsMaxAttemptsThenTimesOut)
{
    Link->RecordSent = true;
    Link->SetActive(false);
    Link->MaxAttempts = 2;
    Link->RequestInit();
    QTRY_COMPARE_WITH_TIMEOUT(Timeouts, 1, 3000);
    EXPECT_TRUE(Link->SentFrames.empty()) << "nothing reaches an inactive line";
    EXPECT_EQ(Ecu->RequestsReceived(frInit), 0);
    EXPECT_FALSE(Link->PendingRequestActive());
}

// Fast polling on the emulated line: one request, then a stream of replies paced by the
// line; broken replies are counted and dropped; stopping leaves the line quiet.
TEST_F(FakeEcuLink, FastPollStreamsUntilStopped)
{
    ASSERT_TRUE(Link->SupportsFastPoll());
    TParamSet params;
    params.set(epEngspd).set(epAirTemp).set(epCooltemp);
    int rows = 0;
    Link->OnParamValues = [&](const TParamSet& r, const TParamValues&, const TParamRaw&,
                              const TSwitchSet&, const TSwitchSet&) {
        ++rows;
        EXPECT_EQ(r, params);
    };
    Link->StartFastPoll(params, {});
    QTRY_VERIFY_WITH_TIMEOUT(rows >= 20, 5000);
    EXPECT_EQ(Ecu->RequestsReceived(frReadAddresses), 1);
    EXPECT_TRUE(Ecu->Streaming());

    Ecu->SetFaults({.CorruptChecksum = true, .Count = 2});
    QTRY_COMPARE_WITH_TIMEOUT(Link->InvalidReplies, 2, 5000);
    const int before = rows;
    QTRY_VERIFY_WITH_TIMEOUT(rows >= before + 10, 5000);

    Link->StopFastPoll();
    QTRY_VERIFY_WITH_TIMEOUT(!Ecu->Streaming(), 2000);
    QTest::qWait(200);
    const int stopped = rows;
    QTest::qWait(500);
    EXPECT_EQ(rows, stopped);
    EXPECT_EQ(Ecu->RequestsReceived(frReadAddresses), 2) << "the start and the stop";

    // A stream that falls silent ends in the time-out path.
    Link->StartFastPoll(params, {});
    QTRY_VERIFY_WITH_TIMEOUT(rows > stopped, 2000);
    Ecu->SetFaults({.Silent = true});
    QTRY_COMPARE_WITH_TIMEOUT(Timeouts, 1, 6000);
    EXPECT_FALSE(Link->FastPolling());
    EXPECT_THROW(Link->StartFastPoll({}, {}), EEcuInterface) << "an empty list";
}
