#include "AD132.h"

TAD132::TAD132(const TAD132Library* library) : FLib(library)
{
    if (OpenCard()) ConfigureCard();
}

bool TAD132::OpenCard()
{
    FPresent = false;
    if (!FLib || !FLib->GetCardInformation) {
        FStatusText = QStringLiteral("AD125LIB.DLL NOT Present");
        return false;
    }
    FCardNumber = 0;
    char buffer[257] = {};
    if (FLib->GetCardInformation(FCardNumber, buffer, 256) != 0) {
        FStatusText = QStringLiteral("Card not found");
        return false;
    }
    buffer[256] = 0; // a library that fills the whole buffer still ends here
    FStatusText = QString::fromLatin1(buffer);
    FIsPCI = FLib->IsPCIBoard && FLib->IsPCIBoard(FCardNumber) != 0;
    FPresent = true;
    return true;
}

void TAD132::ConfigureCard()
{
    if (!FPresent || !FLib->Configure) return;
    const uint8_t c = FCardNumber;
    FLib->Configure("PutCardIntoKnownState", c, 0, 0);
    FLib->Configure("SetOperatingMode", c, 5, 0);
    FLib->Configure("SetSLEEPState", c, 0, 0);
    FLib->Configure("SetBipolarMode", c, 0, 0);
    FLib->Configure("SetSingleEndedMode", c, 255, 0);
    FLib->Configure("SetGain", c, 7, 0);
    FLib->Configure("SetCounterLength", c, 0, 0);
    FLib->Configure("SetMUXSEQ", c, 1, 16);
    FLib->Configure("PreLoadMUXCtr", c, 0, 0);
    FLib->Configure("SetFIFOIREQFreq", c, 1, 0);
    if (FLib->SetFSample) FLib->SetFSample(c, 20000.0f);
}

void TAD132::StartSampling()
{
    if (!FPresent || !FLib->Configure) return;
    const uint8_t c = FCardNumber;
    FLib->Configure("ClearCounters", c, 0, 0);
    FLib->Configure("ClearIREQ", c, 0, 0);
    FLib->Configure("SetPreTriggerDepth", c, 0, 0);
    FLib->Configure("DecREADPOINTER", c, 254, 0);
    FLib->Configure("SetRUNState", c, 255, 0);
}

void TAD132::ReadChannels(std::array<double, AnalogueCardInputs>& volts)
{
    if (!FPresent || !FLib->ReadOneSample || !FLib->ConvertSampleToVoltage) return;
    const uint8_t c = FCardNumber;
    if (FLib->GetIREQStatus && FLib->GetIREQStatus(c) != 0 && FLib->Configure)
        FLib->Configure("ClearIREQ", c, 0, 0);
    for (int i = 0; i < AnalogueCardInputs; ++i) {
        const uint16_t s = FLib->ReadOneSample(c);
        uint8_t channel = 0;
        const float v = FLib->ConvertSampleToVoltage(c, s, &channel);
        if (channel >= 1 && channel <= AnalogueCardInputs) volts[channel - 1] = v;
    }
}
