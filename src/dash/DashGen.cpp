#include "DashGen.h"

#include "Colours.h"
#include "NumFormat.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPalette>

#include <cmath>
#include <limits>

// ---------------------------------------------------------------- fonts and colours

QFont TDashFont::ToQFont() const
{
    QFont f;
    // The designer's fonts are Windows ones; fall back to the desktop's sans serif.
    f.setFamilies({Name, QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    const int px = std::clamp(Height < 0 ? -Height : Height, 1, 2000);
    f.setPixelSize(px);
    f.setWeight(Bold ? QFont::Bold : QFont::Normal);
    f.setItalic(Italic);
    f.setUnderline(Underline);
    f.setStrikeOut(StrikeOut);
    return f;
}

bool TDashFont::operator==(const TDashFont& o) const
{
    return Name == o.Name && Height == o.Height && Color == o.Color && Bold == o.Bold &&
           Italic == o.Italic && Underline == o.Underline && StrikeOut == o.StrikeOut &&
           Charset == o.Charset && Pitch == o.Pitch;
}

bool TDashFont::Read(const QString& sub, const TDfmValue& v)
{
    TDfmProp p{sub, v, v.Line};
    if (sub == QLatin1String("Name")) {
        Name = DashProp::String(p);
    } else if (sub == QLatin1String("Height")) {
        Height = DashProp::Int(p);
    } else if (sub == QLatin1String("Size")) {
        Height = -static_cast<int>(std::lround(DashProp::Int(p) * 96.0 / 72.0));
    } else if (sub == QLatin1String("Color")) {
        Color = DashProp::Colour(p);
    } else if (sub == QLatin1String("Charset")) {
        if (v.Kind == TDfmValue::vkIdent) {
            const auto c = CharsetFromIdent(v.Text);
            if (!c) DashProp::Fail(p, QStringLiteral("Unknown character set %1").arg(v.Text));
            Charset = *c;
        } else {
            Charset = std::clamp(DashProp::Int(p), 0, 255);
        }
    } else if (sub == QLatin1String("Style")) {
        if (v.Kind != TDfmValue::vkSet) DashProp::Fail(p, QStringLiteral("Invalid property value"));
        Bold = Italic = Underline = StrikeOut = false;
        for (const QString& s : v.Items) {
            if (s == QLatin1String("fsBold"))
                Bold = true;
            else if (s == QLatin1String("fsItalic"))
                Italic = true;
            else if (s == QLatin1String("fsUnderline"))
                Underline = true;
            else if (s == QLatin1String("fsStrikeOut"))
                StrikeOut = true;
            else
                DashProp::Fail(p, QStringLiteral("Invalid property value"));
        }
    } else if (sub == QLatin1String("Pitch")) {
        const int i = DashProp::Enum(p, {"fpDefault", "fpVariable", "fpFixed"});
        Pitch = i == 0 ? QString() : v.Text;
    } else {
        return false;
    }
    return true;
}

void TDashFont::Write(const QString& prefix, std::vector<TDfmProp>& out) const
{
    using namespace DashProp;
    const auto cs = CharsetIdent(Charset);
    out.push_back(cs ? MakeIdent(prefix + QStringLiteral(".Charset"), *cs)
                     : MakeInt(prefix + QStringLiteral(".Charset"), Charset));
    out.push_back(MakeColour(prefix + QStringLiteral(".Color"), Color));
    out.push_back(MakeInt(prefix + QStringLiteral(".Height"), Height));
    out.push_back(MakeString(prefix + QStringLiteral(".Name"), Name));
    if (!Pitch.isEmpty()) out.push_back(MakeIdent(prefix + QStringLiteral(".Pitch"), Pitch));
    QStringList style;
    if (Bold) style << QStringLiteral("fsBold");
    if (Italic) style << QStringLiteral("fsItalic");
    if (Underline) style << QStringLiteral("fsUnderline");
    if (StrikeOut) style << QStringLiteral("fsStrikeOut");
    out.push_back({prefix + QStringLiteral(".Style"), TDfmValue::FromSet(style), 0});
}

QColor DashColour(uint32_t value)
{
    if (value >= 0x80000000u && value <= 0x80000018u) {
        static const QPalette::ColorRole roles[25] = {
            QPalette::Button,
            QPalette::Window,
            QPalette::Highlight,
            QPalette::Mid,
            QPalette::Window,
            QPalette::Base,
            QPalette::Shadow,
            QPalette::WindowText,
            QPalette::WindowText,
            QPalette::HighlightedText,
            QPalette::Button,
            QPalette::Button,
            QPalette::Dark,
            QPalette::Highlight,
            QPalette::HighlightedText,
            QPalette::Button,
            QPalette::Dark,
            QPalette::Mid,
            QPalette::ButtonText,
            QPalette::Text,
            QPalette::Light,
            QPalette::Shadow,
            QPalette::Midlight,
            QPalette::ToolTipText,
            QPalette::ToolTipBase,
        };
        const QPalette pal = QGuiApplication::instance() ? QGuiApplication::palette() : QPalette();
        return pal.color(QPalette::Active, roles[value - 0x80000000u]);
    }
    if (value == 0x1FFFFFFFu) // clNone
        return QColor(Qt::transparent);
    return ColorFromRef(value & 0x00FFFFFFu);
}

// ---------------------------------------------------------------- property values

namespace DashProp {

void Fail(const TDfmProp& p, const QString& what)
{
    throw EDashFileError(QStringLiteral("Line %1: %2 (%3)").arg(p.Line).arg(what, p.Name));
}

int Int(const TDfmProp& p)
{
    if (p.Value.Kind != TDfmValue::vkInt) Fail(p, QStringLiteral("Invalid property value"));
    if (p.Value.Int < std::numeric_limits<int>::min() ||
        p.Value.Int > std::numeric_limits<int>::max())
        Fail(p, QStringLiteral("Number out of range"));
    return static_cast<int>(p.Value.Int);
}

double Float(const TDfmProp& p)
{
    if (p.Value.Kind == TDfmValue::vkFloat) return p.Value.Float;
    if (p.Value.Kind == TDfmValue::vkInt) return static_cast<double>(p.Value.Int);
    Fail(p, QStringLiteral("Invalid property value"));
}

bool Bool(const TDfmProp& p)
{
    if (p.Value.Kind == TDfmValue::vkIdent) {
        if (p.Value.Text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
        if (p.Value.Text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    }
    Fail(p, QStringLiteral("Invalid property value"));
}

QString String(const TDfmProp& p)
{
    if (p.Value.Kind != TDfmValue::vkString) Fail(p, QStringLiteral("Invalid property value"));
    return p.Value.Text;
}

uint32_t Colour(const TDfmProp& p)
{
    if (p.Value.Kind == TDfmValue::vkIdent) {
        if (const auto c = ColourFromIdent(p.Value.Text)) return *c;
        Fail(p, QStringLiteral("Unknown colour %1").arg(p.Value.Text));
    }
    if (p.Value.Kind == TDfmValue::vkInt && p.Value.Int >= std::numeric_limits<int32_t>::min() &&
        p.Value.Int <= std::numeric_limits<uint32_t>::max())
        return static_cast<uint32_t>(p.Value.Int);
    Fail(p, QStringLiteral("Invalid property value"));
}

int Enum(const TDfmProp& p, const std::vector<const char*>& names)
{
    if (p.Value.Kind == TDfmValue::vkIdent)
        for (size_t i = 0; i < names.size(); ++i)
            if (p.Value.Text == QLatin1String(names[i])) return static_cast<int>(i);
    Fail(p, QStringLiteral("Invalid property value"));
}

TDfmProp MakeInt(const QString& name, int64_t v)
{
    return {name, TDfmValue::FromInt(v), 0};
}
TDfmProp MakeFloat(const QString& name, double v)
{
    return {name, TDfmValue::FromFloat(v), 0};
}
TDfmProp MakeBool(const QString& name, bool v)
{
    return {name, TDfmValue::FromBool(v), 0};
}
TDfmProp MakeString(const QString& name, const QString& v)
{
    return {name, TDfmValue::FromString(v), 0};
}
TDfmProp MakeIdent(const QString& name, const QString& v)
{
    return {name, TDfmValue::FromIdent(v), 0};
}
TDfmProp MakeColour(const QString& name, uint32_t v)
{
    if (const auto id = ColourIdent(v)) return MakeIdent(name, *id);
    return MakeInt(name, static_cast<int32_t>(v));
}

} // namespace DashProp

// ---------------------------------------------------------------- number lists

QString IntListToText(const std::vector<int>& values, int digits, bool hex)
{
    QStringList parts;
    for (int v : values)
        parts << (hex ? QLatin1Char('$') + QString::number(static_cast<uint32_t>(v), 16)
                                               .toUpper()
                                               .rightJustified(digits, QLatin1Char('0'))
                      : QString::number(v));
    return parts.join(QLatin1Char(','));
}

std::vector<int> TextToIntList(const QString& text)
{
    std::vector<int> out;
    if (text.isEmpty()) return out;
    for (const QString& piece : text.split(QLatin1Char(',')))
        out.push_back(StrToInt(piece.trimmed()));
    return out;
}

QString FloatListToText(const std::vector<double>& values)
{
    QStringList parts;
    for (double v : values)
        parts << QString::number(v, 'g', 15);
    return parts.join(QLatin1Char(','));
}

std::vector<double> TextToFloatList(const QString& text)
{
    std::vector<double> out;
    if (text.isEmpty()) return out;
    for (const QString& piece : text.split(QLatin1Char(',')))
        out.push_back(StrToFloat(piece.trimmed()));
    return out;
}

void LoadPicture(QImage& image, const QString& fileName, const QString& baseDir)
{
    const QString ext = QFileInfo(fileName).suffix().toLower();
    const char* format = ext == QLatin1String("bmp")   ? "BMP"
                         : ext == QLatin1String("png") ? "PNG"
                                                       : nullptr;
    if (!format) return;
    const QString path =
        QDir::isAbsolutePath(fileName) ? fileName : QDir(baseDir).filePath(fileName);
    QImageReader reader(path, format);
    // A picture bigger than any screen is refused rather than decoded into memory.
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > 16384 || size.height() > 16384)) return;
    QImage loaded;
    if (reader.read(&loaded) && !loaded.isNull()) image = loaded;
}

// ---------------------------------------------------------------- TDashControl

namespace {
constexpr int MaxSide = 16384;
constexpr int64_t MaxCachedFace = 4096 * 4096;
} // namespace

TDashControl::TDashControl(TDashHost* host) : FHost(host) {}

void TDashControl::SetBounds(const QRect& r)
{
    if (r == FBounds) return;
    FBounds = r;
    Invalidate();
}

void TDashControl::SetTransparent(bool v)
{
    if (v == FTransparent) return;
    FTransparent = v;
    Invalidate();
}

uint32_t TDashControl::Color() const
{
    return FParentColor && FHost ? FHost->ScreenColour() : FColor;
}

void TDashControl::SetColor(uint32_t c)
{
    FColor = c;
    FParentColor = false;
    Invalidate();
}

const TDashFont& TDashControl::Font() const
{
    return FParentFont && FHost ? FHost->ScreenFont() : FFont;
}

void TDashControl::SetFont(const TDashFont& f)
{
    FFont = f;
    FParentFont = false;
    Invalidate();
}

void TDashControl::Invalidate()
{
    FFaceValid = false;
    if (FHost) FHost->RepaintAll();
}

void TDashControl::ParentChanged()
{
    if (FParentColor || FParentFont) FFaceValid = false;
}

bool TDashControl::ReadProperty(const TDfmProp& p)
{
    using namespace DashProp;
    const QString& n = p.Name;
    // Positions far off any screen are pulled in, so that right and bottom stay representable.
    if (n == QLatin1String("Left"))
        SetBounds(QRect(std::clamp(Int(p), -MaxSide, MaxSide), FBounds.top(), FBounds.width(),
                        FBounds.height()));
    else if (n == QLatin1String("Top"))
        SetBounds(QRect(FBounds.left(), std::clamp(Int(p), -MaxSide, MaxSide), FBounds.width(),
                        FBounds.height()));
    else if (n == QLatin1String("Width"))
        SetBounds(
            QRect(FBounds.left(), FBounds.top(), std::clamp(Int(p), 0, MaxSide), FBounds.height()));
    else if (n == QLatin1String("Height"))
        SetBounds(
            QRect(FBounds.left(), FBounds.top(), FBounds.width(), std::clamp(Int(p), 0, MaxSide)));
    else if (n == QLatin1String("Tag"))
        Tag = Int(p);
    else if (n == QLatin1String("Hint"))
        Hint = String(p);
    else if (n == QLatin1String("Cursor")) {
        if (p.Value.Kind != TDfmValue::vkIdent && p.Value.Kind != TDfmValue::vkInt)
            Fail(p, QStringLiteral("Invalid property value"));
        FCursor = p.Value;
        FHasCursor = true;
    } else if (n == QLatin1String("Transparent"))
        SetTransparent(Bool(p));
    else if (PublishesColor() && n == QLatin1String("Color"))
        SetColor(Colour(p));
    else if (PublishesFont() && n.startsWith(QLatin1String("Font."))) {
        if (FParentFont && FHost) FFont = FHost->ScreenFont();
        if (!FFont.Read(n.mid(5), p.Value)) return false;
        FParentFont = false;
        Invalidate();
    } else
        return false;
    return true;
}

void TDashControl::WriteProperties(std::vector<TDfmProp>& out) const
{
    using namespace DashProp;
    out.push_back(MakeInt(QStringLiteral("Left"), FBounds.left()));
    out.push_back(MakeInt(QStringLiteral("Top"), FBounds.top()));
    out.push_back(MakeInt(QStringLiteral("Width"), FBounds.width()));
    out.push_back(MakeInt(QStringLiteral("Height"), FBounds.height()));
    if (Tag != 0) out.push_back(MakeInt(QStringLiteral("Tag"), Tag));
    if (FHasCursor) out.push_back({QStringLiteral("Cursor"), FCursor, 0});
    if (!Hint.isEmpty()) out.push_back(MakeString(QStringLiteral("Hint"), Hint));
    if (FTransparent) out.push_back(MakeBool(QStringLiteral("Transparent"), true));
    if (PublishesColor() && !FParentColor)
        out.push_back(MakeColour(QStringLiteral("Color"), FColor));
    if (PublishesFont() && !FParentFont) FFont.Write(QStringLiteral("Font"), out);
}

void TDashControl::Paint(QPainter& p)
{
    const QSize size = FBounds.size();
    if (size.isEmpty()) return;
    if (int64_t(size.width()) * size.height() > MaxCachedFace) {
        // Too big to keep a copy of (a screen file may ask for any size): the face is drawn
        // straight onto the screen, clipped to it, every time.
        FFace = QImage();
        FFaceValid = false;
        DrawFace(p);
        FaceRedrawn();
        DrawValue(p);
        return;
    }
    if (!FFaceValid || FFace.size() != size) {
        FFace = QImage(size, QImage::Format_ARGB32_Premultiplied);
        FFace.fill(Qt::transparent);
        QPainter fp(&FFace);
        DrawFace(fp);
        FFaceValid = true;
    }
    p.drawImage(0, 0, FFace);
    FaceRedrawn();
    DrawValue(p);
}

void TDashControl::DrawRotatedText(QPainter& p, int cx, int cy, const QString& text, int angle,
                                   const QColor& brush) const
{
    const TDashFont& font = Font();
    const QFont qf = font.ToQFont();
    const QFontMetrics fm(qf);
    const int w = fm.horizontalAdvance(text);
    const int h = fm.height();
    const double theta = angle * M_PI / 180.0 / 10.0;
    const int x =
        cx - static_cast<int>(RoundHalfEven((std::cos(theta) * w + std::sin(theta) * h) / 2));
    const int y =
        cy + static_cast<int>(RoundHalfEven((std::sin(theta) * w - std::cos(theta) * h) / 2));
    p.save();
    p.translate(x, y);
    if (angle != 0) p.rotate(-angle / 10.0);
    if (!FTransparent) p.fillRect(QRect(0, 0, w, h), brush);
    p.setFont(qf);
    p.setPen(DashColour(font.Color));
    p.drawText(QPoint(0, fm.ascent()), text);
    p.restore();
}

// ---------------------------------------------------------------- TDashText

TDashText::TDashText(TDashHost* host) : TDashControl(host)
{
    FBounds = QRect(0, 0, 75, 20);
}

void TDashText::SetCaption(const QString& c)
{
    if (c == FCaption) return;
    FCaption = c;
    Invalidate();
}

void TDashText::SetAngle(double a)
{
    FAngle = a;
    Invalidate();
}

bool TDashText::ReadProperty(const TDfmProp& p)
{
    if (p.Name == QLatin1String("Caption"))
        SetCaption(DashProp::String(p));
    else if (p.Name == QLatin1String("Angle"))
        SetAngle(DashProp::Float(p));
    else
        return TDashControl::ReadProperty(p);
    return true;
}

void TDashText::WriteProperties(std::vector<TDfmProp>& out) const
{
    TDashControl::WriteProperties(out);
    if (FAngle != 0) out.push_back(DashProp::MakeFloat(QStringLiteral("Angle"), FAngle));
    if (!FCaption.isEmpty())
        out.push_back(DashProp::MakeString(QStringLiteral("Caption"), FCaption));
}

void TDashText::DrawFace(QPainter& p)
{
    const double tenths = std::clamp(FAngle * 10, -1e9, 1e9);
    DrawRotatedText(p, Width() / 2, Height() / 2, FCaption, static_cast<int>(RoundHalfEven(tenths)),
                    DashColour(Color()));
}
