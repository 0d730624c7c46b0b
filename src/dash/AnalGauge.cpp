#include "AnalGauge.h"

#include "NumFormat.h"

#include <QPainter>

#include <cmath>
#include <random>

namespace {
double Random01()
{
    static std::mt19937 gen{std::random_device{}()};
    return std::uniform_real_distribution<double>(0.0, 1.0)(gen);
}
} // namespace

// ---------------------------------------------------------------- TAnalogueControl

TAnalogueControl::TAnalogueControl(TDashHost* host) : TDashGauge(host)
{
    FPubDataSource = FPubAnalogue = FPubExternal = true;
}

void TAnalogueControl::SetTextDivide(double v)
{
    FTextDivide = v;
    Invalidate();
}

void TAnalogueControl::SetTextOffset(double v)
{
    FTextOffset = v;
    Invalidate();
}

void TAnalogueControl::SimulateValue()
{
    SetValueAnalogue(Random01() * 100);
}

// ---------------------------------------------------------------- TAnalDashGauge

TAnalDashGauge::TAnalDashGauge(TDashHost* host) : TAnalogueControl(host)
{
    FPubValueAnalogue = true;
}

void TAnalDashGauge::SetMinVal(double v)
{
    FMinVal = v;
    Invalidate();
}

void TAnalDashGauge::SetMaxVal(double v)
{
    FMaxVal = v;
    Invalidate();
}

void TAnalDashGauge::SetPeakShow(bool v)
{
    FPeakShow = v;
    Invalidate();
}

void TAnalDashGauge::SetTroughShow(bool v)
{
    FTroughShow = v;
    Invalidate();
}

double TAnalDashGauge::Span() const
{
    const double span = FMaxVal - FMinVal;
    return span == 0 || !std::isfinite(span) ? 1 : span;
}

void TAnalDashGauge::SetValueAnalogue(double v)
{
    const uint32_t now = FHost ? FHost->Now() : GetTickCount();
    // Differences of the wrapping tick counter, so that holding survives its wrap.
    const auto expired = [now](uint32_t since, int period) {
        return static_cast<int64_t>(static_cast<uint32_t>(now - since)) >
               static_cast<int64_t>(period);
    };
    if (v > FPeakValue || expired(FPeakTime, FPeakPeriod)) {
        FPeakValue = v;
        FPeakTime = now;
    }
    if (v < FTroughValue || expired(FTroughTime, FTroughPeriod)) {
        FTroughValue = v;
        FTroughTime = now;
    }
    TDashGauge::SetValueAnalogue(v);
}

void TAnalDashGauge::SimulateValue()
{
    double v = FValueAnalogue;
    if (v >= FMinVal && v <= FMaxVal)
        v = std::clamp(v + (Random01() - 0.5) * 0.03 * (FMaxVal - FMinVal),
                       std::min(FMinVal, FMaxVal), std::max(FMinVal, FMaxVal));
    else
        v = FMinVal + Random01() * (FMaxVal - FMinVal);
    SetValueAnalogue(v);
}

bool TAnalDashGauge::ReadProperty(const TDfmProp& p)
{
    using namespace DashProp;
    const QString& n = p.Name;
    if (n == QLatin1String("MinVal"))
        SetMinVal(Float(p));
    else if (n == QLatin1String("MaxVal"))
        SetMaxVal(Float(p));
    else if (n == QLatin1String("PeakShow"))
        SetPeakShow(Bool(p));
    else if (n == QLatin1String("TroughShow"))
        SetTroughShow(Bool(p));
    else if (n == QLatin1String("PeakPeriod"))
        SetPeakPeriod(Int(p));
    else if (n == QLatin1String("TroughPeriod"))
        SetTroughPeriod(Int(p));
    else
        return TAnalogueControl::ReadProperty(p);
    return true;
}

void TAnalDashGauge::WriteProperties(std::vector<TDfmProp>& out) const
{
    using namespace DashProp;
    TAnalogueControl::WriteProperties(out);
    if (FMinVal != 0) out.push_back(MakeFloat(QStringLiteral("MinVal"), FMinVal));
    // Written whenever it is not the default: leaving out only 0 would read back as 100.
    if (FMaxVal != 100) out.push_back(MakeFloat(QStringLiteral("MaxVal"), FMaxVal));
}

void TAnalDashGauge::WritePeakTrough(std::vector<TDfmProp>& out) const
{
    using namespace DashProp;
    if (FPeakShow) out.push_back(MakeBool(QStringLiteral("PeakShow"), true));
    out.push_back(MakeInt(QStringLiteral("PeakPeriod"), FPeakPeriod));
    if (FTroughShow) out.push_back(MakeBool(QStringLiteral("TroughShow"), true));
    out.push_back(MakeInt(QStringLiteral("TroughPeriod"), FTroughPeriod));
}

// ---------------------------------------------------------------- TAnalTextGauge

TAnalTextGauge::TAnalTextGauge(TDashHost* host) : TAnalogueControl(host)
{
    FFullRepaint = FTransparent;
}

void TAnalTextGauge::SetAngle(double a)
{
    FAngle = a;
    Invalidate();
}

void TAnalTextGauge::SetDecimalPlaces(int n)
{
    FDecimalPlaces = std::clamp(n, 0, 18);
    Invalidate();
}

void TAnalTextGauge::SetTextBefore(const QString& s)
{
    FTextBefore = s;
    Invalidate();
}

void TAnalTextGauge::SetTextAfter(const QString& s)
{
    FTextAfter = s;
    Invalidate();
}

QString TAnalTextGauge::ValueText() const
{
    const double divide = FTextDivide == 0 ? 1 : FTextDivide;
    return QStringLiteral("  ") + FTextBefore +
           FormatFixed(FValueAnalogue / divide + FTextOffset, FDecimalPlaces) + FTextAfter +
           QStringLiteral("  ");
}

void TAnalTextGauge::SetValueAnalogue(double v)
{
    // A transparent number cannot erase its old text by drawing over it.
    FFullRepaint = FTransparent;
    TAnalogueControl::SetValueAnalogue(v);
}

void TAnalTextGauge::DrawFace(QPainter& p)
{
    if (!FTransparent) p.fillRect(QRect(0, 0, Width(), Height()), DashColour(Color()));
}

void TAnalTextGauge::DrawValue(QPainter& p)
{
    const double tenths = std::clamp(FAngle * 10, -1e9, 1e9);
    DrawRotatedText(p, Width() / 2, Height() / 2, ValueText(),
                    static_cast<int>(RoundHalfEven(tenths)), DashColour(Color()));
}

bool TAnalTextGauge::ReadProperty(const TDfmProp& p)
{
    using namespace DashProp;
    const QString& n = p.Name;
    if (n == QLatin1String("Angle"))
        SetAngle(Float(p));
    else if (n == QLatin1String("DecimalPlaces"))
        SetDecimalPlaces(Int(p));
    else if (n == QLatin1String("TextDivide"))
        SetTextDivide(Float(p));
    else if (n == QLatin1String("TextOffset"))
        SetTextOffset(Float(p));
    else if (n == QLatin1String("TextBefore"))
        SetTextBefore(String(p));
    else if (n == QLatin1String("TextAfter"))
        SetTextAfter(String(p));
    else
        return TAnalogueControl::ReadProperty(p);
    return true;
}

void TAnalTextGauge::WriteProperties(std::vector<TDfmProp>& out) const
{
    using namespace DashProp;
    TAnalogueControl::WriteProperties(out);
    if (FAngle != 0) out.push_back(MakeFloat(QStringLiteral("Angle"), FAngle));
    out.push_back(MakeInt(QStringLiteral("DecimalPlaces"), FDecimalPlaces));
    if (FTextDivide != 1) out.push_back(MakeFloat(QStringLiteral("TextDivide"), FTextDivide));
    if (FTextOffset != 0) out.push_back(MakeFloat(QStringLiteral("TextOffset"), FTextOffset));
    if (!FTextBefore.isEmpty())
        out.push_back(MakeString(QStringLiteral("TextBefore"), FTextBefore));
    if (!FTextAfter.isEmpty()) out.push_back(MakeString(QStringLiteral("TextAfter"), FTextAfter));
}
