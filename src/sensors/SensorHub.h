#pragma once

// The sensor hub: the one owner of the external channels' settings and the place where
// the live-data window and the dash read sensor names, units, values and the usable
// channels. The configuration window edits it; the device readers plug into it.

#include "SensorTypes.h"

#include <QString>

#include <array>
#include <vector>

class IAnalogueCard;
class ILabJack;
class IAP22Reader;
class IInnovateReader;

class TSensorHub {
  public:
    TSensorHub();

    // Device readers, not owned (they must outlive the hub or be detached with nullptr);
    // a missing reader is an absent device.
    void SetAnalogueCard(IAnalogueCard* card) { FCard = card; }
    void SetLabJack(ILabJack* labJack) { FLabJack = labJack; }
    void SetAP22(IAP22Reader* ap22) { FAP22 = ap22; }
    void SetInnovate(IInnovateReader* innovate) { FInnovate = innovate; }

    // AvailableChannels from the readers as they are now: the card's inputs when it is
    // present, the LabJack's when one was found, the AP22's when its port is open, and
    // the Innovate reader's Channels when its port is open. Meant to be called once at
    // start-up, after the serial readers were opened and the Innovate stream has had
    // its chance to report its devices.
    void DetectDevices();
    const TSensorChannels& AvailableChannels() const { return FAvailable; }
    void SetAvailableChannels(const TSensorChannels& channels);

    // Names, units, enabled flags and calibrations of the available channels, from
    // and to the settings store under SensorSettingsRoot. Other channels' stored
    // settings are neither read nor written. Saving also writes the attached serial
    // readers' "Port" and "Active" (the user's choice, also while the port is missing) and
    // the Innovate "RPMSensor" under AP22 and LM1.
    void LoadChannelSettings();
    void SaveChannelSettings() const;

    // "???" and an empty text for a channel that is not available.
    QString GetSensorName(TSensorChannel ch) const;
    QString GetSensorUnits(TSensorChannel ch) const;
    void SetSensorName(TSensorChannel ch, const QString& name);
    void SetSensorUnits(TSensorChannel ch, const QString& units);
    // Only configurable channels use the flag.
    bool Enabled(TSensorChannel ch) const;
    void SetEnabled(TSensorChannel ch, bool enabled);
    TSensorConv& Conversion(TSensorChannel ch);
    const TSensorConv& Conversion(TSensorChannel ch) const;

    // One acquisition on the analogue devices; called once per request cycle, after
    // the ECU request went out.
    void PollAnalogue();
    // Writes the latest calibrated values of the devices that are present or open into
    // values and leaves every other entry as it was. True when analogue data was
    // delivered (the card is present, or the last LabJack read sampled something).
    bool GetSensorValues(TSensorValues& values);
    // The channels that may be shown, logged and bound to gauges: available, and
    // either not configurable or enabled.
    void GetActiveChannels(TSensorChannels& set) const;
    TSensorChannels GetActiveChannels() const;

    // The serial devices found at start (those with available channels): whether each
    // sends now, for a window to say which one stopped.
    struct TSerialDevice {
        QString Name;
        QString Port;
        TSensorChannels Channels;
        bool Fresh = false;
    };
    std::vector<TSerialDevice> SerialDevices() const;
    // The Innovate devices found and their function codes as names: "LM-1: Normal, LC-1:
    // Warming up"; "no data" for a device that stopped sending. Empty without them.
    QString InnovateStatusText() const;

    const std::array<double, AnalogueCardInputs>& CardVolts() const { return FCardVolts; }
    const std::array<double, LabJackInputs>& LabJackVolts() const { return FLabJackVolts; }
    bool LabJackPresent() const;
    bool LabJackNewData() const { return FLabJackNewData; }

  private:
    struct TChannelSettings {
        QString Name;
        QString Units;
        bool Enabled = true;
        TSensorConv Conv;
    };

    TChannelSettings& Settings(TSensorChannel ch);
    const TChannelSettings& Settings(TSensorChannel ch) const;
    bool CardPresent() const;

    IAnalogueCard* FCard = nullptr;
    ILabJack* FLabJack = nullptr;
    IAP22Reader* FAP22 = nullptr;
    IInnovateReader* FInnovate = nullptr;

    TSensorChannels FAvailable;
    std::array<TChannelSettings, SensorChannelCount> FChannels;
    std::array<double, AnalogueCardInputs> FCardVolts{};
    std::array<double, LabJackInputs> FLabJackVolts{};
    bool FLabJackNewData = false;
};
