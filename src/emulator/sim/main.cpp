// quillon-ecu-sim: serves the emulated ECU on a pseudo-terminal (or a named serial port) so
// that Quillon, or any other K-line tool, can be run against it as against a car.
#include "EcuConstData.h"
#include "EcuSimulator.h"
#include "Errors.h"
#include "Settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillon-ecu-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves Quillon's emulated Subaru ECU on a serial line. Prints the device to open on "
        "the first line of standard output, then answers commands read from standard input:\n"
        "  fault silent|checksum|short|none [COUNT]   delay MS   code CODE   historic CODE\n"
        "  ecu INDEX   quit"));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Serve on serial device DEVICE instead of a new pseudo-terminal."),
                                  QStringLiteral("DEVICE"));
    const QCommandLineOption ecu(QStringLiteral("ecu"), QStringLiteral("Play ECU type INDEX (see --list-ecus)."),
                                 QStringLiteral("INDEX"));
    const QCommandLineOption list(QStringLiteral("list-ecus"), QStringLiteral("List the ECU types and exit."));
    const QCommandLineOption code(QStringLiteral("code"),
                                  QStringLiteral("Set current trouble code CODE (P0301, or 11 for a Subaru code); repeatable."),
                                  QStringLiteral("CODE"));
    const QCommandLineOption historic(QStringLiteral("historic"),
                                      QStringLiteral("Set historic trouble code CODE; repeatable."),
                                      QStringLiteral("CODE"));
    const QCommandLineOption delay(QStringLiteral("delay"), QStringLiteral("Answer MS milliseconds late."),
                                   QStringLiteral("MS"));
    const QCommandLineOption fault(QStringLiteral("fault"),
                                   QStringLiteral("Misbehave from the start: silent, checksum or short."),
                                   QStringLiteral("KIND"));
    const QCommandLineOption faultCount(QStringLiteral("fault-count"),
                                        QStringLiteral("Only the first N replies misbehave."), QStringLiteral("N"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed the drifting values."),
                                  QStringLiteral("N"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
                                     QStringLiteral("Print every request and emulator message on standard error."));
    const QCommandLineOption scenario(QStringLiteral("scenario"),
                           QStringLiteral("What the engine does: Random (the default), Drive or \"Road Test\"."),
                           QStringLiteral("NAME"));
    const QCommandLineOption gear(QStringLiteral("gear"),
                                  QStringLiteral("The gear of the road test's pull, 1 to 6 (default 3)."),
                                  QStringLiteral("N"));
    parser.addOptions({port, ecu, list, code, historic, delay, fault, faultCount, seed, verbose,
                       scenario, gear});
    parser.process(app);

    // The line's settings are the simulator's own business: never the user's file.
    QTemporaryDir settingsDir;
    TSettingsStore::Instance().Open(settingsDir.filePath(QStringLiteral("sim.ini")));

    try {
        RestoreDefinitionTables();
        TEcuSimulator sim;
        if (parser.isSet(list)) {
            TFakeEcu probe;
            for (int e : probe.SelectableEcuTypes())
                std::printf("%3d  %s\n", e, qPrintable(EcuIds[e].Description));
            return 0;
        }
        TEcuSimOptions options;
        options.Port = parser.value(port);
        auto number = [&](const QCommandLineOption& o, int def) {
            if (!parser.isSet(o))
                return def;
            bool ok;
            const int v = parser.value(o).toInt(&ok, 0);
            if (!ok)
                throw Exception(QStringLiteral("--%1 wants a number").arg(o.names().front()));
            return v;
        };
        options.EcuType = number(ecu, -1);
        options.Codes = parser.values(code);
        options.HistoricCodes = parser.values(historic);
        options.DelayMs = number(delay, 0);
        if (parser.isSet(fault)) {
            const QString kind = parser.value(fault);
            if (kind == QLatin1String("silent"))
                options.Faults.Silent = true;
            else if (kind == QLatin1String("checksum"))
                options.Faults.CorruptChecksum = true;
            else if (kind == QLatin1String("short"))
                options.Faults.LengthError = -1;
            else
                throw Exception(QStringLiteral("--fault wants silent, checksum or short"));
            options.Faults.Count = number(faultCount, -1);
        }
        if (parser.isSet(seed))
            options.Seed = static_cast<uint32_t>(number(seed, 0));
        options.Verbose = parser.isSet(verbose);
        if (parser.isSet(scenario)) {
            const std::optional<TScenario> s = ScenarioByName(parser.value(scenario));
            if (!s)
                throw Exception(QStringLiteral("--scenario wants Random, Drive or \"Road Test\""));
            options.Scenario = *s;
        }
        options.RoadTestGear = number(gear, 3);
        if (options.RoadTestGear < 1 || options.RoadTestGear > 6)
            throw Exception(QStringLiteral("--gear wants 1 to 6"));

        const QString device = sim.Start(options);
        std::printf("%s\n", qPrintable(device));
        std::fflush(stdout);
        std::fprintf(stderr, "quillon-ecu-sim: %s on %s at 4800 baud\n",
                     qPrintable(EcuIds[sim.Ecu().EcuType()].Description), qPrintable(device));
        sim.ListenToStdin();
        return app.exec();
    } catch (const Exception& e) {
        std::fprintf(stderr, "quillon-ecu-sim: %s\n", qPrintable(e.Message));
        return 2;
    }
}
