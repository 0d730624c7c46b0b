#pragma once

// The round dial: ticks, labels, caption and a colour band on a cached face, and an XOR
// needle with peak and trough markers drawn over it.

#include "AnalGauge.h"

class TRoundGauge : public TAnalDashGauge {
  public:
    explicit TRoundGauge(TDashHost* host);
    QString ClassName() const override { return QStringLiteral("TRoundGauge"); }

    // Integer properties by their file names (AngleStart, TickCount, ...).
    struct TIntProps {
        int AngleStart = -135, AngleEnd = 135, AxleRadius = 10, SmallTicks = 4, TickCount = 21,
            TickWidth = 2, TickWidthSmall = 0, TickTextRadius = 65, TickStart = 47, TickEnd = 55,
            TickStartSmall = 50, TickEndSmall = 55, NeedleStart = 15, NeedleEnd = 30,
            NeedleWidth = 2, TextInterval = 2, TextDPs = 0, BandStart = 35, BandEnd = 45;
    };
    const TIntProps& Ints() const { return FInts; }
    void SetInts(const TIntProps& v);
    uint32_t AxleColour = 0x808080, TickColourSmall = 0xFF0000, TickColour = 0x0000FF,
             NeedleColour = 0xFFFFFF;
    void SetColours(uint32_t axle, uint32_t tickSmall, uint32_t tick, uint32_t needle);
    TDashFont TickTextFont;
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& c);
    QString BandColours() const { return IntListToText(FBandColours, 6, true); }
    void SetBandColours(const QString& text);
    QString BandIndices() const { return FloatListToText(FBandIndices); }
    void SetBandIndices(const QString& text);

    // The band's colour ($00BBGGRR) at a value.
    uint32_t BandColourAt(double v) const;
    // Dial angle in degrees (0 up, clockwise) of a value.
    double ValueAngle(double v) const;
    // The point at radius r and dial angle a.
    QPoint DialPoint(double r, double a) const;
    // The label text of major tick k (of 0 .. TickCount - 1).
    QString TickLabel(int major) const;

    void DrawValue(QPainter& p) override;
    bool ReadProperty(const TDfmProp& p) override;
    void WriteProperties(std::vector<TDfmProp>& out) const override;

  protected:
    void DrawFace(QPainter& p) override;
    void FaceRedrawn() override { FNeedleDrawn = FPeakDrawn = FTroughDrawn = false; }

  private:
    void DialLine(QPainter& p, double r1, double r2, const QColor& colour, int width,
                  double a) const;
    void DialText(QPainter& p, const QString& text, double r, double a) const;
    void MoveNeedle(QPainter& p, double angle, double& last, bool& drawn, const QColor& colour,
                    int width);

    TIntProps FInts;
    QString FCaption;
    std::vector<int> FBandColours{0xFF2020, 0x20FF20, 0x20FF20, 0x2020FF};
    std::vector<double> FBandIndices{0, 25, 50, 100};
    double FNeedleAngle = -10000, FPeakAngle = -10000, FTroughAngle = -10000;
    bool FNeedleDrawn = false, FPeakDrawn = false, FTroughDrawn = false;
};
