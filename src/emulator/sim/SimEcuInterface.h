#pragma once

// The ECU's end of a serial line, for quillon-ecu-sim: a pseudo-terminal it creates, or a
// named serial port. It behaves as the single-wire K-line does for the tester at the other
// end: every byte received is echoed, and every byte on the line, echo or reply, takes its
// wire time at the ECU's current rate (10 bits a byte, 8N1), so the tester sees the same
// timing a car gives it. The requests it hears raise the link's request events, which the
// emulated ECU (TFakeEcu) answers through SendReply, exactly as on the emulated link.
//
// On a pseudo-terminal the tester's own line speed can be read back: GetBaudRate reports
// it, so the ECU's baud check fails as on a real line when the two rates differ.

#include "EcuInterface.h"

#include <QElapsedTimer>
#include <QTimer>

#include <deque>

class QSocketNotifier;

class TSimEcuInterface : public TEcuInterface {
    Q_OBJECT
public:
    static constexpr int BitsPerByte = 10;
    static constexpr qint64 SchedulingSlackUs = 2000;

    TSimEcuInterface();
    ~TSimEcuInterface() override;

    // Creates a pseudo-terminal and returns the path of the tester's end. Raises Exception.
    QString OpenPty();
    // Opens a serial device at the ECU's rate. Raises Exception.
    void OpenDevice(const QString& name);
    QString DevicePath() const { return FPath; }

    bool ReadByte(uint8_t& b) override;
    int Read(uint8_t* buffer, int count) override;
    bool GetActive() const override { return FActive; }
    void SetActive(bool value) override { FActive = value; }
    // The line speed the tester uses (pseudo-terminal), else the ECU's own.
    int GetBaudRate() const override;
    // The ECU's own rate: wire timing, and the port speed of a real device.
    void SetBaudRate(int value) override;
    int EcuBaudRate() const { return FEcuBaud; }
    uint8_t GetParity() const override { return FParity; }
    void SetParity(uint8_t value) override;
    std::function<void()> GetRxEventHandler() const override { return FRxEventHandler; }
    void SetRxEventHandler(std::function<void()> handler) override
    {
        FRxEventHandler = std::move(handler);
    }
    bool PortReady() const override { return FFd >= 0; }
    void SetRxThreshold(int) override {}
    // Queues the bytes behind whatever is on the line.
    void SendRaw(const TByteArray& bytes) override;
    QString GetDescription() const override { return FPath; }
    QString Caption() const override { return QStringLiteral("ECU Simulator Line"); }
    int FlushRxBuf() override;
    bool SupportsFastPoll() const override { return true; }

    // The ECU's thinking time: the line stays quiet this long before each of its replies.
    void SetReplyDelayMs(int ms) { FReplyDelayUs = qint64(ms) * 1000; }
    // Microseconds one byte takes on the line at the ECU's rate.
    qint64 ByteTimeUs() const;
    qint64 BytesReceived() const { return FBytesReceived; }
    qint64 BytesSent() const { return FBytesSent; }

private:
    void ReadReady();
    void Queue(const uint8_t* bytes, size_t n, bool fromEcu);
    void Drain();
    void Close();

    struct TTxByte {
        uint8_t Byte;
        qint64 DueUs;  // when its last bit has left the line
    };

    int FFd = -1;
    int FSlaveFd = -1;  // kept open so the line survives the tester closing its end
    bool FIsPty = false;
    QString FPath;
    QSocketNotifier* FNotifier = nullptr;
    bool FActive = false;
    int FEcuBaud = 4800;
    uint8_t FParity = 0;
    std::function<void()> FRxEventHandler;
    TByteArray FRx;
    size_t FRxPos = 0;
    std::deque<TTxByte> FTx;
    qint64 FWireFreeUs = 0;
    qint64 FReplyDelayUs = 0;
    QElapsedTimer FClock;
    QTimer FTxTimer;
    qint64 FBytesReceived = 0;
    qint64 FBytesSent = 0;
};
