#pragma once

// What the sensor hub needs of the LabJack access: detection and one synchronous read.
#include "SensorTypes.h"

#include <array>

class ILabJack {
  public:
    virtual ~ILabJack() = default;

    // A unit was found at start-up.
    virtual bool LabJackPresent() const = 0;
    // Samples the inputs AI0..AI7 whose channels (lj0 + input) are in active, writing
    // their voltages and 0 for every other input. Returns whether anything was sampled
    // (false when no LabJack channel is active), which becomes the hub's LabJackNewData.
    virtual bool ReadLabJack(const TSensorChannels& active,
                             std::array<double, LabJackInputs>& volts) = 0;
};
