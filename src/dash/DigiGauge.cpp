#include "DigiGauge.h"

#include "Sounds.h"

#include <QDir>
#include <QPainter>

#include <random>

namespace {
const std::vector<const char*> ShapeNames{"dsCircle",  "dsSquare",    "dsRoundedSquare",
                                          "dsEllipse", "dsRectangle", "dsRoundedRectangle"};
}

TDigiDashGauge::TDigiDashGauge(TDashHost* host) : TDashGauge(host) {}

void TDigiDashGauge::SetShape(TDigiShape s)
{
    FShape = s;
    Invalidate();
}

void TDigiDashGauge::SetColourTrue(uint32_t c)
{
    FColourTrue = c;
    Invalidate();
}

void TDigiDashGauge::SetColourFalse(uint32_t c)
{
    FColourFalse = c;
    Invalidate();
}

void TDigiDashGauge::SetBitmapsUse(bool v)
{
    FBitmapsUse = v;
    Invalidate();
}

void TDigiDashGauge::SetBitmapTrue(const QString& f)
{
    FBitmapTrue = f;
    if (!f.isEmpty()) LoadPicture(FPictureTrue, f, FHost ? FHost->BaseDirectory() : QString());
    Invalidate();
}

void TDigiDashGauge::SetBitmapFalse(const QString& f)
{
    FBitmapFalse = f;
    if (!f.isEmpty()) LoadPicture(FPictureFalse, f, FHost ? FHost->BaseDirectory() : QString());
    Invalidate();
}

void TDigiDashGauge::SetVisible(bool v)
{
    FVisible = v;
    Invalidate();
}

void TDigiDashGauge::SetValueDigital(bool b)
{
    if (b == FValueDigital) return;
    TDashGauge::SetValueDigital(b);
    if (SoundUse) ValueChanged();
}

void TDigiDashGauge::SimulateValue()
{
    static std::mt19937 gen{std::random_device{}()};
    SetValueDigital(std::bernoulli_distribution(0.5)(gen));
}

void TDigiDashGauge::ValueChanged()
{
    const QString& file = FValueDigital ? SoundTrue : SoundFalse;
    if (file.isEmpty() || !FHost) return;
    const QString path =
        QDir::isAbsolutePath(file) ? file : QDir(FHost->BaseDirectory()).filePath(file);
    FHost->GetSounds().PlayFile(path);
}

QRect TDigiDashGauge::ShapeBox() const
{
    if (FShape == dsCircle || FShape == dsSquare || FShape == dsRoundedSquare) {
        const int m = SmallSide();
        const int x1 = (Width() - m) / 2, y1 = (Height() - m) / 2;
        return QRect(x1, y1, m, m);
    }
    return QRect(0, 0, Width(), Height());
}

void TDigiDashGauge::DrawValue(QPainter& p)
{
    const QImage& picture = FValueDigital ? FPictureTrue : FPictureFalse;
    if (FBitmapsUse && !picture.isNull()) {
        p.drawImage(QRect(0, 0, Width(), Height()), picture);
        return;
    }
    const QRect box = ShapeBox();
    if (box.width() < 1 || box.height() < 1) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(DashColour(FValueDigital ? FColourTrue : FColourFalse));
    // The outline covers x1 .. x2 - 1 and y1 .. y2 - 1, as the box's corners say.
    const QRect outline(box.left(), box.top(), box.width() - 1, box.height() - 1);
    switch (FShape) {
    case dsCircle:
    case dsEllipse:
        p.drawEllipse(outline);
        break;
    case dsSquare:
    case dsRectangle:
        p.drawRect(outline);
        break;
    case dsRoundedSquare:
    case dsRoundedRectangle:
        p.drawRoundedRect(outline, (box.width() / 4) / 2.0, (box.height() / 4) / 2.0,
                          Qt::AbsoluteSize);
        break;
    }
    p.restore();
}

bool TDigiDashGauge::ReadProperty(const TDfmProp& p)
{
    using namespace DashProp;
    const QString& n = p.Name;
    if (n == QLatin1String("Shape"))
        SetShape(static_cast<TDigiShape>(Enum(p, ShapeNames)));
    else if (n == QLatin1String("ColourTrue"))
        SetColourTrue(Colour(p));
    else if (n == QLatin1String("ColourFalse"))
        SetColourFalse(Colour(p));
    else if (n == QLatin1String("BitmapsUse"))
        SetBitmapsUse(Bool(p));
    else if (n == QLatin1String("BitmapTrue"))
        SetBitmapTrue(String(p));
    else if (n == QLatin1String("BitmapFalse"))
        SetBitmapFalse(String(p));
    else if (n == QLatin1String("SoundUse"))
        SoundUse = Bool(p);
    else if (n == QLatin1String("SoundTrue"))
        SoundTrue = String(p);
    else if (n == QLatin1String("SoundFalse"))
        SoundFalse = String(p);
    else if (n == QLatin1String("Visible"))
        SetVisible(Bool(p));
    else if (n == QLatin1String("RedrawScreen"))
        SetRedrawScreen(Bool(p));
    else
        return TDashGauge::ReadProperty(p);
    return true;
}

void TDigiDashGauge::WriteProperties(std::vector<TDfmProp>& out) const
{
    using namespace DashProp;
    TDashGauge::WriteProperties(out);
    out.push_back(MakeIdent(QStringLiteral("Shape"), QLatin1String(ShapeNames[FShape])));
    out.push_back(MakeColour(QStringLiteral("ColourTrue"), FColourTrue));
    out.push_back(MakeColour(QStringLiteral("ColourFalse"), FColourFalse));
    if (FBitmapsUse) out.push_back(MakeBool(QStringLiteral("BitmapsUse"), true));
    if (!FBitmapTrue.isEmpty())
        out.push_back(MakeString(QStringLiteral("BitmapTrue"), FBitmapTrue));
    if (!FBitmapFalse.isEmpty())
        out.push_back(MakeString(QStringLiteral("BitmapFalse"), FBitmapFalse));
    if (SoundUse) out.push_back(MakeBool(QStringLiteral("SoundUse"), true));
    if (!SoundTrue.isEmpty()) out.push_back(MakeString(QStringLiteral("SoundTrue"), SoundTrue));
    if (!SoundFalse.isEmpty()) out.push_back(MakeString(QStringLiteral("SoundFalse"), SoundFalse));
    if (!FVisible) out.push_back(MakeBool(QStringLiteral("Visible"), false));
    if (FRedrawScreen) out.push_back(MakeBool(QStringLiteral("RedrawScreen"), true));
}

// ---------------------------------------------------------------- the two kinds

TSwitchDashGauge::TSwitchDashGauge(TDashHost* host) : TDigiDashGauge(host)
{
    FShape = dsRoundedRectangle;
    FPubDataSource = FPubDigital = FPubValueDigital = true;
}

TThresholdGauge::TThresholdGauge(TDashHost* host) : TDigiDashGauge(host)
{
    FPubDataSource = FPubAnalogue = FPubExternal = FPubValueAnalogue = true;
}

void TThresholdGauge::SetThreshold(double t)
{
    FThreshold = t;
    SetValueDigital(FValueAnalogue >= FThreshold);
}

void TThresholdGauge::SetValueAnalogue(double v)
{
    TDigiDashGauge::SetValueAnalogue(v);
    SetValueDigital(FValueAnalogue >= FThreshold);
}

bool TThresholdGauge::ReadProperty(const TDfmProp& p)
{
    if (p.Name == QLatin1String("Threshold"))
        SetThreshold(DashProp::Float(p));
    else
        return TDigiDashGauge::ReadProperty(p);
    return true;
}

void TThresholdGauge::WriteProperties(std::vector<TDfmProp>& out) const
{
    TDigiDashGauge::WriteProperties(out);
    if (FThreshold != 0)
        out.push_back(DashProp::MakeFloat(QStringLiteral("Threshold"), FThreshold));
}
