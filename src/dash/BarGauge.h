#pragma once

// The LED bar: a row or column of segments, lit up to the value (or only the one at the
// value), with peak and trough segments.

#include "AnalGauge.h"

#include <utility>

class TLedBarGauge : public TAnalDashGauge {
  public:
    explicit TLedBarGauge(TDashHost* host);
    QString ClassName() const override { return QStringLiteral("TLedBarGauge"); }

    int SegCount() const { return FSegCount; }
    // Also resets the three colour lists to their defaults for the new count.
    void SetSegCount(int n);
    double Density() const { return FDensity; }
    void SetDensity(double d);
    bool Rounded() const { return FRounded; }
    void SetRounded(bool v);
    bool SingleSegment() const { return FSingleSegment; }
    void SetSingleSegment(bool v);
    QString SegmentColoursOn() const { return IntListToText(FColoursOn, 6, true); }
    void SetSegmentColoursOn(const QString& text);
    QString SegmentColoursOff() const { return IntListToText(FColoursOff, 6, true); }
    void SetSegmentColoursOff(const QString& text);
    QString SegmentColourIdxs() const { return IntListToText(FColourIdxs, 0, false); }
    void SetSegmentColourIdxs(const QString& text);

    // (dark, lit) colour of every segment, $00BBGGRR.
    const std::vector<std::pair<uint32_t, uint32_t>>& SegmentColours() const
    {
        return FSegmentColours;
    }
    double Threshold(int segment) const;
    // Segment rectangle in element coordinates (right and bottom excluded).
    QRect SegmentRect(int segment) const;
    int PeakSegment() const;   // -1 when none
    int TroughSegment() const; // -1 when none

    void DrawValue(QPainter& p) override;
    bool ReadProperty(const TDfmProp& p) override;
    void WriteProperties(std::vector<TDfmProp>& out) const override;

  protected:
    void DrawFace(QPainter& p) override;

  private:
    void ResetLists();
    void ComputeColours();
    void DrawSegment(QPainter& p, int segment, bool lit) const;

    int FSegCount = 20;
    double FDensity = 0.8;
    bool FRounded = false;
    bool FSingleSegment = false;
    std::vector<int> FColoursOn, FColoursOff, FColourIdxs;
    std::vector<std::pair<uint32_t, uint32_t>> FSegmentColours;
};
