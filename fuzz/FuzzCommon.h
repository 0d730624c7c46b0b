#pragma once

// What every fuzz target needs: once per process an application object for the timers,
// the definition tables and a settings store that touches no file; for every input a clock
// that starts at zero and moves only as the target moves it, so that a run depends on its
// bytes alone.

#include "BufferLink.h"
#include "Clock.h"
#include "EcuConstData.h"
#include "EcuInterface.h"
#include "Settings.h"

#include <QByteArray>
#include <QCoreApplication>

#include <algorithm>

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

// A link whose "port" is the fuzz input. Reading moves the clock on by the wire time of the
// bytes. No event loop runs, so its timers (the stalled-frame reset, the retries) never
// fire by themselves; a target that wants the stall reset calls ResetReceiver, as the
// timer would, when its own clock has moved past the stall time.
class TFuzzLink : public TBufferLink {
public:
    void Feed(const uint8_t* data, size_t size)
    {
        TBufferLink::Feed(data, size);
        FStart = FuzzNow();
    }
    int Read(uint8_t* buffer, int count) override
    {
        const int n = TBufferLink::Read(buffer, count);
        // Ten bits a byte at the line rate, as on the wire (9840 / baud ms per byte).
        FuzzNow() = FStart + uint32_t(BytesRead() * 9840 / size_t(GetBaudRate()));
        return n;
    }

private:
    uint32_t FStart = 0;
};

// The rest of an input after its first byte, handed over in chunks as a serial port would:
// the low six bits of the first byte give the chunk size, 0 the whole rest at once.
template <class Receive>
void FeedInChunks(const uint8_t* data, size_t size, Receive&& receive)
{
    if (size == 0)
        return;
    const size_t chunk = data[0] % 64 == 0 ? size : data[0] % 64;
    for (size_t pos = 1; pos < size; pos += chunk)
        receive(QByteArray(reinterpret_cast<const char*>(data + pos),
                           qsizetype(std::min(chunk, size - pos))));
}
