#pragma once

// External sensor channels: the fixed list of channels, the table that describes them,
// the per-channel voltage-to-value calibration and its place in the settings store.
// Ordinals and identifiers are part of the dash screen file format, so never reorder or
// rename them.

#include <QString>

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

// clang-format off
enum TSensorChannel : uint8_t {
    // Analogue PC card inputs 1..16 (volts).
    elan0, elan1, elan2, elan3, elan4, elan5, elan6, elan7,
    elan8, elan9, elanA, elanB, elanC, elanD, elanE, elanF,
    // LabJack analogue inputs AI0..AI7 (volts).
    lj0, lj1, lj2, lj3, lj4, lj5, lj6, lj7,
    // AP22 accelerometer, G.
    rtLat, rtLong,
    // LM1 wideband meter.
    lmLambda, lmO2, lmAfrMult, lmAFR, lmBatVolts,
    lmAux0, lmAux1, lmAux2, lmAux3, lmAux4,
    // LC1 wideband controller.
    lc_1_Lambda, lc_1_O2, lc_1_AfrMult, lc_1_AFR,
    // MT1 auxiliary inputs on the serial chain (volts).
    mtsAux0, mtsAux1, mtsAux2, mtsAux3, mtsAux4,
};
// clang-format on

constexpr int SensorChannelCount = 45;
static_assert(mtsAux4 + 1 == SensorChannelCount);
constexpr int AnalogueCardInputs = 16;
constexpr int LabJackInputs = 8;
constexpr int InnovateAuxInputs = 5;

// Bit n is channel ordinal n; bits 45..47 are never set.
using TSensorChannels = std::bitset<48>;
// One engineering value per channel, indexed by TSensorChannel.
using TSensorValues = std::array<double, SensorChannelCount>;

struct TChanInf {
    const char* Source;      // device, the "Source" column of the configuration window
    const char* Channel;     // channel within the device, the "Channel" column
    const char* DefaultName; // sensor name until the user names the channel
    bool Configurable;       // a raw voltage with user calibration, units and enabled flag
    const char* FixedUnits;  // units of a non-configurable channel, else empty
};

extern const std::array<TChanInf, SensorChannelCount> ChanInfs;

// The channel's identifier as spelled in the dash screen files ("elan0", "lc_1_AFR").
QString SensorChannelIdent(TSensorChannel ch);
// The channel with that identifier (exact spelling), or nothing.
std::optional<TSensorChannel> SensorChannelFromIdent(const QString& ident);

// The channels start..start + count - 1.
TSensorChannels SensorChannelRange(TSensorChannel start, int count);

// Settings keys of the external sensors.
constexpr char SensorSettingsRoot[] = "SOFTWARE/Morvane/ExternalSensors";
QString SensorChannelKey(TSensorChannel ch);    // root + "/" + ordinal
QString SensorConversionKey(TSensorChannel ch); // root + "/" + ordinal + "/Conversion"

struct TConvPoint {
    float Volts; // input voltage
    float Value; // output in the channel's units
};

// Piecewise-linear calibration of one channel, clamped at both ends.
class TSensorConv {
  public:
    // Ascending in Volts: the calibration editor keeps them so and Convert relies on it.
    std::vector<TConvPoint> Points;

    float Convert(float x) const;
};

// Fills conv.Points from conversionKey (one double per point, named by its voltage).
// With fewer than two usable points there it takes the legacy two-point calibration
// under channelKey, and failing that the identity over 0..5 V. A stored voltage or value
// that is not finite as a float (NaN, infinite, beyond a float's range) gives the identity
// too. Never throws because of what is stored.
void LoadConversion(TSensorConv& conv, const QString& conversionKey, const QString& channelKey);
// Replaces everything under conversionKey with conv.Points.
void SaveConversion(const TSensorConv& conv, const QString& conversionKey);
