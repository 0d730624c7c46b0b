// Drawing, probed on the screen's back buffer: dial ticks, labels, needle, band, markers,
// LED segments, lamp shapes and rotated text; and that a value change draws only the
// moving part over the cached face.
#include "AnalGauge.h"
#include "BarGauge.h"
#include "Colours.h"
#include "DashFile.h"
#include "DashScreen.h"
#include "DigiGauge.h"
#include "RoundGauge.h"
#include "Sounds.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr uint32_t Black = 0x000000;

// A screen of one element on black, with a clock the test steps.
template <class T> struct TOne {
    TDashScreen Screen;
    T* Element;
    uint32_t Time = 100000;
    explicit TOne(QSize size)
    {
        Screen.SetClientSize(size);
        Screen.SetColor(Black);
        Screen.SetClock([this] { return Time; });
        auto e = std::make_unique<T>(&Screen);
        Element = e.get();
        Screen.Elements.push_back(std::move(e));
        Element->SetBounds(QRect(QPoint(0, 0), size));
    }
    QColor At(QPoint p) { return Screen.Buffer().pixelColor(p); }
};

bool Close(const QColor& a, const QColor& b, int tol)
{
    return std::abs(a.red() - b.red()) <= tol && std::abs(a.green() - b.green()) <= tol &&
           std::abs(a.blue() - b.blue()) <= tol;
}

// Whether a pixel of about that colour lies within one pixel of p (line ends round to
// the nearest pixel either way).
bool Near(const QImage& img, QPoint p, const QColor& c, int tol = 40)
{
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
            const QPoint q = p + QPoint(dx, dy);
            if (img.rect().contains(q) && Close(img.pixelColor(q), c, tol)) return true;
        }
    return false;
}

int LitPixels(const QImage& img, const QRect& r)
{
    int n = 0;
    for (int x = r.left(); x <= r.right(); ++x)
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (img.rect().contains(x, y) && img.pixelColor(x, y).lightness() > 60) ++n;
    return n;
}

} // namespace

TEST(DashDraw, DefaultDialTicksAndLabels)
{
    TOne<TRoundGauge> one(QSize(140, 140));
    TRoundGauge& g = *one.Element;
    g.TickTextFont.Color = 0xFFFFFF;
    g.SetCaption(QString());
    const QImage img = one.Screen.Buffer();
    // 21 major ticks from -135 to 135 degrees every 13.5, 60 small ticks between them.
    for (int k = 0; k <= 80; ++k) {
        const double a = -135 + k * 270.0 / 80;
        if (k % 4 == 0)
            EXPECT_TRUE(Near(img, g.DialPoint(51, a), QColor(255, 0, 0))) << "major " << k / 4;
        else
            EXPECT_TRUE(Near(img, g.DialPoint(52.5, a), QColor(0, 0, 255), 150)) << "small " << k;
    }
    // Nothing between two ticks.
    EXPECT_TRUE(Close(img.pixelColor(g.DialPoint(48, -135 + 6.75)), QColor(0, 0, 0), 100));
    // Labels 0, 10 ... 100 on every second major tick, nothing on the others.
    for (int major = 0; major <= 20; ++major) {
        const QPoint c = g.DialPoint(65, -135 + major * 13.5);
        const int lit = LitPixels(img, QRect(c - QPoint(2, 2), QSize(5, 5)));
        if (major % 2 == 0) {
            EXPECT_EQ(g.TickLabel(major), QString::number(major * 5));
            EXPECT_GT(lit, 0) << "label " << major;
        } else {
            EXPECT_EQ(lit, 0) << "no label " << major;
        }
    }
}

TEST(DashDraw, BoostDialLabels)
{
    TRoundGauge g(nullptr);
    g.SetMinVal(-10);
    g.SetMaxVal(20);
    g.SetTextDivide(14.5);
    TRoundGauge::TIntProps v = g.Ints();
    v.TextDPs = 1;
    v.TickCount = 7;
    v.TextInterval = 1;
    g.SetInts(v);
    QStringList labels;
    for (int k = 0; k < 7; ++k)
        labels << g.TickLabel(k);
    EXPECT_EQ(labels.join(' '), QStringLiteral("-0.7 -0.3 0.0 0.3 0.7 1.0 1.4"));
}

TEST(DashDraw, NeedleOfFiftyPointsStraightUpAndErasesItself)
{
    TOne<TRoundGauge> one(QSize(140, 140));
    TRoundGauge& g = *one.Element;
    g.SetCaption(QString());
    g.SetValueAnalogue(50);
    EXPECT_EQ(g.ValueAngle(50), 0.0);
    const QImage before = one.Screen.Buffer();
    EXPECT_TRUE(Near(before, QPoint(70, 70 - 22), QColor(255, 255, 255), 10));
    EXPECT_FALSE(Near(before, g.DialPoint(22, 90), QColor(255, 255, 255), 10));

    // A value change draws only the needle: the old one is erased over the face exactly.
    QImage face = before;
    g.SetValueAnalogue(100);
    EXPECT_FALSE(one.Screen.FullPaintPending());
    const QImage after = one.Screen.Buffer();
    EXPECT_FALSE(Near(after, QPoint(70, 70 - 22), QColor(255, 255, 255), 10));
    EXPECT_TRUE(Near(after, g.DialPoint(22, 135), QColor(255, 255, 255), 10));
    g.SetValueAnalogue(50);
    EXPECT_EQ(one.Screen.Buffer(), face);
}

TEST(DashDraw, BandColourBetweenReferences)
{
    TOne<TRoundGauge> one(QSize(140, 140));
    TRoundGauge& g = *one.Element;
    g.SetBandColours(QStringLiteral("$FF2020,$FF2020,$2020FF,$2020FF"));
    g.SetBandIndices(QStringLiteral("0,50,90,110"));
    EXPECT_EQ(g.BandColourAt(70), 0x902090u);
    EXPECT_EQ(g.BandColourAt(-5), 0xFF2020u);
    EXPECT_EQ(g.BandColourAt(500), 0x2020FFu);
    EXPECT_TRUE(
        Near(one.Screen.Buffer(), g.DialPoint(40, g.ValueAngle(70)), QColor(0x90, 0x20, 0x90), 6));
    // A list shorter than its partner uses the common entries; an empty one gives black.
    g.SetBandIndices(QStringLiteral("0,100"));
    EXPECT_EQ(g.BandColourAt(50), 0xFF2020u);
    g.SetBandColours(QString());
    EXPECT_EQ(g.BandColourAt(50), 0u);
}

TEST(DashDraw, PeakAndTroughMarkersAfterTheValueFalls)
{
    TOne<TRoundGauge> one(QSize(140, 140));
    TRoundGauge& g = *one.Element;
    g.SetCaption(QString());
    g.SetColours(g.AxleColour, g.TickColourSmall, g.TickColour, 0x00FFFF); // a yellow needle
    g.SetPeakShow(true);
    g.SetTroughShow(true);
    for (double v : {20.0, 80.0, 50.0}) {
        g.SetValueAnalogue(v);
        one.Time += 100;
    }
    const QImage img = one.Screen.Buffer();
    EXPECT_TRUE(Near(img, g.DialPoint(25, g.ValueAngle(80)), QColor(0x80, 0x80, 0x80), 4));
    EXPECT_TRUE(Near(img, g.DialPoint(25, g.ValueAngle(20)), QColor(255, 255, 255), 4));
    EXPECT_TRUE(Near(img, g.DialPoint(25, 0), QColor(255, 255, 0), 4));

    // Past PeakPeriod the peak follows the value again, and its old marker is erased.
    one.Time += 2001;
    g.SetValueAnalogue(50);
    EXPECT_EQ(g.PeakValue(), 50);
    EXPECT_FALSE(
        Near(one.Screen.Buffer(), g.DialPoint(25, g.ValueAngle(80)), QColor(0x80, 0x80, 0x80), 4));
    // An equal value still counts: the trough is re-taken once its period is over.
    EXPECT_EQ(g.TroughValue(), 50);
}

TEST(DashDraw, LedSegmentColoursAndThresholds)
{
    TOne<TLedBarGauge> one(QSize(516, 38));
    TLedBarGauge& bar = *one.Element;
    bar.SetMaxVal(50);
    bar.SetSegCount(51);
    EXPECT_EQ(bar.SegmentColourIdxs(),
              QStringLiteral("0,31,36,50")); // the defaults follow the count
    bar.SetSegmentColoursOn(QStringLiteral("$FF2020,$20FF20,$2020FF,$FFFFFF"));
    // Two fifths of the way from reference 1 ($20FF20) to reference 2 ($2020FF).
    EXPECT_EQ(ColorFromRef(bar.SegmentColours()[33].second), QColor(121, 166, 32));
    EXPECT_EQ(bar.SegmentColours()[31].second, 0x20FF20u);
    EXPECT_EQ(bar.SegmentColours()[33].first, 0x004000u);

    bar.SetValueAnalogue(10);
    EXPECT_NEAR(bar.Threshold(9), 9.80, 0.01);
    EXPECT_NEAR(bar.Threshold(10), 10.78, 0.01);
    const QImage img = one.Screen.Buffer();
    for (int s = 0; s <= 10; ++s) {
        const auto [dark, lit] = bar.SegmentColours()[s];
        EXPECT_EQ(ColorToRef(img.pixelColor(bar.SegmentRect(s).center())), s < 10 ? lit : dark)
            << s;
    }
    // Horizontal: left to right, 2 pixels in from the ends.
    EXPECT_EQ(bar.SegmentRect(0).left(), 2);
    EXPECT_LT(bar.SegmentRect(0).left(), bar.SegmentRect(1).left());
    EXPECT_EQ(bar.SegmentRect(50).right(), 516 - 2 - 1);

    // A file's own lists after SegCount replace the defaults; SegCount after them resets them.
    bar.SetSegmentColourIdxs(QStringLiteral("0,10,20,30"));
    bar.SetSegCount(40);
    EXPECT_EQ(bar.SegmentColourIdxs(), QStringLiteral("0,24,28,39"));
    EXPECT_EQ(bar.SegmentColoursOn(), QStringLiteral("$FF2020,$20FF20,$20FF20,$2020FF"));
}

TEST(DashDraw, LedBarModesPeakAndDirection)
{
    TOne<TLedBarGauge> one(QSize(30, 200));
    TLedBarGauge& bar = *one.Element;
    bar.SetSegCount(10);
    EXPECT_GT(bar.SegmentRect(0).top(),
              bar.SegmentRect(9).top()); // a vertical bar fills from the bottom
    bar.SetInvert(true);
    EXPECT_LT(bar.SegmentRect(0).top(), bar.SegmentRect(9).top());
    bar.SetInvert(false);

    bar.SetPeakShow(true);
    bar.SetValueAnalogue(75);
    bar.SetValueAnalogue(25);
    EXPECT_EQ(bar.PeakSegment(), 6); // thresholds 10, 20 ... 100: the highest not above 75
    const auto lit = [&](int s) {
        return ColorToRef(one.Screen.Buffer().pixelColor(bar.SegmentRect(s).center())) ==
               bar.SegmentColours()[s].second;
    };
    EXPECT_TRUE(lit(1));
    EXPECT_FALSE(lit(2));
    EXPECT_TRUE(lit(6));
    bar.SetSingleSegment(true);
    bar.SetValueAnalogue(45);
    EXPECT_FALSE(lit(2));
    EXPECT_TRUE(lit(3));
    EXPECT_TRUE(lit(6)); // still the peak
    EXPECT_FALSE(lit(0));

    // Nonsense from a file never breaks the drawing.
    bar.SetDensity(-5);
    bar.SetSegCount(-3);
    bar.SetMinVal(7);
    bar.SetMaxVal(7);
    bar.SetValueAnalogue(std::nan(""));
    (void)one.Screen.Buffer();
}

TEST(DashDraw, LampShapesAt97By33)
{
    TOne<TThresholdGauge> one(QSize(97, 33));
    TThresholdGauge& lamp = *one.Element;
    one.Screen.SetColor(0xFFFFFF); // white around the shape
    lamp.SetColourFalse(0x00FF00);
    const QColor fill(0, 255, 0), outline(0, 0, 0), around(255, 255, 255);

    lamp.SetShape(dsRoundedRectangle);
    QImage img = one.Screen.Buffer();
    EXPECT_EQ(img.pixelColor(48, 16), fill);
    EXPECT_EQ(img.pixelColor(48, 0), outline);
    EXPECT_EQ(img.pixelColor(0, 16), outline);
    EXPECT_EQ(img.pixelColor(96, 16), outline);
    EXPECT_EQ(img.pixelColor(0, 0), around);   // corners of 24 by 8 leave the corner pixel out
    EXPECT_EQ(img.pixelColor(12, 0), outline); // the straight edge starts half a corner in
    EXPECT_EQ(img.pixelColor(1, 1), around);

    lamp.SetShape(dsCircle);
    img = one.Screen.Buffer();
    EXPECT_EQ(lamp.ShapeBox(), QRect(32, 0, 33, 33));
    EXPECT_EQ(img.pixelColor(48, 16), fill);
    EXPECT_EQ(img.pixelColor(32, 16), outline);
    EXPECT_EQ(img.pixelColor(31, 16), around);
    EXPECT_EQ(img.pixelColor(64, 16), outline);
    EXPECT_EQ(img.pixelColor(65, 16), around);
    EXPECT_EQ(img.pixelColor(33, 1), around);

    // Threshold 33 turns on at 33.0 and off at 32.99, redrawing the lamp only.
    lamp.SetThreshold(33);
    lamp.SetValueAnalogue(33.0);
    EXPECT_TRUE(lamp.ValueDigital());
    EXPECT_FALSE(one.Screen.FullPaintPending());
    EXPECT_EQ(one.Screen.Buffer().pixelColor(48, 16), QColor(255, 0, 0));
    lamp.SetValueAnalogue(32.99);
    EXPECT_FALSE(lamp.ValueDigital());
}

TEST(DashDraw, LampSoundsPlayOnlyOnAChange)
{
    TRecordingSounds sounds;
    TDashScreen screen;
    screen.SetSounds(&sounds);
    screen.SetBaseDirectory(QStringLiteral("/screens/4"));
    TSwitchDashGauge lamp(&screen);
    lamp.SoundUse = true;
    lamp.SoundTrue = QStringLiteral("on.wav");
    lamp.SoundFalse = QStringLiteral("/abs/off.wav");
    lamp.SetValueDigital(true);
    lamp.SetValueDigital(true);
    lamp.SetValueDigital(false);
    lamp.SetValueDigital(false);
    ASSERT_EQ(sounds.Calls.size(), 2u);
    EXPECT_EQ(sounds.Calls[0].Name, QStringLiteral("/screens/4/on.wav"));
    EXPECT_EQ(sounds.Calls[1].Name, QStringLiteral("/abs/off.wav"));
}

TEST(DashDraw, TextAtNinetyDegreesReadsUpwardsCentred)
{
    TOne<TDashText> one(QSize(60, 160));
    TDashText& t = *one.Element;
    TDashFont f;
    f.Color = 0xFFFFFF;
    f.Height = -20;
    t.SetFont(f);
    t.SetTransparent(true);
    t.SetCaption(QStringLiteral("WWWWWW"));
    t.SetAngle(90);
    const QImage img = one.Screen.Buffer();
    QRect box;
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < img.height(); ++y)
            if (img.pixelColor(x, y).lightness() > 100) box |= QRect(x, y, 1, 1);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_GT(box.height(), 2 * box.width()); // runs up the element, not across it
    EXPECT_NEAR(box.center().x(), 30, 4);
    EXPECT_NEAR(box.center().y(), 80, 4);
}

TEST(DashDraw, TransparentNumberRepaintsTheScreenOpaqueOneOnlyItself)
{
    TOne<TAnalTextGauge> one(QSize(120, 30));
    TAnalTextGauge& t = *one.Element;
    t.SetDecimalPlaces(2);
    t.SetTextDivide(14.5);
    t.SetTextBefore(QStringLiteral("Boost: "));
    t.SetTextAfter(QStringLiteral(" Bar"));
    t.SetValueAnalogue(29);
    EXPECT_EQ(t.ValueText(), QStringLiteral("  Boost: 2.00 Bar  "));
    (void)one.Screen.Buffer();
    t.SetValueAnalogue(30);
    EXPECT_FALSE(one.Screen.FullPaintPending());
    t.SetTransparent(true);
    (void)one.Screen.Buffer();
    t.SetValueAnalogue(31);
    EXPECT_TRUE(one.Screen.FullPaintPending());
    t.SetDecimalPlaces(-2);
    EXPECT_EQ(t.DecimalPlaces(), 0);
}

TEST(DashDraw, NonsenseDialPropertiesNeverBreakTheDrawing)
{
    TDashScreen screen;
    screen.Load(ParseScreenText(QStringLiteral(
        "object F: TDashGaugeForm\n"
        "  object A: TRoundGauge\n    TickCount = 0\n    SmallTicks = 0\n    TextInterval = 0\n"
        "    MinVal = 5\n    MaxVal = 5\n    TextDivide = 0\n    TextDPs = -3\n  end\n"
        "  object B: TRoundGauge\n    TickCount = 2147483647\n    SmallTicks = 2147483647\n"
        "    AngleStart = -2147483647\n    AngleEnd = 2147483647\n    BandStart = 0\n    BandEnd = "
        "2147483647\n"
        "    NeedleWidth = -4\n    AxleRadius = -9\n  end\n"
        "  object C: TAnalTextGauge\n    TextDivide = 0\n    DecimalPlaces = 2147483647\n  end\n"
        "  object D: TThresholdGauge\n    Left = 2147483647\n    Width = 2147483647\n    Height = "
        "1\n  end\n"
        "end\n")));
    for (auto& e : screen.Elements)
        if (auto* g = dynamic_cast<TDashGauge*>(e.get())) {
            g->SetValueAnalogue(1e300);
            g->SetValueAnalogue(-std::numeric_limits<double>::infinity());
        }
    EXPECT_FALSE(screen.Buffer().isNull());
}

TEST(DashDraw, HugeElementIsDrawnWithoutACachedCopyOfItsFace)
{
    // A screen file may give an element any size up to 16384 pixels a side; a cached face
    // of that would be a gigabyte per element.
    TDashScreen screen;
    screen.Load(ParseScreenText(QStringLiteral(
        "object F: TDashGaugeForm\n  ClientWidth = 200\n  ClientHeight = 100\n  Color = clBlack\n"
        "  object Big: TRoundGauge\n    Left = -8100\n    Top = -8150\n    Width = 16384\n"
        "    Height = 16384\n  end\n"
        "  object Small: TRoundGauge\n    Width = 50\n    Height = 50\n  end\n"
        "end\n")));
    ASSERT_EQ(screen.Elements.size(), 2u);
    screen.PaintAll();
    EXPECT_EQ(screen.Elements[0]->CachedFaceBytes(), 0);
    EXPECT_EQ(screen.Elements[1]->CachedFaceBytes(), 50 * 50 * 4);
    // The big dial is still drawn: its centre lies on the screen.
    const QImage& buffer = screen.Buffer();
    bool drawn = false;
    for (int y = 0; y < 100 && !drawn; ++y)
        for (int x = 60; x < 200 && !drawn; ++x)
            drawn = buffer.pixelColor(x, y) != QColor(Qt::black);
    EXPECT_TRUE(drawn);
}
