#include "SensorTypes.h"
#include "TempSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct ChanInfCase {
    TSensorChannel Ch;
    const char* Ident;
    const char* Source;
    const char* Channel;
    const char* DefaultName;
    bool Configurable;
    const char* FixedUnits;
};

// The first and last row of every numbered range and every fixed row.
const ChanInfCase ChanInfCases[] = {
    {elan0, "elan0", "Elan", "1", "Elan Channel 1", true, ""},
    {elan9, "elan9", "Elan", "10", "Elan Channel 10", true, ""},
    {elanA, "elanA", "Elan", "11", "Elan Channel 11", true, ""},
    {elanF, "elanF", "Elan", "16", "Elan Channel 16", true, ""},
    {lj0, "lj0", "LabJack", "AI0", "LabJack Channel AI0", true, ""},
    {lj7, "lj7", "LabJack", "AI7", "LabJack Channel AI7", true, ""},
    {rtLat, "rtLat", "RT AP22", "Lat. G", "Lateral Acceleration", false, "G"},
    {rtLong, "rtLong", "RT AP22", "Long. G", "Longitudinal Acceleration", false, "G"},
    {lmLambda, "lmLambda", "IM LM1", "Lambda", "LM1 Lambda", false, "Lambda"},
    {lmO2, "lmO2", "IM LM1", "O2", "LM1 % Oxygen", false, "% Oxygen"},
    {lmAfrMult, "lmAfrMult", "IM LM1", "AfrMult", "LM1 AFR Multiplier", false, "AFR"},
    {lmAFR, "lmAFR", "IM LM1", "AFR", "LM1 Air/Fuel Ratio", false, "AFR"},
    {lmBatVolts, "lmBatVolts", "IM LM1", "BatVolts", "LM1 Battery Voltage", false, "Volts"},
    {lmAux0, "lmAux0", "IM LM1", "Aux1", "LM1 Aux Channel 1", true, ""},
    {lmAux4, "lmAux4", "IM LM1", "Aux5", "LM1 Aux Channel 5", true, ""},
    {lc_1_Lambda, "lc_1_Lambda", "IM LC1", "Lambda", "LC1 Lambda", false, "Lambda"},
    {lc_1_O2, "lc_1_O2", "IM LC1", "O2", "LC1 % Oxygen", false, "% Oxygen"},
    {lc_1_AfrMult, "lc_1_AfrMult", "IM LC1", "AfrMult", "LC1 AFR Multiplier", false, "AFR"},
    {lc_1_AFR, "lc_1_AFR", "IM LC1", "AFR", "LC1 Air/Fuel Ratio", false, "AFR"},
    {mtsAux0, "mtsAux0", "IM MT1", "MtsAux1", "MTS Aux Channel 1", true, ""},
    {mtsAux4, "mtsAux4", "IM MT1", "MtsAux5", "MTS Aux Channel 5", true, ""},
};

TEST(SensorChannels, TableRowsIdentifiersAndOrdinals)
{
    EXPECT_EQ(int(mtsAux4), SensorChannelCount - 1);
    EXPECT_EQ(sizeof(TSensorChannel), 1u);
    for (const ChanInfCase& c : ChanInfCases) {
        SCOPED_TRACE(c.Ident);
        const TChanInf& inf = ChanInfs[c.Ch];
        EXPECT_STREQ(inf.Source, c.Source);
        EXPECT_STREQ(inf.Channel, c.Channel);
        EXPECT_STREQ(inf.DefaultName, c.DefaultName);
        EXPECT_EQ(inf.Configurable, c.Configurable);
        EXPECT_STREQ(inf.FixedUnits, c.FixedUnits);
        EXPECT_EQ(SensorChannelIdent(c.Ch), QLatin1String(c.Ident));
    }
    // Every identifier leads back to its own ordinal; near misses are not channels.
    for (int n = 0; n < SensorChannelCount; ++n) {
        const auto ch = static_cast<TSensorChannel>(n);
        EXPECT_EQ(SensorChannelFromIdent(SensorChannelIdent(ch)), ch);
        EXPECT_EQ(ChanInfs[n].Configurable, *ChanInfs[n].FixedUnits == 0) << n;
    }
    for (const char* bad : {"elanG", "LJ0", "lc1_AFR", "mtsAux5", ""})
        EXPECT_FALSE(SensorChannelFromIdent(QLatin1String(bad))) << bad;
}

TEST(SensorChannels, SettingsKeysUseTheOrdinal)
{
    EXPECT_EQ(SensorChannelKey(elan0), "SOFTWARE/Morvane/ExternalSensors/0");
    EXPECT_EQ(SensorConversionKey(mtsAux4), "SOFTWARE/Morvane/ExternalSensors/44/Conversion");
}

TEST(SensorConvConvert, InterpolatesAndClamps)
{
    TSensorConv conv;
    EXPECT_EQ(conv.Convert(1.0f), 0.0f); // no points

    conv.Points = {{1, 10}, {2, 30}, {4, 50}};
    const struct {
        float Volts, Value;
    } cases[] = {{0.5f, 10}, {1, 10}, {1.5f, 20}, {2, 30}, {3, 40}, {4, 50}, {9, 50}};
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(conv.Convert(c.Volts), c.Value) << c.Volts;

    conv.Points = {{2, 7}};
    EXPECT_EQ(conv.Convert(0), 7);
    EXPECT_EQ(conv.Convert(5), 7);

    // A falling calibration interpolates the same way.
    conv.Points = {{0, 100}, {10, 0}};
    EXPECT_FLOAT_EQ(conv.Convert(2.5f), 75);
}

class SensorConvSettings : public TempSettings {
  protected:
    const QString ConvKey = SensorConversionKey(lj3);
    const QString ChanKey = SensorChannelKey(lj3);

    TSensorConv Load()
    {
        TSensorConv conv;
        conv.Points = {{9, 9}, {9, 9}, {9, 9}}; // must be replaced, not appended to
        LoadConversion(conv, ConvKey, ChanKey);
        return conv;
    }
    void WriteLegacy()
    {
        Store().WriteDouble(ChanKey, "MinVolts", 0.5);
        Store().WriteDouble(ChanKey, "MinVal", 0);
        Store().WriteDouble(ChanKey, "MaxVolts", 4.5);
        Store().WriteDouble(ChanKey, "MaxVal", 100);
    }
};

void ExpectPoints(const TSensorConv& conv, std::vector<TConvPoint> expected)
{
    ASSERT_EQ(conv.Points.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_FLOAT_EQ(conv.Points[i].Volts, expected[i].Volts) << i;
        EXPECT_FLOAT_EQ(conv.Points[i].Value, expected[i].Value) << i;
    }
}

TEST_F(SensorConvSettings, NothingStoredReadsVoltsUnchangedOverZeroToFive)
{
    const TSensorConv conv = Load();
    ExpectPoints(conv, {{0, 0}, {5, 5}});
    EXPECT_FLOAT_EQ(conv.Convert(2.5f), 2.5f);
    EXPECT_FLOAT_EQ(conv.Convert(7), 5);
}

TEST_F(SensorConvSettings, FewerThanTwoPointsFallBackToLegacyValues)
{
    Store().WriteDouble(ConvKey, "1", 42);
    WriteLegacy();
    ExpectPoints(Load(), {{0.5f, 0}, {4.5f, 100}});
}

TEST_F(SensorConvSettings, IncompleteOrMistypedLegacyValuesGiveIdentity)
{
    WriteLegacy();
    Store().DeleteValue(ChanKey, "MaxVal");
    ExpectPoints(Load(), {{0, 0}, {5, 5}});

    WriteLegacy();
    Store().WriteString(ChanKey, "MinVolts", "0.5"); // not an 8-byte binary value
    ExpectPoints(Load(), {{0, 0}, {5, 5}});
}

TEST_F(SensorConvSettings, StoredPointsAreReadAscendingWhateverTheStoreOrder)
{
    // Text order ("10" < "2") and write order both differ from voltage order.
    Store().WriteDouble(ConvKey, "10", 100);
    Store().WriteDouble(ConvKey, "2", 20);
    Store().WriteDouble(ConvKey, "9.5", 95);
    Store().WriteDouble(ConvKey, "-1", -10);
    const TSensorConv conv = Load();
    ExpectPoints(conv, {{-1, -10}, {2, 20}, {9.5f, 95}, {10, 100}});
    EXPECT_FLOAT_EQ(conv.Convert(6), 60);
}

TEST_F(SensorConvSettings, UnreadablePointsAreSkipped)
{
    Store().WriteDouble(ConvKey, "1", 10);
    Store().WriteDouble(ConvKey, "volts", 20); // name is not a number
    Store().WriteString(ConvKey, "3", "30");   // data is not a double
    Store().WriteDouble(ConvKey, "4", 40);
    ExpectPoints(Load(), {{1, 10}, {4, 40}});

    Store().DeleteValue(ConvKey, "4"); // one usable point left: legacy rules apply
    ExpectPoints(Load(), {{0, 0}, {5, 5}});
}

// A calibration holding a value that is no number (or none a float can hold) would turn
// every reading into one: the channel reads its volts unchanged instead.
TEST_F(SensorConvSettings, AValueThatIsNotFiniteGivesTheDefaultConversion)
{
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* Name;
        const char* Value; // a legacy value, or the name of a point's voltage
        double Data;
        bool Legacy;
    } cases[] = {
        {"MinVolts NaN", "MinVolts", nan, true},
        {"MaxVolts infinite", "MaxVolts", inf, true},
        {"MinVal minus infinite", "MinVal", -inf, true},
        {"MaxVal beyond a float", "MaxVal", 1e39, true},
        {"a point's value NaN", "2", nan, false},
        {"a point's value beyond a float", "2", -4e38, false},
        {"a point's voltage beyond a float", "1e39", 50, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Store().DeleteKey(ConvKey);
        WriteLegacy();
        if (!c.Legacy) {
            Store().WriteDouble(ConvKey, "1", 10);
            Store().WriteDouble(ConvKey, "3", 30);
            Store().WriteDouble(ConvKey, "4", 40);
        }
        Store().WriteDouble(c.Legacy ? ChanKey : ConvKey, c.Value, c.Data);
        const TSensorConv conv = Load();
        ExpectPoints(conv, {{0, 0}, {5, 5}});
        EXPECT_FLOAT_EQ(conv.Convert(2.5f), 2.5f);
    }
}

TEST_F(SensorConvSettings, SaveReplacesThePointsAndLoadsThemBackExactly)
{
    TSensorConv conv;
    conv.Points = {{0.1f, 1.0f / 3.0f}, {1.25f, 2}, {3, 4}};
    SaveConversion(conv, ConvKey);
    conv.Points = {{-0.3f, 0.7f}, {12.345678f, 1e6f}};
    SaveConversion(conv, ConvKey);

    EXPECT_EQ(Store().ValueNames(ConvKey).size(), 2);
    const TSensorConv back = Load();
    ASSERT_EQ(back.Points.size(), 2u);
    for (size_t i = 0; i < 2; ++i) { // singles survive the text names bit for bit
        EXPECT_EQ(back.Points[i].Volts, conv.Points[i].Volts);
        EXPECT_EQ(back.Points[i].Value, conv.Points[i].Value);
    }
    EXPECT_TRUE(Store().ValueExists(ConvKey, "-0.300000011920929"));

    conv.Points.clear();
    SaveConversion(conv, ConvKey);
    ExpectPoints(Load(), {{0, 0}, {5, 5}});
}

} // namespace
