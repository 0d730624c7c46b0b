#pragma once

// The live-data window's keys in the settings store, under
// "SOFTWARE/Morvane/Quillon/Dashboard". The window reads them once when it is created and
// writes them when it is destroyed; a missing or unreadable value gives its default.
#include "DisplayUnits.h"
#include "EcuTypes.h"
#include "GraphModel.h"
#include "SensorTypes.h"

#include <QString>

class TSettingsStore;

struct TDashBoardSelection {
    TParamSet Analogue;       // ticked parameters
    TSwitchSet Digital;       // ticked switches
    TSensorChannels External; // ticked channels
};

class TDashBoardSettings {
  public:
    static constexpr const char* Root = "SOFTWARE/Morvane/Quillon/Dashboard";
    static constexpr int DefaultCaptureInterval = 100;
    static constexpr int DefaultDataPoints = 500;
    static constexpr int FastestCaptureInterval = 20;  // the fastest rate offered

    explicit TDashBoardSettings(TSettingsStore& store) : FStore(store) {}

    // Only supported parameters, supported switches and available channels are read and
    // written; a missing value keeps the tick the item already has (epEngspd is ticked by
    // creation), the others are left alone.
    void LoadSelection(TDashBoardSelection& sel, const TParamSet& supported,
                       const TSwitchSet& supportedSwitches, const TSensorChannels& available) const;
    void SaveSelection(const TDashBoardSelection& sel, const TParamSet& supported,
                       const TSwitchSet& supportedSwitches, const TSensorChannels& available);

    // Any positive value is used, even one no rate item offers; 0 or less (a timer that
    // never ticks, or polls without a pause) reads as the fastest rate offered.
    int LoadCaptureInterval() const;
    void SaveCaptureInterval(int ms);
    // 0 or less (empty graphs, or a hang at the first reply) reads as the default.
    int LoadDataPoints() const;
    void SaveDataPoints(int points);

    // Check marks of the two logging triggers; the window calls these only outside demo mode.
    void LoadTriggers(bool& onDefog, bool& onFullThrottle) const;
    void SaveTriggers(bool onDefog, bool onFullThrottle);

    void LoadGraphs(TGraphModel& model) const; // the sources only; clear flags untouched
    void SaveGraphs(const TGraphModel& model);

    // As if each stored option were clicked in menu order: the last stored speed item wins.
    void LoadUnits(TDisplayUnits& units) const;
    void SaveUnits(const TDisplayUnits& units);

    static QString Key(const char* sub);

  private:
    TSettingsStore& FStore;
};
