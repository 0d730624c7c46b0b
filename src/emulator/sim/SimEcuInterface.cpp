#include "SimEcuInterface.h"

#include "Errors.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct TSpeed {
    int Rate;
    speed_t Code;
};
constexpr std::array<TSpeed, 9> Speeds{{
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
    {230400, B230400},
}};

speed_t SpeedCode(int rate)
{
    for (const TSpeed& s : Speeds)
        if (s.Rate == rate)
            return s.Code;
    return B0;
}

int SpeedRate(speed_t code)
{
    for (const TSpeed& s : Speeds)
        if (s.Code == code)
            return s.Rate;
    return 0;
}

QString SystemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// Raw 8N1 at the given rate, no handshake, no echo or line editing by the terminal layer.
bool MakeRaw(int fd, int rate)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, SpeedCode(rate));
    cfsetospeed(&t, SpeedCode(rate));
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

} // namespace

TSimEcuInterface::TSimEcuInterface()
{
    FClock.start();
    FTxTimer.setSingleShot(true);
    FTxTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTxTimer, &QTimer::timeout, this, &TSimEcuInterface::Drain);
    FRxEventHandler = [this] { ProcessRx(); };
    SetBaudRate(4800);
    SetParity(0);
}

TSimEcuInterface::~TSimEcuInterface()
{
    Close();
}

void TSimEcuInterface::Close()
{
    delete FNotifier;
    FNotifier = nullptr;
    if (FFd >= 0)
        ::close(FFd);
    if (FSlaveFd >= 0)
        ::close(FSlaveFd);
    FFd = FSlaveFd = -1;
}

QString TSimEcuInterface::OpenPty()
{
    Close();
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        throw Exception(SystemError("openpty"));
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    // A tester that never sets the line up still finds it at the ECU's power-up rate.
    MakeRaw(slave, 4800);
    FFd = master;
    FSlaveFd = slave;
    FIsPty = true;
    FPath = QString::fromLocal8Bit(name);
    FNotifier = new QSocketNotifier(FFd, QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TSimEcuInterface::ReadReady);
    return FPath;
}

void TSimEcuInterface::OpenDevice(const QString& name)
{
    Close();
    const int fd = ::open(name.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw Exception(SystemError(qPrintable(name)));
    if (!MakeRaw(fd, FEcuBaud)) {
        const QString why = SystemError(qPrintable(name));
        ::close(fd);
        throw Exception(why);
    }
    tcflush(fd, TCIOFLUSH);
    FFd = fd;
    FIsPty = false;
    FPath = name;
    FNotifier = new QSocketNotifier(FFd, QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TSimEcuInterface::ReadReady);
}

bool TSimEcuInterface::ReadByte(uint8_t& b)
{
    if (FRxPos >= FRx.size())
        return false;
    b = FRx[FRxPos++];
    if (FRxPos == FRx.size()) {
        FRx.clear();
        FRxPos = 0;
    }
    return true;
}

int TSimEcuInterface::Read(uint8_t* buffer, int count)
{
    int n = 0;
    while (n < count && ReadByte(buffer[n]))
        ++n;
    return n;
}

int TSimEcuInterface::GetBaudRate() const
{
    if (FIsPty && FSlaveFd >= 0) {
        termios t{};
        if (tcgetattr(FSlaveFd, &t) == 0)
            if (const int rate = SpeedRate(cfgetospeed(&t)))
                return rate;
    }
    return FEcuBaud;
}

void TSimEcuInterface::SetBaudRate(int value)
{
    TEcuInterface::SetBaudRate(value);
    FEcuBaud = value > 0 ? value : 4800;
    if (FFd >= 0 && !FIsPty && !MakeRaw(FFd, FEcuBaud))
        LogMsg(SystemError("TSimEcuInterface.SetBaudRate"), 7);
}

void TSimEcuInterface::SetParity(uint8_t value)
{
    TEcuInterface::SetParity(value);
    FParity = value;
}

int TSimEcuInterface::FlushRxBuf()
{
    const int n = static_cast<int>(FRx.size() - FRxPos);
    FRx.clear();
    FRxPos = 0;
    return n;
}

qint64 TSimEcuInterface::ByteTimeUs() const
{
    return (1000000LL * BitsPerByte + FEcuBaud / 2) / FEcuBaud;
}

void TSimEcuInterface::SendRaw(const TByteArray& bytes)
{
    if (!FActive || FFd < 0)
        return;
    Queue(bytes.data(), bytes.size(), true);
}

void TSimEcuInterface::ReadReady()
{
    std::array<uint8_t, 4096> buf;
    const ssize_t n = ::read(FFd, buf.data(), buf.size());
    if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // A device that went away: stop listening rather than spin on it.
        LogMsg(SystemError("TSimEcuInterface.ReadReady"), 7);
        FNotifier->setEnabled(false);
        return;
    }
    FBytesReceived += n;
    if (!FActive)
        return;
    // The tester hears its own bytes on the single wire, before anything the ECU answers.
    Queue(buf.data(), static_cast<size_t>(n), false);
    FRx.insert(FRx.end(), buf.begin(), buf.begin() + n);
    if (FRxEventHandler)
        FRxEventHandler();
}

void TSimEcuInterface::Queue(const uint8_t* bytes, size_t n, bool fromEcu)
{
    if (n == 0)
        return;
    const qint64 now = FClock.nsecsElapsed() / 1000;
    qint64 due = std::max(now, FWireFreeUs);
    // An ECU has its next reply ready when the line comes free; the little the sim's own
    // timer and event loop added since then is not the ECU's and is taken back.
    if (fromEcu && now > FWireFreeUs && now - FWireFreeUs <= SchedulingSlackUs)
        due = FWireFreeUs;
    if (fromEcu)
        due += FReplyDelayUs;  // a quiet gap on the line before the answer
    const qint64 step = ByteTimeUs();
    for (size_t i = 0; i < n; ++i) {
        due += step;
        FTx.push_back({bytes[i], due});
    }
    FWireFreeUs = due;
    if (!FTxTimer.isActive())
        Drain();
}

void TSimEcuInterface::Drain()
{
    const qint64 now = FClock.nsecsElapsed() / 1000;
    std::array<uint8_t, 512> out;
    size_t n = 0;
    while (!FTx.empty() && FTx.front().DueUs <= now && n < out.size()) {
        out[n++] = FTx.front().Byte;
        FTx.pop_front();
    }
    if (n > 0 && FFd >= 0) {
        // Nobody reading the far end fills its buffer; what does not fit is lost, as on a wire.
        const ssize_t w = ::write(FFd, out.data(), n);
        if (w > 0)
            FBytesSent += w;
    }
    if (!FTx.empty()) {
        const qint64 wait = FTx.front().DueUs - now;
        FTxTimer.start(static_cast<int>(std::max<qint64>(0, (wait + 999) / 1000)));
        return;
    }
    if (OnTxEmpty)
        OnTxEmpty();
}
