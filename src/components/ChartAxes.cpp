#include "ChartAxes.h"

#include "NumFormat.h"

#include <cmath>

QString TPictureTicker::getTickLabel(double tick, const QLocale&, QChar, int)
{
    // Ticks are computed by repeated addition: 0.30000000000000004 must read "0.3".
    return FormatPicture(tick, FDecimals);
}

void UsePictureLabels(QCPAxis* axis, int maxDecimals)
{
    axis->setTicker(QSharedPointer<QCPAxisTicker>(new TPictureTicker(maxDecimals)));
}

bool FitValueRange(const QList<QCPGraph*>& graphs, QCPRange& range, double marginFraction)
{
    bool any = false;
    double lo = 0, hi = 0;
    for (QCPGraph* g : graphs) {
        if (!g || g->data()->isEmpty())
            continue;
        bool found = false;
        const QCPRange r = g->getValueRange(found);
        if (!found)
            continue;
        if (!any) {
            lo = r.lower;
            hi = r.upper;
            any = true;
        } else {
            lo = std::min(lo, r.lower);
            hi = std::max(hi, r.upper);
        }
    }
    if (!any)
        return false;
    double margin = (hi - lo) * marginFraction;
    if (margin <= 0)
        margin = std::max(std::fabs(hi) * marginFraction, 1.0);
    range = QCPRange(lo - margin, hi + margin);
    return true;
}
