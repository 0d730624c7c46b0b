#pragma once

// What the sensor hub needs of the 16-input analogue PC card reader (TAD132).
#include "SensorTypes.h"

#include <array>

class IAnalogueCard {
  public:
    virtual ~IAnalogueCard() = default;

    // The card was found and configured when the reader was created.
    virtual bool Present() const = 0;
    // Starts one sampling run; the next ReadChannels collects it.
    virtual void StartSampling() = 0;
    // Stores the voltage of each input the run reported (input 1..16 into volts[0..15]);
    // inputs it did not report keep what volts held.
    virtual void ReadChannels(std::array<double, AnalogueCardInputs>& volts) = 0;
};
