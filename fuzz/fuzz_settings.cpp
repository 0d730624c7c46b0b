// The typed values the program reads from its settings, whatever the store holds: each input
// line "key/name=value" is put into an in-memory store ("@b:" before a value makes it
// binary), then the readers of the live-data window, the recent list, the sensor hub and the
// link read their values. A hostile store must give defaults, never a hang or a crash.
#include "DashBoardSettings.h"
#include "FuzzCommon.h"
#include "GraphModel.h"
#include "RecentFiles.h"
#include "SensorHub.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInit();
    TSettingsStore& store = TSettingsStore::Instance();
    store.OpenInMemory();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString path = line.left(eq);
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0 || slash == path.size() - 1)
            continue;
        const QString value = line.mid(eq + 1);
        if (value.startsWith(QLatin1String("@b:")))
            store.WriteBinary(path.left(slash), path.mid(slash + 1), value.mid(3).toLatin1());
        else
            store.WriteString(path.left(slash), path.mid(slash + 1), value);
    }

    TDashBoardSettings dash(store);
    TDashBoardSelection sel;
    TParamSet allParams;
    allParams.set();
    TSwitchSet allSwitches;
    allSwitches.set();
    TSensorChannels allChannels;
    allChannels.set();
    dash.LoadSelection(sel, allParams, allSwitches, allChannels);
    int sink = dash.LoadCaptureInterval() + dash.LoadDataPoints();
    if (dash.LoadCaptureInterval() <= 0 || dash.LoadDataPoints() <= 0)
        __builtin_trap();  // values that stop capture must never come out
    bool defog = false, throttle = false;
    dash.LoadTriggers(defog, throttle);
    TGraphModel graphs;
    dash.LoadGraphs(graphs);
    TDisplayUnits units;
    dash.LoadUnits(units);

    TRecentFiles recent(QStringLiteral("SOFTWARE/Morvane/Quillon/LogMRU"));
    recent.Load();
    sink += int(recent.Files().size());

    TSensorHub hub;
    hub.LoadChannelSettings();
    for (int ch = 0; ch < SensorChannelCount; ++ch) {
        sink += int(hub.GetSensorName(TSensorChannel(ch)).size());
        // A calibration that is no number would make every reading of its channel none.
        for (const TConvPoint& p : hub.Conversion(TSensorChannel(ch)).Points)
            if (!std::isfinite(p.Volts) || !std::isfinite(p.Value))
                __builtin_trap();
    }

    TFuzzLink link;  // reads the port name and x8Baud
    sink += int(link.ComPort.size());
    return sink == -1 ? 1 : 0;
}
