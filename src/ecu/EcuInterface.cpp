#include "EcuInterface.h"

#include "EcuConstData.h"
#include "EcuConstFuncs.h"
#include "GenFuncs.h"
#include "Settings.h"
#include "ThdTimer.h"

#include <cstring>

namespace {
// Clears the busy flag whatever happens in a handler.
struct TBusyGuard {
    bool& Flag;
    explicit TBusyGuard(bool& flag) : Flag(flag) { Flag = true; }
    ~TBusyGuard() { Flag = false; }
};
} // namespace

TEcuInterface::TEcuInterface()
{
    auto& store = TSettingsStore::Instance();
    ComPort = store.ReadString(SettingsKey, QStringLiteral("ComPort"), QString());
    if (ComPort.isEmpty())
        ComPort = QStringLiteral("COM1");
    X8Baud = store.ReadBool(SettingsKey, QStringLiteral("x8Baud"), false);
    FLog.SetFields(FLog.BaudRateText, FLog.ParityText, ComPort);

    FPacketCompleteTimer = new TThreadedTimer(QStringLiteral("PacketCompleteTimer"), this);
    FPacketCompleteTimer->SetInterval(500);
    FPacketCompleteTimer->OnTimer = [this](TThreadedTimer*) {
        FReceiver.Reset();
        FPacketCompleteTimer->SetEnabled(false);
    };

    FRetryTimer = new QTimer(this);
    FRetryTimer->setInterval(1000);
    connect(FRetryTimer, &QTimer::timeout, this, &TEcuInterface::RetryTimerTick);
}

TEcuInterface::~TEcuInterface()
{
    FRetryTimer->stop();
    delete FRetryTimer;
    FRetryTimer = nullptr;
    delete FPacketCompleteTimer;
    FPacketCompleteTimer = nullptr;

    auto& store = TSettingsStore::Instance();
    store.WriteString(SettingsKey, QStringLiteral("ComPort"), ComPort);
    store.WriteBool(SettingsKey, QStringLiteral("x8Baud"), X8Baud);
}

// ---------------------------------------------------------------- port defaults

bool TEcuInterface::ReadByte(uint8_t& b)
{
    return Read(&b, 1) == 1;
}

void TEcuInterface::SetBaudRate(int value)
{
    ShowBaudRate(value);
}

void TEcuInterface::ShowBaudRate(int value)
{
    FLog.SetFields(QString::number(value), FLog.ParityText, FLog.ComPortText);
}

QString TEcuInterface::ParityName(uint8_t parity)
{
    static const char* const names[] = {"None", "Odd", "Even", "Mark", "Space"};
    return parity < 5 ? QString::fromLatin1(names[parity]) : QString();
}

void TEcuInterface::SetParity(uint8_t value)
{
    const QString name = ParityName(value);
    if (!name.isEmpty())
        FLog.SetFields(FLog.BaudRateText, name, FLog.ComPortText);
}

void TEcuInterface::SendRaw(const TByteArray&) {}

// ---------------------------------------------------------------- operations

void TEcuInterface::RequestInit()
{
    SetBaudRate(BaudRate);
    SendRequest({EcuCmd::Init});
}

void TEcuInterface::ResetEcu()
{
    SetBaudRate(BaudRate);
    WriteAddress({ResetRegister}, {ResetValue});
}

TByteArray TEcuInterface::ReadAddressesData(const TLongWordArray& addresses, uint8_t flag) const
{
    if (addresses.empty())
        throw EEcuInterface(QStringLiteral("Bad address read count (<0): %1").arg(0));
    if (addresses.size() * 3 + 2 > static_cast<size_t>(MaxRequestData))
        throw EEcuInterface(QStringLiteral("Bad address read count (>%1): %2")
                                .arg((MaxRequestData - 2) / 3)
                                .arg(addresses.size()));
    TByteArray data;
    data.reserve(2 + addresses.size() * 3);
    data.push_back(EcuCmd::ReadAddresses);
    data.push_back(flag);
    for (uint32_t a : addresses) {
        data.push_back(static_cast<uint8_t>(a >> 16));
        data.push_back(static_cast<uint8_t>(a >> 8));
        data.push_back(static_cast<uint8_t>(a));
    }
    return data;
}

void TEcuInterface::ReadAddresses(const TLongWordArray& addresses)
{
    SetBaudRate(BaudRate);
    const TByteArray data = ReadAddressesData(addresses, ReadFlag);
    // The list is recorded only for a request that really went out: a dropped request
    // must not change how the outstanding one's reply is matched.
    if (SendRequest(data)) {
        LastReadCount = static_cast<int>(addresses.size());
        AddressList = addresses;
    }
}

void TEcuInterface::StartFastPoll(const TParamSet& params, const TSwitchSet& switches,
                                  const TLongWordArray& extra)
{
    if (!SupportsFastPoll())
        throw EEcuInterface(QStringLiteral("Fast polling is not supported by this link"));
    const TLongWordArray addresses = BuildPollList(params, switches, extra);
    SetBaudRate(BaudRate);
    const TByteArray data = ReadAddressesData(addresses, 0x01);
    // The stream replaces whatever was outstanding.
    ClearPending();
    SendRequest(data);
    LastReadCount = static_cast<int>(addresses.size());
    AddressList = addresses;
    FFastRequest = PendingRequest;
    FFastPoll = true;
}

void TEcuInterface::StopFastPoll()
{
    if (!FFastPoll)
        return;
    FFastPoll = false;
    FFastRequest.clear();
    const TLongWordArray addresses = AddressList;
    ClearPending();
    if (!addresses.empty())
        ReadAddresses(addresses);
}

void TEcuInterface::WriteAddress(const TLongWordArray& addresses, const TByteArray& values)
{
    SetBaudRate(BaudRate);
    if (addresses.size() != 1 || values.empty())
        throw EEcuInterface(QStringLiteral("Bad address write count"));
    TByteArray data = AddrToString(addresses[0]);
    data.insert(data.begin(), EcuCmd::WriteAddress);
    data.push_back(values[0]);
    if (SendRequest(data))
        AddressList = {addresses[0]};
}

TLongWordArray TEcuInterface::BuildPollList(const TParamSet& params, const TSwitchSet& switches,
                                            const TLongWordArray& extra)
{
    TLongWordArray list;
    for (int i = 0; i < EcuParamCount; ++i) {
        if (!params.test(i))
            continue;
        const TParamDef& def = ParamDefs[i];
        list.push_back(static_cast<uint32_t>(def.LowAddress));
        if (def.Size == 2) {
            list.push_back(static_cast<uint32_t>(def.HighAddress));
        } else if (def.Size == 4) {
            for (int k = 1; k <= 3; ++k)
                list.push_back(static_cast<uint32_t>(def.LowAddress + k));
        }
    }
    // Switch bytes: each distinct byte once, ascending.
    std::vector<uint32_t> bytes;
    for (int s = 0; s < EcuSwitchCount; ++s)
        if (switches.test(s))
            bytes.push_back(static_cast<uint32_t>(SwitchDefs[s].ByteAddress));
    std::sort(bytes.begin(), bytes.end());
    bytes.erase(std::unique(bytes.begin(), bytes.end()), bytes.end());
    list.insert(list.end(), bytes.begin(), bytes.end());
    list.insert(list.end(), extra.begin(), extra.end());
    return list;
}

void TEcuInterface::PollParameters(const TParamSet& params, const TSwitchSet& switches,
                                   const TLongWordArray& extra)
{
    ReadAddresses(BuildPollList(params, switches, extra));
}

void TEcuInterface::ClearPending()
{
    AddressList.clear();
    BlockAddress = -1;
    PendingRequest.clear();
    FRetryTimer->stop();
}

void TEcuInterface::SetEcuBaudRate(int rate)
{
    uint8_t code = 0;
    switch (rate) {
    case 4800:
        code = 0x15;
        break;
    case 9600:
        code = 0x35;
        break;
    case 19200:
        code = 0x55;
        break;
    case 38400:
        code = 0x75;
        break;
    default:
        throw EEcuInterface(QStringLiteral("UBR"));
    }
    if (!PendingRequest.empty()) {
        // Dropped now, the write would leave the link at the new rate and the ECU at the
        // old one; it goes out after the outstanding reply instead.
        FQueuedBaudRate = rate;
        return;
    }
    FQueuedBaudRate = 0;
    WriteAddress({BaudRateRegister}, {code});
    BaudRate = rate;
    ShowBaudRate(rate);
    FSentBaudRate = rate;
    FSentBaudCode = code;
}

void TEcuInterface::SendQueuedBaudRate()
{
    // After the reply's handlers: one of them may have sent its next request already, and
    // the change then waits for that one's reply.
    if (FQueuedBaudRate != 0 && PendingRequest.empty() && !FFastPoll)
        SetEcuBaudRate(FQueuedBaudRate);
}

bool TEcuInterface::FindEcu(int& index) const
{
    return ::FindEcu(RomId, index);
}

bool TEcuInterface::SendRequest(const TByteArray& data)
{
    if (!PendingRequest.empty())
        return false;
    if (data.empty() || data.size() > static_cast<size_t>(MaxRequestData))
        throw EEcuInterface(QStringLiteral("Bad request length: %1").arg(data.size()));
    TByteArray frame = BuildPacket(EcuAddress, TesterAddress, data);
    SendRaw(frame);
    PendingRequest = std::move(frame);
    FAttempts = 1;
    FRetryTimer->start();
    return true;
}

void TEcuInterface::SendReply(const TByteArray& data)
{
    SendRaw(BuildPacket(TesterAddress, EcuAddress, data));
}

void TEcuInterface::RetryTimerTick()
{
    if (PendingRequest.empty()) {
        FRetryTimer->stop();
    } else if (FAttempts < MaxAttempts) {
        SendRaw(PendingRequest);
        ++FAttempts;
        ++Retries;
    } else {
        FRetryTimer->stop();
        FFastPoll = false;
        FFastRequest.clear();
        const TByteArray request = std::move(PendingRequest);
        PendingRequest.clear();
        if (OnRequestTimeout)
            OnRequestTimeout(request);
    }
}

// ---------------------------------------------------------------- receiving

void TEcuInterface::ProcessRx()
{
    if (!GetActive() || FBusy)
        return;
    uint8_t b;
    while (ReadByte(b)) {
        FPacketCompleteTimer->Restart();
        switch (FReceiver.Feed(b)) {
        case TEcuReceiver::rxContinue:
            break;
        case TEcuReceiver::rxStopTimer:
            FPacketCompleteTimer->SetEnabled(false);
            break;
        case TEcuReceiver::rxBadChecksum:
            FPacketCompleteTimer->SetEnabled(false);
            if (FReceiver.Source() != TesterAddress)
                ++InvalidReplies;
            break;
        case TEcuReceiver::rxFrame: {
            FPacketCompleteTimer->SetEnabled(false);
            TBusyGuard guard(FBusy);
            Dispatch(FReceiver.Destination(), FReceiver.Source(), FReceiver.Data(),
                     FReceiver.DataLength());
            break;
        }
        }
        // A handler may have made the link inactive (closing down, lost port).
        if (!GetActive())
            return;
    }
}

void TEcuInterface::Dispatch(uint8_t dest, uint8_t source, const uint8_t* data, int length)
{
    const TByteArray frameData(data, data + length);
    if (source == TesterAddress) {
        DecodeRequest(dest, source, frameData);
    } else if (source == EcuAddress || source == EcuNodes::AltEcu) {
        DecodeReply(dest, source, frameData);
        SendQueuedBaudRate();
    } else if (OnOtherSource) {
        OnOtherSource(dest, source, frameData);
    }
}

void TEcuInterface::DecodeRequest(uint8_t dest, uint8_t source, const TByteArray& data)
{
    if (OnAnyRequest)
        OnAnyRequest(dest, source, data);
    const size_t n = data.size();
    switch (data[0]) {
    case EcuCmd::ReadBlock:
        if (n >= 6) {
            const uint32_t address = StringToAddr({data[2], data[3], data[4]});
            BlockAddress = static_cast<int>(address);
            if (OnReadBlockRequest)
                OnReadBlockRequest(address, data[5] + 1);
        }
        return;
    case EcuCmd::ReadAddresses: {
        HeardReadFlag = n >= 2 ? data[1] : 0x00;
        const TLongWordArray addresses = AddressesFrom(data, 2);
        AddressList = addresses;
        if (OnReadAddressesRequest)
            OnReadAddressesRequest(dest, source, static_cast<int>(addresses.size()) - 1, addresses);
        return;
    }
    case EcuCmd::WriteBlock:
        if (n >= 4) {
            const uint32_t address = StringToAddr({data[1], data[2], data[3]});
            BlockAddress = static_cast<int>(address);
            if (OnWriteBlockRequest)
                OnWriteBlockRequest(address, TByteArray(data.begin() + 4, data.end()));
        }
        return;
    case EcuCmd::WriteAddress:
        if (n == 5 && OnWriteAddressRequest) {
            const TLongWordArray list{StringToAddr({data[1], data[2], data[3]})};
            OnWriteAddressRequest(dest, source, data[4], 0, list);
        }
        return;
    case EcuCmd::Init:
        if (OnInitRequest)
            OnInitRequest(dest, source, data);
        return;
    default:
        if (OnUnknownCommand)
            OnUnknownCommand(dest, source, data);
    }
}

namespace {
// The reply code that answers a request frame's command; 0 for none.
uint8_t ExpectedReplyCode(uint8_t command)
{
    switch (command) {
    case EcuCmd::ReadBlock:
        return EcuCmd::ReadBlockReply;
    case EcuCmd::ReadAddresses:
        return EcuCmd::ReadAddressesReply;
    case EcuCmd::WriteBlock:
        return EcuCmd::WriteBlockReply;
    case EcuCmd::WriteAddress:
        return EcuCmd::WriteAddressReply;
    case EcuCmd::Init:
        return EcuCmd::InitReply;
    default:
        return 0;
    }
}
} // namespace

TLongWordArray TEcuInterface::RequestAddresses(const TByteArray& frame)
{
    // Frame: header, destination, source, data length, data..., checksum.
    if (frame.size() < 5)
        return {};
    const size_t end = std::min(frame.size() - 1, size_t(4) + frame[3]);
    if (end <= 4)
        return {};
    const TByteArray data(frame.begin() + 4, frame.begin() + static_cast<std::ptrdiff_t>(end));
    if (data[0] == EcuCmd::ReadAddresses)
        return AddressesFrom(data, 2);  // after the command and the read flag
    if (data[0] == EcuCmd::WriteAddress && data.size() >= 4)
        return {StringToAddr({data[1], data[2], data[3]})};
    return {};
}

TLongWordArray TEcuInterface::AddressesFrom(const TByteArray& data, size_t first)
{
    TLongWordArray addresses;
    addresses.reserve(data.size() / 3);
    for (size_t i = first; i + 2 < data.size(); i += 3)
        addresses.push_back((uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8) |
                            data[i + 2]);
    return addresses;
}

bool TEcuInterface::Answers(const TByteArray& request, const TByteArray& data)
{
    if (request.size() < 5 || data.empty())
        return false;
    const uint8_t command = request[4];
    if (data[0] != ExpectedReplyCode(command))
        return false;
    if (command == EcuCmd::ReadAddresses || command == EcuCmd::WriteAddress)
        return data.size() - 1 == RequestAddresses(request).size();
    return true;
}

void TEcuInterface::DecodeReply(uint8_t dest, uint8_t source, const TByteArray& data)
{
    // While a request is outstanding only its answer ends it: a reply of another kind, or a
    // read reply of another length, is counted and dropped, and the retry timer sends the
    // request again. A run of such replies ends in the time-out, as silence does.
    const TByteArray& outstanding = FFastPoll ? FFastRequest : PendingRequest;
    if (!outstanding.empty()) {
        if (!Answers(outstanding, data)) {
            ++InvalidReplies;
            LogMsg(data[0] == EcuCmd::ReadAddressesReply &&
                           ExpectedReplyCode(outstanding[4]) == EcuCmd::ReadAddressesReply
                       ? QStringLiteral("Wrong read byte count.")
                       : QStringLiteral("Reply 0x%1 does not answer request 0x%2.")
                             .arg(data[0], 2, 16, QLatin1Char('0'))
                             .arg(outstanding[4], 2, 16, QLatin1Char('0')),
                   7);
            if (OnAnyResponse)
                OnAnyResponse(dest, source, data);
            return;
        }
        // Decode against the request that was answered, whatever a dropped request recorded.
        const uint8_t command = outstanding[4];
        if (command == EcuCmd::ReadAddresses || command == EcuCmd::WriteAddress)
            AddressList = RequestAddresses(outstanding);
        if (FFastPoll) {
            // The stream is alive: the watchdog counts afresh from this reply.
            PendingRequest = FFastRequest;
            FAttempts = 1;
            FRetryTimer->start();
        } else {
            FRetryTimer->stop();
            PendingRequest.clear();
        }
    } else if (data[0] == EcuCmd::ReadAddressesReply &&
               (AddressList.empty() || data.size() - 1 != AddressList.size())) {
        ++InvalidReplies;
        LogMsg(QStringLiteral("Wrong read byte count."), 7);
    }
    if (OnAnyResponse)
        OnAnyResponse(dest, source, data);
    const TByteArray payload(data.begin() + 1, data.end());
    switch (data[0]) {
    case EcuCmd::ReadBlockReply:
        if (BlockAddress != -1 && OnReadBlockResponse)
            OnReadBlockResponse(BlockAddress, payload);
        return;
    case EcuCmd::ReadAddressesReply:
        if (!AddressList.empty() && payload.size() == AddressList.size()) {
            if (OnReadAddressesResponse)
                OnReadAddressesResponse(AddressList, static_cast<int>(AddressList.size()) - 1,
                                        payload);
            if (OnParamValues || OnParamText)
                DecodeValues(payload);
        }
        return;
    case EcuCmd::WriteBlockReply:
        if (BlockAddress != -1 && OnWriteBlockResponse)
            OnWriteBlockResponse(BlockAddress, payload);
        return;
    case EcuCmd::WriteAddressReply:
        if (FSentBaudRate != 0 && AddressList.size() == 1 && AddressList[0] == BaudRateRegister &&
            payload.size() == 1) {
            const int rate = FSentBaudRate;
            FSentBaudRate = 0;
            if (payload[0] == FSentBaudCode && OnEcuBaudRateChanged)
                OnEcuBaudRateChanged(rate);
        }
        if (!AddressList.empty() && payload.size() == AddressList.size() && OnWriteAddressResponse)
            OnWriteAddressResponse(dest, source, payload, static_cast<int>(AddressList.size()) - 1,
                                   AddressList);
        return;
    case EcuCmd::InitReply:
        RomId.assign(payload.begin() + std::min<size_t>(3, payload.size()),
                     payload.begin() + std::min<size_t>(8, payload.size()));
        AnalyseIdentification(payload);
        if (OnInitResponse)
            OnInitResponse(dest, source, payload);
        return;
    default:
        if (OnUnknownCommand)
            OnUnknownCommand(dest, source, data);
    }
}

void TEcuInterface::AnalyseIdentification(const TByteArray& payload)
{
    const int n = static_cast<int>(payload.size());
    auto capable = [&](int position, int bit) {
        return position >= 1 && position <= n && BitTest(payload[position - 1], bit);
    };
    for (int i = 0; i < EcuParamCount; ++i)
        SupportedParams.set(i, ParamDefs[i].CapPosition != -1 &&
                                   capable(ParamDefs[i].CapPosition, ParamDefs[i].CapBit));
    for (int s = 0; s < EcuSwitchCount; ++s)
        SupportedSwitches.set(s, SwitchDefs[s].CapPosition != -1 &&
                                     capable(SwitchDefs[s].CapPosition, SwitchDefs[s].Bit));

    ObdTroubleCodes = n >= 38 && (BitTest(payload[37], 4) || BitTest(payload[37], 6));
    DtcGroup4 = n >= 37 && BitTest(payload[36], 0);
    DtcGroup8 = n >= 48 && BitTest(payload[47], 7);
    DtcGroup5a = n >= 48 && BitTest(payload[47], 6);
    DtcGroup5b = n >= 48 && BitTest(payload[47], 5);
    DtcGroup7 = n >= 48 && BitTest(payload[47], 4);

    int index;
    if (::FindEcu(RomId, index))
        ApplyEcuAdjustments(index, SupportedParams);
}

void TEcuInterface::DecodeValues(const TByteArray& payload)
{
    LastReplyCount = static_cast<int>(payload.size());
    TParamRaw raw{};
    TParamSet received;
    TSwitchSet present, switches;

    for (size_t i = 0; i < payload.size(); ++i) {
        const int a = static_cast<int>(AddressList[i]);
        const uint8_t b = payload[i];
        for (int p = 0; p < EcuParamCount; ++p) {
            const TParamDef& def = ParamDefs[p];
            if (a == def.LowAddress) {
                raw[p] += b;
                received.set(p);
                break;
            }
            if (def.Size == 2 && a == def.HighAddress) {
                raw[p] += uint32_t(b) << 8;
                break;
            }
            if (def.Size == 4 && a > def.LowAddress && a <= def.LowAddress + 3) {
                raw[p] += uint32_t(b) << (8 * (a - def.LowAddress));
                break;
            }
        }
        if (a >= 0x61 && a <= 0x121) {
            for (int s = 0; s < EcuSwitchCount; ++s) {
                if (SwitchDefs[s].ByteAddress == a) {
                    present.set(s);
                    switches.set(s, BitTest(b, SwitchDefs[s].Bit));
                }
            }
        }
    }

    TParamValues values{};
    for (int p = 0; p < EcuParamCount; ++p)
        values[p] = received.test(p) ? ScaleParam(p, raw[p]) : 0.0;

    if (OnParamValues)
        OnParamValues(received, values, raw, present, switches);
    if (OnParamText) {
        TParamTexts texts;
        for (int p = 0; p < EcuParamCount; ++p)
            texts[p] = ParamValueText(p, values[p]);
        OnParamText(received, texts);
    }
}
