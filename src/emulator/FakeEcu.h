#pragma once

// The emulated engine ECU of demo mode. It answers the requests the link hears from a model
// of the ECU's memory: a variable area whose sensor bytes drift within each parameter's
// range, trouble-code bitmaps that follow the code lists, a ROM image carrying the ROM id
// of the ECU type being played, RAM and a noise area. It also holds everything its panel
// ("ECU Emulator") shows and edits, so the window is only a view of this object.
//
// For tests it can be told to misbehave (stay silent, answer late, corrupt the checksum,
// answer with a wrong payload length) and counts the requests it receives.

#include "EcuTypes.h"
#include "FakeScenario.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

class QTimer;
class TEcuInterface;

// The four trouble-code lists of the panel.
enum TFakeCodeList : int {
    clNonObdCurrent = 0,
    clNonObdHistoric = 1,
    clObdCurrent = 2,
    clObdHistoric = 3,
};
constexpr int FakeCodeListCount = 4;

// Request kinds, for the counters.
enum TFakeEcuRequest : int {
    frReadAddresses = 0,
    frWriteAddress = 1,
    frWriteBlock = 2,
    frReadBlock = 3,
    frInit = 4,
};
constexpr int FakeEcuRequestKinds = 5;

// How the next replies go wrong. Several faults can be combined.
struct TFakeEcuFaults {
    bool Silent = false;           // no reply at all
    int ExtraDelayMs = 0;          // reply handed to the link this much later
    bool CorruptChecksum = false;  // the frame's last byte is changed
    int LengthError = 0;           // payload bytes added (> 0, zeros) or dropped (< 0) at the end
    int Count = -1;                // replies affected, then the faults clear; -1 = until cleared

    bool Any() const { return Silent || ExtraDelayMs > 0 || CorruptChecksum || LengthError != 0; }
};

// A read-addresses request the panel watches for ("Ecu Version" page).
struct TFakeAddressCheck {
    const char* Name;
    uint32_t First;
    int Count;
};

class TFakeEcu : public QObject {
    Q_OBJECT
public:
    // Memory layout.
    static constexpr int VariableSize = 0x200;
    static constexpr int RomSize = 0x20000;
    static constexpr uint32_t RamStart = 0x800000;
    static constexpr int RamSize = 0x1000;
    static constexpr uint32_t NoiseStart = 0x801000;
    static constexpr int NoiseSize = 0x1800;
    static constexpr uint32_t PatternStart = 0xFF0000;
    static constexpr uint32_t RomIdAddress = 0x0001F8;
    static constexpr uint32_t DiagSwitchAddress = 0x061;
    static constexpr int FlashPageSize = 0x2000;
    static constexpr int FlashPageCount = RomSize / FlashPageSize;
    static constexpr int AddressCheckCount = 8;
    static const std::array<TFakeAddressCheck, AddressCheckCount> AddressChecks;

    // The definition tables must be restored before an emulator is created. Without a seed
    // the random source is seeded from the system.
    explicit TFakeEcu(std::optional<uint32_t> seed = std::nullopt, QObject* parent = nullptr);
    ~TFakeEcu() override;

    // --- link ---
    // Gives the emulator its link and fills the link's five request slots with its handlers
    // (the slots of a previous link are emptied). nullptr detaches.
    void Connect(TEcuInterface* link);
    // Only gives the link to the emulator; the caller wires the request slots itself.
    void SetLink(TEcuInterface* link);
    TEcuInterface* Link() const;
    bool DemoActive() const { return FDemoActive; }
    void SetDemoActive(bool on) { FDemoActive = on; }

    // --- request handlers (the link's request events) ---
    void ReadAddressesRequest(uint8_t dest, uint8_t source, int countMinusOne,
                              const TLongWordArray& addresses);
    void WriteAddressRequest(uint8_t dest, uint8_t source, uint8_t value, int countMinusOne,
                             const TLongWordArray& addresses);
    void WriteBlockRequest(uint32_t address, const TByteArray& bytes);
    void ReadBlockRequest(uint32_t address, int count);
    void InitRequest(uint8_t dest, uint8_t source, const TByteArray& data);
    // Sends a reply (reply code first) through the link, with any faults applied.
    void SendResponse(const TByteArray& data);
    // The link's line is free: a streaming ECU sends its next reply.
    void TxEmpty();
    // Streaming replies to a read-addresses request with the read flag 0x01; any other
    // request ends the stream.
    bool Streaming() const { return FStreaming; }
    void StopStream();

    // --- memory ---
    // A read through the memory table (what read-block requests see).
    uint8_t ReadMemory(uint32_t address);
    // A read as read-addresses requests see it: the variable area below 0x200.
    uint8_t ReadAddress(uint32_t address);
    // A write as write requests do it: variable area below 0x200, RAM and noise area.
    void WriteAddress(uint32_t address, uint8_t value);
    // Variable-area rules (drift, the diagnostic switch byte, read marks, panel updates).
    uint8_t ReadVariable(int a);
    void WriteVariable(int a, uint8_t value);

    // Raw stores, for the panel and for tests; writing them bypasses every rule.
    std::array<uint8_t, VariableSize>& VariableArea() { return FVariable; }
    std::array<uint8_t, RomSize>& RomImage() { return FRom; }
    std::array<uint8_t, RamSize>& RamArea() { return FRam; }
    std::array<uint8_t, NoiseSize>& NoiseArea() { return FNoise; }
    const std::bitset<VariableSize>& ReadMarks() const { return FReadMarks; }

    // Raw range of the variable byte a: from the first parameter stored there,
    // else 0..255 (see ReadVariable).
    static int LowRaw(int a);
    static int HighRaw(int a);

    // --- operations of the panel ---
    void SetEcuType(int e);
    int EcuType() const { return FEcuType; }
    void SetBaudRate(int rate);
    int BaudRate() const { return FBaudRate; }
    void CycleIgnition();
    // What the ECU does when the tester writes the reset value to the reset register: every
    // trouble code, the ignition retard and the idle offsets are cleared.
    void ResetAdjustments();

    // --- code lists ("Subaru DTCs", "OBD DTCs" pages) ---
    static int CodeCount(TFakeCodeList list);
    static QString CodeText(TFakeCodeList list, int code);
    bool CodeTicked(TFakeCodeList list, int code) const;
    // The user ticks a code: the list's bitmap is rebuilt from all its ticks and written.
    void SetCodeTicked(TFakeCodeList list, int code, bool on);

    // --- "Settings" page ---
    QString IdleSpeedText() const { return FIdleSpeedText; }      // 0x070 as epidle
    QString IdleSpeedAcText() const { return FIdleSpeedAcText; }  // 0x071 as epidleac
    QString EcuResetAddressText() const { return FResetText; }    // 0x060 in hex
    QString IgnitionRetardText() const { return FIgnRetardText; } // 0x06F as epignret
    QString BaudRateText() const { return QString::number(FBaudRate); }
    uint8_t Parity() const { return FParity; }
    QString ParityName() const;
    uint8_t FlashXor() const { return FFlashXor; }
    void SetFlashXor(uint8_t value);
    QString EcuState() const { return FEcuState; }
    void SetEcuState(const QString& state);
    bool Vpp() const { return FVpp; }
    void SetVpp(bool on);
    bool TestModeConnector() const { return FTestMode; }
    void SetTestModeConnector(bool on);
    static constexpr int MaxErrorsPer1000 = 50;
    int ErrorsPer1000() const { return FErrorsPer1000; }
    void SetErrorsPer1000(int value);  // clamped to 0..50
    bool ObdDtcs() const { return FObdDtcs; }
    void SetObdDtcs(bool on);

    // --- "Debug" page ---
    const QStringList& DebugLines() const { return FDebugLines; }
    void ListAddrs();
    void ClearAddrs();
    void ClearWindow();

    // --- "Flash Contents" page ---
    int FlashPage() const { return FFlashPage; }
    void SetFlashPage(int page);  // clamped to 1..16
    void RefreshFlash();
    QString FlashText() const { return FFlashText; }

    // --- "Digital Params" and "Analogue Params" pages (shown only) ---
    static QString DigitalParamName(int i);   // switch names, 0..89
    static QString AnalogueParamName(int i);  // parameter names, 0..196
    bool DigitalParamTicked(int i) const { return FDigitalTicks.at(i); }
    void SetDigitalParamTicked(int i, bool on);
    bool AnalogueParamTicked(int i) const { return FAnalogueTicks.at(i); }
    void SetAnalogueParamTicked(int i, bool on);
    bool DigitalUseDefault() const { return FDigitalUseDefault; }
    void SetDigitalUseDefault(bool on);
    bool AnalogueUseDefault() const { return FAnalogueUseDefault; }
    void SetAnalogueUseDefault(bool on);

    // --- "Ecu Version" page ---
    // EcuIds indices the user can choose: a Description and an identification reply.
    const std::vector<int>& SelectableEcuTypes() const { return FSelectable; }
    QString EcuVersionCodeText() const { return FVersionText; }
    QString Init37Text() const { return FInitTexts[0]; }
    QString Init38Text() const { return FInitTexts[1]; }
    QString Init48Text() const { return FInitTexts[2]; }
    QString Diag61Text() const { return FDiag61Text; }
    void SetDiag61Text(const QString& text);
    bool AddressCheck(int i) const { return FAddressChecks.test(i); }
    void ClearAddressChecks();

    // --- scenario (what the engine is doing; "Settings" page) ---
    TScenario Scenario() const { return FScenario.Scenario(); }
    // Starts the scenario from its beginning.
    void SetScenario(TScenario scenario);
    int RoadTestGear() const { return FScenario.RoadTestGear(); }
    void SetRoadTestGear(int gear);
    const TFakeScenario& ScenarioModel() const { return FScenario; }

    // The last message the emulator showed ("Address out of range", the baud warning).
    QString LastMessage() const { return FLastMessage; }

    // --- test support ---
    void Seed(uint32_t seed) { FRandom.seed(seed); }
    void SetFaults(const TFakeEcuFaults& faults) { FFaults = faults; }
    void ClearFaults() { FFaults = TFakeEcuFaults(); }
    const TFakeEcuFaults& Faults() const { return FFaults; }
    int RequestsReceived(TFakeEcuRequest kind) const { return FReceived.at(kind); }
    int RepliesSent() const { return FRepliesSent; }
    void ResetCounters();
    bool BaudFollowUpPending() const;

signals:
    void CodesChanged(int list);
    void SettingsChanged();  // "Settings" page fields, baud rate, parity
    void DebugChanged();
    void FlashChanged();
    void ParamsChanged();    // ticks and "Use Default" of the two parameter pages
    void VersionChanged();   // ECU type, version code, Init and Diag texts
    void AddressChecksChanged();
    void MessageShown(const QString& text);

private:
    enum TDirty : unsigned {
        dCodes0 = 1u << 0,  // one bit per code list
        dSettings = 1u << 4,
        dDebug = 1u << 5,
        dFlash = 1u << 6,
        dParams = 1u << 7,
        dVersion = 1u << 8,
        dChecks = 1u << 9,
    };
    friend struct TNotifyScope;

    bool Answering();  // demo on and the baud check passes
    void ShowMessage(const QString& text);
    void Notify();  // emits the signals of everything changed since the last call
    void MarkCodes(TFakeCodeList list) { FDirty |= dCodes0 << list; }
    void UpdatePanelForWrite(int a, uint8_t value);
    void TickFromByte(TFakeCodeList list, int firstCode, uint8_t value);
    void WriteCodeBitmap(TFakeCodeList list);
    void BaudFollowUp();
    void CheckAddresses(const TLongWordArray& addresses);
    int RandomInt(int lo, int hi);

    QPointer<TEcuInterface> FLink;
    bool FDemoActive = true;
    int FBaudRate = 4800;
    uint8_t FParity = 0;
    int FEcuType = 84;

    std::array<uint8_t, VariableSize> FVariable{};
    std::array<uint8_t, RomSize> FRom{};
    std::array<uint8_t, RamSize> FRam{};
    std::array<uint8_t, NoiseSize> FNoise{};
    std::bitset<VariableSize> FReadMarks;

    std::array<std::vector<bool>, FakeCodeListCount> FTicks;

    QString FIdleSpeedText, FIdleSpeedAcText, FResetText, FIgnRetardText;
    uint8_t FFlashXor = 0x82;
    QString FEcuState = QStringLiteral("Normal");
    bool FVpp = false;
    bool FTestMode = false;
    int FErrorsPer1000 = 5;
    bool FObdDtcs = true;

    QStringList FDebugLines;
    int FFlashPage = 1;
    QString FFlashText;

    std::array<bool, EcuSwitchCount> FDigitalTicks{};
    std::array<bool, EcuParamCount> FAnalogueTicks{};
    bool FDigitalUseDefault = false;
    bool FAnalogueUseDefault = false;

    std::vector<int> FSelectable;
    QString FVersionText;
    std::array<QString, 3> FInitTexts;
    QString FDiag61Text = QStringLiteral("$00");
    std::bitset<AddressCheckCount> FAddressChecks;
    QString FLastMessage;

    std::mt19937 FRandom;
    TByteArray FHeldReply;  // the answer to a rate change, sent once switched
    QTimer* FBaudTimer = nullptr;
    unsigned FDirty = 0;
    int FNotifyDepth = 0;

    void StreamNext();

    bool FStreaming = false;
    bool FStreamSent = false;  // a streamed reply is on the line
    TLongWordArray FStreamAddresses;

    TFakeScenario FScenario;

    TFakeEcuFaults FFaults;
    std::array<int, FakeEcuRequestKinds> FReceived{};
    int FRepliesSent = 0;
};
