#include "AdjustCodings.h"

#include "NumFormat.h"

#include <algorithm>

namespace {
uint8_t Clamp(long long v)
{
    return static_cast<uint8_t>(std::clamp<long long>(v, 0, 255));
}
int Signed(uint32_t raw, int zero)
{
    return static_cast<int>(raw) - zero;
}
} // namespace

uint8_t RetardByte(int degrees)
{
    return static_cast<uint8_t>(degrees);
}

int RetardDegrees(uint32_t raw)
{
    return static_cast<int>(raw);
}

uint8_t IdleByte(int rpm)
{
    return static_cast<uint8_t>((rpm / 25 + 128) & 0xFF);
}

int IdleRpm(uint32_t raw)
{
    return Signed(raw, 128) * 25;
}

uint8_t RevAdjustByte(int rpm)
{
    return Clamp(rpm / 50 + 128);
}

int RevAdjustRpm(uint32_t raw)
{
    return Signed(raw, 128) * 50;
}

uint8_t IgnAddByte(double degrees)
{
    return Clamp(RoundHalfEven(degrees * 256.0 / 90.0) + 128);
}

double IgnAddDegrees(uint32_t raw)
{
    return Signed(raw, 128) * 90.0 / 256.0;
}

uint8_t ScalingByte(int percent)
{
    return Clamp(static_cast<long long>(percent) * 128 / 100);
}

int ScalingPercent(uint32_t raw)
{
    return static_cast<int>(RoundHalfEven(static_cast<double>(raw) * 100.0 / 128.0));
}

uint8_t BoostAddByte(double bar)
{
    return Clamp(RoundHalfEven(bar / 0.155 * 14.5 * 4.0) + 128);
}

double BoostAddBar(uint32_t raw)
{
    return Signed(raw, 128) * 0.155 / 14.5 / 4.0;
}

uint8_t VVTAddByte(double degrees)
{
    return Clamp(RoundHalfEven(degrees * 8.0 * 256.0 / 180.0) + 128);
}

int VVTAddDegrees(uint32_t raw)
{
    return static_cast<int>(RoundHalfEven(Signed(raw, 128) * 180.0 / 256.0 / 8.0));
}

uint8_t ControlByte(bool dutyMapB, bool boostMapB, bool revLimitB)
{
    return static_cast<uint8_t>((dutyMapB ? 0x80 : 0) | (boostMapB ? 0x40 : 0) |
                                (revLimitB ? 0x20 : 0));
}

QString TuningReadingText(TEcuParam param, uint32_t raw)
{
    const double r = static_cast<double>(raw);
    switch (param) {
    case epEngspd:
        return QString::number(raw / 4);
    case epIgntim:
    case epKnockcor:
        return FormatFixed(Signed(raw, 128) / 2.0, 1);
    case epMap:
        return FormatFixed(r * 37.0 / 255.0 / 14.5, 3);
    case epPrictrl:
        return FormatFixed(r / 2.55, 1);
    case epFinjpw:
        return FormatFixed(r * 0.256, 1);
    case epVVTAAAL:
    case epVVTAAAR:
        return FormatFixed(Signed(raw, 50), 1);
    default:
        return QString();
    }
}
