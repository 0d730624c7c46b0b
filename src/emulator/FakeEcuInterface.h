#pragma once

// The link used in demo mode: an in-memory single-wire line. Whatever is sent comes back
// to the link's own receiver after the time the bytes would take on the wire, like the
// echo of the real line; the emulated ECU answers what it hears through SendReply.

#include "EcuInterface.h"

class TFakeEcuInterface : public TEcuInterface {
    Q_OBJECT
public:
    TFakeEcuInterface();
    ~TFakeEcuInterface() override;

    bool ReadByte(uint8_t& b) override;
    int Read(uint8_t* buffer, int count) override;
    bool GetActive() const override { return FActive; }
    void SetActive(bool value) override;
    int GetBaudRate() const override { return FBaudRate; }
    void SetBaudRate(int value) override;
    uint8_t GetParity() const override { return FParity; }
    void SetParity(uint8_t value) override;
    std::function<void()> GetRxEventHandler() const override { return FRxEventHandler; }
    void SetRxEventHandler(std::function<void()> handler) override
    {
        FRxEventHandler = std::move(handler);
    }
    bool PortReady() const override { return true; }
    void SetRxThreshold(int) override {}
    void SendRaw(const TByteArray& bytes) override;
    QString GetDescription() const override { return Description(); }
    static QString Description() { return QStringLiteral("Demo Mode - Emulated Engine Management Unit"); }
    QString Caption() const override { return QStringLiteral("Ecu Interface Emulator"); }
    int FlushRxBuf() override;
    bool SupportsFastPoll() const override { return true; }

    // Wire time of n bytes at the current rate: n * 9840 / baud milliseconds.
    unsigned WireTime(size_t n) const;
    TThreadedTimer* ReplyDelayTimer() const { return FReplyDelayTimer; }
    const TByteArray& OutBuffer() const { return FOutBuffer; }
    // Everything SendRaw put on the line, for tests that ask "what was sent, how often".
    std::vector<TByteArray> SentFrames;
    bool RecordSent = false;

private:
    void OnReplyDelay();

    bool FActive = false;
    int FBaudRate = 4800;
    uint8_t FParity = 0;
    std::function<void()> FRxEventHandler;
    TByteArray FOutBuffer;
    TByteArray FRxBuffer;
    size_t FRxPos = 0;
    TThreadedTimer* FReplyDelayTimer = nullptr;
};
