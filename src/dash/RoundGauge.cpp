#include "RoundGauge.h"

#include "Colours.h"
#include "GenFuncs.h"
#include "NumFormat.h"

#include <QPainter>

#include <cmath>

namespace {

// Limits that keep a nonsensical file from drawing for ever.
constexpr int MaxTickSteps = 20000;
constexpr int MaxBandSteps = 20000;

struct TIntName {
    const char* Name;
    int TRoundGauge::TIntProps::*Field;
};

const TIntName IntNames[] = {
    {"AngleStart", &TRoundGauge::TIntProps::AngleStart},
    {"AngleEnd", &TRoundGauge::TIntProps::AngleEnd},
    {"AxleRadius", &TRoundGauge::TIntProps::AxleRadius},
    {"SmallTicks", &TRoundGauge::TIntProps::SmallTicks},
    {"TickCount", &TRoundGauge::TIntProps::TickCount},
    {"TickWidth", &TRoundGauge::TIntProps::TickWidth},
    {"TickWidthSmall", &TRoundGauge::TIntProps::TickWidthSmall},
    {"TickTextRadius", &TRoundGauge::TIntProps::TickTextRadius},
    {"TickStart", &TRoundGauge::TIntProps::TickStart},
    {"TickEnd", &TRoundGauge::TIntProps::TickEnd},
    {"TickStartSmall", &TRoundGauge::TIntProps::TickStartSmall},
    {"TickEndSmall", &TRoundGauge::TIntProps::TickEndSmall},
    {"NeedleStart", &TRoundGauge::TIntProps::NeedleStart},
    {"NeedleEnd", &TRoundGauge::TIntProps::NeedleEnd},
    {"NeedleWidth", &TRoundGauge::TIntProps::NeedleWidth},
    {"TextInterval", &TRoundGauge::TIntProps::TextInterval},
    {"TextDPs", &TRoundGauge::TIntProps::TextDPs},
    {"BandStart", &TRoundGauge::TIntProps::BandStart},
    {"BandEnd", &TRoundGauge::TIntProps::BandEnd},
};

const QString DefaultBandColours = QStringLiteral("$FF2020,$20FF20,$20FF20,$2020FF");
const QString DefaultBandIndices = QStringLiteral("0,25,50,100");

QPen DialPen(const QColor& colour, int width)
{
    QPen pen(colour);
    pen.setWidth(std::clamp(width, 0, 1000));
    // Wide lines end round, as the dial was designed with.
    pen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::FlatCap);
    return pen;
}

} // namespace

TRoundGauge::TRoundGauge(TDashHost* host) : TAnalDashGauge(host)
{
    FBounds = QRect(0, 0, 140, 140);
    TickTextFont.Color = 0x80000008;
}

void TRoundGauge::SetInts(const TIntProps& v)
{
    FInts = v;
    Invalidate();
}

void TRoundGauge::SetColours(uint32_t axle, uint32_t tickSmall, uint32_t tick, uint32_t needle)
{
    AxleColour = axle;
    TickColourSmall = tickSmall;
    TickColour = tick;
    NeedleColour = needle;
    Invalidate();
}

void TRoundGauge::SetCaption(const QString& c)
{
    FCaption = c;
    Invalidate();
}

void TRoundGauge::SetBandColours(const QString& text)
{
    FBandColours = TextToIntList(text);
    Invalidate();
}

void TRoundGauge::SetBandIndices(const QString& text)
{
    FBandIndices = TextToFloatList(text);
    Invalidate();
}

uint32_t TRoundGauge::BandColourAt(double v) const
{
    const int count = static_cast<int>(std::min(FBandColours.size(), FBandIndices.size()));
    if (count == 0) return 0;
    const int n = count - 1;
    const auto colour = [this](int i) { return static_cast<uint32_t>(FBandColours[i]); };
    if (v < FBandIndices[0]) return colour(0);
    if (v > FBandIndices[n]) return colour(n);
    for (int j = 0; j < n; ++j) {
        if (v <= FBandIndices[j + 1]) {
            const double d = FBandIndices[j + 1] - FBandIndices[j];
            const double t = std::abs(d) < 0.0001 ? 0 : (v - FBandIndices[j]) / d;
            return ColorToRef(Blend(ColorFromRef(colour(j)), ColorFromRef(colour(j + 1)), t));
        }
    }
    return colour(n);
}

double TRoundGauge::ValueAngle(double v) const
{
    return (v - FMinVal) * (double(FInts.AngleEnd) - FInts.AngleStart) / Span() + FInts.AngleStart;
}

QPoint TRoundGauge::DialPoint(double r, double a) const
{
    const double theta = a / 57.29577951308232 - M_PI / 2;
    const int cx = Width() / 2, cy = Height() / 2;
    const auto round = [](double x) {
        return static_cast<int>(RoundHalfEven(std::clamp(x, -1e7, 1e7)));
    };
    return {cx + round(std::cos(theta) * r), cy + round(r * std::sin(theta))};
}

void TRoundGauge::DialLine(QPainter& p, double r1, double r2, const QColor& colour, int width,
                           double a) const
{
    p.setPen(DialPen(colour, width));
    p.drawLine(DialPoint(r1, a), DialPoint(r2, a));
}

void TRoundGauge::DialText(QPainter& p, const QString& text, double r, double a) const
{
    const QPoint pt = DialPoint(r, a);
    const QFontMetrics fm = p.fontMetrics();
    const int w = fm.horizontalAdvance(text);
    const int h = fm.height();
    p.drawText(QPoint(pt.x() - w / 2, pt.y() - h / 2 + fm.ascent()), text);
}

QString TRoundGauge::TickLabel(int major) const
{
    const int ticks = std::max(FInts.TickCount, 2);
    const double divide = FTextDivide == 0 ? 1 : FTextDivide;
    const double v = (FMinVal + (FMaxVal - FMinVal) * major / (ticks - 1)) / divide;
    return FormatFixed(v, std::clamp(FInts.TextDPs, 0, 18));
}

void TRoundGauge::DrawFace(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const int w = Width(), h = Height(), m = SmallSide();
    const int cx = w / 2, cy = h / 2;
    if (!FTransparent) {
        p.setPen(Qt::NoPen);
        p.setBrush(DashColour(Color()));
        p.drawEllipse(
            QRectF((w - m) / 2, (h - m) / 2, (m + w) / 2 - (w - m) / 2, (m + h) / 2 - (h - m) / 2));
    }

    // Ticks and labels. The angle product is taken in integers first, as the dial was
    // designed with, so that tick positions match the original exactly.
    p.setFont(TickTextFont.ToQFont());
    const int ticks = std::max(FInts.TickCount, 2);
    const int small = std::max(FInts.SmallTicks, 1);
    const int interval = std::max(FInts.TextInterval, 1);
    const int64_t steps = std::min<int64_t>(int64_t(ticks - 1) * small, MaxTickSteps);
    const int64_t sweep = int64_t(FInts.AngleEnd) - FInts.AngleStart;
    const QColor tickSmall = DashColour(TickColourSmall), tick = DashColour(TickColour);
    const QColor labelColour = DashColour(TickTextFont.Color);
    for (int64_t k = 0; k <= steps; ++k) {
        const double a = FInts.AngleStart + static_cast<double>(k * sweep) / (ticks - 1) / small;
        if (k % small != 0) {
            DialLine(p, FInts.TickStartSmall, FInts.TickEndSmall, tickSmall, FInts.TickWidthSmall,
                     a);
        } else {
            DialLine(p, FInts.TickStart, FInts.TickEnd, tick, FInts.TickWidth, a);
            if ((k / small) % interval == 0) {
                p.setPen(labelColour);
                DialText(p, TickLabel(static_cast<int>(k / small)), FInts.TickTextRadius, a);
            }
        }
    }

    if (FInts.AxleRadius != 0) {
        const int r = FInts.AxleRadius;
        const QColor axle = DashColour(AxleColour);
        p.setPen(axle);
        p.setBrush(axle);
        p.drawEllipse(QRect(cx - r, cy - r, 2 * r, 2 * r));
    }

    const QFont font = Font().ToQFont();
    p.setFont(font);
    p.setPen(DashColour(Font().Color));
    const double halfX = QFontMetricsF(font).height() / 2;
    DialText(p, FCaption, (m / 2) * 0.7 - halfX,
             (double(FInts.AngleStart) + FInts.AngleEnd) / 2 + 180);

    if (FInts.BandEnd > FInts.BandStart) {
        const double outer = std::max(FInts.BandStart, FInts.BandEnd);
        int64_t s = static_cast<int64_t>(
            RoundHalfEven(outer * M_PI * 2 * static_cast<double>(sweep) / 360));
        s = std::clamp<int64_t>(s, 10, MaxBandSteps);
        // Flat ends and no smoothing, so the steps join without seams.
        p.setRenderHint(QPainter::Antialiasing, false);
        for (int64_t d = 0; d < s; ++d) {
            const double a = FInts.AngleStart + static_cast<double>(d) * sweep / (s - 1);
            const double v = FMinVal + (FMaxVal - FMinVal) * d / (s - 1);
            QPen pen(DashColour(BandColourAt(v)));
            pen.setWidth(2);
            p.setPen(pen);
            p.drawLine(DialPoint(FInts.BandStart, a), DialPoint(FInts.BandEnd, a));
        }
    }
}

void TRoundGauge::MoveNeedle(QPainter& p, double angle, double& last, bool& drawn,
                             const QColor& colour, int width)
{
    if (!std::isfinite(angle)) return;
    if (angle == last && drawn) return;
    if (drawn) DialLine(p, FInts.NeedleStart, FInts.NeedleEnd, colour, width, last);
    DialLine(p, FInts.NeedleStart, FInts.NeedleEnd, colour, width, angle);
    last = angle;
    drawn = true;
}

void TRoundGauge::DrawValue(QPainter& p)
{
    p.save();
    // Erasing draws the same line again, so both must be drawn the same way: no smoothing.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    MoveNeedle(p, ValueAngle(FValueAnalogue), FNeedleAngle, FNeedleDrawn, DashColour(NeedleColour),
               FInts.NeedleWidth);
    if (FPeakShow)
        MoveNeedle(p, ValueAngle(FPeakValue), FPeakAngle, FPeakDrawn, QColor(0x80, 0x80, 0x80), 1);
    if (FTroughShow)
        MoveNeedle(p, ValueAngle(FTroughValue), FTroughAngle, FTroughDrawn, QColor(Qt::white), 1);
    p.restore();
}

bool TRoundGauge::ReadProperty(const TDfmProp& p)
{
    using namespace DashProp;
    const QString& n = p.Name;
    for (const TIntName& in : IntNames) {
        if (n == QLatin1String(in.Name)) {
            TIntProps v = FInts;
            v.*in.Field = Int(p);
            SetInts(v);
            return true;
        }
    }
    if (n == QLatin1String("AxleColour"))
        SetColours(Colour(p), TickColourSmall, TickColour, NeedleColour);
    else if (n == QLatin1String("TickColourSmall"))
        SetColours(AxleColour, Colour(p), TickColour, NeedleColour);
    else if (n == QLatin1String("TickColour"))
        SetColours(AxleColour, TickColourSmall, Colour(p), NeedleColour);
    else if (n == QLatin1String("NeedleColour"))
        SetColours(AxleColour, TickColourSmall, TickColour, Colour(p));
    else if (n.startsWith(QLatin1String("TickTextFont."))) {
        if (!TickTextFont.Read(n.mid(13), p.Value)) return false;
        Invalidate();
    } else if (n == QLatin1String("TextDivide"))
        SetTextDivide(Float(p));
    else if (n == QLatin1String("BandColours"))
        SetBandColours(String(p));
    else if (n == QLatin1String("BandIndices"))
        SetBandIndices(String(p));
    else if (n == QLatin1String("Caption"))
        SetCaption(String(p));
    else
        return TAnalDashGauge::ReadProperty(p);
    return true;
}

void TRoundGauge::WriteProperties(std::vector<TDfmProp>& out) const
{
    using namespace DashProp;
    TAnalDashGauge::WriteProperties(out);
    for (const TIntName& in : IntNames)
        out.push_back(MakeInt(QLatin1String(in.Name), FInts.*in.Field));
    out.push_back(MakeColour(QStringLiteral("AxleColour"), AxleColour));
    out.push_back(MakeColour(QStringLiteral("TickColourSmall"), TickColourSmall));
    out.push_back(MakeColour(QStringLiteral("TickColour"), TickColour));
    out.push_back(MakeColour(QStringLiteral("NeedleColour"), NeedleColour));
    TickTextFont.Write(QStringLiteral("TickTextFont"), out);
    if (FTextDivide != 1) out.push_back(MakeFloat(QStringLiteral("TextDivide"), FTextDivide));
    // Lists are written whenever they are not the defaults: an empty list must stay empty.
    if (BandColours() != DefaultBandColours)
        out.push_back(MakeString(QStringLiteral("BandColours"), BandColours()));
    if (BandIndices() != DefaultBandIndices)
        out.push_back(MakeString(QStringLiteral("BandIndices"), BandIndices()));
    WritePeakTrough(out);
    if (!FCaption.isEmpty()) out.push_back(MakeString(QStringLiteral("Caption"), FCaption));
}
