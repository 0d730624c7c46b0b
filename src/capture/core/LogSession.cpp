#include "LogSession.h"

#include "Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    FSyncTick = StartTick;
    const bool created = FFile.Open(fileName);
    bool ok = created;
    if (ok) {
        LoggedParams = params;
        LoggedSwitches = switches;
        LoggedChannels = channels;
        ok = WriteLine(LogHeaderLine(Units, params, switches, channels, ChannelNames), StartTick);
    }
    if (!ok) {
        FFile.Close();
        // The file was made just now (Open never takes an existing one); left empty it
        // would only stand in the list of logs.
        if (created && QFileInfo(fileName).size() == 0)
            QFile::remove(fileName);
        if (OnError)
            OnError(QStringLiteral("Quillon was unable to create the logfile '") + fileName +
                    QStringLiteral("'. Logging has been cancelled."));
        return false;
    }
    Logging = true;
    if (OnStarted)
        OnStarted(fileName);
    // Now and not only at close: a log that is never closed (power cut, killed) keeps its
    // comments too.
    SaveComments();
    return true;
}

void TLogSession::Stop()
{
    if (OnSound)
        OnSound(QStringLiteral("SystemAsterisk"));
    FFile.Close();
    Logging = false;
    LastLogName = BaseName + QStringLiteral(".csv");
    if (OnStopped)
        OnStopped(LastLogName);
    SaveComments();
}

void TLogSession::SaveComments()
{
    const QString comments = Comments ? Comments() : QString();
    const QString commentsName = BaseName + QStringLiteral(".txt");
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
    const uint32_t now = Tick();
    bool ok = true;
    if (params != LoggedParams || switches != LoggedSwitches || channels != LoggedChannels) {
        LoggedParams = params;
        LoggedSwitches = switches;
        LoggedChannels = channels;
        // A header that cannot be written ends the log like a failing data line would.
        ok = WriteLine(LogHeaderLine(Units, params, switches, channels, ChannelNames), now);
    }
    ok = ok && WriteLine(LogDataLine(now - StartTick, Units, params, received, shown, switches, on, channels,
                                     channelValues),
                         now);
    if (!ok)
        Failed(QStringLiteral("There has been a problem writing to the logfile - perhaps you have run out of "
                              "disk space. Logging has been cancelled"));
    return ok;
}

bool TLogSession::WriteLine(const QByteArray& line, uint32_t now)
{
    if (!FFile.WriteLine(line))
        return false;
    FFileSize += line.size();
    ++FLines;
    // Wrap-safe: the tick counter runs round every 49.7 days.
    if (uint32_t(now - FSyncTick) >= SyncIntervalMs) {
        FFile.Sync();
        FSyncTick = now;
    }
    return true;
}

void TLogSession::Failed(const QString& message)
{
    Stop();
    if (OnError)
        OnError(message);
}
