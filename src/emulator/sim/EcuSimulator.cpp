#include "EcuSimulator.h"

#include "EcuConstData.h"
#include "Errors.h"
#include "GenFuncs.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

TEcuSimulator::TEcuSimulator() = default;

TEcuSimulator::~TEcuSimulator()
{
    if (FEcu)
        FEcu->Connect(nullptr);
    if (FLink)
        FLink->SetActive(false);
    FEcu.reset();
    FLink.reset();
}

QString TEcuSimulator::Start(const TEcuSimOptions& options)
{
    FLink = std::make_unique<TSimEcuInterface>();
    FEcu = std::make_unique<TFakeEcu>(options.Seed);
    const int type = options.EcuType < 0 ? DefaultDemoEcu : options.EcuType;
    const auto& selectable = FEcu->SelectableEcuTypes();
    if (std::find(selectable.begin(), selectable.end(), type) == selectable.end())
        throw Exception(QStringLiteral("ECU type %1 cannot be played (see --list-ecus)").arg(type));
    FEcu->SetEcuType(type);
    FEcu->SetRoadTestGear(options.RoadTestGear);
    FEcu->SetScenario(options.Scenario);
    for (const QString& c : options.Codes)
        SetCode(c, false);
    for (const QString& c : options.HistoricCodes)
        SetCode(c, true);

    QString device;
    if (options.Port.isEmpty()) {
        device = FLink->OpenPty();
    } else {
        FLink->OpenDevice(options.Port);
        device = options.Port;
    }
    // The ECU's end of the link answers as the ECU, so its addresses are the ECU's.
    FEcu->Connect(FLink.get());
    FEcu->SetDemoActive(true);
    FEcu->CycleIgnition();
    FLink->SetActive(true);

    FFaults = options.Faults;
    FDelayMs = options.DelayMs;
    ApplyFaults();

    if (options.Verbose) {
        FLink->OnAnyRequest = [](uint8_t, uint8_t, const TByteArray& data) {
            std::fprintf(stderr, "request %s\n", qPrintable(HexDump(data, 1)));
        };
        connect(FEcu.get(), &TFakeEcu::MessageShown, this,
                [](const QString& text) { std::fprintf(stderr, "ecu: %s\n", qPrintable(text)); });
    }
    return device;
}

void TEcuSimulator::ApplyFaults()
{
    FEcu->SetFaults(FFaults);
    // The delay belongs to the line, so that it outlasts a fault that clears after N replies.
    FLink->SetReplyDelayMs(FDelayMs);
}

std::optional<std::pair<TFakeCodeList, int>> TEcuSimulator::FindCode(const QString& code, bool historic)
{
    const QString c = code.trimmed();
    if (c.isEmpty())
        return std::nullopt;
    if (c[0].isLetter()) {
        for (int i = 0; i < ObdCodeCount; ++i)
            if (ObdCodes[i].Code.compare(c, Qt::CaseInsensitive) == 0)
                return std::make_pair(historic ? clObdHistoric : clObdCurrent, i);
        return std::nullopt;
    }
    for (int i = 0; i < NonObdCodeCount; ++i)
        if (NonObdCodes[i].Text.section(QLatin1Char(' '), 0, 0) == c)
            return std::make_pair(historic ? clNonObdHistoric : clNonObdCurrent, i);
    return std::nullopt;
}

void TEcuSimulator::SetCode(const QString& code, bool historic)
{
    const auto found = FindCode(code, historic);
    if (!found)
        throw Exception(QStringLiteral("Unknown trouble code \"%1\"").arg(code));
    FEcu->SetCodeTicked(found->first, found->second, true);
}

QString TEcuSimulator::Command(const QString& line)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    const QString verb = words[0].toLower();
    const QString arg = words.value(1);
    try {
        if (verb == QLatin1String("fault")) {
            TFakeEcuFaults f;
            bool ok = true;
            f.Count = words.size() > 2 ? words[2].toInt(&ok) : -1;
            if (!ok)
                return QStringLiteral("error bad count");
            if (arg == QLatin1String("silent"))
                f.Silent = true;
            else if (arg == QLatin1String("checksum"))
                f.CorruptChecksum = true;
            else if (arg == QLatin1String("short"))
                f.LengthError = -1;
            else if (arg != QLatin1String("none"))
                return QStringLiteral("error unknown fault ") + arg;
            FFaults = f;
            ApplyFaults();
        } else if (verb == QLatin1String("delay")) {
            bool ok;
            const int ms = arg.toInt(&ok);
            if (!ok || ms < 0)
                return QStringLiteral("error bad delay");
            FDelayMs = ms;
            ApplyFaults();
        } else if (verb == QLatin1String("code") || verb == QLatin1String("historic")) {
            SetCode(arg, verb == QLatin1String("historic"));
        } else if (verb == QLatin1String("ecu")) {
            FEcu->SetEcuType(arg.toInt());
        } else if (verb == QLatin1String("quit")) {
            QCoreApplication::quit();
        } else {
            return QStringLiteral("error unknown command ") + verb;
        }
    } catch (const Exception& e) {
        return QStringLiteral("error ") + e.Message;
    }
    return QStringLiteral("ok ") + words.join(QLatin1Char(' '));
}

void TEcuSimulator::ListenToStdin()
{
    FStdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(FStdin, &QSocketNotifier::activated, this, [this] {
        char buf[512];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            FStdin->setEnabled(false);  // input closed: keep serving
            return;
        }
        FStdinBuffer.append(buf, static_cast<int>(n));
        int eol;
        while ((eol = FStdinBuffer.indexOf('\n')) >= 0) {
            const QString line = QString::fromLocal8Bit(FStdinBuffer.left(eol));
            FStdinBuffer.remove(0, eol + 1);
            const QString answer = Command(line);
            if (!answer.isEmpty()) {
                std::printf("%s\n", qPrintable(answer));
                std::fflush(stdout);
            }
        }
    });
}
