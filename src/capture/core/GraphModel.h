#pragma once

// What the four live graphs of the live-data window show: the source of each graph's two
// traces, the rules of the graph menu, the initial assignment and the stored form. The
// window owns the plots and calls this for every decision about sources.
#include "DisplayUnits.h"
#include "EcuTypes.h"
#include "SensorTypes.h"

#include <QString>

#include <array>
#include <functional>
#include <vector>

constexpr int GraphCount = 4;
// Source codes: a parameter index below 197, 197 + channel for an external channel;
// anything else means no source, 255 by convention.
constexpr int FreeSource = 255;
constexpr int ChannelSourceBase = 197;
constexpr int ChannelSourceEnd = ChannelSourceBase + SensorChannelCount; // one past the last

struct TGraphTrace {
    int Source = FreeSource;
    bool Clear = false; // empty the series at the next graph update
    bool IsFree() const { return Source == FreeSource; }
};

struct TGraphSources {
    TGraphTrace A, B;
};

using TChannelText = std::function<QString(int ch)>;

class TGraphModel {
  public:
    std::array<TGraphSources, GraphCount> Graphs;
    TParamSet Supported;
    TSensorChannels Available;

    static bool IsParamSource(int code) { return code >= 0 && code < EcuParamCount; }
    static bool IsChannelSource(int code)
    {
        return code >= ChannelSourceBase && code < ChannelSourceEnd;
    }
    // A source that can be shown: a supported parameter or an available channel.
    bool IsValidSource(int code) const;

    // The graph menu's codes in menu order: supported parameters in display order, then
    // the available channels.
    std::vector<int> MenuCodes() const;
    // Items 17, 33, 49, ... (counted from 1) start a new menu column of 16.
    static bool MenuColumnBreak(int itemNumber1Based);
    bool MenuItemChecked(int graph, int code) const;
    // A parameter item needs the parameter in the request (analogueSet); a channel item
    // needs the channel available.
    bool MenuItemEnabled(int code, const TParamSet& analogueSet) const;
    // A click on the graph's menu item: the graph then shows exactly the checked items (at
    // most two, the first one in menu order dropped for a third); an item that stays
    // checked keeps its trace, a new item takes the free trace, A before B, and is cleared.
    void MenuItemClick(int graph, int code);

    // Every trace showing the parameter (channel) becomes free and is cleared; the graphs
    // touched are appended to changedGraphs when given.
    void FreeParam(int p, std::vector<int>* changedGraphs);
    void FreeChannel(int ch, std::vector<int>* changedGraphs);
    // At window creation, after the stored graphs are loaded: give each ticked supported
    // parameter, in index order, a graph that has nothing valid to show.
    void InitialAssign(const TParamSet& tickedSupported);

    // "<name> (<unit>)" of a trace, empty when its source is free or cannot be shown.
    QString TraceText(const TGraphTrace& trace, const TDisplayUnits& units,
                      const TChannelText& channelName, const TChannelText& channelUnits) const;
    // The graph's title; a trace without text becomes free on the way.
    QString Caption(int graph, const TDisplayUnits& units, const TChannelText& channelName,
                    const TChannelText& channelUnits);

    // Stored form: bits 0-7 trace A's code, bits 8-15 trace B's, 255 for a free trace; a
    // graph with only trace B is stored (and so restored) with it as trace A.
    static int Encode(const TGraphSources& g);
    static TGraphSources Decode(int value);

    void MarkAllClear();
};

// The common time-axis minimum of the graphs: the last 10 seconds at least, and everything
// still held (oldestTimes: the first abscissa of every series that has points).
double TimeAxisMinimum(double t, const std::vector<double>& oldestTimes);
