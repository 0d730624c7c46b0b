#pragma once

// A window against a misbehaving emulated ECU: one broken reply, then normal ones, must not
// stop the window; a silent ECU must reach the time-out handling. `progress` is whatever
// the window advances while it works (requests the ECU heard, rows, readings).

#include "EcuInterface.h"
#include "FakeEcu.h"

#include <QTest>

#include <gtest/gtest.h>

#include <functional>

// Progress counted within two and a half seconds after the one bad reply: the link resends
// after a second, and the window then goes on at its own pace.
inline void ExpectGoesOnAfterOneBadReply(TEcuInterface& link, TFakeEcu& ecu,
                                         const std::function<size_t()>& progress,
                                         TFakeEcuFaults fault = {.LengthError = -1, .Count = 1},
                                         size_t steps = 3)
{
    const int invalid = link.InvalidReplies;
    ecu.SetFaults(fault);
    ASSERT_TRUE(QTest::qWaitFor([&] { return link.InvalidReplies > invalid; }, 3000))
        << "the fault never reached the link";
    const size_t before = progress();
    EXPECT_TRUE(QTest::qWaitFor([&] { return progress() >= before + steps; }, 2500))
        << "stalled after one bad reply: " << progress() - before << " steps";
}

// The ECU stops answering (or answers only badly): the time-out handling runs within
// MaxAttempts seconds and a bit.
// `timeouts` counts what the window's time-out handling did (the main window's handler
// called, a message shown).
inline void ExpectTimesOutWhenSilent(TEcuInterface& link, TFakeEcu& ecu,
                                     const std::function<int()>& timeouts,
                                     TFakeEcuFaults fault = {.Silent = true})
{
    const int before = timeouts();
    ecu.SetFaults(fault);
    EXPECT_TRUE(QTest::qWaitFor([&] { return timeouts() > before; }, link.TimeoutMs() + 1500))
        << "no time-out from an ECU that does not answer";
    ecu.SetFaults({});
}
