#include "SensorHub.h"
#include "IAP22Reader.h"
#include "IAnalogueCard.h"
#include "FakeInnovate.h"
#include "ILabJack.h"
#include "TempSettings.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct FakeCard : IAnalogueCard {
    bool IsPresent = true;
    int Runs = 0;
    std::array<double, AnalogueCardInputs> Volts{};
    bool Present() const override { return IsPresent; }
    void StartSampling() override { ++Runs; }
    void ReadChannels(std::array<double, AnalogueCardInputs>& volts) override { volts = Volts; }
};

struct FakeLabJack : ILabJack {
    bool IsPresent = true;
    int Reads = 0;
    TSensorChannels LastActive;
    std::array<double, LabJackInputs> Volts{};
    bool LabJackPresent() const override { return IsPresent; }
    bool ReadLabJack(const TSensorChannels& active,
                     std::array<double, LabJackInputs>& volts) override
    {
        ++Reads;
        LastActive = active;
        volts = Volts;
        return (active & SensorChannelRange(lj0, LabJackInputs)).any();
    }
};

struct FakeAP22 : IAP22Reader {
    bool IsActive = true;
    bool IsFresh = true;
    double Lat = 0.12, Long = -0.34;
    bool Active() const override { return IsActive; }
    bool Fresh() const override { return IsFresh; }
    double LatG() const override { return Lat; }
    double LongG() const override { return Long; }
};

constexpr double Untouched = -777;

TSensorValues Sentinels()
{
    TSensorValues v;
    v.fill(Untouched);
    return v;
}

void ExpectUntouchedExcept(const TSensorValues& v, const TSensorChannels& written)
{
    for (int n = 0; n < SensorChannelCount; ++n) {
        if (!written.test(n)) {
            EXPECT_EQ(v[n], Untouched) << SensorChannelIdent(TSensorChannel(n)).toStdString();
        }
    }
}

TEST(SensorHub, WithoutDevicesNothingIsOfferedOrWritten)
{
    TSensorHub hub;
    hub.DetectDevices();
    hub.PollAnalogue();
    TSensorValues v = Sentinels();
    EXPECT_FALSE(hub.GetSensorValues(v));
    ExpectUntouchedExcept(v, {});
    EXPECT_TRUE(hub.GetActiveChannels().none());
    EXPECT_EQ(hub.GetSensorName(lj0), "???");
    EXPECT_EQ(hub.GetSensorUnits(rtLat), "");

    // Readers that exist but found nothing, or are closed, count as absent.
    FakeCard card;
    card.IsPresent = false;
    FakeLabJack lj;
    lj.IsPresent = false;
    FakeAP22 ap;
    ap.IsActive = false;
    FakeInnovate lm;
    lm.IsActive = false;
    hub.SetAnalogueCard(&card);
    hub.SetLabJack(&lj);
    hub.SetAP22(&ap);
    hub.SetInnovate(&lm);
    hub.DetectDevices();
    hub.PollAnalogue();
    EXPECT_FALSE(hub.GetSensorValues(v));
    ExpectUntouchedExcept(v, {});
    EXPECT_EQ(card.Runs + lj.Reads, 0);
    EXPECT_TRUE(hub.AvailableChannels().none());
}

TEST(SensorHub, DetectDevicesOffersTheChannelsOfFoundAndOpenDevices)
{
    FakeCard card;
    FakeLabJack lj;
    FakeAP22 ap;
    FakeInnovate lm;
    lm.Found = SensorChannelRange(mtsAux0, 5);
    TSensorHub hub;
    hub.SetAnalogueCard(&card);
    hub.SetLabJack(&lj);
    hub.SetAP22(&ap);
    hub.SetInnovate(&lm);
    hub.DetectDevices();
    EXPECT_EQ(hub.AvailableChannels(),
              SensorChannelRange(elan0, 26) | SensorChannelRange(mtsAux0, 5));

    card.IsPresent = false;
    ap.IsActive = false;
    hub.DetectDevices();
    EXPECT_EQ(hub.AvailableChannels(), SensorChannelRange(lj0, 8) | SensorChannelRange(mtsAux0, 5));

    // Bits past the last channel never get in.
    hub.SetAvailableChannels(TSensorChannels().set());
    EXPECT_EQ(hub.AvailableChannels().count(), size_t(SensorChannelCount));
}

TEST(SensorHub, ActiveChannelsAreAvailableAndEnabledOrFixed)
{
    TSensorHub hub;
    hub.SetAvailableChannels(SensorChannelRange(lj0, 2) | SensorChannelRange(rtLat, 1));
    hub.SetEnabled(lj1, false);
    hub.SetEnabled(elan0, true); // enabled but not available
    EXPECT_EQ(hub.GetActiveChannels(), SensorChannelRange(lj0, 1) | SensorChannelRange(rtLat, 1));
    hub.SetEnabled(lj1, true);
    TSensorChannels set;
    set.set(elanF); // cleared first, not added to
    hub.GetActiveChannels(set);
    EXPECT_EQ(set, SensorChannelRange(lj0, 2) | SensorChannelRange(rtLat, 1));
}

TEST(SensorHub, AnalogueDevicesAreCalibratedAndOnlyTheirEntriesWritten)
{
    FakeCard card;
    for (int i = 0; i < AnalogueCardInputs; ++i)
        card.Volts[i] = 0.25 * i;
    FakeLabJack lj;
    lj.Volts = {1, 2, 3, 4, 5, 6, 7, 8};
    TSensorHub hub;
    hub.SetAnalogueCard(&card);
    hub.SetLabJack(&lj);
    hub.DetectDevices();
    for (int n = elan0; n <= lj7; ++n)
        hub.Conversion(TSensorChannel(n)).Points = {{0, 0}, {10, 100}};
    hub.Conversion(elanF).Points = {{0, 5}, {1, 6}}; // clamps at 1 V
    hub.SetEnabled(lj2, false);

    // Before any poll the LabJack has delivered nothing; the card always counts.
    TSensorValues v = Sentinels();
    EXPECT_TRUE(hub.GetSensorValues(v));
    ExpectUntouchedExcept(v, SensorChannelRange(elan0, 16));
    EXPECT_NEAR(v[elan3], 7.5, 1e-5);
    EXPECT_EQ(v[elanF], 6);

    hub.PollAnalogue();
    EXPECT_EQ(card.Runs, 1);
    EXPECT_EQ(lj.Reads, 1);
    EXPECT_FALSE(lj.LastActive.test(lj2));
    EXPECT_TRUE(lj.LastActive.test(lj3));
    EXPECT_TRUE(hub.LabJackNewData());
    v = Sentinels();
    EXPECT_TRUE(hub.GetSensorValues(v));
    ExpectUntouchedExcept(v, SensorChannelRange(elan0, 24));
    EXPECT_NEAR(v[lj0], 10, 1e-5);
    EXPECT_NEAR(v[lj7], 80, 1e-5);

    // LabJack alone: with none of its inputs enabled it delivers nothing.
    card.IsPresent = false;
    for (int n = lj0; n <= lj7; ++n)
        hub.SetEnabled(TSensorChannel(n), false);
    hub.PollAnalogue();
    EXPECT_EQ(card.Runs, 1);
    v = Sentinels();
    EXPECT_FALSE(hub.GetSensorValues(v));
    ExpectUntouchedExcept(v, {});
}

TEST(SensorHub, SerialValuesAreCopiedAndAuxCountsScaledBefore512Volts)
{
    FakeAP22 ap;
    FakeInnovate lm;
    lm.LmAux[0] = 1023;
    lm.LmAux[1] = 0;
    lm.LmAux[4] = 512;
    lm.MtsAux[0] = 1023;
    lm.MtsAux[4] = 100;
    TSensorHub hub;
    hub.SetAP22(&ap);
    hub.SetInnovate(&lm);
    hub.DetectDevices();
    for (int n = lmAux0; n <= lmAux4; ++n)
        hub.Conversion(TSensorChannel(n)).Points = {{0, 7}, {10, 107}};
    for (int n = mtsAux0; n <= mtsAux4; ++n)
        hub.Conversion(TSensorChannel(n)).Points = {{0, 0}, {10, 100}};

    TSensorValues v = Sentinels();
    EXPECT_FALSE(hub.GetSensorValues(v)); // serial data is not analogue data
    ExpectUntouchedExcept(v, SensorChannelRange(rtLat, 21));
    EXPECT_EQ(v[rtLat], 0.12);
    EXPECT_EQ(v[rtLong], -0.34);
    const std::pair<TSensorChannel, double> copied[] = {
        {lmLambda, 1.01}, {lmO2, 0.5},          {lmAfrMult, 14.7},
        {lmAFR, 14.85},   {lmBatVolts, 13.8},   {lc_1_Lambda, 0.9},
        {lc_1_O2, 20.9},  {lc_1_AfrMult, 14.6}, {lc_1_AFR, 13.14}};
    for (const auto& [ch, value] : copied)
        EXPECT_EQ(v[ch], value) << SensorChannelIdent(ch).toStdString();
    EXPECT_NEAR(v[lmAux0], 7 + 51.2, 1e-4); // 1023 counts are 5.12 V
    EXPECT_NEAR(v[lmAux1], 7, 1e-6);        // 0 counts are 0 V
    EXPECT_NEAR(v[lmAux4], 7 + 51.2 * 512 / 1023, 1e-4);
    EXPECT_NEAR(v[mtsAux0], 51.2, 1e-4);
    EXPECT_NEAR(v[mtsAux4], 51.2 * 100 / 1023, 1e-4);

    // A device that stopped sending, or whose port went, gives no values for its channels:
    // NaN, never the last reading again.
    const auto noValues = [&](const TSensorChannels& channels) {
        for (int n = 0; n < SensorChannelCount; ++n)
            if (channels.test(n)) {
                EXPECT_TRUE(std::isnan(v[n])) << SensorChannelIdent(TSensorChannel(n)).toStdString();
            }
    };
    for (const char* how : {"stale", "port lost"}) {
        SCOPED_TRACE(how);
        (std::string(how) == "stale" ? lm.IsFresh : lm.IsActive) = false;
        v = Sentinels();
        hub.GetSensorValues(v);
        EXPECT_EQ(v[rtLat], 0.12);
        noValues(SensorChannelRange(lmLambda, 14));
        ExpectUntouchedExcept(v, SensorChannelRange(rtLat, 16));
        lm.IsFresh = lm.IsActive = true;
    }
    // Each device's function code by name; "no data" once the stream stops.
    EXPECT_EQ(hub.InnovateStatusText(), "LM-1: O2 level, LC-1: Warming up");
    lm.IsFresh = false;
    EXPECT_EQ(hub.InnovateStatusText(), "LM-1: no data, LC-1: no data");
    lm.IsFresh = true;
    ap.IsFresh = false;
    v = Sentinels();
    hub.GetSensorValues(v);
    noValues(SensorChannelRange(rtLat, 2));
    EXPECT_EQ(v[lmLambda], 1.01);
}

class SensorHubSettings : public TempSettings {
  protected:
    void Put(TSensorChannel ch, const char* name, const QString& value)
    {
        Store().WriteString(SensorChannelKey(ch), name, value);
    }
    void PutEnabled(TSensorChannel ch, int on)
    {
        Store().WriteInteger(SensorChannelKey(ch), "Enabled", on);
    }
    TSensorHub Loaded(const TSensorChannels& available)
    {
        TSensorHub hub;
        hub.SetAvailableChannels(available);
        hub.LoadChannelSettings();
        return hub;
    }
    const TSensorChannels Some =
        SensorChannelRange(lj0, 4) | SensorChannelRange(rtLat, 2) | SensorChannelRange(lmLambda, 1);
};

TEST_F(SensorHubSettings, StoredNamesUnitsAndFlagsWithTheirFallbacks)
{
    Put(lj0, "SensorName", "Boost");
    Put(lj0, "Units", "psi");
    PutEnabled(lj0, 0);
    Put(lj1, "SensorName", "");
    Put(lj1, "Units", "");
    Store().WriteDouble(SensorChannelKey(lj2), "SensorName", 1.0); // not a text
    Put(rtLat, "SensorName", "Sideways");
    Put(rtLat, "Units", "m/s2");
    PutEnabled(rtLat, 0);
    Put(lmLambda, "Units", "Volts");
    Put(elan0, "SensorName", "Not loaded");
    Store().WriteDouble(SensorConversionKey(lj0), "0", 0);
    Store().WriteDouble(SensorConversionKey(lj0), "4.5", 30);

    TSensorHub hub = Loaded(Some);
    const struct {
        TSensorChannel Ch;
        const char* Name;
        const char* Units;
    } cases[] = {
        {lj0, "Boost", "psi"},
        {lj1, "LabJack Channel AI1", "Volts"},
        {lj2, "<Sensor Name>", "Volts"},
        {lj3, "LabJack Channel AI3", "Volts"}, // nothing stored
        {rtLat, "Lateral Acceleration", "G"},  // fixed channels ignore stored texts
        {lmLambda, "LM1 Lambda", "Lambda"},
        {elan0, "???", ""}, // not available
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(hub.GetSensorName(c.Ch), QLatin1String(c.Name));
        EXPECT_EQ(hub.GetSensorUnits(c.Ch), QLatin1String(c.Units));
    }

    // Stored "Enabled" 0 switches a configurable channel off, never a fixed one; missing
    // means enabled. Switching it on acts at once.
    EXPECT_EQ(hub.GetActiveChannels(), Some & ~SensorChannelRange(lj0, 1));
    hub.SetEnabled(lj0, true);
    EXPECT_EQ(hub.GetActiveChannels(), Some);

    EXPECT_FLOAT_EQ(hub.Conversion(lj0).Convert(3), 20);
    EXPECT_FLOAT_EQ(hub.Conversion(lj1).Convert(3), 3);
}

TEST_F(SensorHubSettings, SaveWritesAvailableChannelsOnlyAndLoadsBack)
{
    Put(elan0, "SensorName", "Keep me");
    Put(rtLat, "Units", "old");
    TSensorHub hub = Loaded(Some);
    hub.SetSensorName(lj1, "Oil pressure");
    hub.SetSensorUnits(lj1, "bar");
    hub.SetEnabled(lj1, false);
    hub.Conversion(lj1).Points = {{0.5f, 0}, {4.5f, 10}};
    hub.SaveChannelSettings();

    const QString lj1Key = SensorChannelKey(lj1);
    EXPECT_EQ(Store().ReadInteger(lj1Key, "Enabled", -1), 0);
    EXPECT_EQ(Store().ReadInteger(SensorChannelKey(lj2), "Enabled", -1), 1);
    EXPECT_EQ(Store().ReadString(SensorChannelKey(rtLong), "SensorName"),
              "Longitudinal Acceleration");
    EXPECT_FALSE(Store().ValueExists(SensorChannelKey(rtLong), "Units"));
    EXPECT_FALSE(Store().ValueExists(SensorChannelKey(rtLong), "Enabled"));
    EXPECT_EQ(Store().ReadString(SensorChannelKey(rtLat), "Units"), "old");
    EXPECT_EQ(Store().ReadString(SensorChannelKey(elan0), "SensorName"), "Keep me");

    TSensorHub back = Loaded(Some);
    EXPECT_EQ(back.GetSensorName(lj1), "Oil pressure");
    EXPECT_EQ(back.GetSensorUnits(lj1), "bar");
    EXPECT_FALSE(back.GetActiveChannels().test(lj1));
    EXPECT_FLOAT_EQ(back.Conversion(lj1).Convert(2.5f), 5);
    EXPECT_EQ(back.GetSensorName(lj2), "LabJack Channel AI2");
}

} // namespace
