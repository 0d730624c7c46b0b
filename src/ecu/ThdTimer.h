#pragma once

// A one-shot timer whose countdown runs on a worker thread, so that a busy user interface
// does not stretch it, and whose tick is still handled on the user-interface thread.
// Every tick switches the timer off; the owner switches it on again for the next one.

#include <QObject>
#include <QThread>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

class TThreadedTimer : public QObject {
    Q_OBJECT
public:
    explicit TThreadedTimer(const QString& name = QString(), QObject* parent = nullptr);
    ~TThreadedTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    int Interval() const { return FInterval; }
    void SetInterval(int value);
    bool AllowZero() const { return FAllowZero; }
    void SetAllowZero(bool value) { FAllowZero = value; }
    QThread::Priority ThreadPriority() const { return FPriority; }
    void SetThreadPriority(QThread::Priority value);

    // Starts the countdown again from the full interval; enables a disabled timer.
    void Restart();

    std::function<void(TThreadedTimer* sender)> OnTimer;

    // A tick handed to the user-interface thread and not yet handled.
    bool TickInFlight();
    // Ticks dropped on arrival because the countdown they came from had been restarted or
    // switched off meanwhile.
    int StaleTicks() const { return FStaleTicks; }

private:
    void WorkerLoop();
    void DeliverTick(uint64_t generation);
    void Resume();   // let the worker count a fresh interval
    void Suspend();  // worker waits without counting

    bool FEnabled = false;
    bool FAllowZero = false;
    int FStaleTicks = 0;
    int FInterval = 1000;
    QThread::Priority FPriority = QThread::NormalPriority;

    // Shared with the worker, under FLock.
    std::mutex FLock;
    std::condition_variable FWake;
    bool FRunning = false;    // counting (not suspended)
    bool FSignal = false;     // end the current wait without a tick
    bool FTerminate = false;
    bool FTickDone = true;    // the last handed-over tick has been handled
    int FWorkerInterval = 1000;
    uint64_t FGeneration = 0;  // counts restarts and suspends; a tick carries the one it began in

    QThread* FWorker = nullptr;
};
