#include "AP22.h"

#include <cmath>

TAP22::TAP22(QObject* parent) : TSerSensor(BaudRate, parent) {}

void TAP22::Receive(const QByteArray& chunk)
{
    RxBuffer += chunk;
    qsizetype start = 0;
    for (qsizetype cr; (cr = RxBuffer.indexOf('\r', start)) >= 0; start = cr + 1)
        TakeLine(RxBuffer.mid(start, cr - start));
    RxBuffer.remove(0, start);
    if (RxBuffer.size() > MaxLine) RxBuffer.clear();
}

void TAP22::TakeLine(QByteArray line)
{
    // Blanks and control characters at both ends go, which also drops the line feed
    // that may follow the previous carriage return.
    auto junk = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    qsizetype b = 0, e = line.size();
    while (b < e && junk(line[b]))
        ++b;
    while (e > b && junk(line[e - 1]))
        --e;
    line = line.mid(b, e - b);

    const qsizetype blank = line.indexOf(' ');
    if (blank <= 0) return;
    bool okLat = false, okLong = false;
    const double lat = line.left(blank).toDouble(&okLat);
    const double lon = line.mid(blank + 1).toDouble(&okLong);
    if (!okLat || !okLong || !std::isfinite(lat) || !std::isfinite(lon)) return;
    FLatG = lat;
    FLongG = lon;
    PacketReceived();
}
