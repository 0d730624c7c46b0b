// quillon-log: live data capture without a screen, for a computer left in the car.
#include "EcuConstData.h"
#include "Errors.h"
#include "HeadlessLogger.h"
#include "LoggerOptions.h"
#include "SerialEcuInterface.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int SignalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char b = 1;
    [[maybe_unused]] const ssize_t n = ::write(SignalPipe[1], &b, 1);
}

// Errors that escape an event handler end here instead of ending the process: a lost
// serial port is one of them.
class TLoggerApplication : public QCoreApplication {
public:
    using QCoreApplication::QCoreApplication;
    std::function<void(const QString&)> OnPortLost;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QCoreApplication::notify(receiver, event);
        } catch (const ESerialPortError& e) {
            if (OnPortLost)
                OnPortLost(e.Message);
        } catch (const Exception& e) {
            std::fprintf(stderr, "quillon-log: %s\n", qPrintable(e.Message));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "quillon-log: %s\n", e.what());
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    TLoggerApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Morvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    try {
        RestoreDefinitionTables();
    } catch (const Exception& e) {
        std::fprintf(stderr, "quillon-log: %s\n", qPrintable(e.Message));
        return 1;
    }
    const TLoggerParse parse = ParseLoggerOptions(QCoreApplication::arguments());
    if (!parse.Help.isEmpty()) {
        std::fputs(qPrintable(parse.Help), stdout);
        return 0;
    }
    if (!parse.Options) {
        std::fprintf(stderr, "quillon-log: %s\nTry quillon-log --help.\n", qPrintable(parse.Error));
        return 2;
    }
    const TLoggerOptions& options = *parse.Options;
    if (!options.SettingsFile.isEmpty() && !QFileInfo(options.SettingsFile).isReadable()) {
        std::fprintf(stderr, "quillon-log: cannot read the settings file %s\n", qPrintable(options.SettingsFile));
        return 2;
    }
    const bool portMissing = !options.Demo && !QFileInfo::exists(options.Port);
    if (portMissing && !options.Retry) {
        std::fprintf(stderr, "quillon-log: there is no serial port %s\n", qPrintable(options.Port));
        return 2;
    }
    // Before any port is opened: under a service manager that restarts on failure, a folder
    // that cannot take logs would otherwise mean a new ECU connection every few seconds.
    if (const QString why = CheckLogFolder(options.LogDir); !why.isEmpty()) {
        std::fprintf(stderr, "quillon-log: cannot write logs in %s\n", qPrintable(why));
        return 2;
    }
    if (portMissing)
        std::fprintf(stderr, "quillon-log: waiting for the serial port %s\n", qPrintable(options.Port));
    // The live-data window's file when asked for; the link's own options (x8Baud) from the
    // user's settings otherwise. Read only: the file often belongs to the desktop program,
    // and what the link stores when it ends (its port) is not this program's to change.
    TSettingsStore::Instance().OpenReadOnly(options.SettingsFile.isEmpty() ? TSettingsStore::DefaultFileName()
                                                                            : options.SettingsFile);

    if (::pipe(SignalPipe) != 0) {
        std::perror("quillon-log: pipe");
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A car computer loses its power or its terminal rather than shutting down: a hang-up,
    // or a closed pipe on the output, ends the log as a stop does.
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        sigaction(sig, &action, nullptr);

    int code = 0;
    THeadlessLogger logger(options);
    logger.OnFinished = [&](int c) {
        code = c;
        QCoreApplication::exit(c);
    };
    app.OnPortLost = [&](const QString& message) { logger.PortLost(message); };
    QSocketNotifier signalNotifier(SignalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
        char b;
        [[maybe_unused]] const ssize_t n = ::read(SignalPipe[0], &b, 1);
        logger.Stop();  // the log ends on its last whole line
        code = 0;
        QCoreApplication::exit(0);
    });
    if (!logger.Start())
        return 2;
    const int rc = app.exec();
    logger.Stop();
    return code != 0 ? code : rc;
}
