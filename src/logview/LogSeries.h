#pragma once

// A line with point markers over values that live elsewhere (the viewer's one copy of
// the log), so a graph costs no memory of its own. Rows begin..end-1 are drawn. With keys
// in ascending order only the visible rows are looked at, and where there are more of
// them than pixels each pixel column is drawn from its first, lowest, highest and last
// value: an hour of data draws in the time of a screen width. A row whose key or value is
// NaN (no value) is passed over: it is not drawn, found or counted in a range.

#include <qcustomplot.h>

#include <cmath>

class TLogSeries : public QCPAbstractPlottable {
  public:
    TLogSeries(QCPAxis* keyAxis, QCPAxis* valueAxis);

    // The arrays must outlive the series (or be replaced before it draws again).
    void SetData(const double* keys, const double* values, int begin, int end, bool keysAscending);
    void Clear() { SetData(nullptr, nullptr, 0, 0, true); }
    int Begin() const { return FBegin; }
    int End() const { return FEnd; }
    double Key(int row) const { return FKeys[row]; }
    double Value(int row) const { return FValues[row]; }

    // The highlighted point (drawn in red), or -1.
    void SetMarked(int row) { FMarked = row; }
    int Marked() const { return FMarked; }

    // The row whose marker is nearest to a pixel position, within maxDistance pixels;
    // -1 when there is none.
    int NearestRow(const QPointF& pixel, double maxDistance, double* distance = nullptr) const;
    QPointF RowPixel(int row) const;

    double selectTest(const QPointF&, bool, QVariant* = nullptr) const override { return -1; }
    QCPRange getKeyRange(bool& foundRange,
                         QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange& inKeyRange = QCPRange()) const override;

  protected:
    void draw(QCPPainter* painter) override;
    void drawLegendIcon(QCPPainter*, const QRectF&) const override {}

  private:
    // Rows that may show for the key axis range (all of them when keys are unordered).
    void VisibleRows(int& from, int& to) const;
    bool Drawable(int row) const { return !std::isnan(FKeys[row]) && !std::isnan(FValues[row]); }
    // Smallest and largest key or value of the drawable rows.
    QCPRange Extremes(const double* of, bool& foundRange) const;

    const double* FKeys = nullptr;
    const double* FValues = nullptr;
    int FBegin = 0, FEnd = 0;
    bool FAscending = true;
    int FMarked = -1;
};
