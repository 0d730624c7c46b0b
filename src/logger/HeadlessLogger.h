#pragma once

// quillon-log's work: opens the link, identifies the ECU, polls the chosen items and runs
// every reply through the same logging session as the live-data window.

#include "LogSession.h"
#include "LoggerOptions.h"

#include <QObject>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

class TEcuInterface;
class TFakeEcu;

// What a silent ECU is reported as, whether it went quiet or never spoke.
inline constexpr const char* StoppedAnsweringText = "the ECU stopped answering";

class THeadlessLogger : public QObject {
    Q_OBJECT
public:
    explicit THeadlessLogger(const TLoggerOptions& options);
    ~THeadlessLogger() override;

    // Opens the link and asks the ECU who it is; false (with the message printed) when the
    // port cannot be opened and no retry was asked for.
    bool Start();
    // Ends the log on its last whole line and stops polling.
    void Stop();
    // The serial port went away (the application's error handler calls this).
    void PortLost(const QString& message);

    // Called with the exit code when the logger has finished by itself.
    std::function<void(int code)> OnFinished;
    FILE* Out = stdout;
    FILE* Err = stderr;

    TLogSession Session;
    int Rows() const { return FRows; }
    // The link while one is open (a test watches its replies).
    TEcuInterface* Link() const { return FLink.get(); }
    // The emulated ECU behind the link in demo mode; null otherwise.
    TFakeEcu* Emulator() const { return FEmulator.get(); }

    // How long between tries to open a port that is not there.
    int RelinkIntervalMs = 2000;
    // The same trouble is told again after this long; a new one at once.
    static constexpr uint32_t ReminderIntervalMs = 60000;

private:
    bool OpenLink();
    void CloseLink();
    void Identified();
    void RequestNext();
    void Reply(const TParamSet& received, const TParamValues& values, const TSwitchSet& present,
               const TSwitchSet& on);
    void Timeout();
    void ConnectionLost(const QString& why);
    void Finish(int code);
    void PrintStatus();
    void Print(FILE* f, const QString& text);
    void Complain(const QString& text);
    TParamSet RequestParams() const;
    TSwitchSet RequestSwitches() const;

    TLoggerOptions FOptions;
    std::unique_ptr<TEcuInterface> FLink;
    std::unique_ptr<TFakeEcu> FEmulator;
    TParamSet FParams;
    TSwitchSet FSwitches;
    bool FConnected = false;
    bool FStopped = false;
    bool FStreaming = false;
    int FInterval = 100;
    QTimer FPollTimer;
    QTimer FRetryTimer;
    QTimer FStatusTimer;
    int FRows = 0;
    int FRowsAtLastStatus = 0;
    QString FLastValues;
    QString FEcuName;
    QString FLastComplaint;
    uint32_t FLastComplaintTick = 0;
};
