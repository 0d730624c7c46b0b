#pragma once

// What the simulated sensors send: AP22 text lines and Innovate packets, built from
// engineering values the way the devices encode them.

#include <QByteArray>

#include <array>

namespace SensorStreams {

// "lat long" in G with a carriage return.
QByteArray AP22Line(double latG, double longG);

// A 16-byte LM-1 packet. f: function code 0..15; afrMult: e.g. 14.7; lambdaWord: the
// 13-bit field (lambda x 1000 - 500 when f = 0); supplyVolts through factor k.
QByteArray LM1Packet(int f, double afrMult, int lambdaWord, double supplyVolts,
                     const std::array<int, 5>& aux);
// A 4-byte LC-1 sub-packet.
QByteArray LC1Packet(int f, double afrMult, int lambdaWord);
// One MT1 auxiliary word, count 0..1023.
QByteArray AuxWord(int count);
// A chained packet around sub-packets (an even number of bytes, at most 255 words).
QByteArray Chained(const QByteArray& body);

// The lambda word of a lambda value under function code 0.
int LambdaWord(double lambda);

} // namespace SensorStreams
