#include "BarGauge.h"

#include "Colours.h"
#include "GenFuncs.h"
#include "NumFormat.h"

#include <QPainter>

#include <cmath>

namespace {
// More segments than any screen has pixels for are refused, not allocated.
constexpr int MaxSegments = 4096;
const std::vector<int> DefaultOn{0xFF2020, 0x20FF20, 0x20FF20, 0x2020FF};
const std::vector<int> DefaultOff{0x400000, 0x004000, 0x004000, 0x000040};

uint32_t BlendRef(int a, int b, double t)
{
    return ColorToRef(
        Blend(ColorFromRef(static_cast<uint32_t>(a)), ColorFromRef(static_cast<uint32_t>(b)), t));
}
} // namespace

TLedBarGauge::TLedBarGauge(TDashHost* host) : TAnalDashGauge(host)
{
    FBounds = QRect(0, 0, 219, 50);
    FSegmentColours.assign(FSegCount, {0, 0});
    ResetLists();
    ComputeColours();
}

void TLedBarGauge::ResetLists()
{
    FColoursOn = DefaultOn;
    FColoursOff = DefaultOff;
    FColourIdxs = {0, static_cast<int>(RoundHalfEven(FSegCount * 0.6)),
                   static_cast<int>(RoundHalfEven(FSegCount * 0.7)), FSegCount - 1};
}

void TLedBarGauge::ComputeColours()
{
    std::vector<int> idx = FColourIdxs;
    for (int& i : idx)
        i = std::clamp(i, 0, FSegCount - 1);
    const int m =
        static_cast<int>(std::min({FColoursOn.size(), FColoursOff.size(), idx.size()})) - 1;
    for (int i = 0; i < m; ++i) {
        for (int j = idx[i]; j <= idx[i + 1]; ++j) {
            const double t = idx[i] == idx[i + 1]
                                 ? 1.0
                                 : static_cast<double>(j - idx[i]) / (idx[i + 1] - idx[i]);
            FSegmentColours[j] = {BlendRef(FColoursOff[i], FColoursOff[i + 1], t),
                                  BlendRef(FColoursOn[i], FColoursOn[i + 1], t)};
        }
    }
}

void TLedBarGauge::SetSegCount(int n)
{
    FSegCount = std::clamp(n, 1, MaxSegments);
    FSegmentColours.resize(FSegCount, {0, 0});
    ResetLists();
    ComputeColours();
    Invalidate();
}

void TLedBarGauge::SetDensity(double d)
{
    FDensity = d;
    Invalidate();
}

void TLedBarGauge::SetRounded(bool v)
{
    FRounded = v;
    Invalidate();
}

void TLedBarGauge::SetSingleSegment(bool v)
{
    FSingleSegment = v;
    Invalidate();
}

void TLedBarGauge::SetSegmentColoursOn(const QString& text)
{
    FColoursOn = TextToIntList(text);
    ComputeColours();
    Invalidate();
}

void TLedBarGauge::SetSegmentColoursOff(const QString& text)
{
    FColoursOff = TextToIntList(text);
    ComputeColours();
    Invalidate();
}

void TLedBarGauge::SetSegmentColourIdxs(const QString& text)
{
    FColourIdxs = TextToIntList(text);
    ComputeColours();
    Invalidate();
}

double TLedBarGauge::Threshold(int i) const
{
    return FMinVal + (FMaxVal - FMinVal) * (i + 1) / FSegCount;
}

QRect TLedBarGauge::SegmentRect(int s) const
{
    const bool vertical = Width() < Height();
    const int pos = (vertical != FInvert) ? FSegCount - 1 - s : s;
    const double length = (vertical ? Height() : Width()) - 4;
    const double divisor = FSegCount - 1 + FDensity;
    if (divisor <= 0 || !std::isfinite(divisor)) return {};
    const double pitch = length / divisor;
    const double len = length * FDensity / divisor;
    const auto round = [](double x) {
        return static_cast<int>(RoundHalfEven(std::clamp(x, -1e7, 1e7)));
    };
    const int from = 2 + round(pos * pitch), to = 2 + round(pos * pitch + len);
    if (vertical) return QRect(QPoint(2, from), QPoint(Width() - 2 - 1, to - 1));
    return QRect(QPoint(from, 2), QPoint(to - 1, Height() - 2 - 1));
}

int TLedBarGauge::PeakSegment() const
{
    if (!FPeakShow) return -1;
    for (int i = FSegCount - 1; i >= 0; --i)
        if (Threshold(i) <= FPeakValue) return i;
    return -1;
}

int TLedBarGauge::TroughSegment() const
{
    if (!FTroughShow) return -1;
    for (int i = 0; i < FSegCount; ++i)
        if (Threshold(i) > FTroughValue) return i - 1;
    return -1;
}

void TLedBarGauge::DrawSegment(QPainter& p, int s, bool lit) const
{
    const QRect r = SegmentRect(s);
    if (r.isEmpty()) return;
    const auto& pair = FSegmentColours[s];
    const QColor c = ColorFromRef(lit ? pair.second : pair.first);
    if (FRounded) {
        const bool vertical = Width() < Height();
        const double divisor = FSegCount - 1 + FDensity;
        const int len = static_cast<int>(
            RoundHalfEven(((vertical ? Height() : Width()) - 4) * FDensity / divisor));
        const int corner = std::min(len, vertical ? Width() : Height()) / 3;
        p.setPen(c);
        p.setBrush(c);
        p.drawRoundedRect(r, corner / 2.0, corner / 2.0);
    } else {
        p.fillRect(r, c);
    }
}

void TLedBarGauge::DrawFace(QPainter& p)
{
    if (!FTransparent) p.fillRect(QRect(0, 0, Width(), Height()), DashColour(Color()));
}

void TLedBarGauge::DrawValue(QPainter& p)
{
    const int peak = PeakSegment(), trough = TroughSegment();
    if (peak >= 0) DrawSegment(p, peak, true);
    if (trough >= 0) DrawSegment(p, trough, true);
    bool litOne = false;
    for (int i = FSegCount - 1; i >= 0; --i) {
        bool lit;
        if (FSingleSegment) {
            lit = !litOne && Threshold(i) <= FValueAnalogue;
            if (lit) litOne = true;
        } else {
            lit = FValueAnalogue >= Threshold(i);
        }
        if (i != peak && i != trough) DrawSegment(p, i, lit);
    }
}

bool TLedBarGauge::ReadProperty(const TDfmProp& p)
{
    using namespace DashProp;
    const QString& n = p.Name;
    if (n == QLatin1String("SegCount"))
        SetSegCount(Int(p));
    else if (n == QLatin1String("Density"))
        SetDensity(Float(p));
    else if (n == QLatin1String("Rounded"))
        SetRounded(Bool(p));
    else if (n == QLatin1String("SegmentColoursOn"))
        SetSegmentColoursOn(String(p));
    else if (n == QLatin1String("SegmentColoursOff"))
        SetSegmentColoursOff(String(p));
    else if (n == QLatin1String("SegmentColourIdxs"))
        SetSegmentColourIdxs(String(p));
    else if (n == QLatin1String("Invert"))
        SetInvert(Bool(p));
    else if (n == QLatin1String("SingleSegment"))
        SetSingleSegment(Bool(p));
    else
        return TAnalDashGauge::ReadProperty(p);
    return true;
}

void TLedBarGauge::WriteProperties(std::vector<TDfmProp>& out) const
{
    using namespace DashProp;
    TAnalDashGauge::WriteProperties(out);
    // SegCount first: reading it resets the lists that follow.
    out.push_back(MakeInt(QStringLiteral("SegCount"), FSegCount));
    if (FDensity != 0.8) out.push_back(MakeFloat(QStringLiteral("Density"), FDensity));
    if (FRounded) out.push_back(MakeBool(QStringLiteral("Rounded"), true));
    WritePeakTrough(out);
    out.push_back(MakeString(QStringLiteral("SegmentColoursOn"), SegmentColoursOn()));
    out.push_back(MakeString(QStringLiteral("SegmentColoursOff"), SegmentColoursOff()));
    out.push_back(MakeString(QStringLiteral("SegmentColourIdxs"), SegmentColourIdxs()));
    if (FInvert) out.push_back(MakeBool(QStringLiteral("Invert"), true));
    if (FSingleSegment) out.push_back(MakeBool(QStringLiteral("SingleSegment"), true));
}
