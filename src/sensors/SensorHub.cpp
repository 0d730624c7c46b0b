#include "SensorHub.h"

#include "Errors.h"
#include "IAP22Reader.h"
#include "IAnalogueCard.h"
#include "IInnovateReader.h"
#include "ILabJack.h"
#include "LM1.h"
#include "Settings.h"

#include <limits>

namespace {

// The channels each serial reader brings.
TSensorChannels AP22Channels()
{
    return SensorChannelRange(rtLat, 2);
}
TSensorChannels InnovateChannels()
{
    return SensorChannelRange(lmLambda, mtsAux0 + InnovateAuxInputs - lmLambda);
}

// A serial reader whose values are measurements now: open, and its device sending.
template <class TReader> bool Sends(const TReader* reader)
{
    return reader && reader->Active() && reader->Fresh();
}

// Serial auxiliary inputs are 10-bit counts over 0..5.12 V.
constexpr double InnovateAuxVoltsPerCount = 5.12 / 1023.0;

const QString NameValue = QStringLiteral("SensorName");
const QString UnitsValue = QStringLiteral("Units");
const QString EnabledValue = QStringLiteral("Enabled");

QString DefaultUnits(TSensorChannel ch)
{
    const char* fixed = ChanInfs[ch].FixedUnits;
    return *fixed ? QString::fromLatin1(fixed) : QStringLiteral("Volts");
}

bool ValidChannel(TSensorChannel ch)
{
    return ch < SensorChannelCount;
}

// Calibrations take singles: the voltage is narrowed before and the value widened after.
double Calibrated(const TSensorConv& conv, double volts)
{
    return static_cast<double>(conv.Convert(static_cast<float>(volts)));
}

} // namespace

TSensorHub::TSensorHub()
{
    for (int n = 0; n < SensorChannelCount; ++n) {
        const auto ch = static_cast<TSensorChannel>(n);
        FChannels[n].Name = QString::fromLatin1(ChanInfs[n].DefaultName);
        FChannels[n].Units = DefaultUnits(ch);
    }
}

TSensorHub::TChannelSettings& TSensorHub::Settings(TSensorChannel ch)
{
    if (!ValidChannel(ch))
        throw Exception(QStringLiteral("Sensor channel %1 out of range").arg(int(ch)));
    return FChannels[ch];
}

const TSensorHub::TChannelSettings& TSensorHub::Settings(TSensorChannel ch) const
{
    return const_cast<TSensorHub*>(this)->Settings(ch);
}

void TSensorHub::SetAvailableChannels(const TSensorChannels& channels)
{
    FAvailable = channels & SensorChannelRange(elan0, SensorChannelCount);
}

void TSensorHub::DetectDevices()
{
    TSensorChannels set;
    if (CardPresent()) set |= SensorChannelRange(elan0, AnalogueCardInputs);
    if (LabJackPresent()) set |= SensorChannelRange(lj0, LabJackInputs);
    if (FAP22 && FAP22->Active()) set |= SensorChannelRange(rtLat, 2);
    if (FInnovate && FInnovate->Active()) set |= FInnovate->Channels();
    SetAvailableChannels(set);
}

void TSensorHub::LoadChannelSettings()
{
    TSettingsStore& store = TSettingsStore::Instance();
    for (int n = 0; n < SensorChannelCount; ++n) {
        if (!FAvailable.test(n)) continue;
        const auto ch = static_cast<TSensorChannel>(n);
        const TChanInf& inf = ChanInfs[n];
        const QString key = SensorChannelKey(ch);
        TChannelSettings& s = FChannels[n];

        // A name that is there but unreadable shows as a placeholder; a missing or
        // empty one as the default.
        s.Name = store.ValueExists(key, NameValue)
                     ? store.ReadString(key, NameValue, QStringLiteral("<Sensor Name>"))
                     : QString();
        if (s.Name.isEmpty() || !inf.Configurable) s.Name = QString::fromLatin1(inf.DefaultName);

        // Only configurable channels have user units; a fixed channel keeps its own even
        // if an old or foreign "Units" value is stored for it.
        s.Units = inf.Configurable ? store.ReadString(key, UnitsValue) : QString();
        if (s.Units.isEmpty()) s.Units = DefaultUnits(ch);

        if (inf.Configurable) {
            LoadConversion(s.Conv, SensorConversionKey(ch), key);
            s.Enabled = store.ReadInteger(key, EnabledValue, 1) != 0;
        }
    }
}

void TSensorHub::SaveChannelSettings() const
{
    TSettingsStore& store = TSettingsStore::Instance();
    for (int n = 0; n < SensorChannelCount; ++n) {
        if (!FAvailable.test(n)) continue;
        const auto ch = static_cast<TSensorChannel>(n);
        const QString key = SensorChannelKey(ch);
        const TChannelSettings& s = FChannels[n];
        store.WriteString(key, NameValue, s.Name);
        if (ChanInfs[n].Configurable) {
            store.WriteString(key, UnitsValue, s.Units);
            store.WriteInteger(key, EnabledValue, s.Enabled ? 1 : 0);
            SaveConversion(s.Conv, SensorConversionKey(ch));
        }
    }

    // The serial readers' ports and states, as the port dialogs may have changed them.
    const QString root = QString::fromLatin1(SensorSettingsRoot);
    if (FAP22) {
        const QString key = root + QStringLiteral("/AP22");
        store.WriteString(key, QStringLiteral("Port"), FAP22->Port());
        // The user's choice, not whether the port happens to be open at exit.
        store.WriteBool(key, QStringLiteral("Active"), FAP22->Wanted());
    }
    if (FInnovate) {
        const QString key = root + QStringLiteral("/LM1");
        store.WriteString(key, QStringLiteral("Port"), FInnovate->Port());
        store.WriteBool(key, QStringLiteral("Active"), FInnovate->Wanted());
        store.WriteBool(key, QStringLiteral("RPMSensor"), FInnovate->GetRPM());
    }
}

QString TSensorHub::GetSensorName(TSensorChannel ch) const
{
    if (!ValidChannel(ch) || !FAvailable.test(ch)) return QStringLiteral("???");
    return FChannels[ch].Name;
}

QString TSensorHub::GetSensorUnits(TSensorChannel ch) const
{
    if (!ValidChannel(ch) || !FAvailable.test(ch)) return QString();
    return FChannels[ch].Units;
}

void TSensorHub::SetSensorName(TSensorChannel ch, const QString& name)
{
    Settings(ch).Name = name;
}

void TSensorHub::SetSensorUnits(TSensorChannel ch, const QString& units)
{
    Settings(ch).Units = units;
}

bool TSensorHub::Enabled(TSensorChannel ch) const
{
    return Settings(ch).Enabled;
}

void TSensorHub::SetEnabled(TSensorChannel ch, bool enabled)
{
    Settings(ch).Enabled = enabled;
}

TSensorConv& TSensorHub::Conversion(TSensorChannel ch)
{
    return Settings(ch).Conv;
}

const TSensorConv& TSensorHub::Conversion(TSensorChannel ch) const
{
    return Settings(ch).Conv;
}

bool TSensorHub::CardPresent() const
{
    return FCard && FCard->Present();
}

bool TSensorHub::LabJackPresent() const
{
    return FLabJack && FLabJack->LabJackPresent();
}

void TSensorHub::PollAnalogue()
{
    if (CardPresent()) FCard->StartSampling();
    if (LabJackPresent())
        FLabJackNewData = FLabJack->ReadLabJack(GetActiveChannels(), FLabJackVolts);
}

bool TSensorHub::GetSensorValues(TSensorValues& values)
{
    const bool card = CardPresent();
    if (card) {
        FCard->ReadChannels(FCardVolts);
        for (int i = 0; i < AnalogueCardInputs; ++i)
            values[elan0 + i] = Calibrated(FChannels[elan0 + i].Conv, FCardVolts[i]);
    }

    if (LabJackPresent() && FLabJackNewData)
        for (int i = 0; i < LabJackInputs; ++i)
            values[lj0 + i] = Calibrated(FChannels[lj0 + i].Conv, FLabJackVolts[i]);

    // A serial device that was found but stopped sending (or whose port went) gives no
    // values for its channels: what it sent last is no measurement now.
    const auto noValues = [&](const TSensorChannels& channels) {
        for (int ch = 0; ch < SensorChannelCount; ++ch)
            if (channels.test(ch) && FAvailable.test(ch))
                values[ch] = std::numeric_limits<double>::quiet_NaN();
    };
    if (Sends(FAP22)) {
        values[rtLat] = FAP22->LatG();
        values[rtLong] = FAP22->LongG();
    } else if (FAP22) {
        noValues(AP22Channels());
    }

    if (FInnovate && !Sends(FInnovate)) {
        noValues(InnovateChannels());
    } else if (FInnovate) {
        const IInnovateReader& r = *FInnovate;
        values[lmLambda] = r.Lambda();
        values[lmO2] = r.O2();
        values[lmAfrMult] = r.AfrMult();
        values[lmAFR] = r.AFR();
        values[lmBatVolts] = r.BatVolts();
        for (int i = 0; i < InnovateAuxInputs; ++i)
            values[lmAux0 + i] =
                Calibrated(FChannels[lmAux0 + i].Conv, r.GetLmAux(i) * InnovateAuxVoltsPerCount);
        values[lc_1_Lambda] = r.LcLambda();
        values[lc_1_O2] = r.LcO2();
        values[lc_1_AfrMult] = r.LcAfrMult();
        values[lc_1_AFR] = r.LcAFR();
        for (int i = 0; i < InnovateAuxInputs; ++i)
            values[mtsAux0 + i] =
                Calibrated(FChannels[mtsAux0 + i].Conv, r.GetMtsAux(i) * InnovateAuxVoltsPerCount);
    }

    return card || FLabJackNewData;
}

std::vector<TSensorHub::TSerialDevice> TSensorHub::SerialDevices() const
{
    std::vector<TSerialDevice> devices;
    if (FAP22 && (FAvailable & AP22Channels()).any())
        devices.push_back({QStringLiteral("The AP22 accelerometer"), FAP22->Port(),
                           FAvailable & AP22Channels(), Sends(FAP22)});
    if (FInnovate && (FAvailable & InnovateChannels()).any())
        devices.push_back({QStringLiteral("The Innovate stream"), FInnovate->Port(),
                           FAvailable & InnovateChannels(), Sends(FInnovate)});
    return devices;
}

QString TSensorHub::InnovateStatusText() const
{
    if (!FInnovate)
        return QString();
    const bool fresh = Sends(FInnovate);
    QStringList parts;
    const auto add = [&](TSensorChannel first, const char* device, int status) {
        if (!FAvailable.test(first))
            return;
        const QString name = fresh ? TLM1::StatusName(status) : QString();
        parts << QString::fromLatin1(device) + QStringLiteral(": ") +
                     (name.isEmpty() ? QStringLiteral("no data") : name);
    };
    add(lmLambda, "LM-1", FInnovate->LmStatus());
    add(lc_1_Lambda, "LC-1", FInnovate->LcStatus());
    return parts.join(QStringLiteral(", "));
}

void TSensorHub::GetActiveChannels(TSensorChannels& set) const
{
    set.reset();
    for (int n = 0; n < SensorChannelCount; ++n)
        if (FAvailable.test(n) && (!ChanInfs[n].Configurable || FChannels[n].Enabled)) set.set(n);
}

TSensorChannels TSensorHub::GetActiveChannels() const
{
    TSensorChannels set;
    GetActiveChannels(set);
    return set;
}
