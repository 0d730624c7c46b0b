#pragma once

// The link to the ECU: builds request frames, sends one request at a time with retries,
// runs the receive state machine over incoming bytes, decodes what it hears and raises
// events. The port itself (bytes in and out, line speed, parity) is supplied by a
// derived class: the emulated line in demo mode, a serial port for a real car.

#include "EcuLog.h"
#include "EcuPacket.h"
#include "EcuTypes.h"
#include "Errors.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class TThreadedTimer;

class EEcuInterface : public Exception {
public:
    using Exception::Exception;
};

using TParamValues = std::array<double, EcuParamCount>;
using TParamRaw = std::array<uint32_t, EcuParamCount>;
using TParamTexts = std::array<QString, EcuParamCount>;

// Event slots: one handler each; assigning replaces, an empty slot is skipped.
using TFrameEvent = std::function<void(uint8_t dest, uint8_t source, const TByteArray& data)>;
using TReadBlockRequestEvent = std::function<void(uint32_t address, int count)>;
using TReadAddressesRequestEvent = std::function<void(uint8_t dest, uint8_t source, int countMinusOne,
                                                      const TLongWordArray& addresses)>;
using TWriteBlockRequestEvent = std::function<void(uint32_t address, const TByteArray& bytes)>;
using TWriteAddressRequestEvent =
    std::function<void(uint8_t dest, uint8_t source, uint8_t value, int countMinusOne,
                       const TLongWordArray& addresses)>;
using TBlockResponseEvent = std::function<void(int blockAddress, const TByteArray& payload)>;
using TReadAddressesResponseEvent = std::function<void(
    const TLongWordArray& addresses, int countMinusOne, const TByteArray& payload)>;
using TParamValuesEvent = std::function<void(const TParamSet& received, const TParamValues& values,
                                             const TParamRaw& raw, const TSwitchSet& present,
                                             const TSwitchSet& switches)>;
using TParamTextEvent = std::function<void(const TParamSet& received, const TParamTexts& texts)>;
using TWriteAddressResponseEvent =
    std::function<void(uint8_t dest, uint8_t source, const TByteArray& payload, int countMinusOne,
                       const TLongWordArray& addresses)>;
using TRequestTimeoutEvent = std::function<void(const TByteArray& request)>;
using TNotifyEvent = std::function<void()>;

class TEcuInterface : public QObject {
    Q_OBJECT
public:
    static constexpr const char* SettingsKey = "SOFTWARE/Morvane/EcuInterface";

    TEcuInterface();
    ~TEcuInterface() override;

    // --- port operations supplied by the derived class ---
    virtual bool ReadByte(uint8_t& b);
    virtual int Read(uint8_t* buffer, int count) = 0;
    virtual bool GetActive() const = 0;
    virtual void SetActive(bool value) = 0;
    virtual int GetBaudRate() const = 0;
    virtual void SetBaudRate(int value);  // shows it in the debug fields
    virtual uint8_t GetParity() const = 0;
    virtual void SetParity(uint8_t value);  // shows its name in the debug fields
    virtual std::function<void()> GetRxEventHandler() const = 0;
    virtual void SetRxEventHandler(std::function<void()> handler) = 0;
    virtual bool PortReady() const = 0;
    virtual void SetRxThreshold(int value) = 0;
    virtual void SendRaw(const TByteArray& bytes);
    virtual QString GetDescription() const = 0;
    // Caption of the link's debug window.
    virtual QString Caption() const { return QStringLiteral("Abstract Ecu Interface"); }
    virtual int FlushRxBuf() = 0;
    // Whether the ECU end of this link can stream read-addresses replies (read flag 0x01).
    virtual bool SupportsFastPoll() const { return false; }

    // --- operations offered to the windows ---
    void RequestInit();
    void ResetEcu();
    void ReadAddresses(const TLongWordArray& addresses);
    void WriteAddress(const TLongWordArray& addresses, const TByteArray& values);
    void PollParameters(const TParamSet& params, const TSwitchSet& switches,
                        const TLongWordArray& extra = {});
    void ClearPending();
    // Asks the ECU to change its line speed. The link's BaudRate follows only when the
    // request really went out; asked while another request is outstanding, the change is
    // sent as soon as that one's reply has arrived. OnEcuBaudRateChanged reports the ECU's
    // confirmation.
    void SetEcuBaudRate(int rate);
    int QueuedBaudRate() const { return FQueuedBaudRate; }
    bool FindEcu(int& index) const;

    // Fast polling: one read-addresses request with the read flag 0x01, after which the ECU
    // keeps answering without further requests. Every valid reply raises the usual
    // OnReadAddressesResponse / OnParamValues / OnParamText; a reply that fails validation
    // (bad checksum, wrong length) is dropped and counted in InvalidReplies. While the stream
    // runs, other requests are dropped as if one were outstanding; when no valid reply comes
    // for a retry interval the start request is sent again, and after MaxAttempts sends
    // OnRequestTimeout ends the stream. StopFastPoll asks the ECU for one ordinary reply to
    // the same list, which ends the stream; that reply arrives like any other.
    void StartFastPoll(const TParamSet& params, const TSwitchSet& switches,
                       const TLongWordArray& extra = {});
    void StopFastPoll();
    bool FastPolling() const { return FFastPoll; }
    // Sends a request unless one is outstanding; true when it went out.
    bool SendRequest(const TByteArray& data);
    void SendReply(const TByteArray& data);
    void LogMsg(const QString& text, int level) { FLog.Log(text, level); }

    // The address list PollParameters reads: parameters in index order (2-byte ones low
    // byte first, 4-byte ones all four bytes), then the switch bytes ascending, then extra.
    static TLongWordArray BuildPollList(const TParamSet& params, const TSwitchSet& switches,
                                        const TLongWordArray& extra);

    // Run by the derived class whenever bytes may have arrived.
    void ProcessRx();
    // Back to Idle, dropping a partial frame (after the port's buffers were flushed).
    void ResetReceiver() { FReceiver.Reset(); }

    TEcuLog& Log() { return FLog; }
    const TEcuLog& Log() const { return FLog; }
    bool PendingRequestActive() const { return !PendingRequest.empty(); }
    int Attempts() const { return FAttempts; }
    bool Busy() const { return FBusy; }
    QTimer* RetryTimer() const { return FRetryTimer; }
    // From a request's first send to its time-out when nothing answers it.
    int TimeoutMs() const { return MaxAttempts * FRetryTimer->interval(); }

    // --- fields ---
    uint8_t EcuAddress = EcuNodes::Ecu;
    uint8_t TesterAddress = EcuNodes::Tester;
    int BaudRate = 4800;
    int MaxAttempts = 3;
    uint8_t ReadFlag = 0x00;
    TByteArray PendingRequest;
    TLongWordArray AddressList;
    int BlockAddress = -1;
    int LastReadCount = 0;
    int LastReplyCount = 0;
    // Replies dropped because they failed validation: frames from the ECU with a bad
    // checksum, replies that do not answer the outstanding request (another reply code, a
    // read or write reply whose length does not match that request's address count).
    int InvalidReplies = 0;
    // Resends of a request that got no answer (retry ticks that sent the request again).
    int Retries = 0;
    // Read flag byte of the last read-addresses request heard (0x01: stream the replies).
    uint8_t HeardReadFlag = 0x00;
    TByteArray RomId;
    TParamSet SupportedParams;
    TSwitchSet SupportedSwitches;
    bool ObdTroubleCodes = false;
    bool DtcGroup4 = false, DtcGroup8 = false, DtcGroup5a = false, DtcGroup5b = false,
         DtcGroup7 = false;
    QString ComPort = QStringLiteral("COM1");
    bool X8Baud = false;

    // --- event slots ---
    TFrameEvent OnAnyRequest;
    TReadBlockRequestEvent OnReadBlockRequest;
    TReadAddressesRequestEvent OnReadAddressesRequest;
    TWriteBlockRequestEvent OnWriteBlockRequest;
    TWriteAddressRequestEvent OnWriteAddressRequest;
    TFrameEvent OnInitRequest;
    TFrameEvent OnAnyResponse;
    TBlockResponseEvent OnReadBlockResponse;
    TReadAddressesResponseEvent OnReadAddressesResponse;
    TParamValuesEvent OnParamValues;
    TParamTextEvent OnParamText;
    TBlockResponseEvent OnWriteBlockResponse;
    TWriteAddressResponseEvent OnWriteAddressResponse;
    TFrameEvent OnInitResponse;
    TFrameEvent OnOtherSource;
    TFrameEvent OnUnknownCommand;
    TRequestTimeoutEvent OnRequestTimeout;
    // Raised by a port-based derived class when everything it was given to send has left
    // the line; the ECU end uses it to pace streamed replies.
    TNotifyEvent OnTxEmpty;
    // The ECU confirmed a change of line speed asked for by SetEcuBaudRate.
    std::function<void(int rate)> OnEcuBaudRateChanged;

    static QString ParityName(uint8_t parity);  // "None".."Space"; empty for others
    // The addresses a read-addresses or write-address request frame names.
    static TLongWordArray RequestAddresses(const TByteArray& frame);
    // Whether a reply's data (reply code first) answers a request frame: the matching reply
    // code and, for address reads and writes, one byte per address of that request.
    static bool Answers(const TByteArray& request, const TByteArray& data);

protected:
    void ShowBaudRate(int value);

private:
    void RetryTimerTick();
    void Dispatch(uint8_t dest, uint8_t source, const uint8_t* data, int length);
    void DecodeRequest(uint8_t dest, uint8_t source, const TByteArray& data);
    void DecodeReply(uint8_t dest, uint8_t source, const TByteArray& data);
    void AnalyseIdentification(const TByteArray& payload);
    void DecodeValues(const TByteArray& payload);
    void SendQueuedBaudRate();

    TByteArray ReadAddressesData(const TLongWordArray& addresses, uint8_t flag) const;
    // The 3-byte addresses of a request's data from byte `first` on.
    static TLongWordArray AddressesFrom(const TByteArray& data, size_t first);

    TEcuLog FLog;
    TEcuReceiver FReceiver;
    bool FFastPoll = false;
    int FQueuedBaudRate = 0;   // asked for while busy; sent after the next reply
    int FSentBaudRate = 0;     // sent, awaiting the ECU's confirmation
    uint8_t FSentBaudCode = 0;
    TByteArray FFastRequest;  // the frame that starts the stream, resent by the watchdog
    bool FBusy = false;
    int FAttempts = 0;
    TThreadedTimer* FPacketCompleteTimer = nullptr;
    QTimer* FRetryTimer = nullptr;
};
