#include "LogSession.h"

#include "Clock.h"

#include <QDir>

TLogSession::TLogSession()
{
    Tick = [] { return GetTickCount(); };
    Now = [] { return QDateTime::currentDateTime(); };
}

bool TLogSession::Start(const TParamSet& params, const TSwitchSet& switches, const TSensorChannels& channels)
{
    if (OnSound)
        OnSound(QStringLiteral("DefaultBeep"));
    if (params.none())
        return false;  // a log needs at least one parameter

    QString dir = LoggingDirectory ? LoggingDirectory() : QString();
    if (dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\'))) {
        dir.chop(1);
        if (SetLoggingDirectory)
            SetLoggingDirectory(dir);
    }
    // With every missing parent: a fresh user has no data folder yet.
    if (!dir.isEmpty() && !QDir(dir).exists())
        QDir().mkpath(dir);
    if (dir.isEmpty() || !QDir(dir).exists()) {
        if (OnError)
            OnError(QStringLiteral("Unable to create default logging directory. Logging cancelled. Either choose "
                                   "a valid logging directory, or fix the problem with ") +
                    dir);
        return false;
    }

    StartTick = Tick();
    const QString ecu = EcuShortName ? EcuShortName() : QString();
    // Two logs opened within one second would share a name; the later one gets its own.
    BaseName = UniqueLogBaseName(LogFileBaseName(dir, ecu.isEmpty() ? QStringLiteral("ECU") : ecu, Now()));
    const QString fileName = BaseName + QStringLiteral(".csv");
    FFileSize = 0;
    FLines = 0;
    bool ok = FFile.Open(fileName);
    if (ok) {
        LoggedParams = params;
        LoggedSwitches = switches;
        LoggedChannels = channels;
        ok = WriteLine(LogHeaderLine(Units, params, switches, channels, ChannelNames));
    }
    if (!ok) {
        FFile.Close();
        if (OnError)
            OnError(QStringLiteral("Quillon was unable to create the logfile '") + fileName +
                    QStringLiteral("'. Logging has been cancelled."));
        return false;
    }
    Logging = true;
    if (OnStarted)
        OnStarted(fileName);
    return true;
}

void TLogSession::Stop()
{
    if (OnSound)
        OnSound(QStringLiteral("SystemAsterisk"));
    FFile.Close();
    Logging = false;
    const QString comments = Comments ? Comments() : QString();
    const QString commentsName = BaseName + QStringLiteral(".txt");
    LastLogName = BaseName + QStringLiteral(".csv");
    if (OnStopped)
        OnStopped(LastLogName);
    if (!comments.isEmpty() && !SaveCommentsFile(commentsName, comments.split(QLatin1Char('\n'))) && OnError)
        OnError(QStringLiteral("Quillon was unable to save the log file comments to '") + commentsName +
                QStringLiteral("'."));
}

bool TLogSession::Rotate()
{
    if (!Logging)
        return false;
    const TParamSet params = LoggedParams;
    const TSwitchSet switches = LoggedSwitches;
    const TSensorChannels channels = LoggedChannels;
    Stop();
    return Start(params, switches, channels);
}

void TLogSession::ApplyTriggers(const TParamSet& params, const TSwitchSet& switches, const TSensorChannels& channels,
                                const TParamSet& received, const TParamValues& shown, const TSwitchSet& present,
                                const TSwitchSet& on)
{
    // A start that failed is not tried again on every reply but only once the trigger's
    // condition has cleared and come back: until then the trigger is told a log is running,
    // and its stop only clears the failure.
    auto act = [&](TTriggerAction action) {
        if (action == TTriggerAction::Start) {
            TriggerStartFailed = !Start(params, switches, channels);
        } else if (action == TTriggerAction::Stop) {
            if (Logging)
                Stop();
            TriggerStartFailed = false;
        }
    };
    act(::DefogTrigger(DefogTrigger, Logging || TriggerStartFailed, present, on));
    act(::ThrottleTrigger(ThrottleTrigger, Logging || TriggerStartFailed, received, shown));
}

bool TLogSession::WriteReply(const TParamSet& params, const TParamValues& shown, const TParamSet& received,
                             const TSwitchSet& switches, const TSwitchSet& on, const TSensorChannels& channels,
                             const TSensorValues& channelValues)
{
    if (!Logging)
        return false;
    if (params != LoggedParams || switches != LoggedSwitches || channels != LoggedChannels) {
        LoggedParams = params;
        LoggedSwitches = switches;
        LoggedChannels = channels;
        // A header that cannot be written ends the log like a failing data line would.
        if (!WriteLine(LogHeaderLine(Units, params, switches, channels, ChannelNames))) {
            Failed(QStringLiteral("There has been a problem writing to the logfile - perhaps you have run out of "
                                  "disk space. Logging has been cancelled"));
            return false;
        }
    }
    const QByteArray line =
        LogDataLine(Tick() - StartTick, Units, params, received, shown, switches, on, channels, channelValues);
    if (!WriteLine(line)) {
        Failed(QStringLiteral("There has been a problem writing to the logfile - perhaps you have run out of "
                              "disk space. Logging has been cancelled"));
        return false;
    }
    return true;
}

bool TLogSession::WriteLine(const QByteArray& line)
{
    if (!FFile.WriteLine(line))
        return false;
    FFileSize += line.size();
    ++FLines;
    return true;
}

void TLogSession::Failed(const QString& message)
{
    Stop();
    if (OnError)
        OnError(message);
}
