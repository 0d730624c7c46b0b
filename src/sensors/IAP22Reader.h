#pragma once

// What the sensor hub needs of the AP22 accelerometer reader (TAP22).
#include <QString>

class IAP22Reader {
  public:
    virtual ~IAP22Reader() = default;

    // Its serial port is open.
    virtual bool Active() const = 0;
    // Its last line is recent; its values are measurements only then.
    virtual bool Fresh() const { return Active(); }
    // The user's choice to have it on, kept while its port is missing or gone.
    virtual bool Wanted() const { return Active(); }
    // Latest accelerations in G, 0 until a line has arrived.
    virtual double LatG() const = 0;
    virtual double LongG() const = 0;
    // Port name, saved with the sensor settings at exit.
    virtual QString Port() const { return QString(); }
};
