#include "LoggerOptions.h"

#include "EcuConstData.h"
#include "FakeScenario.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The identifiers of a definition table: its first column, one row per index, in order.
QStringList TableIds(const QString& fileName, int count)
{
    QStringList ids;
    QFile f(QStringLiteral(":/data/") + fileName);
    if (!f.open(QIODevice::ReadOnly))
        return ids;
    bool header = true;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')) || line.trimmed().isEmpty())
            continue;
        if (header) {
            header = false;
            continue;
        }
        ids << line.section(QLatin1Char('\t'), 0, 0).trimmed();
    }
    while (ids.size() < count)
        ids << QString();
    return ids;
}

const QStringList& ParamIds()
{
    static const QStringList ids = TableIds(QStringLiteral("params.tsv"), EcuParamCount);
    return ids;
}

const QStringList& SwitchIds()
{
    static const QStringList ids = TableIds(QStringLiteral("switches.tsv"), EcuSwitchCount);
    return ids;
}

int EditDistance(const QString& a, const QString& b)
{
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (int i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int up = row[size_t(j)];
            row[size_t(j)] = std::min({up + 1, row[size_t(j) - 1] + 1,
                                       diagonal + (a[i - 1].toLower() == b[j - 1].toLower() ? 0 : 1)});
            diagonal = up;
        }
    }
    return row.back();
}

template <class TNames>
int FindByName(const QString& name, int count, const QStringList& ids, TNames names)
{
    const QString wanted = name.trimmed();
    for (int i = 0; i < count; ++i)
        if (ids.value(i).compare(wanted, Qt::CaseInsensitive) == 0 ||
            names(i).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

template <class TNames>
QStringList CloseMatches(const QString& name, int count, const QStringList& ids, TNames names)
{
    const QString wanted = name.trimmed();
    std::vector<std::pair<int, QString>> scored;
    for (int i = 0; i < count; ++i) {
        const QString n = names(i);
        if (n.isEmpty())
            continue;
        int score = std::min(EditDistance(wanted, n), EditDistance(wanted, ids.value(i)));
        if (n.contains(wanted, Qt::CaseInsensitive) || ids.value(i).contains(wanted, Qt::CaseInsensitive))
            score = std::min(score, 1);
        scored.emplace_back(score, QStringLiteral("\"%1\" (%2)").arg(n, ids.value(i)));
    }
    std::stable_sort(scored.begin(), scored.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    QStringList out;
    for (size_t i = 0; i < scored.size() && out.size() < 5; ++i)
        if (scored[i].first <= std::max<int>(3, int(wanted.size()) / 2))
            out << scored[i].second;
    return out;
}

// NaN fails both comparisons, and "inf" the upper one.
bool NumberWithin(const QString& text, double low, double high, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && value >= low && value <= high;
}

QString SystemReason(const QString& path, int error)
{
    return path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

int FindParamByName(const QString& name)
{
    return FindByName(name, EcuParamCount, ParamIds(), [](int i) { return ParamDefs[i].Name; });
}

int FindSwitchByName(const QString& name)
{
    return FindByName(name, EcuSwitchCount, SwitchIds(), [](int i) { return SwitchDefs[i].Name; });
}

QStringList CloseParamMatches(const QString& name)
{
    return CloseMatches(name, EcuParamCount, ParamIds(), [](int i) { return ParamDefs[i].Name; });
}

QStringList CloseSwitchMatches(const QString& name)
{
    return CloseMatches(name, EcuSwitchCount, SwitchIds(), [](int i) { return SwitchDefs[i].Name; });
}

QString CheckLogFolder(const QString& dir)
{
    const QString path = QDir::cleanPath(QDir(dir).absolutePath());
    // One level at a time, so that the level that cannot be made gives its own reason.
    QString level;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        level += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(level).constData(), 0777) != 0 && errno != EEXIST)
            return SystemReason(level, errno);
    }
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return SystemReason(path, errno);
    if (!S_ISDIR(info.st_mode))
        return SystemReason(path, ENOTDIR);
    // Permissions alone do not tell: root passes them on a read-only mount.
    QByteArray probe = QFile::encodeName(path + QStringLiteral("/.quillon-log-XXXXXX"));
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return SystemReason(path, errno);
    ::close(fd);
    ::unlink(probe.constData());
    return QString();
}

TLoggerParse ParseLoggerOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Logs an ECU's live data to CSV files without a screen, as Quillon's live data capture does.\n"
        "Runs until stopped (SIGINT, SIGTERM, SIGHUP, or SIGPIPE when its output goes away), then ends the log\n"
        "on its last whole line. Reads its settings and never writes them.\n"
        "Exit codes: 0 a clean stop; 1 a lost link or a write failure; 2 bad arguments, a missing port or an\n"
        "unusable folder for the logs."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("The ECU cable's serial device."),
                                  QStringLiteral("DEVICE"));
    const QCommandLineOption demo(QStringLiteral("demo"), QStringLiteral("Log the emulated ECU instead of a car."));
    const QCommandLineOption ecu(QStringLiteral("ecu"), QStringLiteral("With --demo: play ECU type INDEX."),
                                 QStringLiteral("INDEX"));
    const QCommandLineOption scenario(QStringLiteral("scenario"),
                                      QStringLiteral("With --demo: what the emulated car does: Random, Drive or \"Road Test\"."),
                                      QStringLiteral("NAME"));
    const QCommandLineOption param(QStringLiteral("param"),
                                   QStringLiteral("Log parameter NAME (its name or identifier); repeatable."),
                                   QStringLiteral("NAME"));
    const QCommandLineOption sw(QStringLiteral("switch"),
                                QStringLiteral("Log switch NAME (its name or identifier); repeatable."),
                                QStringLiteral("NAME"));
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        QStringLiteral("Log the live-data window's selection, units and interval saved in FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption units(
        QStringLiteral("units"),
        QStringLiteral("Display units, comma separated: fahrenheit, bar, afr, mph, kmh-corrected, "
                       "mph-corrected, injector-duty."),
        QStringLiteral("LIST"));
    const QCommandLineOption interval(QStringLiteral("interval"),
                                      QStringLiteral("Milliseconds between a reply and the next request."),
                                      QStringLiteral("MS"));
    const QCommandLineOption fast(QStringLiteral("fast"),
                                  QStringLiteral("Let the ECU stream its replies where the link can."));
    const QCommandLineOption logDir(QStringLiteral("log-dir"),
                                    QStringLiteral("Folder for the logs (made when missing)."),
                                    QStringLiteral("DIR"));
    const QCommandLineOption trigger(
        QStringLiteral("trigger"),
        QStringLiteral("defog: log while the rear defogger is on; throttle: from above 90 % to below 80 %."),
        QStringLiteral("KIND"));
    const QCommandLineOption rotateSize(QStringLiteral("rotate-size"),
                                        QStringLiteral("Start a new file when the log reaches MB megabytes (%1 to %2).")
                                            .arg(MinRotateSizeMb)
                                            .arg(MaxRotateSizeMb),
                                        QStringLiteral("MB"));
    const QCommandLineOption rotateTime(QStringLiteral("rotate-time"),
                                        QStringLiteral("Start a new file every MIN minutes (%1 to %2).")
                                            .arg(MinRotateTimeMin)
                                            .arg(MaxRotateTimeMin),
                                        QStringLiteral("MIN"));
    const QCommandLineOption status(QStringLiteral("status"),
                                    QStringLiteral("Print a status line every second: rows, rows per second, bad replies, retries."));
    const QCommandLineOption retry(
        QStringLiteral("retry"),
        QStringLiteral("Keep trying when the port or the ECU is not there, and reconnect after a lost cable."));
    parser.addOptions({help, port, demo, ecu, scenario, param, sw, settings, units, interval, fast, logDir,
                       trigger, rotateSize, rotateTime, status, retry});

    TLoggerParse result;
    if (!parser.parse(arguments)) {
        result.Error = parser.errorText();
        return result;
    }
    if (parser.isSet(help)) {
        result.Help = parser.helpText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.Error = QStringLiteral("Unexpected argument: ") + parser.positionalArguments().join(QLatin1Char(' '));
        return result;
    }

    TLoggerOptions o;
    o.Port = parser.value(port);
    o.Demo = parser.isSet(demo);
    if (o.Demo == !o.Port.isEmpty()) {
        result.Error = QStringLiteral("Give either --port DEVICE or --demo.");
        return result;
    }
    if (parser.isSet(ecu)) {
        bool ok = false;
        o.DemoEcu = parser.value(ecu).toInt(&ok);
        if (!ok || !o.Demo || o.DemoEcu < 0 || o.DemoEcu >= EcuIdCount || EcuInitReplies[o.DemoEcu].empty()) {
            result.Error = QStringLiteral("--ecu needs --demo and a demo ECU type: %1").arg(parser.value(ecu));
            return result;
        }
    }
    o.Scenario = parser.value(scenario);
    if (!o.Scenario.isEmpty() && !o.Demo) {
        result.Error = QStringLiteral("--scenario needs --demo.");
        return result;
    }
    if (!o.Scenario.isEmpty() && !ScenarioByName(o.Scenario)) {
        result.Error = QStringLiteral("--scenario wants Random, Drive or \"Road Test\": %1").arg(o.Scenario);
        return result;
    }
    // A name that matches nothing is named back with the nearest ones.
    auto unknown = [&](const char* kind, const QString& name, const QStringList& close) {
        result.Error = QStringLiteral("No %1 is called \"%2\".").arg(QLatin1String(kind), name) +
                       (close.isEmpty() ? QString()
                                        : QStringLiteral(" Did you mean: ") + close.join(QStringLiteral(", ")) +
                                              QLatin1Char('?'));
        return result;
    };
    for (const QString& name : parser.values(param)) {
        const int p = FindParamByName(name);
        if (p < 0)
            return unknown("parameter", name, CloseParamMatches(name));
        o.Params.set(p);
    }
    for (const QString& name : parser.values(sw)) {
        const int s = FindSwitchByName(name);
        if (s < 0)
            return unknown("switch", name, CloseSwitchMatches(name));
        o.Switches.set(s);
    }
    o.SettingsFile = parser.value(settings);
    for (const QString& list : parser.values(units)) {
        for (const QString& raw : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString u = raw.trimmed().toLower();
            if (u == QLatin1String("fahrenheit"))
                o.Units.Temp = true;
            else if (u == QLatin1String("bar"))
                o.Units.Pressure = true;
            else if (u == QLatin1String("afr"))
                o.Units.Oxygen = true;
            else if (u == QLatin1String("injector-duty"))
                o.Units.InjDuty = true;
            else if (u == QLatin1String("mph"))
                o.Units.Speed = vsMPH;
            else if (u == QLatin1String("kmh-corrected"))
                o.Units.Speed = vsKMHSC;
            else if (u == QLatin1String("mph-corrected"))
                o.Units.Speed = vsMPHSC;
            else {
                result.Error = QStringLiteral("Unknown unit \"%1\"; choose from fahrenheit, bar, afr, mph, "
                                              "kmh-corrected, mph-corrected, injector-duty.")
                                   .arg(raw.trimmed());
                return result;
            }
            o.UnitsGiven = true;
        }
    }
    if (parser.isSet(interval)) {
        bool ok = false;
        o.IntervalMs = parser.value(interval).toInt(&ok);
        if (!ok || o.IntervalMs < 1 || o.IntervalMs > 3600000) {
            result.Error = QStringLiteral("--interval needs milliseconds from 1 to 3600000: %1").arg(parser.value(interval));
            return result;
        }
    }
    o.Fast = parser.isSet(fast);
    o.LogDir = parser.value(logDir);
    if (o.LogDir.isEmpty()) {
        result.Error = QStringLiteral("Give the folder for the logs: --log-dir DIR.");
        return result;
    }
    for (const QString& t : parser.values(trigger)) {
        if (t.compare(QLatin1String("defog"), Qt::CaseInsensitive) == 0)
            o.TriggerDefog = true;
        else if (t.compare(QLatin1String("throttle"), Qt::CaseInsensitive) == 0)
            o.TriggerThrottle = true;
        else {
            result.Error = QStringLiteral("Unknown trigger \"%1\"; choose defog or throttle.").arg(t);
            return result;
        }
    }
    if (o.TriggerDefog && o.TriggerThrottle) {
        result.Error = QStringLiteral("Choose one trigger: the two exclude each other.");
        return result;
    }
    // A bounded number, or the error that names the bounds.
    const auto bounded = [&](const QCommandLineOption& option, const char* units, double min, double max,
                             double& value) {
        if (!parser.isSet(option) || NumberWithin(parser.value(option), min, max, value))
            return true;
        result.Error = QStringLiteral("--%1 needs %2 from %3 to %4: %5")
                           .arg(option.names().constFirst(), QLatin1String(units))
                           .arg(min)
                           .arg(max)
                           .arg(parser.value(option));
        return false;
    };
    if (!bounded(rotateSize, "megabytes", MinRotateSizeMb, MaxRotateSizeMb, o.RotateSizeMb) ||
        !bounded(rotateTime, "minutes", MinRotateTimeMin, MaxRotateTimeMin, o.RotateTimeMin))
        return result;
    o.Status = parser.isSet(status);
    o.Retry = parser.isSet(retry);
    if (o.Params.none() && o.Switches.none() && o.SettingsFile.isEmpty()) {
        result.Error = QStringLiteral("Choose what to log: --param NAME, --switch NAME or --settings FILE.");
        return result;
    }
    result.Options = o;
    return result;
}
