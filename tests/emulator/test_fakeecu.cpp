// The emulated ECU against a scripted link: requests go in as frames the link decodes, and
// the replies are the frames the link was given to send. No event loop is needed except for
// the delayed paths.
#include "FakeEcu.h"

#include "EcuConstData.h"
#include "EcuConstFuncs.h"
#include "Errors.h"
#include "GenFuncs.h"
#include "Settings.h"
#include "ecu/ScriptedLink.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TByteArray ReadAddrsData(const TLongWordArray& addrs)
{
    TByteArray d{0xA8, 0x00};
    for (uint32_t a : addrs) {
        const TByteArray s = AddrToString(a);
        d.insert(d.end(), s.begin(), s.end());
    }
    return d;
}

TByteArray WriteAddrData(uint32_t a, uint8_t v)
{
    TByteArray d{0xB8};
    const TByteArray s = AddrToString(a);
    d.insert(d.end(), s.begin(), s.end());
    d.push_back(v);
    return d;
}

TByteArray ReadBlockData(uint32_t a, int count)
{
    TByteArray d{0xA0, 0x00};
    const TByteArray s = AddrToString(a);
    d.insert(d.end(), s.begin(), s.end());
    d.push_back(uint8_t(count - 1));
    return d;
}

class FakeEcu : public ::testing::Test {
protected:
    void SetUp() override
    {
        TSettingsStore::Instance().Open(Dir.filePath("s.ini"));
        Link = std::make_unique<TScriptedLink>();
        Link->Log().SetLogInformation(true);
        Ecu = std::make_unique<TFakeEcu>(1234u);
        Ecu->Connect(Link.get());
    }
    // Some tests change table records; give the next test the shipped tables.
    void TearDown() override
    {
        Ecu.reset();
        Link.reset();
        RestoreDefinitionTables();
    }

    // Hands the link a request frame as the line would echo it; returns the reply payload
    // (reply code first), or nothing when the emulator stayed silent.
    std::optional<TByteArray> Request(const TByteArray& data, uint8_t dest = 0x10)
    {
        const size_t before = Link->Sent.size();
        Link->Receive(BuildPacket(dest, 0xF0, data));
        if (Link->Sent.size() == before)
            return std::nullopt;
        const TByteArray& f = Link->Sent.back();
        EXPECT_EQ(f, BuildPacket(0xF0, 0x10, TByteArray(f.begin() + 4, f.end() - 1)));
        return TByteArray(f.begin() + 4, f.end() - 1);
    }

    bool LogHas(const QString& text, int level) const
    {
        for (const TEcuLogEntry& e : Link->Log().Entries())
            if (e.Text == text && e.Level == level)
                return true;
        return false;
    }

    QTemporaryDir Dir;
    std::unique_ptr<TScriptedLink> Link;
    std::unique_ptr<TFakeEcu> Ecu;
};

} // namespace

TEST_F(FakeEcu, CreationState)
{
    auto& v = Ecu->VariableArea();
    EXPECT_EQ(v[0x06F], 1);
    EXPECT_EQ(v[0x070], 0x80);
    EXPECT_EQ(v[0x071], 0x80);
    EXPECT_EQ(v[0x078], 0xE0);
    for (int a = 0x079; a <= 0x07F; ++a)
        EXPECT_EQ(v[a], 0x80) << a;
    EXPECT_EQ(v[0x060], 0xAA);
    EXPECT_EQ(Ecu->EcuResetAddressText(), "AA");
    EXPECT_EQ(Ecu->IdleSpeedText(), "0");
    EXPECT_EQ(Ecu->IgnitionRetardText(), "1");
    EXPECT_EQ(v[0x077], 0xFF);
    EXPECT_EQ(v[0x076], 0xFF);  // ECU 84 has no live tuning

    // Bitmaps hold only non-OBD code 0 (current and historic) and code 2 (historic), and
    // the lists show none of them.
    TByteArray cur(11), hst(11);
    BitSet(cur[NonObdCodes[0].ByteIndex], NonObdCodes[0].Bit, true);
    BitSet(hst[NonObdCodes[0].ByteIndex], NonObdCodes[0].Bit, true);
    BitSet(hst[NonObdCodes[2].ByteIndex], NonObdCodes[2].Bit, true);
    EXPECT_EQ(TByteArray(v.begin() + 0x08E, v.begin() + 0x099), cur);
    EXPECT_EQ(TByteArray(v.begin() + 0x0A4, v.begin() + 0x0AF), hst);
    for (auto [first, last] : {std::pair{0x099, 0x0A3}, {0x0AF, 0x0CD}, {0x0F0, 0x0F7},
                               {0x123, 0x132}, {0x150, 0x159}, {0x160, 0x169}, {0x174, 0x181}})
        for (int a = first; a <= last; ++a)
            EXPECT_EQ(v[a], 0) << a;
    for (int l = 0; l < FakeCodeListCount; ++l)
        for (int k = 0; k < TFakeEcu::CodeCount(TFakeCodeList(l)); ++k)
            ASSERT_FALSE(Ecu->CodeTicked(TFakeCodeList(l), k)) << l << " " << k;
    EXPECT_FALSE(BitTest(v[SwitchDefs[esTestMode].ByteAddress], SwitchDefs[esTestMode].Bit));

    EXPECT_EQ(Ecu->EcuType(), DefaultDemoEcu);
    EXPECT_EQ(TByteArray(Ecu->RomImage().begin() + 0x1F8, Ecu->RomImage().begin() + 0x1FD),
              EcuIds[DefaultDemoEcu].RomId);
    EXPECT_EQ(Ecu->EcuVersionCodeText(), HexDump(EcuIds[DefaultDemoEcu].RomId));
    EXPECT_EQ(Ecu->BaudRate(), 4800);
    EXPECT_EQ(Ecu->ParityName(), "None");
    EXPECT_EQ(Ecu->EcuState(), "Normal");
    EXPECT_EQ(Ecu->FlashXor(), 0x82);
    EXPECT_EQ(Ecu->ErrorsPer1000(), 5);
    EXPECT_FALSE(Ecu->Vpp());
    EXPECT_TRUE(Ecu->ObdDtcs());
    EXPECT_TRUE(Ecu->DemoActive());
    EXPECT_EQ(Ecu->Diag61Text(), "$00");

    for (int e : Ecu->SelectableEcuTypes())
        EXPECT_TRUE(!EcuIds[e].Description.isEmpty() && !EcuInitReplies[e].empty()) << e;
    EXPECT_NE(std::find(Ecu->SelectableEcuTypes().begin(), Ecu->SelectableEcuTypes().end(),
                        DefaultDemoEcu),
              Ecu->SelectableEcuTypes().end());
}

TEST_F(FakeEcu, MemoryTable)
{
    auto& rom = Ecu->RomImage();
    rom[0x03456] = 0x5C;
    rom[0x1FFFF] = 0x6D;
    Ecu->RamArea()[0xFFF] = 0x7E;
    struct Case {
        uint32_t Address;
        int Expected;
    };
    for (Case c : {Case{0x123456, 0x5C}, {0x003456, 0x5C}, {0x7FFFFF, 0x6D}, {0x800FFF, 0x7E},
                   {0xFF0000, 0x3E}, {0xFF1231, 0xB3}, {0xFFFFFE, 0x33}, {0xFFFFFF, 0x33}}) {
        EXPECT_EQ(Ecu->ReadMemory(c.Address), c.Expected) << std::hex << c.Address;
        EXPECT_TRUE(Ecu->LastMessage().isEmpty()) << std::hex << c.Address;
    }
    for (uint32_t a : {0x802800u, 0xFEFFFFu, 0x1000000u}) {
        EXPECT_EQ(Ecu->ReadMemory(a), 0) << std::hex << a;
        EXPECT_EQ(Ecu->LastMessage(), "Address out of range");
    }
    EXPECT_TRUE(LogHas("Address out of range", 7));

    // Writes: RAM and noise store, ROM and the pattern area ignore them.
    Ecu->WriteAddress(0x123456, 0x01);
    EXPECT_EQ(rom[0x03456], 0x5C);
    Ecu->WriteAddress(0x800010, 0x42);
    EXPECT_EQ(Ecu->ReadMemory(0x800010), 0x42);
    Ecu->WriteAddress(0x801000, 0x00);
    EXPECT_LE(Ecu->ReadMemory(0x801000), 1);
    Ecu->WriteAddress(0xFF0000, 0x00);
    EXPECT_EQ(Ecu->ReadMemory(0xFF0000), 0x3E);
}

TEST_F(FakeEcu, ReadRequestsGoThroughTheRightStores)
{
    // Read-addresses: below 0x200 the variable area, above the memory table.
    Ecu->RomImage()[0x03456] = 0x5C;
    Ecu->RamArea()[0xFFF] = 0x7E;
    auto reply = Request(ReadAddrsData({0x000070, 0x123456, 0x800FFF, 0x802800}));
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (TByteArray{0xE8, 0x80, 0x5C, 0x7E, 0x00}));
    EXPECT_EQ(Ecu->LastMessage(), "Address out of range");

    // Read-block: every address through the memory table, so 0x1F8.. is the ROM id.
    reply = Request(ReadBlockData(0x0001F8, 5));
    ASSERT_TRUE(reply);
    TByteArray expected{0xE0};
    expected.insert(expected.end(), EcuIds[DefaultDemoEcu].RomId.begin(),
                    EcuIds[DefaultDemoEcu].RomId.end());
    EXPECT_EQ(*reply, expected);

    // A 256-byte block does not fit one frame: the reply carries what fits, with a
    // consistent length byte, instead of a wrapped one.
    reply = Request(ReadBlockData(0x000000, 256));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->size(), 255u);
    EXPECT_EQ(Link->Sent.back()[3], 0xFF);
    EXPECT_EQ((*reply)[254], Ecu->RomImage()[253]);
}

TEST_F(FakeEcu, RawBoundsFollowTheFirstParameterThere)
{
    // The byte under test is given to parameter 0 (first in order), so it wins the lookup.
    constexpr int a = 0x050;  // a drifting sensor byte
    for (TParamDef& p : ParamDefs)
        if (p.LowAddress == a || p.HighAddress == a)
            p.LowAddress = p.HighAddress = 0x7FFFFF;
    struct Case {
        int Size;
        bool High;
        int Offset;
        double Multiplier, Minimum, Maximum;
        int Low, HighRaw;
    };
    for (Case c : {Case{1, false, 0, 1.0, 0, 255, 0, 255},
                   {1, false, -40, 1.0, -40, 215, 0, 255},
                   {1, false, 0, 1.0, 2.5, 3.5, 2, 4},        // halves to even
                   {1, false, 0, 0.5, 10, 20, 20, 40},
                   {2, true, 0, 0.25, 0, 8000, 0, 125},       // high byte: raw div 256
                   {2, false, 0, 0.25, 0, 8000, 0, 32000}}) { // low byte: clamped on read
        TParamDef& p = ParamDefs[0];
        p.Size = c.Size;
        p.Offset = c.Offset;
        p.Multiplier = c.Multiplier;
        p.Minimum = c.Minimum;
        p.Maximum = c.Maximum;
        p.LowAddress = c.High ? a + 1 : a;
        p.HighAddress = c.High ? a : 0x7FFFFF;
        EXPECT_EQ(TFakeEcu::LowRaw(a), c.Low) << c.Minimum;
        EXPECT_EQ(TFakeEcu::HighRaw(a), c.HighRaw) << c.Maximum;
    }
    // No parameter there: 0..255. The high address of a 1-byte parameter is not used.
    ParamDefs[0].Size = 1;
    ParamDefs[0].LowAddress = 0x7FFFFF;
    ParamDefs[0].HighAddress = a;
    EXPECT_EQ(TFakeEcu::LowRaw(a), 0);
    EXPECT_EQ(TFakeEcu::HighRaw(a), 255);
}

TEST_F(FakeEcu, SensorBytesDriftWithinTheirRange)
{
    constexpr int a = 0x050;
    for (TParamDef& p : ParamDefs)
        if (p.LowAddress == a || p.HighAddress == a)
            p.LowAddress = p.HighAddress = 0x7FFFFF;
    TParamDef& p = ParamDefs[0];
    p.Size = 1;
    p.Offset = 0;
    p.Multiplier = 1;
    p.LowAddress = a;
    struct Range {
        double Minimum, Maximum;
        int Start;
    };
    for (Range r : {Range{0, 255, 0}, {0, 255, 255}, {100, 120, 0}, {100, 120, 250}}) {
        p.Minimum = r.Minimum;
        p.Maximum = r.Maximum;
        Ecu->VariableArea()[a] = uint8_t(r.Start);
        int prev = Ecu->ReadVariable(a);
        int lo = prev, hi = prev;
        for (int i = 0; i < 2000; ++i) {
            const int v = Ecu->ReadVariable(a);
            ASSERT_GE(v, r.Minimum);
            ASSERT_LE(v, r.Maximum);
            ASSERT_LE(std::abs(v - prev), 4);
            EXPECT_EQ(v, Ecu->VariableArea()[a]);
            prev = v;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        EXPECT_GT(hi - lo, 4) << "the value should wander";
    }

    // The noise area moves by at most one per read and stays a byte.
    for (uint8_t start : {0, 255}) {
        Ecu->NoiseArea()[0x10] = start;
        int prev = start;
        for (int i = 0; i < 500; ++i) {
            const int v = Ecu->ReadMemory(TFakeEcu::NoiseStart + 0x10);
            ASSERT_LE(std::abs(v - prev), 1);
            prev = v;
        }
    }

    // Stored bytes never drift.
    for (int s : {0x000, 0x06F, 0x071, 0x076, 0x07F, 0x08E, 0x0CD, 0x0F0, 0x0F7, 0x123, 0x132,
                  0x150, 0x169, 0x174, 0x181}) {
        Ecu->VariableArea()[s] = 0x37;
        for (int i = 0; i < 20; ++i)
            ASSERT_EQ(Ecu->ReadVariable(s), 0x37) << s;
    }
}

TEST_F(FakeEcu, DiagnosticSwitchByte)
{
    const TSwitchDef& sw = SwitchDefs[esTestMode];
    ASSERT_EQ(sw.ByteAddress, 0x061);
    Ecu->VariableArea()[0x061] = 0x11;
    struct Case {
        const char* Text;
        int Expected;
    };
    for (Case c : {Case{"$00", 0}, {"$1A", 0x1A}, {"12", 12}}) {
        Ecu->SetDiag61Text(c.Text);
        EXPECT_EQ(Ecu->ReadVariable(0x061), c.Expected) << c.Text;
    }

    // With the connector in, the stored byte with the test-mode bit answers.
    Ecu->SetTestModeConnector(true);
    EXPECT_EQ(Ecu->ReadVariable(0x061), 0x11 | (1 << sw.Bit));
    Ecu->SetTestModeConnector(false);
    EXPECT_EQ(Ecu->VariableArea()[0x061], 0x11 & ~(1 << sw.Bit));

    // Not a number: the read fails and the request gets no reply.
    Ecu->SetDiag61Text("zz");
    EXPECT_THROW(Ecu->ReadVariable(0x061), EConvertError);
    EXPECT_THROW(Request(ReadAddrsData({0x000070, 0x000061})), EConvertError);
    EXPECT_TRUE(Link->Sent.empty());
    EXPECT_FALSE(Link->Busy());
}

TEST_F(FakeEcu, WritesReadBackAndUpdateThePanel)
{
    struct Case {
        uint32_t Address;
        uint8_t Value;
        uint8_t ReadBack;
    };
    Ecu->RomImage()[0x10000] = 0x99;
    for (Case c : {Case{0x000070, 0x90, 0x90}, {0x00006F, 0x05, 0x05},
                   {0x010000, 0x12, 0x99}, {0x800020, 0x34, 0x34}, {0xFF0001, 0x00, 0xB3}}) {
        auto reply = Request(WriteAddrData(c.Address, c.Value));
        ASSERT_TRUE(reply);
        EXPECT_EQ(*reply, (TByteArray{0xF8, c.ReadBack})) << std::hex << c.Address;
    }
    EXPECT_EQ(Ecu->IdleSpeedText(), "400");
    EXPECT_EQ(Ecu->IgnitionRetardText(), "5");
    // The reset register is not among the stored bytes: only the panel keeps the value.
    ASSERT_TRUE(Request(WriteAddrData(0x000060, 0x40)));
    EXPECT_EQ(Ecu->EcuResetAddressText(), "40");

    // Write-block: the same rules byte by byte; the reply is what was read back.
    TByteArray block{0xB0, 0x00, 0x00, 0x70, 0x88, 0x89};
    auto reply = Request(block);
    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, (TByteArray{0xF0, 0x88, 0x89}));
    EXPECT_EQ(Ecu->IdleSpeedAcText(), "225");
}

TEST_F(FakeEcu, TickingCodesWritesTheirBitmaps)
{
    struct Case {
        TFakeCodeList List;
        int Code;
        int Address;
        int Bit;
        bool ObdBox;
    };
    for (Case c : {Case{clObdCurrent, 260, 0x0F0, 4, true},
                   {clObdHistoric, 5, 0x0AE, 5, true},
                   {clObdHistoric, 259, 0x0F4, 3, true},
                   {clObdCurrent, 300, 0x124, 4, true},
                   {clObdHistoric, 487, 0x181, 7, true},
                   {clNonObdCurrent, 10, 0x08F, 2, false},
                   {clNonObdHistoric, 87, 0x0AE, 7, false}}) {
        Ecu->SetObdDtcs(c.ObdBox);
        Ecu->SetCodeTicked(c.List, c.Code, true);
        EXPECT_TRUE(BitTest(Ecu->VariableArea()[c.Address], c.Bit)) << c.Code;
        EXPECT_TRUE(Ecu->CodeTicked(c.List, c.Code));
        Ecu->SetCodeTicked(c.List, c.Code, false);
        EXPECT_EQ(Ecu->VariableArea()[c.Address], 0) << c.Code;
    }

    // A bitmap written over the link ticks the matching list of the chosen kind.
    Ecu->SetObdDtcs(true);
    ASSERT_TRUE(Request(WriteAddrData(0x0F0, 0x10)));
    EXPECT_TRUE(Ecu->CodeTicked(clObdCurrent, 260));
    ASSERT_TRUE(Request(WriteAddrData(0x0C0, 0x01)));
    EXPECT_TRUE(Ecu->CodeTicked(clObdHistoric, (0x0C0 - 0x0AE) * 8));
    Ecu->SetObdDtcs(false);
    ASSERT_TRUE(Request(WriteAddrData(0x0A5, 0x82)));
    EXPECT_TRUE(Ecu->CodeTicked(clNonObdHistoric, 9));
    EXPECT_TRUE(Ecu->CodeTicked(clNonObdHistoric, 15));
    EXPECT_FALSE(Ecu->CodeTicked(clObdCurrent, (0x0A5 - 0x08E) * 8 + 1));

    // One tick rebuilds 61 bytes but tells the window once.
    Ecu->SetObdDtcs(true);
    QSignalSpy spy(Ecu.get(), &TFakeEcu::CodesChanged);
    Ecu->SetCodeTicked(clObdCurrent, 1, true);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), int(clObdCurrent));
}

TEST_F(FakeEcu, BaudMismatchGetsNoAnswer)
{
    Link->Baud = 9600;
    for (const TByteArray& req : {TByteArray{0xBF}, ReadAddrsData({0x70}), WriteAddrData(0x70, 1),
                                  ReadBlockData(0x1F8, 5), TByteArray{0xB0, 0, 0, 0x70, 1}})
        EXPECT_FALSE(Request(req)) << int(req[0]);
    EXPECT_EQ(Ecu->LastMessage(), "ECUE wrong BR 4800 9600");
    EXPECT_TRUE(LogHas("ECUE wrong BR 4800 9600", 7));
    EXPECT_EQ(Ecu->VariableArea()[0x070], 0x80) << "an unanswered write must not land";
    for (int k = 0; k < FakeEcuRequestKinds; ++k)
        EXPECT_EQ(Ecu->RequestsReceived(TFakeEcuRequest(k)), 1) << k;
    EXPECT_EQ(Ecu->RepliesSent(), 0);

    // Demo mode off: silent, without a warning.
    Link->Baud = 4800;
    Ecu->SetDemoActive(false);
    EXPECT_FALSE(Request({0xBF}));
    Ecu->SetDemoActive(true);
    EXPECT_TRUE(Request({0xBF}));
}

TEST_F(FakeEcu, IdentificationAndEcuType)
{
    // Only requests to the engine ECU are answered.
    EXPECT_FALSE(Request({0xBF}, 0x18));
    auto reply = Request({0xBF});
    ASSERT_TRUE(reply);
    TByteArray expected{0xFF};
    expected.insert(expected.end(), EcuInitReplies[DefaultDemoEcu].begin(),
                    EcuInitReplies[DefaultDemoEcu].end());
    EXPECT_EQ(*reply, expected);

    for (int e : DemoEcuTypes) {
        Ecu->SetEcuType(e);
        const TByteArray& init = EcuInitReplies[e];
        EXPECT_EQ(Ecu->VariableArea()[0x076], (e == 8 || e == 15 || e == 58) ? 0x55 : 0xFF) << e;
        EXPECT_EQ(Ecu->VariableArea()[0x077], 0xFF);
        EXPECT_EQ(Ecu->EcuVersionCodeText(), HexDump(EcuIds[e].RomId));
        // A reply too short for a position leaves its field empty.
        auto field = [&init](size_t pos) {
            return init.size() >= pos ? QString::asprintf("%02X", init[pos - 1]) : QString();
        };
        EXPECT_EQ(Ecu->Init37Text(), field(37)) << e;
        EXPECT_EQ(Ecu->Init38Text(), field(38)) << e;
        EXPECT_EQ(Ecu->Init48Text(), field(48)) << e;
        reply = Request(ReadBlockData(0x1F8, 5));
        ASSERT_TRUE(reply);
        EXPECT_EQ(TByteArray(reply->begin() + 1, reply->end()), EcuIds[e].RomId);
    }

    // A bad ROM id is refused before anything changes.
    Ecu->SetEcuType(8);
    EcuIds[15].RomId = {1, 2, 3, 4};
    try {
        Ecu->SetEcuType(15);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Version must be 5 bytes");
    }
    EXPECT_EQ(Ecu->EcuType(), 8);
    EXPECT_EQ(Ecu->VariableArea()[0x076], 0x55);
    EXPECT_THROW(Ecu->SetEcuType(EcuIdCount), Exception);
}

TEST_F(FakeEcu, BaudRateWriteIsAnsweredOnceTheEcuHasSwitched)
{
    // The answer waits until the ECU listens at the new rate, so the tester cannot send
    // a request at the new rate that the ECU would refuse.
    const size_t before = Link->Sent.size();
    EXPECT_FALSE(Request(WriteAddrData(0x000000, 0x75)));
    EXPECT_TRUE(Ecu->BaudFollowUpPending());
    QTest::qWait(300);
    EXPECT_EQ(Ecu->BaudRate(), 4800);
    EXPECT_EQ(Link->Sent.size(), before);
    QTRY_COMPARE_WITH_TIMEOUT(Link->Sent.size(), before + 1, 1000);
    EXPECT_EQ(Link->Sent.back(), BuildPacket(0xF0, 0x10, {0xF8, 0x75}));
    EXPECT_EQ(Ecu->BaudRate(), 38400);
    EXPECT_EQ(Link->Baud, 38400);
    EXPECT_EQ(Ecu->BaudRateText(), "38400");

    // Bits 5-6 pick the rate.
    for (auto [value, rate] : {std::pair{0x15, 4800}, {0x35, 9600}, {0x55, 19200}, {0x9F, 4800}}) {
        Link->Baud = Ecu->BaudRate();
        const size_t sent = Link->Sent.size();
        Request(WriteAddrData(0x000000, uint8_t(value)));
        QTRY_COMPARE_WITH_TIMEOUT(Link->Sent.size(), sent + 1, 1000);
        EXPECT_EQ(Ecu->BaudRate(), rate);
        EXPECT_FALSE(Ecu->BaudFollowUpPending());
    }

    // Cycling the ignition brings the ECU back to 4800.
    Ecu->SetEcuState("Busy");
    Ecu->VariableArea()[0x060] = 0x40;
    Link->Baud = 19200;
    Ecu->SetBaudRate(19200);
    Ecu->CycleIgnition();
    EXPECT_EQ(Ecu->BaudRate(), 4800);
    EXPECT_EQ(Link->Baud, 4800);
    EXPECT_EQ(Ecu->ParityName(), "None");
    EXPECT_EQ(Ecu->EcuState(), "Normal");
    EXPECT_EQ(Ecu->VariableArea()[0x060], 0xAA);
    EXPECT_EQ(Ecu->EcuResetAddressText(), "AA");
}

TEST_F(FakeEcu, DebugPageAndAddressChecks)
{
    ASSERT_TRUE(Request(ReadAddrsData({0x000010, 0x0001FF, 0x123456})));
    Ecu->ListAddrs();
    EXPECT_EQ(Ecu->DebugLines(), (QStringList{"$010", "$1ff", "2 total"}));
    Ecu->ClearAddrs();
    Ecu->ListAddrs();
    EXPECT_EQ(Ecu->DebugLines().back(), "0 total");
    Ecu->ClearWindow();
    EXPECT_TRUE(Ecu->DebugLines().isEmpty());

    auto range = [](uint32_t first, int n) {
        TLongWordArray a;
        for (int i = 0; i < n; ++i)
            a.push_back(first + i);
        return a;
    };
    ASSERT_TRUE(Request(ReadAddrsData(range(0x08E, 16))));
    ASSERT_TRUE(Request(ReadAddrsData(range(0x0F4, 4))));
    ASSERT_TRUE(Request(ReadAddrsData(range(0x0A4, 10))));  // one short: no match
    for (int i = 0; i < TFakeEcu::AddressCheckCount; ++i) {
        const QString name = TFakeEcu::AddressChecks[i].Name;
        EXPECT_EQ(Ecu->AddressCheck(i),
                  name == "addrObdDtcsCurBase1a" || name == "addrObdDtcsHstBase2")
            << name.toStdString();
    }
    Ecu->ClearAddressChecks();
    for (int i = 0; i < TFakeEcu::AddressCheckCount; ++i)
        EXPECT_FALSE(Ecu->AddressCheck(i));
}

TEST_F(FakeEcu, FlashPageDump)
{
    Ecu->RomImage()[0x1E000] = 0xAB;
    Ecu->RomImage()[0x1E021] = 0xCD;
    Ecu->SetFlashPage(99);
    EXPECT_EQ(Ecu->FlashPage(), 16);
    Ecu->RefreshFlash();
    const QStringList lines = Ecu->FlashText().split("\r\n");
    ASSERT_EQ(lines.size(), 256);
    EXPECT_TRUE(lines[0].startsWith("$1E000")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains("AB ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("$1E020"));
    EXPECT_EQ(lines[1].split(' ', Qt::SkipEmptyParts).value(2), "CD");
    Ecu->SetFlashPage(0);
    EXPECT_EQ(Ecu->FlashPage(), 1);
}

TEST_F(FakeEcu, Faults)
{
    const TByteArray req = ReadAddrsData({0x070, 0x071});
    const TByteArray good{0xE8, 0x80, 0x80};

    Ecu->SetFaults({.Silent = true, .Count = 2});
    EXPECT_FALSE(Request(req));
    EXPECT_FALSE(Request(req));
    EXPECT_EQ(Request(req), good) << "the faults clear after Count replies";

    Ecu->SetFaults({.LengthError = -1});
    EXPECT_EQ(Request(req), (TByteArray{0xE8, 0x80}));
    Ecu->SetFaults({.LengthError = 2});
    EXPECT_EQ(Request(req), (TByteArray{0xE8, 0x80, 0x80, 0x00, 0x00}));

    Ecu->SetFaults({.CorruptChecksum = true, .Count = 1});
    Link->Receive(BuildPacket(0x10, 0xF0, req));
    TByteArray expected = BuildPacket(0xF0, 0x10, good);
    ASSERT_NE(Link->Sent.back(), expected);
    expected.back() = uint8_t(expected.back() + 1);
    EXPECT_EQ(Link->Sent.back(), expected);

    Ecu->SetFaults({.ExtraDelayMs = 150, .Count = 1});
    const size_t before = Link->Sent.size();
    Link->Receive(BuildPacket(0x10, 0xF0, req));
    EXPECT_EQ(Link->Sent.size(), before);
    QTest::qWait(50);
    EXPECT_EQ(Link->Sent.size(), before);
    QTRY_COMPARE_WITH_TIMEOUT(Link->Sent.size(), before + 1, 1000);
    EXPECT_EQ(Link->Sent.back(), BuildPacket(0xF0, 0x10, good));

    EXPECT_EQ(Ecu->RequestsReceived(frReadAddresses), 7);
    EXPECT_EQ(Ecu->RepliesSent(), 5);
    Ecu->ResetCounters();
    EXPECT_EQ(Ecu->RequestsReceived(frReadAddresses), 0);
}

TEST_F(FakeEcu, Wiring)
{
    // Without a link a reply cannot go out.
    TFakeEcu lone(1u);
    try {
        lone.SendResponse({0xFF});
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "TFakeEcu.SendResponse: You forgot to assign the ecu interface, dummy");
    }

    // Detaching empties the link's request slots.
    Ecu->Connect(nullptr);
    EXPECT_FALSE(Link->OnInitRequest || Link->OnReadAddressesRequest ||
                 Link->OnWriteAddressRequest || Link->OnWriteBlockRequest ||
                 Link->OnReadBlockRequest);
    EXPECT_FALSE(Request({0xBF}));

    // A link that outlives its emulator does not call into it.
    Ecu->Connect(Link.get());
    Ecu.reset();
    EXPECT_FALSE(Request({0xBF}));
}

TEST_F(FakeEcu, TheResetValueClearsCodesAndAdjustments)
{
    Ecu->SetCodeTicked(clObdCurrent, 300, true);
    Ecu->SetCodeTicked(clObdHistoric, 5, true);
    ASSERT_TRUE(Request(WriteAddrData(0x000070, 0xA8)));
    ASSERT_TRUE(Request(WriteAddrData(0x00006F, 3)));
    // Another value in the reset register changes nothing.
    ASSERT_TRUE(Request(WriteAddrData(0x000060, 0x41)));
    EXPECT_TRUE(Ecu->CodeTicked(clObdCurrent, 300));

    ASSERT_TRUE(Request(WriteAddrData(0x000060, 0x40)));
    EXPECT_FALSE(Ecu->CodeTicked(clObdCurrent, 300));
    EXPECT_FALSE(Ecu->CodeTicked(clObdHistoric, 5));
    const auto& v = Ecu->VariableArea();
    EXPECT_TRUE(std::all_of(v.begin() + 0x08E, v.begin() + 0x0CE, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(v[0x124], 0);
    EXPECT_EQ(v[0x06F], 0);
    EXPECT_EQ(v[0x070], 0x80);
    EXPECT_EQ(v[0x071], 0x80);
    EXPECT_EQ(Ecu->IdleSpeedText(), ParamValueText(epidle, ScaleParam(epidle, 0x80)));
}
