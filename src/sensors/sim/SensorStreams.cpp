#include "SensorStreams.h"

#include <algorithm>
#include <cmath>

namespace SensorStreams {

namespace {

int Clamp(long v, int hi)
{
    return int(std::clamp<long>(v, 0, hi));
}

} // namespace

QByteArray AP22Line(double latG, double longG)
{
    return QByteArray::number(latG, 'f', 3) + ' ' + QByteArray::number(longG, 'f', 3) + '\r';
}

int LambdaWord(double lambda)
{
    return Clamp(std::lround(lambda * 1000 - 500), 8191);
}

QByteArray LM1Packet(int f, double afrMult, int lambdaWord, double supplyVolts,
                     const std::array<int, 5>& aux)
{
    const int af = Clamp(std::lround(afrMult * 10), 255);
    const int l = Clamp(lambdaWord, 8191);
    const int k = 3; // supply volts = V x 5 x K / 1023
    const int v = Clamp(std::lround(supplyVolts * 1023 / (5.0 * k)), 1023);
    QByteArray p;
    p += char(0x80 | ((f & 15) << 2) | (af >> 7));
    p += char(af & 0x7F);
    p += char((l >> 7) & 0x3F);
    p += char(l & 0x7F);
    p += char((k << 3) | (v >> 7));
    p += char(v & 0x7F);
    for (int a : aux) {
        const int c = Clamp(a, 1023);
        p += char(c >> 7);
        p += char(c & 0x7F);
    }
    return p;
}

QByteArray LC1Packet(int f, double afrMult, int lambdaWord)
{
    const int af = Clamp(std::lround(afrMult * 10), 255);
    const int l = Clamp(lambdaWord, 8191);
    QByteArray p;
    // Bit 1 of the first byte is always set by the device.
    p += char(0x42 | ((f & 7) << 2) | (af >> 7));
    p += char(af & 0x7F);
    p += char((l >> 7) & 0x3F);
    p += char(l & 0x7F);
    return p;
}

QByteArray AuxWord(int count)
{
    const int c = Clamp(count, 1023);
    QByteArray p;
    p += char(c >> 7);
    p += char(c & 0x7F);
    return p;
}

QByteArray Chained(const QByteArray& body)
{
    const int words = std::min<int>(int(body.size() / 2), 255);
    QByteArray p;
    // As the devices frame it: bits 7, 5, 4 and 1 of the first header byte set, and bit 7
    // of the second.
    p += char(0xB2 | ((words >> 7) & 1));
    p += char(0x80 | (words & 0x7F));
    return p + body.left(words * 2);
}

} // namespace SensorStreams
