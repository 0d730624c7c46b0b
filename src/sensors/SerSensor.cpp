#include "SerSensor.h"

#include "Clock.h"
#include "Errors.h"

TSerSensor::TSerSensor(int baudRate, QObject* parent) : QObject(parent), FBaudRate(baudRate)
{
    connect(&FPort, &QSerialPort::readyRead, this, &TSerSensor::RxChar);
    connect(&FPort, &QSerialPort::errorOccurred, this, &TSerSensor::PortError);
    FReopenTimer.setSingleShot(true);
    connect(&FReopenTimer, &QTimer::timeout, this, &TSerSensor::TryReopen);
}

TSerSensor::~TSerSensor()
{
    FPort.disconnect(this);
    FReopenTimer.stop();
    SetActive(false);
}

void TSerSensor::SetPort(const QString& port)
{
    if (port == FPortName) return;
    const bool wanted = FWanted;
    SetActive(false);
    FPortName = port;
    if (wanted) SetActive(true);
}

void TSerSensor::SetActive(bool value)
{
    FWanted = value;
    FReopenTimer.stop();
    if (!value) {
        if (FPort.isOpen()) FPort.close();
        FReceived = 0;
        return;
    }
    if (FPort.isOpen()) return;
    try {
        Open();
    } catch (const Exception&) {
        FReopenTimer.start(ReopenIntervalMs);
        throw;
    }
}

void TSerSensor::TryReopen()
{
    if (!FWanted || FPort.isOpen()) return;
    try {
        Open();
    } catch (const Exception&) {
        FReopenTimer.start(ReopenIntervalMs);
    }
}

void TSerSensor::Open()
{
    FLastError.clear();
    FReceived = 0;
    FPort.setPortName(FPortName);
    if (!FPort.open(QIODevice::ReadOnly))
        throw Exception(
            QStringLiteral("Unable to open %1: %2").arg(FPortName, FPort.errorString()));
    const bool ok = FPort.setBaudRate(FBaudRate) && FPort.setDataBits(QSerialPort::Data8) &&
                    FPort.setStopBits(QSerialPort::OneStop) &&
                    FPort.setParity(QSerialPort::NoParity) &&
                    FPort.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        const QString why = FPort.errorString();
        FPort.close();
        throw Exception(QStringLiteral("Unable to set up %1: %2").arg(FPortName, why));
    }
    // A pseudo-terminal has no modem lines, so these may fail; the port still works.
    FPort.setDataTerminalReady(false);
    FPort.setRequestToSend(false);
    FPort.clearError();
    FPort.clear(QSerialPort::Input);
}

void TSerSensor::RxChar()
{
    const QByteArray chunk = FPort.readAll();
    if (!chunk.isEmpty()) Receive(chunk);
}

void TSerSensor::PortError(QSerialPort::SerialPortError error)
{
    // Only a vanished device ends the reading (a pulled adapter, a hung-up line that can no
    // longer be read); modem-line and time-out reports do not.
    if (error != QSerialPort::ResourceError && error != QSerialPort::PermissionError &&
        error != QSerialPort::ReadError)
        return;
    FLastError = FPort.errorString();
    if (FPort.isOpen()) FPort.close();
    FReceived = 0;
    // The adapter may come back: try it again every few seconds, for as long as the user
    // wants the sensor on.
    if (FWanted) FReopenTimer.start(ReopenIntervalMs);
}

void TSerSensor::PacketReceived()
{
    ++FReceived;
    FLastPacketTick = GetTickCount();
}

bool TSerSensor::Fresh() const
{
    // Closing the port, or losing it, forgets what was received.
    return FReceived > 0 && GetTickCount() - FLastPacketTick <= StaleMs;
}
