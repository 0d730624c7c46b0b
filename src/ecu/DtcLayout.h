#pragma once

// Where an ECU keeps its trouble codes and how a code is named in a list. Each trouble-code
// byte holds eight codes, bit 0 first. Without OBD codes there is one 11-byte block; with
// them a 32-byte standard block and up to five extra groups, whose code numbers are fixed
// whether or not the groups before them are present. Every block has a current and a
// historic copy at its own addresses.

#include "EcuTypes.h"

#include <QString>

#include <array>

class TEcuInterface;

struct TDtcGroup {
    int FirstCode;
    int Bytes;
    uint32_t Current;  // address of the first byte of the current codes
    uint32_t Historic; // the same for the historic codes
};

constexpr TDtcGroup NonObdDtcBlock{0, 11, 0x00008E, 0x0000A4};
constexpr TDtcGroup ObdDtcBlock{0, 32, 0x00008E, 0x0000AE};

// The extra OBD groups, in reading order, by the link flags DtcGroup4, DtcGroup8,
// DtcGroup5a, DtcGroup5b and DtcGroup7.
enum TDtcGroupIndex : int { dg4 = 0, dg8 = 1, dg5a = 2, dg5b = 3, dg7 = 4 };
constexpr int DtcGroupCount = 5;
constexpr std::array<TDtcGroup, DtcGroupCount> ObdDtcGroups{{
    {256, 4, 0x0000F0, 0x0000F4},
    {288, 8, 0x000123, 0x00012B},
    {352, 5, 0x000150, 0x000155},
    {392, 5, 0x000160, 0x000165},
    {432, 7, 0x000174, 0x00017B},
}};

// An ECU's trouble-code layout, as the identification reply gives it.
struct TDtcLayout {
    bool Obd = false;
    std::array<bool, DtcGroupCount> Groups{}; // meaningful only with Obd

    static TDtcLayout FromLink(const TEcuInterface& link);
    static TDtcLayout NonObd() { return {}; }
    static TDtcLayout ObdWith(std::initializer_list<TDtcGroupIndex> groups);

    // The addresses of the standard block (11 or 32), and of the extra groups present in
    // reading order (empty without OBD codes).
    TLongWordArray StandardAddresses(bool current) const;
    TLongWordArray ExtendedAddresses(bool current) const;
    // The code number of bit `bit` of byte `position` of such a list.
    int StandardCode(int position, int bit) const { return 8 * position + bit; }
    int ExtendedCode(int position, int bit) const;
};

// Characters of a list entry at most: an OBD code and its description, a non-OBD text.
constexpr int ObdDtcEntryLength = 89;
constexpr int NonObdDtcEntryLength = 67;

// The list entry of a code: with OBD codes "code description" (the description alone for a
// code without a code string), else the non-OBD text; cut to the lengths above. Empty for a
// code number outside the table.
QString DtcEntryText(bool obd, int code);
