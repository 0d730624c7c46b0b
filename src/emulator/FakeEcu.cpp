#include "FakeEcu.h"

#include "DtcLayout.h"
#include "EcuConstData.h"
#include "EcuConstFuncs.h"
#include "EcuInterface.h"
#include "Clock.h"
#include "EcuPacket.h"
#include "Errors.h"
#include "GenFuncs.h"
#include "NumFormat.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace {

// The six OBD bitmaps in code order: the standard block, then the extra groups.
constexpr std::array<TDtcGroup, 6> ObdGroups{{ObdDtcBlock, ObdDtcGroups[dg4], ObdDtcGroups[dg8],
                                              ObdDtcGroups[dg5a], ObdDtcGroups[dg5b],
                                              ObdDtcGroups[dg7]}};
constexpr int NonObdBytes = NonObdDtcBlock.Bytes;
constexpr int NonObdCurrentBase = int(NonObdDtcBlock.Current);
constexpr int NonObdHistoricBase = int(NonObdDtcBlock.Historic);

// Variable-area bytes that read back as stored: the baud-rate register, the adjustment
// bytes and the trouble-code bitmaps. Everything else but 0x061 is a drifting sensor.
struct TRange {
    int First, Last;
};
constexpr std::array<TRange, 9> StoredRanges{{
    {0x000, 0x000},
    {0x06F, 0x071},
    {0x076, 0x07F},
    {0x08E, 0x0CD},
    {0x0F0, 0x0F7},
    {0x123, 0x132},
    {0x150, 0x159},
    {0x160, 0x169},
    {0x174, 0x181},
}};
// The bitmap ranges among them, cleared when the ECU is created.
constexpr std::array<TRange, 6> BitmapRanges{{
    {0x08E, 0x0CD},
    {0x0F0, 0x0F7},
    {0x123, 0x132},
    {0x150, 0x159},
    {0x160, 0x169},
    {0x174, 0x181},
}};

bool InRanges(int a, const auto& ranges)
{
    return std::any_of(ranges.begin(), ranges.end(),
                       [a](const TRange& r) { return a >= r.First && a <= r.Last; });
}

// The reply code takes one data byte, and the length byte of a frame counts at most 255.
constexpr size_t MaxReplyData = 255;

QString Hex2(unsigned v)
{
    return QStringLiteral("%1").arg(v & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

QString ScaledText(TEcuParam p, uint8_t v)
{
    return ParamValueText(p, ScaleParam(p, v));
}

bool IsTuningEcu(int e)
{
    return e == 8 || e == 15 || e == 58;
}

// Raw bound of the variable byte a from the first parameter stored there (Minimum or
// Maximum in raw units; for the high byte of a 2-byte parameter, divided by 256). None
// when no parameter lives there or its scaling gives no usable number.
std::optional<int> RawBound(int a, bool maximum)
{
    for (const TParamDef& p : ParamDefs) {
        const bool low = p.LowAddress == a;
        const bool high = !low && p.Size == 2 && p.HighAddress == a;
        if (!low && !high)
            continue;
        if (p.Multiplier == 0.0)
            return std::nullopt;
        const double x = (maximum ? p.Maximum : p.Minimum) / p.Multiplier - p.Offset;
        if (!std::isfinite(x) || std::fabs(x) > 1e9)
            return std::nullopt;
        long long raw = RoundHalfEven(x);
        if (high)
            raw /= 256;
        return static_cast<int>(raw);
    }
    return std::nullopt;
}

} // namespace

const std::array<TFakeAddressCheck, TFakeEcu::AddressCheckCount> TFakeEcu::AddressChecks{{
    {"addrObdDtcsCurBase1a", 0x08E, 16},
    {"addrObdDtcsCurBase1b", 0x09E, 16},
    {"addrObdDtcsCurBase2", 0x0F0, 4},
    {"addrObdDtcsHstBase1a", 0x0AE, 16},
    {"addrObdDtcsHstBase1b", 0x0BE, 16},
    {"addrObdDtcsHstBase2", 0x0F4, 4},
    {"addrDTCsCurBase", 0x08E, 11},
    {"addrDTCsHstBase", 0x0A4, 11},
}};

// Collects the changes of one operation and signals them once, when the outermost
// operation ends (also when it ends with an error).
struct TNotifyScope {
    explicit TNotifyScope(TFakeEcu& ecu) : Ecu(ecu) { ++Ecu.FNotifyDepth; }
    ~TNotifyScope()
    {
        if (--Ecu.FNotifyDepth == 0)
            Ecu.Notify();
    }
    TNotifyScope(const TNotifyScope&) = delete;
    TNotifyScope& operator=(const TNotifyScope&) = delete;
    TFakeEcu& Ecu;
};

TFakeEcu::TFakeEcu(std::optional<uint32_t> seed, QObject* parent)
    : QObject(parent), FRandom(seed ? *seed : std::random_device{}())
{
    TNotifyScope scope(*this);
    FBaudTimer = new QTimer(this);
    FBaudTimer->setSingleShot(true);
    FBaudTimer->setInterval(500);
    connect(FBaudTimer, &QTimer::timeout, this, &TFakeEcu::BaudFollowUp);

    // The ROM image gets a fixed pattern so that its dump and block reads show something.
    for (int i = 0; i < RomSize; ++i)
        FRom[i] = static_cast<uint8_t>(i ^ (i >> 8));
    FNoise.fill(0x80);

    // 1. The code lists, nothing ticked.
    for (int l = 0; l < FakeCodeListCount; ++l)
        FTicks[l].assign(CodeCount(TFakeCodeList(l)), false);

    // 2. Random variable area.
    for (uint8_t& b : FVariable)
        b = static_cast<uint8_t>(RandomInt(0, 255));

    // 3. External inputs.
    FFlashXor = 0x82;
    FVpp = false;
    SetTestModeConnector(false);
    FErrorsPer1000 = 5;

    // 4. Adjustment bytes; empty bitmaps but for a few non-OBD codes that the lists do not show.
    WriteVariable(0x06F, 1);
    WriteVariable(0x070, 0x80);
    WriteVariable(0x071, 0x80);
    for (const TRange& r : BitmapRanges)
        std::fill(FVariable.begin() + r.First, FVariable.begin() + r.Last + 1, 0);
    auto setCode = [this](int base, int k) {
        const TNonObdCode& c = NonObdCodes[k];
        if (c.ByteIndex >= 0 && c.ByteIndex < NonObdBytes && c.Bit >= 0 && c.Bit < 8)
            FVariable[base + c.ByteIndex] |= static_cast<uint8_t>(1u << c.Bit);
    };
    setCode(NonObdCurrentBase, 0);
    setCode(NonObdHistoricBase, 0);
    setCode(NonObdHistoricBase, 2);

    // 5. Live-tuning bytes and idle speeds.
    for (int a = 0x079; a <= 0x07F; ++a)
        WriteVariable(a, 0x80);
    WriteVariable(0x070, 0x80);
    WriteVariable(0x071, 0x80);
    WriteVariable(0x078, 0xE0);

    // 6. The parameter pages list the table names (see DigitalParamName / AnalogueParamName).

    // 7.
    CycleIgnition();

    // 8. The ECU types on offer.
    for (int e = 0; e < EcuIdCount; ++e)
        if (!EcuIds[e].Description.isEmpty() && !EcuInitReplies[e].empty())
            FSelectable.push_back(e);

    // 9.
    SetEcuType(DefaultDemoEcu);
    FDirty = 0;  // nobody is listening yet
}

TFakeEcu::~TFakeEcu() = default;

// ---------------------------------------------------------------------------------------
// Link

void TFakeEcu::Connect(TEcuInterface* link)
{
    if (FLink && FLink != link) {
        FLink->OnReadAddressesRequest = nullptr;
        FLink->OnWriteAddressRequest = nullptr;
        FLink->OnWriteBlockRequest = nullptr;
        FLink->OnReadBlockRequest = nullptr;
        FLink->OnInitRequest = nullptr;
        FLink->OnTxEmpty = nullptr;
    }
    StopStream();
    FLink = link;
    if (!link)
        return;
    // The link may outlive the emulator; a handler of a freed emulator does nothing.
    QPointer<TFakeEcu> self(this);
    link->OnReadAddressesRequest = [self](uint8_t d, uint8_t s, int n, const TLongWordArray& a) {
        if (self)
            self->ReadAddressesRequest(d, s, n, a);
    };
    link->OnWriteAddressRequest = [self](uint8_t d, uint8_t s, uint8_t v, int n,
                                         const TLongWordArray& a) {
        if (self)
            self->WriteAddressRequest(d, s, v, n, a);
    };
    link->OnWriteBlockRequest = [self](uint32_t address, const TByteArray& bytes) {
        if (self)
            self->WriteBlockRequest(address, bytes);
    };
    link->OnReadBlockRequest = [self](uint32_t address, int count) {
        if (self)
            self->ReadBlockRequest(address, count);
    };
    link->OnInitRequest = [self](uint8_t d, uint8_t s, const TByteArray& data) {
        if (self)
            self->InitRequest(d, s, data);
    };
    link->OnTxEmpty = [self] {
        if (self)
            self->TxEmpty();
    };
}

void TFakeEcu::SetLink(TEcuInterface* link)
{
    FLink = link;
}

TEcuInterface* TFakeEcu::Link() const
{
    return FLink;
}

bool TFakeEcu::Answering()
{
    if (!FDemoActive)
        return false;
    if (FLink && FLink->GetBaudRate() != FBaudRate) {
        ShowMessage(QString::asprintf("ECUE wrong BR %d %d", FBaudRate, FLink->GetBaudRate()));
        return false;
    }
    return true;
}

void TFakeEcu::ShowMessage(const QString& text)
{
    FLastMessage = text;
    if (FLink)
        FLink->LogMsg(text, 7);
    emit MessageShown(text);
}

// ---------------------------------------------------------------------------------------
// Requests

void TFakeEcu::ReadAddressesRequest(uint8_t, uint8_t, int, const TLongWordArray& addresses)
{
    ++FReceived[frReadAddresses];
    TNotifyScope scope(*this);
    StopStream();
    if (!Answering())
        return;
    CheckAddresses(addresses);
    FScenario.Advance(GetTickCount());  // one moment for every byte of the reply
    TByteArray reply{EcuCmd::ReadAddressesReply};
    for (uint32_t a : addresses)
        reply.push_back(ReadAddress(a));
    if (FLink && FLink->HeardReadFlag == 0x01 && !addresses.empty()) {
        FStreaming = true;
        FStreamAddresses = addresses;
    }
    SendResponse(reply);
}

void TFakeEcu::StopStream()
{
    FStreaming = false;
    FStreamSent = false;
    FStreamAddresses.clear();
}

void TFakeEcu::TxEmpty()
{
    // Only the end of our own streamed reply moves the stream on, not the echo of a request.
    if (!FStreaming || !FStreamSent)
        return;
    FStreamSent = false;
    StreamNext();
}

void TFakeEcu::StreamNext()
{
    TNotifyScope scope(*this);
    if (!Answering()) {
        StopStream();
        return;
    }
    FScenario.Advance(GetTickCount());
    TByteArray reply{EcuCmd::ReadAddressesReply};
    for (uint32_t a : FStreamAddresses)
        reply.push_back(ReadAddress(a));
    SendResponse(reply);
}

void TFakeEcu::WriteAddressRequest(uint8_t, uint8_t, uint8_t value, int,
                                   const TLongWordArray& addresses)
{
    ++FReceived[frWriteAddress];
    TNotifyScope scope(*this);
    StopStream();
    if (!Answering())
        return;
    for (uint32_t a : addresses)
        WriteAddress(a, value);
    if (value == ResetValue &&
        std::find(addresses.begin(), addresses.end(), ResetRegister) != addresses.end())
        ResetAdjustments();
    TByteArray reply{EcuCmd::WriteAddressReply};
    for (uint32_t a : addresses)
        reply.push_back(ReadAddress(a));
    // A rate change is answered once the ECU has switched: until the reply arrives the
    // tester sends nothing, so no request goes out at the new rate while the ECU still
    // listens at the old one.
    if (std::find(addresses.begin(), addresses.end(), BaudRateRegister) != addresses.end()) {
        FHeldReply = reply;
        FBaudTimer->start();
        return;
    }
    SendResponse(reply);
}

void TFakeEcu::WriteBlockRequest(uint32_t address, const TByteArray& bytes)
{
    ++FReceived[frWriteBlock];
    TNotifyScope scope(*this);
    StopStream();
    if (!Answering())
        return;
    for (size_t i = 0; i < bytes.size(); ++i)
        WriteAddress(address + uint32_t(i), bytes[i]);
    TByteArray reply{EcuCmd::WriteBlockReply};
    for (size_t i = 0; i < bytes.size(); ++i)
        reply.push_back(ReadAddress(address + uint32_t(i)));
    SendResponse(reply);
}

void TFakeEcu::ReadBlockRequest(uint32_t address, int count)
{
    ++FReceived[frReadBlock];
    TNotifyScope scope(*this);
    StopStream();
    if (!Answering())
        return;
    TByteArray reply{EcuCmd::ReadBlockReply};
    for (int i = 0; i < count; ++i)
        reply.push_back(ReadMemory(address + uint32_t(i)));
    SendResponse(reply);
}

void TFakeEcu::InitRequest(uint8_t dest, uint8_t, const TByteArray&)
{
    ++FReceived[frInit];
    TNotifyScope scope(*this);
    StopStream();
    if (!Answering() || dest != EcuNodes::Ecu)
        return;
    TByteArray reply{EcuCmd::InitReply};
    const TByteArray& id = EcuInitReplies[FEcuType];
    reply.insert(reply.end(), id.begin(), id.end());
    SendResponse(reply);
}

void TFakeEcu::SendResponse(const TByteArray& data)
{
    if (!FLink)
        throw Exception(
            QStringLiteral("TFakeEcu.SendResponse: You forgot to assign the ecu interface, dummy"));

    TByteArray reply = data;
    // A 256-byte block read would not fit one frame: its length byte would wrap and the
    // tester would take a garbled frame. Send what fits instead.
    if (reply.size() > MaxReplyData) {
        FLink->LogMsg(QStringLiteral("TFakeEcu.SendResponse: reply cut to %1 bytes")
                          .arg(MaxReplyData),
                      7);
        reply.resize(MaxReplyData);
    }

    TFakeEcuFaults f;
    if (FFaults.Any() && FFaults.Count != 0) {
        f = FFaults;
        if (FFaults.Count > 0 && --FFaults.Count == 0)
            FFaults = TFakeEcuFaults();
    }
    if (f.Silent)
        return;
    if (f.LengthError < 0) {
        const size_t drop = std::min(reply.size() - 1, size_t(-f.LengthError));
        reply.resize(reply.size() - drop);
    } else if (f.LengthError > 0) {
        reply.resize(std::min(MaxReplyData, reply.size() + size_t(f.LengthError)), 0);
    }

    auto send = [this, link = FLink, reply, corrupt = f.CorruptChecksum] {
        if (!link)
            return;
        ++FRepliesSent;
        if (FStreaming)
            FStreamSent = true;
        if (corrupt) {
            TByteArray frame = BuildPacket(link->TesterAddress, link->EcuAddress, reply);
            frame.back() = static_cast<uint8_t>(frame.back() + 1);
            link->SendRaw(frame);
        } else {
            link->SendReply(reply);
        }
    };
    if (f.ExtraDelayMs > 0)
        QTimer::singleShot(f.ExtraDelayMs, this, send);
    else
        send();
}

void TFakeEcu::CheckAddresses(const TLongWordArray& addresses)
{
    if (addresses.empty())
        return;
    for (int i = 0; i < AddressCheckCount; ++i) {
        const TFakeAddressCheck& c = AddressChecks[i];
        if (addresses.front() == c.First && int(addresses.size()) == c.Count &&
            !FAddressChecks.test(i)) {
            FAddressChecks.set(i);
            FDirty |= dChecks;
        }
    }
}

void TFakeEcu::BaudFollowUp()
{
    TNotifyScope scope(*this);
    static constexpr std::array<int, 4> Rates{4800, 9600, 19200, 38400};
    SetBaudRate(Rates[(FVariable[0x000] >> 5) & 3]);
    TByteArray reply;
    reply.swap(FHeldReply);
    if (!reply.empty() && FLink && FDemoActive)
        SendResponse(reply);
}

void TFakeEcu::SetScenario(TScenario scenario)
{
    TNotifyScope scope(*this);
    FScenario.Start(scenario, GetTickCount());
    FDirty |= dSettings;
}

void TFakeEcu::SetRoadTestGear(int gear)
{
    TNotifyScope scope(*this);
    FScenario.SetRoadTestGear(gear);
    FDirty |= dSettings;
}

bool TFakeEcu::BaudFollowUpPending() const
{
    return FBaudTimer->isActive();
}

// ---------------------------------------------------------------------------------------
// Memory

uint8_t TFakeEcu::ReadMemory(uint32_t address)
{
    if (address < RamStart)
        return FRom[address % RomSize];
    if (address < RamStart + RamSize)
        return FRam[address - RamStart];
    if (address < NoiseStart + NoiseSize) {
        uint8_t& b = FNoise[address - NoiseStart];
        b = static_cast<uint8_t>(std::clamp(b + RandomInt(-1, 1), 0, 255));
        return b;
    }
    if (address >= PatternStart && address <= 0xFFFFFF) {
        static constexpr std::array<uint8_t, 4> Pattern{0x3E, 0xB3, 0x33, 0x33};
        return Pattern[address & 3];
    }
    ShowMessage(QStringLiteral("Address out of range"));
    return 0;
}

uint8_t TFakeEcu::ReadAddress(uint32_t address)
{
    if (address < VariableSize)
        return ReadVariable(int(address));
    return ReadMemory(address);
}

void TFakeEcu::WriteAddress(uint32_t address, uint8_t value)
{
    if (address < VariableSize)
        WriteVariable(int(address), value);
    else if (address >= RamStart && address < RamStart + RamSize)
        FRam[address - RamStart] = value;
    else if (address >= NoiseStart && address < NoiseStart + NoiseSize)
        FNoise[address - NoiseStart] = value;
}

int TFakeEcu::LowRaw(int a)
{
    return RawBound(a, false).value_or(0);
}

int TFakeEcu::HighRaw(int a)
{
    return RawBound(a, true).value_or(255);
}

uint8_t TFakeEcu::ReadVariable(int a)
{
    FReadMarks.set(a);
    if (InRanges(a, StoredRanges))
        return FVariable[a];
    if (a == int(DiagSwitchAddress)) {
        if (FTestMode)
            return FVariable[a];
        return static_cast<uint8_t>(StrToInt(FDiag61Text));  // EConvertError ends the request
    }
    if (const std::optional<uint8_t> b = FScenario.Byte(a)) {
        FVariable[a] = *b;  // Random drifts on from here
        return *b;
    }
    int lo = LowRaw(a);
    int hi = HighRaw(a);
    if (lo > hi)  // a negative multiplier turns the range round
        std::swap(lo, hi);
    const int v = std::clamp(std::clamp(FVariable[a] + RandomInt(-4, 4), lo, hi), 0, 255);
    FVariable[a] = static_cast<uint8_t>(v);
    return FVariable[a];
}

void TFakeEcu::WriteVariable(int a, uint8_t value)
{
    TNotifyScope scope(*this);
    FVariable[a] = value;
    UpdatePanelForWrite(a, value);
}

void TFakeEcu::UpdatePanelForWrite(int a, uint8_t v)
{
    switch (a) {
    case 0x060:
        FResetText = Hex2(v);
        FDirty |= dSettings;
        return;
    case 0x06F:
        FIgnRetardText = ScaledText(epignret, v);
        FDirty |= dSettings;
        return;
    case 0x070:
        FIdleSpeedText = ScaledText(epidle, v);
        FDirty |= dSettings;
        return;
    case 0x071:
        FIdleSpeedAcText = ScaledText(epidleac, v);
        FDirty |= dSettings;
        return;
    default:
        break;
    }
    if (FObdDtcs) {
        // The base bitmaps only: the standard block and the 4-byte group.
        for (const TDtcGroup& g : {ObdGroups[0], ObdGroups[1]}) {
            const int current = int(g.Current), historic = int(g.Historic);
            if (a >= current && a < current + g.Bytes)
                TickFromByte(clObdCurrent, g.FirstCode + (a - current) * 8, v);
            else if (a >= historic && a < historic + g.Bytes)
                TickFromByte(clObdHistoric, g.FirstCode + (a - historic) * 8, v);
        }
    } else {
        if (a >= NonObdCurrentBase && a < NonObdCurrentBase + NonObdBytes)
            TickFromByte(clNonObdCurrent, (a - NonObdCurrentBase) * 8, v);
        else if (a >= NonObdHistoricBase && a < NonObdHistoricBase + NonObdBytes)
            TickFromByte(clNonObdHistoric, (a - NonObdHistoricBase) * 8, v);
    }
}

void TFakeEcu::TickFromByte(TFakeCodeList list, int firstCode, uint8_t value)
{
    std::vector<bool>& ticks = FTicks[list];
    for (int b = 0; b < 8; ++b) {
        const int code = firstCode + b;
        const bool on = (value >> b) & 1;
        if (code < int(ticks.size()) && ticks[code] != on) {
            ticks[code] = on;
            MarkCodes(list);
        }
    }
}

int TFakeEcu::RandomInt(int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(FRandom);
}

// ---------------------------------------------------------------------------------------
// Panel operations

void TFakeEcu::SetEcuType(int e)
{
    if (e < 0 || e >= EcuIdCount)
        throw Exception(QStringLiteral("Unknown ECU type %1").arg(e));
    const TByteArray& id = EcuIds[e].RomId;
    if (id.size() != 5)
        throw Exception(QStringLiteral("Version must be 5 bytes"));
    TNotifyScope scope(*this);
    FEcuType = e;
    std::copy(id.begin(), id.end(), FRom.begin() + RomIdAddress);
    FVersionText = HexDump(id, 1);
    const TByteArray& init = EcuInitReplies[e];
    static constexpr std::array<int, 3> Positions{37, 38, 48};
    for (size_t i = 0; i < Positions.size(); ++i)
        FInitTexts[i] = int(init.size()) >= Positions[i] ? Hex2(init[Positions[i] - 1]) : QString();
    FVariable[0x076] = IsTuningEcu(e) ? 0x55 : 0xFF;
    FVariable[0x077] = 0xFF;
    FDirty |= dVersion;
}

void TFakeEcu::SetBaudRate(int rate)
{
    TNotifyScope scope(*this);
    FBaudRate = rate;
    if (FLink)
        FLink->SetBaudRate(rate);
    FDirty |= dSettings;
}

void TFakeEcu::CycleIgnition()
{
    TNotifyScope scope(*this);
    FEcuState = QStringLiteral("Normal");
    SetBaudRate(4800);
    FParity = 0;
    WriteVariable(0x060, 0xAA);
    FDirty |= dSettings;
}

void TFakeEcu::ResetAdjustments()
{
    TNotifyScope scope(*this);
    for (int l = 0; l < FakeCodeListCount; ++l) {
        std::vector<bool>& ticks = FTicks[l];
        if (std::find(ticks.begin(), ticks.end(), true) != ticks.end())
            MarkCodes(TFakeCodeList(l));
        std::fill(ticks.begin(), ticks.end(), false);
    }
    // Every bitmap byte, also those of codes set without a tick.
    for (const TRange& r : BitmapRanges)
        for (int a = r.First; a <= r.Last; ++a)
            WriteVariable(a, 0);
    WriteVariable(0x06F, 0);
    WriteVariable(0x070, 0x80);
    WriteVariable(0x071, 0x80);
}

QString TFakeEcu::ParityName() const
{
    return TEcuInterface::ParityName(FParity);
}

void TFakeEcu::SetFlashXor(uint8_t value)
{
    TNotifyScope scope(*this);
    FFlashXor = value;
    FDirty |= dSettings;
}

void TFakeEcu::SetEcuState(const QString& state)
{
    TNotifyScope scope(*this);
    FEcuState = state;
    FDirty |= dSettings;
}

void TFakeEcu::SetVpp(bool on)
{
    TNotifyScope scope(*this);
    FVpp = on;
    FDirty |= dSettings;
}

void TFakeEcu::SetTestModeConnector(bool on)
{
    TNotifyScope scope(*this);
    FTestMode = on;
    const TSwitchDef& sw = SwitchDefs[esTestMode];
    if (sw.ByteAddress >= 0 && sw.ByteAddress < VariableSize)
        BitSet(FVariable[sw.ByteAddress], sw.Bit, on);
    FDirty |= dSettings;
}

void TFakeEcu::SetErrorsPer1000(int value)
{
    TNotifyScope scope(*this);
    FErrorsPer1000 = std::clamp(value, 0, MaxErrorsPer1000);
    FDirty |= dSettings;
}

void TFakeEcu::SetObdDtcs(bool on)
{
    TNotifyScope scope(*this);
    FObdDtcs = on;
    FDirty |= dSettings;
}

// ---------------------------------------------------------------------------------------
// Code lists

int TFakeEcu::CodeCount(TFakeCodeList list)
{
    return list == clNonObdCurrent || list == clNonObdHistoric ? NonObdCodeCount : ObdCodeCount;
}

QString TFakeEcu::CodeText(TFakeCodeList list, int code)
{
    const bool obd = list == clObdCurrent || list == clObdHistoric;
    if (code < 0 || code >= (obd ? ObdCodeCount : NonObdCodeCount))
        throw std::out_of_range("TFakeEcu::CodeText");
    return DtcEntryText(obd, code);
}

bool TFakeEcu::CodeTicked(TFakeCodeList list, int code) const
{
    return FTicks.at(list).at(code);
}

void TFakeEcu::SetCodeTicked(TFakeCodeList list, int code, bool on)
{
    TNotifyScope scope(*this);
    std::vector<bool>& ticks = FTicks.at(list);
    if (ticks.at(code) != on) {
        ticks[code] = on;
        MarkCodes(list);
    }
    WriteCodeBitmap(list);
}

void TFakeEcu::WriteCodeBitmap(TFakeCodeList list)
{
    const std::vector<bool> ticks = FTicks[list];  // a copy: the writes may retick shared bytes
    auto byteOf = [&ticks](int firstCode) {
        uint8_t b = 0;
        for (int k = 0; k < 8; ++k)
            if (firstCode + k < int(ticks.size()) && ticks[firstCode + k])
                b |= static_cast<uint8_t>(1u << k);
        return b;
    };
    if (list == clNonObdCurrent || list == clNonObdHistoric) {
        const int base = list == clNonObdCurrent ? NonObdCurrentBase : NonObdHistoricBase;
        for (int i = 0; i < NonObdBytes; ++i)
            WriteVariable(base + i, byteOf(i * 8));
        return;
    }
    for (const TDtcGroup& g : ObdGroups) {
        const int base = int(list == clObdCurrent ? g.Current : g.Historic);
        for (int i = 0; i < g.Bytes; ++i)
            WriteVariable(base + i, byteOf(g.FirstCode + i * 8));
    }
}

// ---------------------------------------------------------------------------------------
// Debug, flash, parameter and version pages

void TFakeEcu::ListAddrs()
{
    TNotifyScope scope(*this);
    for (int a = 0; a < VariableSize; ++a)
        if (FReadMarks.test(a))
            FDebugLines << QString::asprintf("$%3.3x", a);
    FDebugLines << QString::asprintf("%d total", int(FReadMarks.count()));
    FDirty |= dDebug;
}

void TFakeEcu::ClearAddrs()
{
    FReadMarks.reset();
}

void TFakeEcu::ClearWindow()
{
    TNotifyScope scope(*this);
    FDebugLines.clear();
    FDirty |= dDebug;
}

void TFakeEcu::SetFlashPage(int page)
{
    TNotifyScope scope(*this);
    FFlashPage = std::clamp(page, 1, FlashPageCount);
    FDirty |= dFlash;
}

void TFakeEcu::RefreshFlash()
{
    TNotifyScope scope(*this);
    const int start = (FFlashPage - 1) * FlashPageSize;
    const TByteArray page(FRom.begin() + start, FRom.begin() + start + FlashPageSize);
    FFlashText = HexDumpAddr(page, 1, 32, start);
    FDirty |= dFlash;
}

QString TFakeEcu::DigitalParamName(int i)
{
    return SwitchDefs.at(i).Name;
}

QString TFakeEcu::AnalogueParamName(int i)
{
    return ParamDefs.at(i).Name;
}

void TFakeEcu::SetDigitalParamTicked(int i, bool on)
{
    TNotifyScope scope(*this);
    FDigitalTicks.at(i) = on;
    FDirty |= dParams;
}

void TFakeEcu::SetAnalogueParamTicked(int i, bool on)
{
    TNotifyScope scope(*this);
    FAnalogueTicks.at(i) = on;
    FDirty |= dParams;
}

void TFakeEcu::SetDigitalUseDefault(bool on)
{
    TNotifyScope scope(*this);
    FDigitalUseDefault = on;
    FDirty |= dParams;
}

void TFakeEcu::SetAnalogueUseDefault(bool on)
{
    TNotifyScope scope(*this);
    FAnalogueUseDefault = on;
    FDirty |= dParams;
}

void TFakeEcu::SetDiag61Text(const QString& text)
{
    TNotifyScope scope(*this);
    FDiag61Text = text;
    FDirty |= dVersion;
}

void TFakeEcu::ClearAddressChecks()
{
    TNotifyScope scope(*this);
    FAddressChecks.reset();
    FDirty |= dChecks;
}

void TFakeEcu::ResetCounters()
{
    FReceived.fill(0);
    FRepliesSent = 0;
}

void TFakeEcu::Notify()
{
    const unsigned dirty = std::exchange(FDirty, 0u);
    for (int l = 0; l < FakeCodeListCount; ++l)
        if (dirty & (dCodes0 << l))
            emit CodesChanged(l);
    if (dirty & dSettings)
        emit SettingsChanged();
    if (dirty & dDebug)
        emit DebugChanged();
    if (dirty & dFlash)
        emit FlashChanged();
    if (dirty & dParams)
        emit ParamsChanged();
    if (dirty & dVersion)
        emit VersionChanged();
    if (dirty & dChecks)
        emit AddressChecksChanged();
}
