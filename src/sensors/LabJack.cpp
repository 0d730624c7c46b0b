#include "LabJack.h"

#include <memory>
#include <vector>

TLabJack::TLabJack(const QString& library) : FLib(library)
{
    if (!FLib.load()) return;
    FListAll = reinterpret_cast<TListAll>(FLib.resolve("ListAll"));
    FAISample = reinterpret_cast<TAISample>(FLib.resolve("AISample"));
}

void TLabJack::DetectLabJack()
{
    FPresent = false;
    if (!LibraryLoaded()) return;
    std::vector<long> products(MaxDevices), serials(MaxDevices), localIds(MaxDevices),
        powers(MaxDevices);
    auto cal = std::make_unique<long[][CalEntries]>(MaxDevices); // zeroed
    long found = 0, fcddMax = 0, hvcMax = 0;
    const long error = FListAll(products.data(), serials.data(), localIds.data(), powers.data(),
                                cal.get(), &found, &fcddMax, &hvcMax);
    if (error != 0 || found <= 0) return;
    FPresent = true;
    FLocalID = localIds[0];
}

bool TLabJack::ReadLabJack(const TSensorChannels& active, std::array<double, LabJackInputs>& volts)
{
    FLedState = 1 - FLedState;
    volts.fill(0);
    int inputs[LabJackInputs];
    int count = 0;
    for (int i = 0; i < LabJackInputs; ++i)
        if (active.test(lj0 + i)) inputs[count++] = i;
    if (count == 0 || !FPresent || !FAISample) return false;
    SampleBatch(inputs, count < 4 ? count : 4, volts);
    if (count > 4) SampleBatch(inputs + 4, count - 4, volts);
    return true;
}

void TLabJack::SampleBatch(const int* inputs, int count, std::array<double, LabJackInputs>& volts)
{
    // The unit samples 1, 2 or 4 channels at a time: three go as four with AI0 last.
    long channels[4] = {0, 0, 0, 0};
    for (int i = 0; i < count; ++i)
        channels[i] = inputs[i];
    const int sent = count == 3 ? 4 : count;
    long gains[4] = {0, 0, 0, 0};
    float readings[4] = {0, 0, 0, 0};
    long id = FLocalID, stateIO = 0, overVoltage = 0;
    // Its error code is of no use here: a failed call leaves the readings at 0.
    FAISample(&id, 0, &stateIO, 0, FLedState, sent, channels, gains, 0, &overVoltage, readings);
    for (int i = 0; i < sent; ++i)
        volts[channels[i]] = readings[i];
}
