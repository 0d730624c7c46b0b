#pragma once

// The base of every dash element: a windowless object with a bounds rectangle that the
// screen paints in file order. An element's static part (its face) is drawn once into an
// image and kept until a property changes; the moving part is drawn over it.

#include "Clock.h"
#include "DashFile.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

#include <vector>

class QPainter;
class TSounds;
class TDashControl;

// What an element needs of the screen it sits on.
class TDashHost {
  public:
    virtual ~TDashHost() = default;
    virtual uint32_t ScreenColour() const = 0;
    virtual const struct TDashFont& ScreenFont() const = 0;
    // The whole screen must be painted again (a property changed, a transparent element).
    virtual void RepaintAll() = 0;
    // Paint the element's moving part now, over what is already on the screen.
    virtual void DrawValueOf(TDashControl& element) = 0;
    // Folder against which relative file names in the screen are taken.
    virtual QString BaseDirectory() const = 0;
    virtual TSounds& GetSounds() const = 0;
    virtual QSize ClientSize() const = 0;
    // Milliseconds for peak and trough holding; a test host steps its own clock.
    virtual uint32_t Now() const { return GetTickCount(); }
};

// The font of a screen file: Name, Height (negative: pixels), Color, Style, Charset.
struct TDashFont {
    QString Name = QStringLiteral("MS Sans Serif");
    int Height = -11;
    uint32_t Color = 0x80000008; // clWindowText
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    int Charset = 1; // DEFAULT_CHARSET
    QString Pitch;   // kept for writing back; empty = fpDefault

    QFont ToQFont() const;
    bool operator==(const TDashFont& o) const;
    // Reads Font.<sub>; false for an unknown sub-property.
    bool Read(const QString& sub, const TDfmValue& v);
    void Write(const QString& prefix, std::vector<TDfmProp>& out) const;
};

// A colour value as drawn: plain $00BBGGRR values directly, system colours from the
// platform's palette.
QColor DashColour(uint32_t value);

// Value conversions for the readers of the elements; each throws EDashFileError naming
// the property's line when the value has the wrong kind.
namespace DashProp {
int Int(const TDfmProp& p);
double Float(const TDfmProp& p);
bool Bool(const TDfmProp& p);
QString String(const TDfmProp& p);
uint32_t Colour(const TDfmProp& p);
// An enumeration value by its identifiers (index = ordinal).
int Enum(const TDfmProp& p, const std::vector<const char*>& names);
[[noreturn]] void Fail(const TDfmProp& p, const QString& what);

TDfmProp MakeInt(const QString& name, int64_t v);
TDfmProp MakeFloat(const QString& name, double v);
TDfmProp MakeBool(const QString& name, bool v);
TDfmProp MakeString(const QString& name, const QString& v);
TDfmProp MakeIdent(const QString& name, const QString& v);
TDfmProp MakeColour(const QString& name, uint32_t v);
} // namespace DashProp

// The comma-separated number lists of list-valued properties. The readers throw
// EConvertError on a piece that is not a number; an empty text gives an empty list.
QString IntListToText(const std::vector<int>& values, int digits, bool hex);
std::vector<int> TextToIntList(const QString& text);
QString FloatListToText(const std::vector<double>& values);
std::vector<double> TextToFloatList(const QString& text);

// Loads a .bmp or .png file; anything else, or a file that cannot be read, leaves the
// image as it was. Relative names are taken against baseDir.
void LoadPicture(QImage& image, const QString& fileName, const QString& baseDir);

class TDashControl {
  public:
    explicit TDashControl(TDashHost* host);
    virtual ~TDashControl() = default;
    TDashControl(const TDashControl&) = delete;
    TDashControl& operator=(const TDashControl&) = delete;

    virtual QString ClassName() const = 0;

    QString Name;
    int Tag = 0;
    QString Hint;
    QRect Bounds() const { return FBounds; }
    void SetBounds(const QRect& r);
    int Width() const { return FBounds.width(); }
    int Height() const { return FBounds.height(); }

    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool v);
    virtual bool Visible() const { return true; }

    // Colour and font: the screen's until the file (or a setter) gives the element its own.
    uint32_t Color() const;
    void SetColor(uint32_t c);
    const TDashFont& Font() const;
    void SetFont(const TDashFont& f);
    bool ParentColor() const { return FParentColor; }
    bool ParentFont() const { return FParentFont; }

    // One property line of the screen file; false when this class does not publish it.
    virtual bool ReadProperty(const TDfmProp& p);
    // The published properties that differ from their defaults, in file order.
    virtual void WriteProperties(std::vector<TDfmProp>& out) const;

    // The whole element: the cached face, then the moving part. The painter's origin is
    // the element's top-left corner. A face of more than 4096 x 4096 pixels is not cached
    // but drawn straight onto the screen.
    void Paint(QPainter& p);
    qsizetype CachedFaceBytes() const { return FFace.sizeInBytes(); }
    // The moving part alone, over the face already on the screen.
    virtual void DrawValue(QPainter&) {}
    // The face must be drawn again before the next paint.
    void Invalidate();
    // The screen's colour or font changed.
    void ParentChanged();

    // Text centred on (cx, cy), rotated by angle tenths of a degree counter-clockwise.
    void DrawRotatedText(QPainter& p, int cx, int cy, const QString& text, int angle,
                         const QColor& brush) const;

  protected:
    virtual void DrawFace(QPainter& p) = 0;
    // Called after the face was drawn afresh: the moving part is no longer on the screen.
    virtual void FaceRedrawn() {}
    // Which of Color and Font this class publishes.
    virtual bool PublishesColor() const { return true; }
    virtual bool PublishesFont() const { return true; }

    TDashHost* FHost;
    QRect FBounds;
    bool FTransparent = false;
    bool FParentColor = true;
    bool FParentFont = true;
    uint32_t FColor = 0x8000000F; // clBtnFace until the screen's colour is taken
    TDashFont FFont;
    TDfmValue FCursor; // kept as read, written back when given
    bool FHasCursor = false;

  private:
    QImage FFace;
    bool FFaceValid = false;
};

class TDashText : public TDashControl {
  public:
    explicit TDashText(TDashHost* host);
    QString ClassName() const override { return QStringLiteral("TDashText"); }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& c);
    double Angle() const { return FAngle; }
    void SetAngle(double a);

    bool ReadProperty(const TDfmProp& p) override;
    void WriteProperties(std::vector<TDfmProp>& out) const override;

  protected:
    void DrawFace(QPainter& p) override;

  private:
    QString FCaption;
    double FAngle = 0;
};
