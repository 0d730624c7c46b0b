#pragma once

// quillon-ecu-sim as a child process: started with its options, it prints the device of
// its pseudo-terminal, takes commands on standard input and answers each with a line.

#include <QProcess>
#include <QTest>

#include <optional>

class TSimProcess {
public:
    explicit TSimProcess(const QStringList& args)
    {
        FProcess.setProgram(QStringLiteral(QUILLON_ECU_SIM));
        FProcess.setArguments(args);
        FProcess.start();
        if (auto line = ReadLine(20000))
            Device = *line;
    }
    ~TSimProcess() { Kill(); }

    // The simulator ends at once, as an unplugged cable does.
    void Kill()
    {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.kill();
            FProcess.waitForFinished(10000);
        }
    }

    // Sends a command; true when the simulator confirmed it.
    bool Command(const QString& command)
    {
        FProcess.write((command + QLatin1Char('\n')).toLocal8Bit());
        const auto answer = ReadLine(10000);
        return answer && answer->startsWith(QLatin1String("ok "));
    }

    QString Errors() { return QString::fromLocal8Bit(FProcess.readAllStandardError()); }

    QString Device;

private:
    std::optional<QString> ReadLine(int ms)
    {
        if (!QTest::qWaitFor([&] { return FProcess.canReadLine(); }, ms))
            return std::nullopt;
        return QString::fromLocal8Bit(FProcess.readLine()).trimmed();
    }

    QProcess FProcess;
};
