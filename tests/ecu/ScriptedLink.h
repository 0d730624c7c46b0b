#pragma once

// A link whose "port" is the test itself: frames sent are recorded, bytes to receive are
// pushed in by the test and run through the receive pass at once.

#include "EcuInterface.h"

#include <deque>

class TScriptedLink : public TEcuInterface {
public:
    TScriptedLink() { SetActive(true); }

    int Read(uint8_t* buffer, int count) override
    {
        int n = 0;
        while (n < count && !Rx.empty()) {
            buffer[n++] = Rx.front();
            Rx.pop_front();
        }
        return n;
    }
    bool GetActive() const override { return Active; }
    void SetActive(bool v) override { Active = v; }
    int GetBaudRate() const override { return Baud; }
    void SetBaudRate(int v) override
    {
        TEcuInterface::SetBaudRate(v);
        Baud = v;
    }
    uint8_t GetParity() const override { return 0; }
    std::function<void()> GetRxEventHandler() const override { return {}; }
    void SetRxEventHandler(std::function<void()>) override {}
    bool PortReady() const override { return true; }
    void SetRxThreshold(int) override {}
    void SendRaw(const TByteArray& bytes) override { Sent.push_back(bytes); }
    QString GetDescription() const override { return QStringLiteral("scripted"); }
    int FlushRxBuf() override
    {
        const int n = static_cast<int>(Rx.size());
        Rx.clear();
        return n;
    }

    void Receive(const TByteArray& bytes)
    {
        Rx.insert(Rx.end(), bytes.begin(), bytes.end());
        ProcessRx();
    }
    // The ECU answers: reply frame from 0x10 to 0xF0.
    void Reply(const TByteArray& data) { Receive(BuildPacket(0xF0, 0x10, data)); }
    // The line echoes the last request.
    void Echo() { Receive(Sent.back()); }

    bool Active = false;
    int Baud = 4800;
    std::deque<uint8_t> Rx;
    std::vector<TByteArray> Sent;
};
