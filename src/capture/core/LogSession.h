#pragma once

// One logging session of live capture: opening a log in the logging folder, a header line
// whenever the logged items change, a data line per reply, the comments file when the log
// opens and again when it closes, and the two triggers that open and close logs by
// themselves. The live-data window and the headless logger both run their logs through
// this class, so the rules live once. It shows nothing itself: messages, sounds and state
// changes go out through the hooks.
//
// A car computer loses its power rather than shutting down, so the log is handed to the
// disk once a second while lines are written (never more often: each sync costs the card
// a write) and when it closes; a power cut loses at most the last second.

#include "CaptureLogic.h"
#include "CsvLog.h"
#include "DisplayUnits.h"
#include "EcuInterface.h"
#include "SensorTypes.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>

class TLogSession {
public:
    TLogSession();

    // --- what the owner supplies ---
    std::function<QString()> LoggingDirectory;
    std::function<void(const QString&)> SetLoggingDirectory;  // a trailing separator is cut off
    std::function<QString()> EcuShortName;                    // goes into the file name
    std::function<QString()> Comments;                        // the comments text at start and close
    std::function<uint32_t()> Tick;                           // milliseconds; GetTickCount
    std::function<QDateTime()> Now;                           // local time for the file name
    std::function<void(const QString&)> OnError;              // a message for the user
    std::function<void(const QString&)> OnSound;              // "DefaultBeep", "SystemAsterisk"
    std::function<void(const QString& fileName)> OnStarted;   // fileName: the .csv
    std::function<void(const QString& lastLogName)> OnStopped;
    TDisplayUnits Units;
    TChannelNames ChannelNames;

    // --- state ---
    bool Logging = false;
    QString BaseName;     // current log without extension
    QString LastLogName;  // the .csv most recently closed
    uint32_t StartTick = 0;
    TParamSet LoggedParams;
    TSwitchSet LoggedSwitches;
    TSensorChannels LoggedChannels;
    // A trigger's start failed: it waits for its condition to clear before trying again, so
    // a failing folder gives one message, not one per reply.
    bool TriggerStartFailed = false;
    bool DefogTrigger = false;     // "&Trigger Logging on Defog Switch"
    bool ThrottleTrigger = false;  // "Trigger Logging on Full Throttle"

    static constexpr uint32_t SyncIntervalMs = 1000;

    // Opens a new log for the sets and writes its comments file; false when it could not
    // (the reason went to OnError; no parameter is no reason worth a message). A start
    // that fails leaves no empty file behind.
    bool Start(const TParamSet& params, const TSwitchSet& switches, const TSensorChannels& channels);
    // Closes the log and writes the comments file again.
    void Stop();
    // Ends this file and goes on in a new one, between two lines.
    bool Rotate();
    // The checked trigger's verdict on one reply, acted upon. Values are in display units.
    void ApplyTriggers(const TParamSet& params, const TSwitchSet& switches, const TSensorChannels& channels,
                       const TParamSet& received, const TParamValues& shown, const TSwitchSet& present,
                       const TSwitchSet& on);
    // One reply's line, after a header line when the logged items changed. A line that
    // cannot be written ends the log; false then.
    bool WriteReply(const TParamSet& params, const TParamValues& shown, const TParamSet& received,
                    const TSwitchSet& switches, const TSwitchSet& on, const TSensorChannels& channels,
                    const TSensorValues& channelValues);
    // Bytes in the open log, and the lines written to it (header lines included).
    qint64 FileSize() const { return FFileSize; }
    int LinesWritten() const { return FLines; }
    // The times the current (or last) log was handed to the disk, its close included.
    int DiskSyncs() const { return FFile.Syncs(); }

private:
    bool WriteLine(const QByteArray& line, uint32_t now);
    void SaveComments();
    void Failed(const QString& message);

    TCsvLogFile FFile;
    qint64 FFileSize = 0;
    int FLines = 0;
    uint32_t FSyncTick = 0;  // when the log last went to the disk (or was opened)
};
