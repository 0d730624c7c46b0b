#pragma once

// What the sensor hub needs of the Innovate LM1 / LC1 / MT1 stream reader (TLM1).
// A mixture value the device marks as no measurement (warming up, calibrating, an error,
// or lambda while it sends the O2 level) reads NaN; so does each until it has been sent.
#include "SensorTypes.h"

class IInnovateReader {
  public:
    virtual ~IInnovateReader() = default;

    // Its serial port is open.
    virtual bool Active() const = 0;
    // Its last packet is recent; its values are measurements only then.
    virtual bool Fresh() const { return Active(); }
    // The user's choice to have it on, kept while its port is missing or gone.
    virtual bool Wanted() const { return Active(); }
    // Function code of the last LM-1 and LC-1 packet, 0..8; -1 before the first.
    virtual int LmStatus() const { return -1; }
    virtual int LcStatus() const { return -1; }
    // The channels the devices have shown to exist in their first complete packet.
    virtual TSensorChannels Channels() const = 0;

    // LM1.
    virtual double Lambda() const = 0;
    virtual double O2() const = 0;
    virtual double AfrMult() const = 0;
    virtual double AFR() const = 0;
    virtual double BatVolts() const = 0;
    // Raw 10-bit auxiliary count, index 0..4.
    virtual int GetLmAux(int index) const = 0;

    // LC1.
    virtual double LcLambda() const = 0;
    virtual double LcO2() const = 0;
    virtual double LcAfrMult() const = 0;
    virtual double LcAFR() const = 0;

    // MT1 raw auxiliary count from the chained stream, index 0..4.
    virtual int GetMtsAux(int index) const = 0;

    // Port name and the "RPMSensor" option, saved with the sensor settings at exit.
    virtual QString Port() const { return QString(); }
    virtual bool GetRPM() const { return false; }
};
