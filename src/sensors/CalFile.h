#pragma once

// Calibration points of one sensor channel and the ".cal" file they are exchanged in:
// a header line "name,units" (split at its last comma), then one "volts,value" line per
// point, "." decimals, Windows-1252 text with CR LF.

#include "SensorTypes.h"

#include <QByteArray>
#include <QString>

#include <vector>

// Inserts the point after every point with lower or equal volts, so the list stays
// ascending (equal volts go beside the existing point). Returns its index.
int AddCalPoint(std::vector<TConvPoint>& points, float volts, float value);

struct TCalFile {
    QString Name;
    QString Units;
    std::vector<TConvPoint> Points; // ascending in volts
};

struct TCalReadResult {
    bool Ok = false;
    QString Error; // with the line number, when refused
    TCalFile File;
};

// Far more than any sensor needs; bounds what a foreign file can make us hold.
constexpr int MaxCalPoints = 10000;
constexpr qsizetype MaxCalFileBytes = 1 << 20;

// Sorts the points by volts; refuses a bad line or two points with the same volts.
TCalReadResult ReadCalFile(const QByteArray& bytes);
QByteArray WriteCalFile(const TCalFile& file);
