#pragma once

// Axis helpers shared by the program's 2-D charts (QCustomPlot).

#include <qcustomplot.h>

// Tick labels in the picture "###0.##": no exponents, no thousands separators, at most
// two decimals with trailing zeros dropped.
class TPictureTicker : public QCPAxisTicker {
public:
    explicit TPictureTicker(int maxDecimals = 2) : FDecimals(maxDecimals) {}

protected:
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override;

private:
    int FDecimals;
};

// Gives the axis the "###0.##" labels.
void UsePictureLabels(QCPAxis* axis, int maxDecimals = 2);

// The value range that holds every point of the graphs (those with data), widened by a
// margin on both sides so that the highest and lowest points stay off the frame. A flat
// trace gets a band around its value. False when no graph has a point.
bool FitValueRange(const QList<QCPGraph*>& graphs, QCPRange& range, double marginFraction = 0.05);
