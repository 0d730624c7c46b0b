#include "LogSeries.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A marker is drawn at every point only while points stand at least this far apart.
constexpr double MarkerPitch = 4;
constexpr double MarkerSize = 3;

} // namespace

TLogSeries::TLogSeries(QCPAxis* keyAxis, QCPAxis* valueAxis)
    : QCPAbstractPlottable(keyAxis, valueAxis)
{
    setAntialiased(false);
}

void TLogSeries::SetData(const double* keys, const double* values, int begin, int end,
                         bool keysAscending)
{
    FKeys = keys;
    FValues = values;
    FBegin = keys && values ? begin : 0;
    FEnd = keys && values ? std::max(begin, end) : 0;
    FAscending = keysAscending;
    FMarked = -1;
}

QCPRange TLogSeries::Extremes(const double* of, bool& foundRange) const
{
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (int r = FBegin; r < FEnd; ++r)
        if (Drawable(r)) {
            lo = std::min(lo, of[r]);
            hi = std::max(hi, of[r]);
        }
    foundRange = lo <= hi;
    return foundRange ? QCPRange(lo, hi) : QCPRange();
}

QCPRange TLogSeries::getKeyRange(bool& foundRange, QCP::SignDomain) const
{
    return Extremes(FKeys, foundRange);
}

QCPRange TLogSeries::getValueRange(bool& foundRange, QCP::SignDomain, const QCPRange&) const
{
    return Extremes(FValues, foundRange);
}

void TLogSeries::VisibleRows(int& from, int& to) const
{
    from = FBegin;
    to = FEnd;
    if (!FAscending || FEnd <= FBegin) return;
    const QCPRange range = keyAxis()->range();
    from = int(std::lower_bound(FKeys + FBegin, FKeys + FEnd, range.lower) - FKeys);
    to = int(std::upper_bound(FKeys + FBegin, FKeys + FEnd, range.upper) - FKeys);
    // One more on each side, so the line runs on to the edges.
    from = std::max(FBegin, from - 1);
    to = std::min(FEnd, to + 1);
}

QPointF TLogSeries::RowPixel(int row) const
{
    return QPointF(keyAxis()->coordToPixel(FKeys[row]), valueAxis()->coordToPixel(FValues[row]));
}

int TLogSeries::NearestRow(const QPointF& pixel, double maxDistance, double* distance) const
{
    if (!keyAxis() || !valueAxis() || FEnd <= FBegin) return -1;
    int from = FBegin, to = FEnd;
    if (FAscending) {
        // Only the keys within reach of the pixel column.
        const double a = keyAxis()->pixelToCoord(pixel.x() - maxDistance);
        const double b = keyAxis()->pixelToCoord(pixel.x() + maxDistance);
        from = int(std::lower_bound(FKeys + FBegin, FKeys + FEnd, std::min(a, b)) - FKeys);
        to = int(std::upper_bound(FKeys + FBegin, FKeys + FEnd, std::max(a, b)) - FKeys);
    }
    int best = -1;
    double bestDistance = maxDistance * maxDistance;
    for (int r = from; r < to; ++r) {
        const QPointF p = RowPixel(r) - pixel;
        const double d = p.x() * p.x() + p.y() * p.y();
        if (d <= bestDistance && (best < 0 || d < bestDistance)) {
            best = r;
            bestDistance = d;
        }
    }
    if (distance) *distance = std::sqrt(bestDistance);
    return best;
}

void TLogSeries::draw(QCPPainter* painter)
{
    QCPAxis* kx = keyAxis();
    QCPAxis* vy = valueAxis();
    if (!kx || !vy || FEnd <= FBegin) return;
    int from, to;
    VisibleRows(from, to);
    if (to <= from) return;

    // The axes are linear: pixel = coordinate * scale + offset.
    const double kx0 = kx->coordToPixel(0), ks = kx->coordToPixel(1) - kx0;
    const double vy0 = vy->coordToPixel(0), vs = vy->coordToPixel(1) - vy0;
    const QRect rect = clipRect();
    const double width = std::max(1, rect.width());

    QVector<QPointF> line;
    bool markers = false;
    if (FAscending && to - from > 2 * width) {
        // Pixel columns: first, lowest, highest and last value of each.
        line.reserve(int(4 * width) + 8);
        int r = from;
        while (r < to) {
            if (!Drawable(r)) {
                ++r;
                continue;
            }
            const double px = std::floor(FKeys[r] * ks + kx0);
            double first = FValues[r], lo = first, hi = first, last = first;
            int n = 1;
            for (++r; r < to && std::floor(FKeys[r] * ks + kx0) == px; ++r) {
                if (!Drawable(r)) continue;
                last = FValues[r];
                lo = std::min(lo, last);
                hi = std::max(hi, last);
                ++n;
            }
            line.append(QPointF(px, first * vs + vy0));
            if (n > 2) {
                line.append(QPointF(px, lo * vs + vy0));
                line.append(QPointF(px, hi * vs + vy0));
            }
            if (n > 1) line.append(QPointF(px, last * vs + vy0));
        }
    } else {
        line.reserve(to - from);
        QPoint previous(std::numeric_limits<int>::min(), 0);
        for (int r = from; r < to; ++r) {
            if (!Drawable(r)) continue;
            const QPointF p(FKeys[r] * ks + kx0, FValues[r] * vs + vy0);
            const QPoint q = p.toPoint();
            if (q == previous) continue; // the same pixel again: nothing to see
            previous = q;
            line.append(p);
        }
        markers = !FAscending || (to - from) * MarkerPitch <= width;
    }

    painter->setClipRect(rect);
    painter->setPen(pen());
    painter->setBrush(Qt::NoBrush);
    painter->drawPolyline(line.constData(), int(line.size()));
    if (markers) {
        QVector<QRectF> boxes;
        boxes.reserve(line.size());
        for (const QPointF& p : line)
            boxes.append(
                QRectF(p.x() - MarkerSize / 2, p.y() - MarkerSize / 2, MarkerSize, MarkerSize));
        painter->drawRects(boxes.constData(), int(boxes.size()));
    }
    if (FMarked >= FBegin && FMarked < FEnd && Drawable(FMarked)) {
        const QPointF p(FKeys[FMarked] * ks + kx0, FValues[FMarked] * vs + vy0);
        painter->setPen(QPen(Qt::red, 1));
        painter->setBrush(Qt::red);
        painter->drawRect(QRectF(p.x() - 2.5, p.y() - 2.5, 5, 5));
    }
}
