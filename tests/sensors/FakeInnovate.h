#pragma once

// An Innovate reader whose state and values the test sets: open or not, sending or not,
// the devices it shows, each device's function code and every value.
#include "IInnovateReader.h"

#include <QString>

struct FakeInnovate : IInnovateReader {
    bool IsActive = true;
    bool IsFresh = true;
    TSensorChannels Found = SensorChannelRange(lmLambda, 14); // LM1 and LC1
    QString PortName;
    int Lm = 1, Lc = 4;
    double Lam = 1.01, Oxygen = 0.5, Mult = 14.7, Afr = 14.85, Battery = 13.8;
    double LcLam = 0.9, LcOxygen = 20.9, LcMult = 14.6, LcAfr = 13.14;
    int LmAux[5] = {};
    int MtsAux[5] = {};

    bool Active() const override { return IsActive; }
    bool Fresh() const override { return IsFresh; }
    QString Port() const override { return PortName; }
    int LmStatus() const override { return Lm; }
    int LcStatus() const override { return Lc; }
    TSensorChannels Channels() const override { return Found; }
    double Lambda() const override { return Lam; }
    double O2() const override { return Oxygen; }
    double AfrMult() const override { return Mult; }
    double AFR() const override { return Afr; }
    double BatVolts() const override { return Battery; }
    int GetLmAux(int i) const override { return LmAux[i]; }
    double LcLambda() const override { return LcLam; }
    double LcO2() const override { return LcOxygen; }
    double LcAfrMult() const override { return LcMult; }
    double LcAFR() const override { return LcAfr; }
    int GetMtsAux(int i) const override { return MtsAux[i]; }
};
