#pragma once

// The command line of quillon-log, parsed and checked before anything is opened.

#include "DisplayUnits.h"
#include "EcuTypes.h"

#include <QString>
#include <QStringList>

#include <optional>

// Rotation within bounds that keep the byte count and the time finite and a file longer
// than a line or two.
constexpr double MinRotateSizeMb = 0.001, MaxRotateSizeMb = 100000;
constexpr double MinRotateTimeMin = 0.1, MaxRotateTimeMin = 525600;  // six seconds to a year

struct TLoggerOptions {
    QString Port;          // --port DEVICE
    bool Demo = false;     // --demo: the emulated ECU
    int DemoEcu = -1;      // --ecu INDEX with --demo; -1 the default one
    QString Scenario;      // --scenario NAME with --demo
    QString SettingsFile;  // --settings FILE: the live-data window's selection and units
    TParamSet Params;      // --param
    TSwitchSet Switches;   // --switch
    bool UnitsGiven = false;
    TDisplayUnits Units;   // --units
    int IntervalMs = -1;   // --interval; -1: from the settings, else 100
    bool Fast = false;     // --fast
    QString LogDir;        // --log-dir
    bool TriggerDefog = false, TriggerThrottle = false;
    double RotateSizeMb = 0;   // 0: never
    double RotateTimeMin = 0;  // 0: never
    bool Status = false;
    bool Retry = false;
};

struct TLoggerParse {
    std::optional<TLoggerOptions> Options;  // empty: Error says why, or help was asked for
    QString Error;                          // for standard error; exit code 2
    QString Help;                           // --help: for standard output; exit code 0
};

TLoggerParse ParseLoggerOptions(const QStringList& arguments);

// Makes the folder for the logs with its parents and tries a file in it, before any port is
// opened: empty when logs can be written there, else the system's reason ("Read-only file
// system"), with the folder that failed.
QString CheckLogFolder(const QString& dir);

// A parameter or switch by its name in the definitions or its identifier ("epEngspd",
// "Engine Speed"), ignoring case; -1 when nothing matches. CloseMatches names the nearest
// ones for the error message.
int FindParamByName(const QString& name);
int FindSwitchByName(const QString& name);
QStringList CloseParamMatches(const QString& name);
QStringList CloseSwitchMatches(const QString& name);
