#pragma once

// What every fuzz target needs once per process: an application object for the timers,
// the definition tables, and a settings store that touches no file.

#include "EcuConstData.h"
#include "EcuInterface.h"
#include "Settings.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

inline void FuzzInit()
{
    static int argc = 1;
    static char name[] = "quillon-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [] {
        auto* a = new QCoreApplication(argc, argv);
        TSettingsStore::Instance().OpenInMemory();
        RestoreDefinitionTables();
        return a;
    }();
    (void)app;
}

// A link whose "port" is the fuzz input: everything it reads comes from the bytes given,
// everything it sends goes nowhere. No event loop runs, so its timers (the stalled-frame
// reset, the retries) never fire: a run depends on the bytes alone.
class TFuzzLink : public TEcuInterface {
public:
    void Feed(const uint8_t* data, size_t size)
    {
        FData = data;
        FSize = size;
        FPos = 0;
    }
    int Read(uint8_t* buffer, int count) override
    {
        int n = 0;
        while (n < count && FPos < FSize)
            buffer[n++] = FData[FPos++];
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
};
