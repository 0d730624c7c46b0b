#pragma once

// The diagnostics windows' common ground: the emulated link and ECU playing one ECU type,
// identified, with the requests the ECU hears recorded before it answers them.

#include "Dialogs.h"
#include "EcuInterface.h"
#include "FakeEcu.h"
#include "FakeEcuInterface.h"
#include "IdentifyEcu.h"
#include "Settings.h"
#include "ToolWindowHost.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

struct TWriteHeard {
    uint32_t Address;
    uint8_t Value;
    bool operator==(const TWriteHeard&) const = default;
};

class DiagFixture {
  protected:
    void StartEcu(int ecuType)
    {
        TSettingsStore::Instance().Open(Dir.filePath("s.ini"));
        Link = std::make_unique<TFakeEcuInterface>();
        Ecu = std::make_unique<TFakeEcu>(7u);
        Ecu->SetEcuType(ecuType);
        Ecu->Connect(Link.get());
        // Record what the ECU hears, then let it answer.
        auto read = Link->OnReadAddressesRequest;
        Link->OnReadAddressesRequest = [this, read](uint8_t d, uint8_t s, int n,
                                                    const TLongWordArray& a) {
            Reads.push_back(a);
            Heard += 'R';
            read(d, s, n, a);
        };
        auto write = Link->OnWriteAddressRequest;
        Link->OnWriteAddressRequest = [this, write](uint8_t d, uint8_t s, uint8_t v, int n,
                                                    const TLongWordArray& a) {
            Writes.push_back({a.empty() ? 0u : a[0], v});
            Heard += 'W';
            write(d, s, v, n, a);
        };
        Link->SetActive(true);
        Link->Log().SetLogInformation(true);
        ASSERT_TRUE(IdentifyEcu(*Link));
        Link->OnRequestTimeout = [this](const TByteArray&) { ++Timeouts; };
        Reads.clear();
        Writes.clear();
        Heard.clear();
    }
    void StopEcu()
    {
        if (Link) Link->SetActive(false);
        Ecu.reset();
        Link.reset();
    }
    TToolWindowHost Host()
    {
        TToolWindowHost host;
        host.Link = [this] { return Link.get(); };
        host.EcuName = [] { return QStringLiteral("Test ECU"); };
        host.LoggingDirectory = [this] { return Dir.path(); };
        host.Closing = [this] { return Closing; };
        return host;
    }
    bool Logged(const QString& text) const
    {
        for (const TEcuLogEntry& e : Link->Log().Entries())
            if (e.Text == text) return true;
        return false;
    }
    static TLongWordArray Range(uint32_t first, int count)
    {
        TLongWordArray list;
        for (int i = 0; i < count; ++i)
            list.push_back(first + uint32_t(i));
        return list;
    }

    QTemporaryDir Dir;
    TScopedRecordingDialogs Dialogs;
    std::unique_ptr<TFakeEcuInterface> Link;
    std::unique_ptr<TFakeEcu> Ecu;
    std::vector<TLongWordArray> Reads;
    std::vector<TWriteHeard> Writes;
    std::string Heard; // 'R' for a read, 'W' for a write, in the order heard
    int Timeouts = 0;
    bool Closing = false;
};
