#include "SerialEcuInterface.h"

#include "GenFuncs.h"

#include <QCoreApplication>
#include <QSerialPortInfo>

TSerialEcuInterface::TSerialEcuInterface(const QString& port)
{
    if (!port.isEmpty())
        ComPort = port;
    Log().SetFields(Log().BaudRateText, Log().ParityText, ComPort);
    FRxEventHandler = [this] { ProcessRx(); };
    connect(&FPort, &QSerialPort::readyRead, this, [this] {
        if (FRxEventHandler)
            FRxEventHandler();
    });
    connect(&FPort, &QSerialPort::errorOccurred, this, &TSerialEcuInterface::PortError);
    SetBaudRate(4800);
    SetParity(0);
}

TSerialEcuInterface::~TSerialEcuInterface()
{
    FActive = false;
    FPort.disconnect(this);
    if (FPort.isOpen())
        FPort.close();
}

bool TSerialEcuInterface::ReadByte(uint8_t& b)
{
    if (!FPort.isOpen())
        return false;
    char c;
    if (!FPort.getChar(&c))
        return false;
    b = static_cast<uint8_t>(c);
    return true;
}

int TSerialEcuInterface::Read(uint8_t* buffer, int count)
{
    if (!FPort.isOpen() || count <= 0)
        return 0;
    const qint64 n = FPort.read(reinterpret_cast<char*>(buffer), count);
    return n > 0 ? static_cast<int>(n) : 0;
}

bool TSerialEcuInterface::GetActive() const
{
    return FActive && !FPortLost && FPort.isOpen();
}

void TSerialEcuInterface::SetActive(bool value)
{
    if (!value) {
        FActive = false;
        if (FPort.isOpen())
            FPort.close();
        return;
    }
    if (FActive && FPort.isOpen())
        return;
    FPortLost = false;
    FPort.setPortName(ComPort);
    if (!FPort.open(QIODevice::ReadWrite))
        throw EEcuInterface(QStringLiteral("Unable to open %1: %2").arg(ComPort, FPort.errorString()));
    const bool ok = FPort.setBaudRate(PortRate(FBaudRate)) && FPort.setDataBits(QSerialPort::Data8) &&
                    FPort.setStopBits(QSerialPort::OneStop) &&
                    FPort.setFlowControl(QSerialPort::NoFlowControl);
    SetParity(FParity);
    if (!ok) {
        const QString why = FPort.errorString();
        FPort.close();
        throw EEcuInterface(QStringLiteral("Unable to set up %1: %2").arg(ComPort, why));
    }
    FPort.clear();
    FActive = true;
}

void TSerialEcuInterface::SetBaudRate(int value)
{
    TEcuInterface::SetBaudRate(value);
    if (value == FBaudRate && FActive)
        return;
    FBaudRate = value;
    if (FPort.isOpen() && !FPort.setBaudRate(PortRate(value)))
        LogMsg(QStringLiteral("TSerialEcuInterface.SetBaudRate: %1 refused: %2")
                   .arg(value)
                   .arg(FPort.errorString()),
               7);
}

void TSerialEcuInterface::SetParity(uint8_t value)
{
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    if (value > 4)
        return;
    TEcuInterface::SetParity(value);
    FParity = value;
    if (FPort.isOpen())
        FPort.setParity(parities[value]);
}

int TSerialEcuInterface::FlushRxBuf()
{
    if (!FPort.isOpen())
        return 0;
    const int dropped = static_cast<int>(FPort.bytesAvailable());
    FPort.clear(QSerialPort::Input);
    FPort.readAll();  // whatever the driver had already handed over
    if (dropped > 0)
        LogMsg(QStringLiteral("TSerialEcuInterface.FlushRxBuf: %1 stale bytes dropped").arg(dropped), 6);
    return dropped;
}

void TSerialEcuInterface::SendRaw(const TByteArray& bytes)
{
    if (!GetActive()) {
        LogMsg(QStringLiteral("TSerialEcuInterface.SendRaw: Interface Disabled Ignoring Send"), 7);
        return;
    }
    FlushRxBuf();
    ResetReceiver();
    if (Log().LogInformation())
        LogMsg(QStringLiteral("TSerialEcuInterface.SendRaw: Sending ") + HexDumpAddr(bytes, 1, 16) +
                   QStringLiteral("."),
               6);
    if (bytes.empty())
        return;
    const qint64 n =
        FPort.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (n != static_cast<qint64>(bytes.size()))
        ReportLost(FPort.errorString());
}

QString TSerialEcuInterface::GetDescription() const
{
    const QSerialPortInfo info(ComPort);
    const QString name = info.isNull() ? ComPort : info.systemLocation();
    const QString description = info.isNull() ? QString() : info.description();
    return description.isEmpty() ? name : name + QStringLiteral(" - ") + description;
}

void TSerialEcuInterface::PortError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        if (FActive)
            ReportLost(FPort.errorString());
        break;
    default:
        break;
    }
}

void TSerialEcuInterface::ReportLost(const QString& reason)
{
    if (FPortLost)
        return;
    FPortLost = true;
    LogMsg(QStringLiteral("TSerialEcuInterface: port %1 lost: %2").arg(ComPort, reason), 7);
    if (FPort.isOpen())
        FPort.close();
    // Raised from a call of its own: the handler frees this link and returns to demo mode,
    // which must not happen inside the port's signal or the receive pass.
    const QString message = QString::fromLatin1(LostMessage).arg(ComPort, reason);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [message] { throw ESerialPortError(message); },
        Qt::QueuedConnection);
}
