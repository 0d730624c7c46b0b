#pragma once

// The link on a real serial port: a USB K-line cable to the car, or a pseudo-terminal served
// by quillon-ecu-sim. The port is the one named by "ComPort"; it opens when the link is made
// active (4800 baud, 8N1, no handshake) and follows SetBaudRate. Received bytes run the
// receive pass as they arrive; the line is single-wire, so the link hears its own requests.
//
// A port that goes away (an unplugged adapter, the simulator ending) is reported once as
// ESerialPortError, raised from a queued call so that it reaches the application's error
// handler outside any of the link's own code.

#include "EcuInterface.h"

#include <QSerialPort>

class TSerialEcuInterface : public TEcuInterface {
    Q_OBJECT
public:
    // The port is taken from the settings ("ComPort") unless one is given.
    explicit TSerialEcuInterface(const QString& port = QString());
    ~TSerialEcuInterface() override;

    bool ReadByte(uint8_t& b) override;
    int Read(uint8_t* buffer, int count) override;
    bool GetActive() const override;
    // Opening failures raise EEcuInterface with the port's error text.
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
    bool PortReady() const override { return FPort.isOpen(); }
    void SetRxThreshold(int value) override { FRxThreshold = value; }
    // Stale bytes are flushed first, so a late or broken answer to an earlier request
    // cannot be taken for the answer to this one.
    void SendRaw(const TByteArray& bytes) override;
    QString GetDescription() const override;
    QString Caption() const override { return QStringLiteral("Serial Ecu Interface"); }
    int FlushRxBuf() override;
    bool SupportsFastPoll() const override { return true; }

    // The line speed put on the port for a rate: x8Baud multiplies it by eight, for adapters
    // whose clock runs eight times slow.
    int PortRate(int rate) const { return X8Baud ? rate * 8 : rate; }
    bool PortLost() const { return FPortLost; }
    QSerialPort& Port() { return FPort; }

    static constexpr const char* LostMessage = "The serial port %1 is no longer available: %2";

private:
    void PortError(QSerialPort::SerialPortError error);
    void ReportLost(const QString& reason);

    QSerialPort FPort;
    bool FActive = false;
    bool FPortLost = false;
    int FBaudRate = 4800;
    uint8_t FParity = 0;
    int FRxThreshold = 0;
    std::function<void()> FRxEventHandler;
};
