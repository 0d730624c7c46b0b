#include "ErrorDisplay.h"
#include "Errors.h"
#include "ThdTimer.h"

#include <QElapsedTimer>
#include <QTest>

#include <functional>

#include <gtest/gtest.h>

namespace {
struct TickLog {
    int Count = 0;
    std::vector<qint64> At;
    QElapsedTimer Clock;
    TickLog() { Clock.start(); }
    void Attach(TThreadedTimer& t)
    {
        t.OnTimer = [this](TThreadedTimer*) {
            ++Count;
            At.push_back(Clock.elapsed());
        };
    }
};
} // namespace

TEST(ThreadedTimer, TicksOnceOnTheUiThreadAndSwitchesOff)
{
    TThreadedTimer t(QStringLiteral("T"));
    Qt::HANDLE tickThread = nullptr;
    int ticks = 0;
    t.OnTimer = [&](TThreadedTimer* sender) {
        EXPECT_EQ(sender, &t);
        EXPECT_FALSE(t.Enabled()) << "disabled before the handler runs";
        tickThread = QThread::currentThreadId();
        ++ticks;
    };
    t.SetInterval(30);
    t.SetEnabled(true);
    QTest::qWait(200);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(tickThread, QThread::currentThreadId());
    EXPECT_FALSE(t.Enabled());
}

TEST(ThreadedTimer, ZeroIntervalNeedsAllowZero)
{
    TThreadedTimer t;
    TickLog log;
    log.Attach(t);
    t.SetInterval(0);
    t.SetEnabled(true);
    QTest::qWait(60);
    EXPECT_EQ(log.Count, 0);

    t.SetEnabled(false);
    t.SetAllowZero(true);
    t.SetEnabled(true);
    QTest::qWait(60);
    EXPECT_EQ(log.Count, 1);
}

TEST(ThreadedTimer, RestartKeepsPushingTheTickAway)
{
    TThreadedTimer t;
    TickLog log;
    log.Attach(t);
    t.SetInterval(250);
    t.SetEnabled(true);
    for (int i = 0; i < 8; ++i) {
        QTest::qWait(60);
        t.Restart();
    }
    EXPECT_EQ(log.Count, 0);
    QTest::qWait(400);
    EXPECT_EQ(log.Count, 1);
}

TEST(ThreadedTimer, SameIntervalDoesNotRestartButNewIntervalDoes)
{
    // Wide margins: a loaded sanitizer build may hand a tick over late, never early.
    TThreadedTimer t;
    TickLog log;
    log.Attach(t);
    t.SetInterval(300);
    t.SetEnabled(true);
    QTest::qWait(200);
    t.SetInterval(300);  // no restart: the tick stays due at ~300 ms, not ~500 ms
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Count == 1; }, 2000));
    EXPECT_LT(log.At[0], 480);

    const qint64 start = log.Clock.elapsed();
    t.SetEnabled(true);
    QTest::qWait(200);
    t.SetInterval(320);  // restart: the tick comes ~320 ms after this call
    QTest::qWait(200);
    EXPECT_EQ(log.Count, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.Count == 2; }, 2000));
    EXPECT_GE(log.At[1] - start, 500);
}

TEST(ThreadedTimer, ATickDueBeforeARestartIsNeverDelivered)
{
    // The worker hands its tick over and waits; before the event loop delivers it, the
    // countdown is started again. The old tick belongs to a countdown that is gone.
    const std::function<void(TThreadedTimer&)> restarts[] = {
        [](TThreadedTimer& t) { t.SetInterval(300); },  // disable and enable
        [](TThreadedTimer& t) {
            t.SetEnabled(false);
            t.SetInterval(300);
            t.Restart();
        },
    };
    for (size_t i = 0; i < std::size(restarts); ++i) {
        TThreadedTimer t;
        TickLog log;
        log.Attach(t);
        t.SetInterval(5);
        t.SetEnabled(true);
        // Without running the event loop: the tick is posted, not yet delivered.
        QElapsedTimer waited;
        waited.start();
        while (!t.TickInFlight() && waited.elapsed() < 5000)
            QThread::msleep(1);
        ASSERT_TRUE(t.TickInFlight()) << i;
        restarts[i](t);
        QCoreApplication::processEvents();
        EXPECT_EQ(t.StaleTicks(), 1) << i;
        EXPECT_EQ(log.Count, 0) << i;
        EXPECT_FALSE(t.TickInFlight()) << i;
        EXPECT_TRUE(QTest::qWaitFor([&] { return log.Count == 1; }, 2000)) << i;
        EXPECT_EQ(t.StaleTicks(), 1) << i;
    }
}

TEST(ThreadedTimer, HandlerThatReEnablesGetsTheNextTickAFullIntervalLater)
{
    TThreadedTimer t;
    std::vector<qint64> at;
    QElapsedTimer clock;
    clock.start();
    t.OnTimer = [&](TThreadedTimer* sender) {
        at.push_back(clock.elapsed());
        if (at.size() < 3)
            sender->SetEnabled(true);
    };
    t.SetInterval(80);
    t.SetEnabled(true);
    QTest::qWait(500);
    ASSERT_EQ(at.size(), 3u);
    EXPECT_GE(at[1] - at[0], 75);
    EXPECT_GE(at[2] - at[1], 75);
}

TEST(ThreadedTimer, DestroyingNeverTicksNorHangs)
{
    int ticks = 0;
    {
        TThreadedTimer enabled;
        enabled.OnTimer = [&](TThreadedTimer*) { ++ticks; };
        enabled.SetInterval(20);
        enabled.SetEnabled(true);
        TThreadedTimer disabled;
        disabled.OnTimer = [&](TThreadedTimer*) { ++ticks; };
        disabled.SetEnabled(true);
        disabled.SetEnabled(false);
    }
    // A tick already handed over to the event loop but not yet delivered.
    {
        auto* t = new TThreadedTimer;
        t->OnTimer = [&](TThreadedTimer*) { ++ticks; };
        t->SetInterval(5);
        t->SetEnabled(true);
        QThread::msleep(60);  // the worker has posted its tick and waits for it
        delete t;
    }
    QTest::qWait(50);
    EXPECT_EQ(ticks, 0);
}

TEST(ThreadedTimer, HandlerErrorsCarryTheTimerName)
{
    QString shown;
    SetApplicationErrorDisplay([&](const QString& m) { shown = m; });
    TThreadedTimer t(QStringLiteral("RequestTimer"));
    t.OnTimer = [](TThreadedTimer*) { throw Exception(QStringLiteral("boom")); };
    t.SetInterval(10);
    t.SetEnabled(true);
    QTest::qWait(100);
    SetApplicationErrorDisplay(nullptr);
    EXPECT_EQ(shown, QStringLiteral("TThreadedTimer (RequestTimer): boom"));
    EXPECT_FALSE(t.Enabled());
}
