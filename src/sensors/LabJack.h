#pragma once

// The LabJack U12 through its high-level driver library, loaded at run time. On Linux
// that is libljacklm, which exports the same U12 calls as the Windows driver. The API
// is declared with C long, so every argument and buffer here is long as well.

#include "ILabJack.h"

#include <QLibrary>
#include <QString>

class TLabJack : public ILabJack {
  public:
    static constexpr int MaxDevices = 127;
    static constexpr int CalEntries = 20;

    using TListAll = long (*)(long* productIDList, long* serialnumList, long* localIDList,
                              long* powerList, long (*calMatrix)[CalEntries], long* numberFound,
                              long* fcddMaxSize, long* hvcMaxSize);
    using TAISample = long (*)(long* idnum, long demo, long* stateIO, long updateIO, long ledOn,
                               long numChannels, long* channels, long* gains, long disableCal,
                               long* overVoltage, float* voltages);

    // Loads the library by that name or path; an absent library means no LabJack.
    explicit TLabJack(const QString& library = QStringLiteral("ljacklm"));

    bool LibraryLoaded() const { return FListAll && FAISample; }
    // Enumerates the units once; silently absent when the library or a unit is missing.
    void DetectLabJack();
    bool LabJackPresent() const override { return FPresent; }
    long LabJackLocalID() const { return FLocalID; }
    int LedState() const { return FLedState; }

    bool ReadLabJack(const TSensorChannels& active,
                     std::array<double, LabJackInputs>& volts) override;

  private:
    void SampleBatch(const int* inputs, int count, std::array<double, LabJackInputs>& volts);

    QLibrary FLib;
    TListAll FListAll = nullptr;
    TAISample FAISample = nullptr;
    bool FPresent = false;
    long FLocalID = 0;
    int FLedState = 0;
};
