#include "Colours.h"

#include "NumFormat.h"

#include <algorithm>

QColor ColorFromRef(uint32_t ref)
{
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}

uint32_t ColorToRef(const QColor& colour)
{
    if (!colour.isValid()) return 0;
    const QColor rgb = colour.toRgb();
    return uint32_t(rgb.red()) | uint32_t(rgb.green()) << 8 | uint32_t(rgb.blue()) << 16;
}

QColor Blend(const QColor& a, const QColor& b, double f)
{
    const auto mix = [f](int x, int y) {
        return int(std::clamp<long long>(RoundHalfEven((1.0 - f) * x + f * y), 0, 255));
    };
    const QColor ca = a.toRgb(), cb = b.toRgb();
    return QColor(mix(ca.red(), cb.red()), mix(ca.green(), cb.green()), mix(ca.blue(), cb.blue()),
                  mix(ca.alpha(), cb.alpha()));
}
