#pragma once

// The external sensor devices that the hub reads, and the hub's start-up sequence:
// the Innovate reader opens first, the stream gets a second to report its devices,
// then the AP22 opens, the devices are detected and the channel settings loaded.

#include "AD132.h"
#include "AP22.h"
#include "LM1.h"
#include "LabJack.h"

#include <QString>

#include <functional>
#include <memory>

class TSensorHub;

struct TSensorStartupHooks {
    // An error box with an OK button; no box when empty.
    std::function<void(const QString& text)> ShowError;
    // Waits that many milliseconds while handling events; a real wait when empty.
    std::function<void(int ms)> Wait;
    // The LabJack library to load, by name or path.
    QString LabJackLibrary = QStringLiteral("ljacklm");
};

class TSensorDevices {
  public:
    static constexpr int InnovateWaitMs = 1000;

    TSensorDevices() = default;
    ~TSensorDevices();
    TSensorDevices(const TSensorDevices&) = delete;
    TSensorDevices& operator=(const TSensorDevices&) = delete;

    // Creates the readers, attaches them to hub and runs the start-up sequence.
    void Start(TSensorHub& hub, const TSensorStartupHooks& hooks);
    // Detaches the readers from the hub (it may outlive them).
    void Detach();

    TAP22* AP22() const { return FAP22.get(); }
    TLM1* LM1() const { return FLM1.get(); }
    TLabJack* LabJack() const { return FLabJack.get(); }
    TAD132* Card() const { return FCard.get(); }

    // The waiting that Start does when no Wait hook is given.
    static void ProcessEventsFor(int ms);

  private:
    void OpenInnovate(const TSensorStartupHooks& hooks);
    void OpenAP22(const TSensorStartupHooks& hooks);

    TSensorHub* FHub = nullptr;
    std::unique_ptr<TAD132> FCard;
    std::unique_ptr<TAP22> FAP22;
    std::unique_ptr<TLM1> FLM1;
    std::unique_ptr<TLabJack> FLabJack;
};
