#pragma once

// A sensor that only listens on a serial port: the port set-up, the open/close life
// cycle, and the hand-over of each receive event to the derived decoder.

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include <cstdint>

class TSerSensor : public QObject {
    Q_OBJECT
  public:
    explicit TSerSensor(int baudRate, QObject* parent = nullptr);
    ~TSerSensor() override;

    QString Port() const { return FPortName; }
    // Changing the port of a sensor that is on opens it there (and may throw as SetActive).
    void SetPort(const QString& port);
    bool Active() const { return FPort.isOpen(); }
    // Opening throws Exception with the port's reason when the port is missing or busy;
    // the sensor then stays closed, and tries again every ReopenIntervalMs, as it does
    // after its port went while open (an adapter pulled), until it is switched off.
    void SetActive(bool value);
    // The user's choice: on since SetActive(true), whether or not the port is open now.
    bool Wanted() const { return FWanted; }
    static inline int ReopenIntervalMs = 3000;

    // Why the port was closed under us (unplugged adapter), empty otherwise. A sensor's
    // port trouble stays with the sensor: it is never the ECU link's lost port.
    QString LastError() const { return FLastError; }

    // A device that has sent no complete packet or line for this long is stale: what it
    // sent last is no longer a measurement.
    static constexpr uint32_t StaleMs = 1000;
    // The device's last complete packet or line is recent (closing or losing the port
    // forgets what was received).
    bool Fresh() const;
    // Complete packets or lines taken since the port was opened.
    int Received() const { return FReceived; }

    // The decoders take whatever bytes arrive; tests feed them directly.
    virtual void Receive(const QByteArray& chunk) = 0;
    // Bytes held for the next chunk.
    qsizetype Pending() const { return RxBuffer.size(); }

  protected:
    // Receive bytes not yet consumed; each decoder keeps it bounded.
    QByteArray RxBuffer;
    // The decoder took a complete packet or line.
    void PacketReceived();

  private:
    void RxChar();
    void PortError(QSerialPort::SerialPortError error);
    void Open();
    void TryReopen();

    QSerialPort FPort;
    QString FPortName = QStringLiteral("COM1");
    int FBaudRate;
    QString FLastError;
    bool FWanted = false;
    QTimer FReopenTimer;
    int FReceived = 0;
    uint32_t FLastPacketTick = 0;
};
