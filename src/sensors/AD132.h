#pragma once

// The 16-input analogue PC card. Its driver is a Windows library with no Linux
// counterpart, so a real build has no card; the entry points are a table that tests
// fill with a fake card.

#include "IAnalogueCard.h"

#include <QString>

#include <cstdint>
#include <functional>

struct TAD132Library {
    std::function<uint16_t(uint8_t card, char* buffer, int size)> GetCardInformation;
    std::function<uint8_t(uint8_t card)> IsPCIBoard;
    // The configuration calls, by name, with their byte arguments.
    std::function<void(const char* name, uint8_t card, int a, int b)> Configure;
    std::function<void(uint8_t card, float hz)> SetFSample;
    std::function<uint8_t(uint8_t card)> GetIREQStatus;
    std::function<uint16_t(uint8_t card)> ReadOneSample;
    std::function<float(uint8_t card, uint16_t sample, uint8_t* channel)> ConvertSampleToVoltage;
};

class TAD132 : public IAnalogueCard {
  public:
    // Without a library the card is absent.
    explicit TAD132(const TAD132Library* library = nullptr);

    bool Present() const override { return FPresent; }
    bool IsPCI() const { return FIsPCI; }
    QString StatusText() const { return FStatusText; }

    bool OpenCard();
    void ConfigureCard();
    void StartSampling() override;
    void ReadChannels(std::array<double, AnalogueCardInputs>& volts) override;

  private:
    const TAD132Library* FLib;
    uint8_t FCardNumber = 0;
    bool FPresent = false;
    bool FIsPCI = false;
    QString FStatusText;
};
