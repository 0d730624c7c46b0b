// quillon-sensor-sim: an AP22 accelerometer or an Innovate chain on a pseudo-terminal, so
// that Quillon's external sensors can be tried without the devices.
#include "SensorStreams.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool MakeRaw(int fd, speed_t baud)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    cfsetispeed(&t, baud);
    cfsetospeed(&t, baud);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

QString LinkPath;

void RemoveLink()
{
    if (!LinkPath.isEmpty()) QFile::remove(LinkPath);
}

void OnSignal(int)
{
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillon-sensor-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Streams a simulated external sensor on a new pseudo-terminal and prints its device "
        "on the first line of standard output. Point Quillon's AP22 or Innovate port set-up at "
        "it and restart Quillon."));
    parser.addHelpOption();
    const QCommandLineOption ap22(
        QStringLiteral("ap22"),
        QStringLiteral("Race Technology AP22 accelerometer lines, 57600 baud."));
    const QCommandLineOption innovate(
        QStringLiteral("innovate"),
        QStringLiteral("Innovate packets, 19200 baud; an LM1 alone unless --chain."));
    const QCommandLineOption chain(
        QStringLiteral("chain"),
        QStringLiteral("Chained devices in order, from lc1, lm1 and mt1 (e.g. lc1,lm1)."),
        QStringLiteral("LIST"));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Also make a symbolic link PATH to the device."),
                                  QStringLiteral("PATH"));
    parser.addOptions({ap22, innovate, chain, link});
    parser.process(app);

    if (parser.isSet(ap22) == parser.isSet(innovate)) {
        std::fprintf(stderr, "quillon-sensor-sim: give one of --ap22 and --innovate\n");
        return 2;
    }
    QStringList devices = {QStringLiteral("lm1")};
    bool chained = false;
    if (parser.isSet(chain)) {
        devices = parser.value(chain).toLower().split(QLatin1Char(','), Qt::SkipEmptyParts);
        chained = true;
        for (const QString& d : devices)
            if (d != QLatin1String("lc1") && d != QLatin1String("lm1") &&
                d != QLatin1String("mt1")) {
                std::fprintf(stderr, "quillon-sensor-sim: unknown device in --chain: %s\n",
                             qPrintable(d));
                return 2;
            }
        if (devices.isEmpty() || devices.size() > 8) {
            std::fprintf(stderr, "quillon-sensor-sim: --chain wants one to eight devices\n");
            return 2;
        }
    }

    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "quillon-sensor-sim: openpty: %s\n", std::strerror(errno));
        return 2;
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    const bool isAP22 = parser.isSet(ap22);
    MakeRaw(slave, isAP22 ? B57600 : B19200);
    const QString device = QString::fromLocal8Bit(name);

    if (parser.isSet(link)) {
        LinkPath = parser.value(link);
        QFile::remove(LinkPath);
        if (!QFile::link(device, LinkPath)) {
            std::fprintf(stderr, "quillon-sensor-sim: cannot link %s\n", qPrintable(LinkPath));
            return 2;
        }
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);

    std::printf("%s\n", qPrintable(device));
    std::fflush(stdout);

    // Drain whatever a reader sends; the sensors only talk.
    QSocketNotifier drain(master, QSocketNotifier::Read);
    QObject::connect(&drain, &QSocketNotifier::activated, [master] {
        char buf[256];
        while (::read(master, buf, sizeof buf) > 0) {
        }
    });

    QElapsedTimer clock;
    clock.start();
    QTimer timer;
    // The AP22 sends about 50 lines a second; the Innovate chain a packet every 81.92 ms.
    timer.setInterval(isAP22 ? 20 : 82);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        using namespace SensorStreams;
        const double t = clock.elapsed() / 1000.0;
        QByteArray out;
        if (isAP22) {
            out = AP22Line(0.6 * std::sin(t * 0.7), 0.4 * std::sin(t * 0.31 + 1));
        } else {
            const double lambda = 0.95 + 0.08 * std::sin(t * 0.5);
            const int aux = int(512 + 400 * std::sin(t * 0.2));
            const std::array<int, 5> lmAux = {aux, 1023 - aux, 100, 200, 300};
            QByteArray body;
            for (const QString& d : devices) {
                if (d == QLatin1String("lm1"))
                    body += LM1Packet(0, 14.7, LambdaWord(lambda), 13.8, lmAux);
                else if (d == QLatin1String("lc1"))
                    body += LC1Packet(0, 14.7, LambdaWord(lambda + 0.02));
                else
                    for (int i = 0; i < 5; ++i)
                        body += AuxWord(aux / (i + 1));
            }
            out = chained ? Chained(body) : body;
        }
        // A full buffer (no reader for a while) drops the sample, as a device would.
        if (::write(master, out.constData(), size_t(out.size())) < 0 && errno != EAGAIN) {
            std::fprintf(stderr, "quillon-sensor-sim: write: %s\n", std::strerror(errno));
        }
    });
    timer.start();

    std::fprintf(stderr, "quillon-sensor-sim: %s on %s\n",
                 isAP22 ? "AP22" : qPrintable(devices.join(QLatin1Char(','))), qPrintable(device));
    const int rc = app.exec();
    RemoveLink();
    ::close(master);
    ::close(slave);
    return rc;
}
