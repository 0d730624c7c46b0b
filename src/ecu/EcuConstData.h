#pragma once

// The definition tables: every engine parameter, switch, known ECU and trouble code.
// They are restored from the compiled-in data files by RestoreDefinitionTables()
// before any window exists and stay read-only afterwards, except for the parameter
// addresses and supported sets that identification adjusts.

#include "EcuTypes.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>
#include <vector>

struct TParamDef {
    uint8_t Tag = 0;
    QString Name;     // display name, log column heading (<= 48 chars)
    QString RawName;  // heading of the raw-value log column (<= 32 chars)
    QString Units;    // unit text (<= 8 chars)
    int Decimals = 0;
    int Offset = 0;
    double Multiplier = 1.0;
    int Size = 1;          // 1, 2 or 4 (4 = IEEE single, most significant byte first)
    int HighAddress = 0;   // high byte of a 2-byte value
    int LowAddress = 0;    // the value (low byte of a 2-byte value, first byte of a 4-byte one)
    int CapPosition = -1;  // 1-based capability byte in the identification payload; -1 = never
    int CapBit = 0;
    int Spare = 0;
    double Minimum = 0.0;
    double Maximum = 0.0;
};

struct TSwitchDef {
    QString Name;  // display name, log column heading (<= 32 chars)
    QString Extra1, Extra2, Extra3;  // short label, on-text, off-text
    int ByteAddress = 0x61;  // 0x61..0x121
    int CapPosition = -1;
    int Bit = 0;  // capability bit and the switch's bit in its byte
};

struct TEcuIdent {
    TByteArray RomId;  // 5 bytes
    QString Description;  // empty = empty slot
    QString ShortName;
    std::array<uint8_t, 8> Spare{};
};

struct TNonObdCode {
    QString Text;  // starts with the code number for a real entry
    int ByteIndex = 0;
    int Bit = 0;
};

struct TObdCode {
    QString Code;  // e.g. "P0130"
    int Field1 = 0, Field2 = 0;
    QString Description;
};

// One ECU-specific address: for the ECU indices listed, parameter Param lives at
// Address (one-byte: LowAddress; two-byte: HighAddress = Address, LowAddress = Address + 1).
struct TAddressOverride {
    std::vector<int> EcuIndices;
    TEcuParam Param;
    bool TwoBytes = false;
    int Address = 0;
};

constexpr int EcuIdCount = 269;
constexpr int NonObdCodeCount = 88;
constexpr int ObdCodeCount = 488;

extern std::array<TParamDef, EcuParamCount> ParamDefs;
extern std::array<TSwitchDef, EcuSwitchCount> SwitchDefs;
extern std::array<TEcuIdent, EcuIdCount> EcuIds;
extern std::array<TByteArray, EcuIdCount> EcuInitReplies;
extern std::array<TNonObdCode, NonObdCodeCount> NonObdCodes;
extern std::array<TObdCode, ObdCodeCount> ObdCodes;

// Fixed lists of EcuIds indices.
extern const std::vector<int> DemoEcuTypes;        // offered as demo ECU types
extern const std::vector<int> UnlistedEcuTypes;    // left out of the supported-ECU list
constexpr int DefaultDemoEcu = 84;

// ECU-specific adjustments applied after identification.
extern const std::vector<int> MapThrotAnEcus;      // epMap and epThrotAn become supported
extern const std::vector<int> TimeStampEcus;       // epGearManTS..epUC4TS become supported
extern std::vector<TAddressOverride> AddressOverrides;

// Restores every table from the compiled-in data. Safe to call more than once (later
// calls restore the original addresses). Throws Exception on malformed data.
void RestoreDefinitionTables();

// The same from data files delivered by readFile (called with names such as "params.tsv").
// The tables are only replaced when every file is well formed.
using TTableReader = std::function<QByteArray(const QString& fileName)>;
void RestoreDefinitionTables(const TTableReader& readFile);
// The compiled-in text of one data file; throws Exception when it is missing.
QByteArray ReadBuiltInTable(const QString& fileName);

// The enumerators' identifiers as dash screen files spell them ("epEngspd", "esDefogSw"):
// empty for an index out of range, -1 for a name that is not one (exact spelling).
QString EcuParamIdent(int param);
int EcuParamFromIdent(const QString& ident);
QString EcuSwitchIdent(int sw);
int EcuSwitchFromIdent(const QString& ident);
