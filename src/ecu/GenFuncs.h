#pragma once

// Small helpers shared across the program.
#include "EcuTypes.h"

#include <QString>

// Bytes in groups of n, each group most significant byte first as 2n upper-case hex
// digits and a blank; a trailing partial group is ignored.
QString HexDump(const TByteArray& bytes, int n = 1);
// The same groups, k per line; each line "$" + 4-digit hex of (start + group index) +
// four blanks; lines joined with CR LF.
QString HexDumpAddr(const TByteArray& bytes, int n, int k, int start = 0);

bool BitTest(uint8_t b, int k);
void BitSet(uint8_t& b, int k, bool on);
uint16_t Swap16(uint16_t v);
uint32_t Swap32(uint32_t v);

// 3-byte big-endian ECU address strings.
TByteArray AddrToString(uint32_t address);
uint32_t StringToAddr(const TByteArray& bytes);  // throws Exception unless 3 bytes

TByteArray BufferToBytes(const void* buffer, int n);
void BytesToBuffer(const TByteArray& bytes, void* buffer, int n);

// A bool from the settings store; missing or unreadable gives false.
bool ReadBoolSetting(const QString& key, const QString& name);
