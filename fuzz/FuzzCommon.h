#pragma once

// What every fuzz target needs: once per process an application object for the timers,
// the definition tables and a settings store that touches no file; for every input a clock
// that starts at zero and moves only as the target moves it, so that a run depends on its
// bytes alone.

#include "Clock.h"
#include "EcuConstData.h"
#include "EcuInterface.h"
#include "Settings.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

// Milliseconds of the input being run; everything that reads the time reads this.
inline uint32_t& FuzzNow()
{
    static uint32_t now = 0;
    return now;
}

// App: QCoreApplication, or QGuiApplication for a target that paints.
template <class App = QCoreApplication>
inline void FuzzInit()
{
    static int argc = 1;
    static char name[] = "quillon-fuzz";
    static char* argv[] = {name, nullptr};
    static App* app = [] {
        auto* a = new App(argc, argv);
        TSettingsStore::Instance().OpenInMemory();
        RestoreDefinitionTables();
        SetTickSource([] { return FuzzNow(); });
        return a;
    }();
    (void)app;
    FuzzNow() = 0;
}

// A link whose "port" is the fuzz input: everything it reads comes from the bytes given,
// everything it sends goes nowhere. Reading moves the clock on by the wire time of the
// bytes. No event loop runs, so its timers (the stalled-frame reset, the retries) never
// fire by themselves; a target that wants the stall reset calls ResetReceiver, as the
// timer would, when its own clock has moved past the stall time.
class TFuzzLink : public TEcuInterface {
public:
    void Feed(const uint8_t* data, size_t size)
    {
        FData = data;
        FSize = size;
        FPos = 0;
        FStart = FuzzNow();
    }
    int Read(uint8_t* buffer, int count) override
    {
        int n = 0;
        while (n < count && FPos < FSize)
            buffer[n++] = FData[FPos++];
        // Ten bits a byte at the line rate, as on the wire (9840 / baud ms per byte).
        FuzzNow() = FStart + uint32_t(FPos * 9840 / size_t(GetBaudRate()));
        return n;
    }
    bool GetActive() const override { return true; }
    void SetActive(bool) override {}
    int GetBaudRate() const override { return 4800; }
    uint8_t GetParity() const override { return 0; }
    std::function<void()> GetRxEventHandler() const override { return {}; }
    void SetRxEventHandler(std::function<void()>) override {}
    bool PortReady() const override { return true; }
    void SetRxThreshold(int) override {}
    QString GetDescription() const override { return QStringLiteral("fuzz"); }
    int FlushRxBuf() override { return 0; }
    bool SupportsFastPoll() const override { return true; }

private:
    const uint8_t* FData = nullptr;
    size_t FSize = 0;
    size_t FPos = 0;
    uint32_t FStart = 0;
};
