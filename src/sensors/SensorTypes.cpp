#include "SensorTypes.h"

#include "Settings.h"

#include <algorithm>
#include <cmath>

// clang-format off
const std::array<TChanInf, SensorChannelCount> ChanInfs = {{
    {"Elan", "1", "Elan Channel 1", true, ""},  // elan0
    {"Elan", "2", "Elan Channel 2", true, ""},  // elan1
    {"Elan", "3", "Elan Channel 3", true, ""},  // elan2
    {"Elan", "4", "Elan Channel 4", true, ""},  // elan3
    {"Elan", "5", "Elan Channel 5", true, ""},  // elan4
    {"Elan", "6", "Elan Channel 6", true, ""},  // elan5
    {"Elan", "7", "Elan Channel 7", true, ""},  // elan6
    {"Elan", "8", "Elan Channel 8", true, ""},  // elan7
    {"Elan", "9", "Elan Channel 9", true, ""},  // elan8
    {"Elan", "10", "Elan Channel 10", true, ""},  // elan9
    {"Elan", "11", "Elan Channel 11", true, ""},  // elanA
    {"Elan", "12", "Elan Channel 12", true, ""},  // elanB
    {"Elan", "13", "Elan Channel 13", true, ""},  // elanC
    {"Elan", "14", "Elan Channel 14", true, ""},  // elanD
    {"Elan", "15", "Elan Channel 15", true, ""},  // elanE
    {"Elan", "16", "Elan Channel 16", true, ""},  // elanF
    {"LabJack", "AI0", "LabJack Channel AI0", true, ""},  // lj0
    {"LabJack", "AI1", "LabJack Channel AI1", true, ""},  // lj1
    {"LabJack", "AI2", "LabJack Channel AI2", true, ""},  // lj2
    {"LabJack", "AI3", "LabJack Channel AI3", true, ""},  // lj3
    {"LabJack", "AI4", "LabJack Channel AI4", true, ""},  // lj4
    {"LabJack", "AI5", "LabJack Channel AI5", true, ""},  // lj5
    {"LabJack", "AI6", "LabJack Channel AI6", true, ""},  // lj6
    {"LabJack", "AI7", "LabJack Channel AI7", true, ""},  // lj7
    {"RT AP22", "Lat. G", "Lateral Acceleration", false, "G"},  // rtLat
    {"RT AP22", "Long. G", "Longitudinal Acceleration", false, "G"},  // rtLong
    {"IM LM1", "Lambda", "LM1 Lambda", false, "Lambda"},  // lmLambda
    {"IM LM1", "O2", "LM1 % Oxygen", false, "% Oxygen"},  // lmO2
    {"IM LM1", "AfrMult", "LM1 AFR Multiplier", false, "AFR"},  // lmAfrMult
    {"IM LM1", "AFR", "LM1 Air/Fuel Ratio", false, "AFR"},  // lmAFR
    {"IM LM1", "BatVolts", "LM1 Battery Voltage", false, "Volts"},  // lmBatVolts
    {"IM LM1", "Aux1", "LM1 Aux Channel 1", true, ""},  // lmAux0
    {"IM LM1", "Aux2", "LM1 Aux Channel 2", true, ""},  // lmAux1
    {"IM LM1", "Aux3", "LM1 Aux Channel 3", true, ""},  // lmAux2
    {"IM LM1", "Aux4", "LM1 Aux Channel 4", true, ""},  // lmAux3
    {"IM LM1", "Aux5", "LM1 Aux Channel 5", true, ""},  // lmAux4
    {"IM LC1", "Lambda", "LC1 Lambda", false, "Lambda"},  // lc_1_Lambda
    {"IM LC1", "O2", "LC1 % Oxygen", false, "% Oxygen"},  // lc_1_O2
    {"IM LC1", "AfrMult", "LC1 AFR Multiplier", false, "AFR"},  // lc_1_AfrMult
    {"IM LC1", "AFR", "LC1 Air/Fuel Ratio", false, "AFR"},  // lc_1_AFR
    {"IM MT1", "MtsAux1", "MTS Aux Channel 1", true, ""},  // mtsAux0
    {"IM MT1", "MtsAux2", "MTS Aux Channel 2", true, ""},  // mtsAux1
    {"IM MT1", "MtsAux3", "MTS Aux Channel 3", true, ""},  // mtsAux2
    {"IM MT1", "MtsAux4", "MTS Aux Channel 4", true, ""},  // mtsAux3
    {"IM MT1", "MtsAux5", "MTS Aux Channel 5", true, ""},  // mtsAux4
}};

static const std::array<const char*, SensorChannelCount> ChannelIdents = {{
    "elan0", "elan1", "elan2", "elan3", "elan4", "elan5", "elan6", "elan7",
    "elan8", "elan9", "elanA", "elanB", "elanC", "elanD", "elanE", "elanF",
    "lj0", "lj1", "lj2", "lj3", "lj4", "lj5", "lj6", "lj7",
    "rtLat", "rtLong", "lmLambda", "lmO2", "lmAfrMult", "lmAFR", "lmBatVolts", "lmAux0",
    "lmAux1", "lmAux2", "lmAux3", "lmAux4", "lc_1_Lambda", "lc_1_O2", "lc_1_AfrMult", "lc_1_AFR",
    "mtsAux0", "mtsAux1", "mtsAux2", "mtsAux3", "mtsAux4",
}};
// clang-format on

QString SensorChannelIdent(TSensorChannel ch)
{
    return ch < SensorChannelCount ? QString::fromLatin1(ChannelIdents[ch]) : QString();
}

std::optional<TSensorChannel> SensorChannelFromIdent(const QString& ident)
{
    for (int n = 0; n < SensorChannelCount; ++n)
        if (ident == QLatin1String(ChannelIdents[n])) return static_cast<TSensorChannel>(n);
    return std::nullopt;
}

TSensorChannels SensorChannelRange(TSensorChannel start, int count)
{
    TSensorChannels set;
    for (int n = start; n < start + count && n < SensorChannelCount; ++n)
        set.set(n);
    return set;
}

QString SensorChannelKey(TSensorChannel ch)
{
    return QString::fromLatin1(SensorSettingsRoot) + u'/' + QString::number(int(ch));
}

QString SensorConversionKey(TSensorChannel ch)
{
    return SensorChannelKey(ch) + QStringLiteral("/Conversion");
}

float TSensorConv::Convert(float x) const
{
    if (Points.empty()) return 0.0f;
    if (!(x > Points.front().Volts)) return Points.front().Value;
    if (!(x < Points.back().Volts)) return Points.back().Value;
    // First point not below x; the one before it is below x, so the span is never zero.
    size_t hi = 1;
    while (hi < Points.size() && Points[hi].Volts < x)
        ++hi;
    if (hi == Points.size()) // only when the points are out of order
        return Points.back().Value;
    const TConvPoint& lo = Points[hi - 1];
    const TConvPoint& up = Points[hi];
    const long double f =
        (static_cast<long double>(x) - lo.Volts) / (static_cast<long double>(up.Volts) - lo.Volts);
    return static_cast<float>(lo.Value + f * (static_cast<long double>(up.Value) - lo.Value));
}

// The point's voltage as its value name, "." decimal; 15 significant digits bring the
// single back exactly when the name is read.
static QString VoltsName(float volts)
{
    return QString::number(static_cast<double>(volts), 'g', 15);
}

// A stored double, only when it really is an 8-byte binary value.
static std::optional<double> ReadStoredDouble(const QString& key, const QString& name)
{
    TSettingsStore& store = TSettingsStore::Instance();
    if (store.ReadBinary(key, name).size() != 8) return std::nullopt;
    return store.ReadDouble(key, name);
}

// The identity over 0..5 V.
static std::vector<TConvPoint> DefaultConversion()
{
    return {{0.0f, 0.0f}, {5.0f, 5.0f}};
}

// A point as the singles it is kept in; nothing when either is not finite there (NaN,
// infinite, or beyond the range of a float).
static std::optional<TConvPoint> FinitePoint(double volts, double value)
{
    const TConvPoint p{static_cast<float>(volts), static_cast<float>(value)};
    if (!std::isfinite(p.Volts) || !std::isfinite(p.Value)) return std::nullopt;
    return p;
}

void LoadConversion(TSensorConv& conv, const QString& conversionKey, const QString& channelKey)
{
    // A value that is no number would turn every reading of the channel into one that is
    // no number either, and those reach the log and the gauges: such a calibration is not
    // used at all.
    std::vector<TConvPoint> points;
    for (const QString& name : TSettingsStore::Instance().ValueNames(conversionKey)) {
        bool ok = false;
        const double volts = name.toDouble(&ok);
        const std::optional<double> value = ReadStoredDouble(conversionKey, name);
        // A point that cannot be read is skipped rather than failing the whole load.
        if (!ok || !value) continue;
        const std::optional<TConvPoint> point = FinitePoint(volts, *value);
        if (!point) {
            conv.Points = DefaultConversion();
            return;
        }
        points.push_back(*point);
    }
    // The store lists value names in its own order (the INI file sorts them as text, so
    // "10" comes before "2"); interpolation needs them ascending.
    std::stable_sort(points.begin(), points.end(),
                     [](const TConvPoint& a, const TConvPoint& b) { return a.Volts < b.Volts; });
    if (points.size() >= 2) {
        conv.Points = std::move(points);
        return;
    }

    const auto minVolts = ReadStoredDouble(channelKey, QStringLiteral("MinVolts"));
    const auto minVal = ReadStoredDouble(channelKey, QStringLiteral("MinVal"));
    const auto maxVolts = ReadStoredDouble(channelKey, QStringLiteral("MaxVolts"));
    const auto maxVal = ReadStoredDouble(channelKey, QStringLiteral("MaxVal"));
    const std::optional<TConvPoint> low =
        minVolts && minVal ? FinitePoint(*minVolts, *minVal) : std::nullopt;
    const std::optional<TConvPoint> high =
        maxVolts && maxVal ? FinitePoint(*maxVolts, *maxVal) : std::nullopt;
    if (low && high) {
        conv.Points = {*low, *high};
        if (conv.Points[1].Volts < conv.Points[0].Volts) std::swap(conv.Points[0], conv.Points[1]);
    } else
        conv.Points = DefaultConversion();
}

void SaveConversion(const TSensorConv& conv, const QString& conversionKey)
{
    TSettingsStore& store = TSettingsStore::Instance();
    store.DeleteKey(conversionKey);
    for (const TConvPoint& p : conv.Points)
        store.WriteDouble(conversionKey, VoltsName(p.Volts), static_cast<double>(p.Value));
}
