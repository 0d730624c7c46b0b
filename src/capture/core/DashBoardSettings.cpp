#include "DashBoardSettings.h"

#include "Settings.h"

namespace {

const char* const SpeedNames[] = {"VehSpdKMH", "VehSpdMPH", "VehSpdKMHSC", "VehSpdMPHSC"};
const TSpeedUnit SpeedUnits[] = {vsKMH, vsMPH, vsKMHSC, vsMPHSC};

template <size_t N>
void LoadBits(const TSettingsStore& store, const QString& key, std::bitset<N>& bits,
              const std::bitset<N>& allowed, int count)
{
    for (int i = 0; i < count; ++i)
        if (allowed.test(i)) bits.set(i, store.ReadBool(key, QString::number(i), bits.test(i)));
}

template <size_t N>
void SaveBits(TSettingsStore& store, const QString& key, const std::bitset<N>& bits,
              const std::bitset<N>& allowed, int count)
{
    for (int i = 0; i < count; ++i)
        if (allowed.test(i)) store.WriteBool(key, QString::number(i), bits.test(i));
}

} // namespace

QString TDashBoardSettings::Key(const char* sub)
{
    return QString::fromLatin1(Root) + QLatin1Char('/') + QString::fromLatin1(sub);
}

void TDashBoardSettings::LoadSelection(TDashBoardSelection& sel, const TParamSet& supported,
                                       const TSwitchSet& supportedSwitches,
                                       const TSensorChannels& available) const
{
    LoadBits(FStore, Key("Analogue"), sel.Analogue, supported, EcuParamCount);
    LoadBits(FStore, Key("Digital"), sel.Digital, supportedSwitches, EcuSwitchCount);
    LoadBits(FStore, Key("External"), sel.External, available, SensorChannelCount);
}

void TDashBoardSettings::SaveSelection(const TDashBoardSelection& sel, const TParamSet& supported,
                                       const TSwitchSet& supportedSwitches,
                                       const TSensorChannels& available)
{
    SaveBits(FStore, Key("Analogue"), sel.Analogue, supported, EcuParamCount);
    SaveBits(FStore, Key("Digital"), sel.Digital, supportedSwitches, EcuSwitchCount);
    SaveBits(FStore, Key("External"), sel.External, available, SensorChannelCount);
}

int TDashBoardSettings::LoadCaptureInterval() const
{
    const int ms = FStore.ReadInteger(Key("Capture"), QStringLiteral("CaptureIntervalMilliseconds"),
                                      DefaultCaptureInterval);
    return ms > 0 ? ms : FastestCaptureInterval;
}

void TDashBoardSettings::SaveCaptureInterval(int ms)
{
    FStore.WriteInteger(Key("Capture"), QStringLiteral("CaptureIntervalMilliseconds"), ms);
}

int TDashBoardSettings::LoadDataPoints() const
{
    const int points = FStore.ReadInteger(Key("Capture"), QStringLiteral("CaptureWindowSize"),
                                          DefaultDataPoints);
    return points > 0 ? points : DefaultDataPoints;
}

void TDashBoardSettings::SaveDataPoints(int points)
{
    FStore.WriteInteger(Key("Capture"), QStringLiteral("CaptureWindowSize"), points);
}

void TDashBoardSettings::LoadTriggers(bool& onDefog, bool& onFullThrottle) const
{
    onDefog = FStore.ReadBool(Key("Capture"), QStringLiteral("LogOnDefogSwitch"), false);
    onFullThrottle = FStore.ReadBool(Key("Capture"), QStringLiteral("LogOnFullThrottle"), false);
}

void TDashBoardSettings::SaveTriggers(bool onDefog, bool onFullThrottle)
{
    FStore.WriteBool(Key("Capture"), QStringLiteral("LogOnDefogSwitch"), onDefog);
    FStore.WriteBool(Key("Capture"), QStringLiteral("LogOnFullThrottle"), onFullThrottle);
}

void TDashBoardSettings::LoadGraphs(TGraphModel& model) const
{
    for (int g = 0; g < GraphCount; ++g) {
        const TGraphSources stored = TGraphModel::Decode(
            FStore.ReadInteger(Key("Graph"), QStringLiteral("Graph%1").arg(g + 1), 0xFFFF));
        model.Graphs[g].A.Source = stored.A.Source;
        model.Graphs[g].B.Source = stored.B.Source;
    }
}

void TDashBoardSettings::SaveGraphs(const TGraphModel& model)
{
    for (int g = 0; g < GraphCount; ++g)
        FStore.WriteInteger(Key("Graph"), QStringLiteral("Graph%1").arg(g + 1),
                            TGraphModel::Encode(model.Graphs[g]));
}

void TDashBoardSettings::LoadUnits(TDisplayUnits& units) const
{
    const QString key = Key("Units");
    // A stored true checks its item (they are all unchecked at creation); false leaves it.
    if (FStore.ReadBool(key, QStringLiteral("InjDuty"))) units.InjDuty = true;
    if (FStore.ReadBool(key, QStringLiteral("Temp"))) units.Temp = true;
    if (FStore.ReadBool(key, QStringLiteral("Pressure"))) units.Pressure = true;
    if (FStore.ReadBool(key, QStringLiteral("Oxygen"))) units.Oxygen = true;
    for (int i = 0; i < 4; ++i)
        if (FStore.ReadBool(key, QString::fromLatin1(SpeedNames[i]))) units.Speed = SpeedUnits[i];
}

void TDashBoardSettings::SaveUnits(const TDisplayUnits& units)
{
    const QString key = Key("Units");
    FStore.WriteBool(key, QStringLiteral("InjDuty"), units.InjDuty);
    FStore.WriteBool(key, QStringLiteral("Temp"), units.Temp);
    FStore.WriteBool(key, QStringLiteral("Pressure"), units.Pressure);
    FStore.WriteBool(key, QStringLiteral("Oxygen"), units.Oxygen);
    for (int i = 0; i < 4; ++i)
        FStore.WriteBool(key, QString::fromLatin1(SpeedNames[i]), units.Speed == SpeedUnits[i]);
}
