#pragma once

// quillon-ecu-sim's body: the emulated ECU (TFakeEcu, the same model as demo mode) on the
// ECU's end of a serial line (TSimEcuInterface), its start-up options, and a small command
// channel on standard input so that a test can change faults while it runs.

#include "FakeEcu.h"
#include "FakeScenario.h"
#include "SimEcuInterface.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QSocketNotifier;

struct TEcuSimOptions {
    QString Port;                  // a serial device; empty: a new pseudo-terminal
    int EcuType = -1;              // EcuIds index; -1: the default demo ECU
    QStringList Codes;             // current trouble codes ("P0301", or "11" for Subaru codes)
    QStringList HistoricCodes;
    int DelayMs = 0;               // added before every reply
    TFakeEcuFaults Faults;         // from the start
    std::optional<uint32_t> Seed;
    bool Verbose = false;          // every request and emulator message on standard error
    TScenario Scenario = scRandom; // what the engine does
    int RoadTestGear = 3;
};

class TEcuSimulator : public QObject {
    Q_OBJECT
public:
    TEcuSimulator();
    ~TEcuSimulator() override;

    // Opens the line and sets the ECU up; returns the device the tester should open.
    // Raises Exception for a bad option or a port that cannot be opened.
    QString Start(const TEcuSimOptions& options);

    // One command line: "fault silent|checksum|short|none [COUNT]", "delay MS",
    // "code CODE", "historic CODE", "ecu INDEX", "quit". Returns the answer to print
    // ("ok ..." or "error ...").
    QString Command(const QString& line);
    // Reads commands from standard input and prints their answers on standard output.
    void ListenToStdin();

    TFakeEcu& Ecu() { return *FEcu; }
    TSimEcuInterface& Link() { return *FLink; }

    // A trouble code by its text: an OBD code ("P0301") or a Subaru code number ("11").
    // Returns the list and the code index, or nothing.
    static std::optional<std::pair<TFakeCodeList, int>> FindCode(const QString& code, bool historic);

private:
    void SetCode(const QString& code, bool historic);
    void ApplyFaults();

    std::unique_ptr<TSimEcuInterface> FLink;
    std::unique_ptr<TFakeEcu> FEcu;
    TFakeEcuFaults FFaults;
    int FDelayMs = 0;
    QSocketNotifier* FStdin = nullptr;
    QByteArray FStdinBuffer;
};
