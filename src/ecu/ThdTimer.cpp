#include "ThdTimer.h"

#include "ErrorDisplay.h"
#include "Errors.h"

#include <QCoreApplication>

#include <chrono>

TThreadedTimer::TThreadedTimer(const QString& name, QObject* parent) : QObject(parent)
{
    setObjectName(name);
}

TThreadedTimer::~TThreadedTimer()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FTerminate = true;
    }
    FWake.notify_all();
    if (FWorker) {
        FWorker->wait();
        delete FWorker;
    }
    // A tick handed over but not yet delivered must never run.
    QCoreApplication::removePostedEvents(this);
}

void TThreadedTimer::SetEnabled(bool value)
{
    if (value == FEnabled)
        return;
    FEnabled = value;
    if (!value)
        Suspend();
    else if (FInterval != 0 || FAllowZero)
        Resume();
}

void TThreadedTimer::SetInterval(int value)
{
    if (value == FInterval)
        return;
    const bool wasEnabled = FEnabled;
    SetEnabled(false);
    FInterval = value;
    SetEnabled(wasEnabled);
}

void TThreadedTimer::SetThreadPriority(QThread::Priority value)
{
    FPriority = value;
    if (FWorker && FWorker->isRunning())
        FWorker->setPriority(value);
}

void TThreadedTimer::Restart()
{
    if (FEnabled) {
        if (FInterval != 0 || FAllowZero)
            Resume();
    } else {
        SetEnabled(true);
    }
}

void TThreadedTimer::Resume()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FWorkerInterval = FInterval;
        FRunning = true;
        FSignal = true;
        ++FGeneration;  // a tick counted before this point is stale
    }
    if (!FWorker) {
        FWorker = QThread::create([this] { WorkerLoop(); });
        FWorker->setObjectName(objectName().isEmpty() ? QStringLiteral("TTimerThread")
                                                      : objectName());
        FWorker->start(FPriority);
    }
    FWake.notify_all();
}

void TThreadedTimer::Suspend()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FRunning = false;
        FSignal = true;
        ++FGeneration;
    }
    FWake.notify_all();
}

void TThreadedTimer::WorkerLoop()
{
    std::unique_lock<std::mutex> lock(FLock);
    while (!FTerminate) {
        if (!FRunning) {
            FWake.wait(lock, [this] { return FRunning || FTerminate; });
            continue;
        }
        FSignal = false;
        const auto interval = std::chrono::milliseconds(FWorkerInterval);
        if (FWake.wait_for(lock, interval, [this] { return FSignal || FTerminate; }))
            continue;  // woken: restart, suspend or terminate, never a tick
        // Timed out: hand the tick to the user-interface thread and wait until it is handled.
        FTickDone = false;
        const uint64_t generation = FGeneration;
        QMetaObject::invokeMethod(this, [this, generation] { DeliverTick(generation); },
                                  Qt::QueuedConnection);
        FWake.wait(lock, [this] { return FTickDone || FTerminate; });
    }
}

bool TThreadedTimer::TickInFlight()
{
    std::lock_guard<std::mutex> lock(FLock);
    return !FTickDone;
}

void TThreadedTimer::DeliverTick(uint64_t generation)
{
    struct Done {
        TThreadedTimer* T;
        ~Done()
        {
            {
                std::lock_guard<std::mutex> lock(T->FLock);
                T->FTickDone = true;
            }
            T->FWake.notify_all();
        }
    } done{this};

    bool stale;
    {
        std::lock_guard<std::mutex> lock(FLock);
        stale = generation != FGeneration;
    }
    // A tick that fell due before a Restart or a disable and enable belongs to a countdown
    // that no longer exists.
    if (stale) {
        ++FStaleTicks;
        return;
    }
    if (!FEnabled || !OnTimer)
        return;
    SetEnabled(false);
    try {
        OnTimer(this);
    } catch (const Exception& e) {
        ShowApplicationError(QStringLiteral("TThreadedTimer (") + objectName() +
                             QStringLiteral("): ") + e.Message);
    }
}
