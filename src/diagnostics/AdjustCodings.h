#pragma once

// The byte codings of the ECU's adjustment bytes (0x06F..0x07F) and of the live-tuning
// readings. "div" truncates towards zero, rounding sends halves to the even neighbour, and
// a computed byte outside 0..255 is clamped, except the idle bytes, which wrap as the ECU
// reads them.

#include "EcuTypes.h"

#include <QString>

#include <cstdint>

namespace AdjustAddr {
constexpr uint32_t IgnRetard = 0x00006F;
constexpr uint32_t Idle = 0x000070;
constexpr uint32_t IdleAC = 0x000071;
constexpr uint32_t TuneCheck = 0x000076; // "U" when the ECU runs the live-tuning software
constexpr uint32_t TuneMask = 0x000077;  // the adjustment groups it offers
constexpr uint32_t ControlBits = 0x000078;
constexpr uint32_t IgnAdd = 0x000079;
constexpr uint32_t LearnScaling = 0x00007A;
constexpr uint32_t BoostAdd = 0x00007B;
constexpr uint32_t DutyScale = 0x00007C;
constexpr uint32_t RevAdjust = 0x00007D;
constexpr uint32_t FuelScaling = 0x00007E;
constexpr uint32_t VVTAdd = 0x00007F;
} // namespace AdjustAddr

// Ignition retard: the degrees themselves.
uint8_t RetardByte(int degrees);
int RetardDegrees(uint32_t raw);

// Idle offsets: (RPM div 25 + 128) mod 256; read back as (raw - 128) * 25.
uint8_t IdleByte(int rpm);
int IdleRpm(uint32_t raw);
// The idle offsets live tuning can set (its controls' range, -300..1500 RPM).
constexpr int TunedIdleMin = -300;
constexpr int TunedIdleMax = 1500;
constexpr bool IsTunedIdleRpm(int rpm)
{
    return rpm >= TunedIdleMin && rpm <= TunedIdleMax;
}

// Live tuning.
uint8_t RevAdjustByte(int rpm);     // clamp(RPM div 50 + 128)
int RevAdjustRpm(uint32_t raw);     // (raw - 128) * 50
uint8_t IgnAddByte(double degrees); // clamp(round(degrees * 256 / 90) + 128)
double IgnAddDegrees(uint32_t raw); // (raw - 128) * 90 / 256
uint8_t ScalingByte(int percent);   // clamp(percent * 128 div 100): learning, fuel, duty
int ScalingPercent(uint32_t raw);   // round(raw * 100 / 128)
uint8_t BoostAddByte(double bar);   // clamp(round(bar / 0.155 * 14.5 * 4) + 128)
double BoostAddBar(uint32_t raw);   // (raw - 128) * 0.155 / 14.5 / 4
uint8_t VVTAddByte(double degrees); // clamp(round(degrees * 8 * 256 / 180) + 128)
int VVTAddDegrees(uint32_t raw);    // round((raw - 128) * 180 / 256 / 8)
// The map and rev-limit choice: bit 7 duty map B, bit 6 boost map B, bit 5 rev limit B.
uint8_t ControlByte(bool dutyMapB, bool boostMapB, bool revLimitB);

// The text of a live-tuning reading from its raw value: epEngspd, epIgntim, epMap,
// epPrictrl, epFinjpw, epKnockcor, epVVTAAAL, epVVTAAAR. Empty for another parameter.
QString TuningReadingText(TEcuParam param, uint32_t raw);
