// A stand-in for the LabJack U12 driver library: it records the sample calls and
// answers with chosen voltages, so the tests check what the program asks of a unit.
#include <cstring>

namespace {

struct Call {
    long Id, LedOn, NumChannels;
    long Channels[4];
};

long Found = 0, LocalId = 0, ListError = 0;
float Volts[8] = {};
Call Calls[64];
int CallCount = 0;

} // namespace

extern "C" {

void FakeLJ_Reset(long found, long localId, long listError)
{
    Found = found;
    LocalId = localId;
    ListError = listError;
    CallCount = 0;
    std::memset(Volts, 0, sizeof Volts);
}

void FakeLJ_SetVolts(const float* volts)
{
    std::memcpy(Volts, volts, sizeof Volts);
}

int FakeLJ_CallCount()
{
    return CallCount;
}

// Fills id, ledOn, numChannels and channels[4] of call i.
void FakeLJ_GetCall(int i, long* out)
{
    out[0] = Calls[i].Id;
    out[1] = Calls[i].LedOn;
    out[2] = Calls[i].NumChannels;
    std::memcpy(out + 3, Calls[i].Channels, sizeof Calls[i].Channels);
}

long ListAll(long* productIDList, long* serialnumList, long* localIDList, long* powerList,
             long (*calMatrix)[20], long* numberFound, long* fcddMaxSize, long* hvcMaxSize)
{
    // The whole of every buffer must be there: the caller allocates 127 entries.
    productIDList[126] = 9;
    serialnumList[126] = 0;
    powerList[126] = 0;
    calMatrix[126][19] = 0;
    *fcddMaxSize = *hvcMaxSize = 0;
    localIDList[0] = LocalId;
    *numberFound = Found;
    return ListError;
}

long AISample(long* idnum, long demo, long* stateIO, long updateIO, long ledOn, long numChannels,
              long* channels, long* gains, long disableCal, long* overVoltage, float* voltages)
{
    (void)demo;
    (void)stateIO;
    (void)updateIO;
    (void)gains;
    (void)disableCal;
    *overVoltage = 0;
    if (CallCount < 64) {
        Call& c = Calls[CallCount++];
        c.Id = *idnum;
        c.LedOn = ledOn;
        c.NumChannels = numChannels;
        for (long i = 0; i < 4; ++i)
            c.Channels[i] = i < numChannels ? channels[i] : -1;
    }
    for (long i = 0; i < numChannels && i < 4; ++i)
        voltages[i] = (channels[i] >= 0 && channels[i] < 8) ? Volts[channels[i]] : -1.0f;
    return 0;
}
}
