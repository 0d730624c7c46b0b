#pragma once

// Analogue gauges: the shared binding and text scaling, the value range with its peak and
// trough memory, and the number display.

#include "DashGauge.h"

#include <cstdint>

class TAnalogueControl : public TDashGauge {
  public:
    explicit TAnalogueControl(TDashHost* host);
    double TextDivide() const { return FTextDivide; }
    void SetTextDivide(double v);
    double TextOffset() const { return FTextOffset; }
    void SetTextOffset(double v);
    void SimulateValue() override;

  protected:
    double FTextDivide = 1;
    double FTextOffset = 0;
};

class TAnalDashGauge : public TAnalogueControl {
  public:
    explicit TAnalDashGauge(TDashHost* host);

    double MinVal() const { return FMinVal; }
    void SetMinVal(double v);
    double MaxVal() const { return FMaxVal; }
    void SetMaxVal(double v);
    bool PeakShow() const { return FPeakShow; }
    void SetPeakShow(bool v);
    bool TroughShow() const { return FTroughShow; }
    void SetTroughShow(bool v);
    int PeakPeriod() const { return FPeakPeriod; }
    void SetPeakPeriod(int ms) { FPeakPeriod = ms; }
    int TroughPeriod() const { return FTroughPeriod; }
    void SetTroughPeriod(int ms) { FTroughPeriod = ms; }
    double PeakValue() const { return FPeakValue; }
    double TroughValue() const { return FTroughValue; }

    // Every value is stored and moves the peak and trough, even when it equals the last
    // one: skipping equal values would hold a stale peak past its period.
    void SetValueAnalogue(double v) override;
    void SimulateValue() override;

    bool ReadProperty(const TDfmProp& p) override;
    void WriteProperties(std::vector<TDfmProp>& out) const override;

  protected:
    // The scale span, never zero, so that drawing never divides by it.
    double Span() const;
    void WritePeakTrough(std::vector<TDfmProp>& out) const;

    double FMinVal = 0;
    double FMaxVal = 100;
    bool FPeakShow = false, FTroughShow = false;
    int FPeakPeriod = 2000, FTroughPeriod = 2000;
    double FPeakValue = -100000;
    uint32_t FPeakTime = 0;
    double FTroughValue = 100000;
    uint32_t FTroughTime = 0;
};

class TAnalTextGauge : public TAnalogueControl {
  public:
    explicit TAnalTextGauge(TDashHost* host);
    QString ClassName() const override { return QStringLiteral("TAnalTextGauge"); }

    double Angle() const { return FAngle; }
    void SetAngle(double a);
    int DecimalPlaces() const { return FDecimalPlaces; }
    void SetDecimalPlaces(int n);
    QString TextBefore() const { return FTextBefore; }
    void SetTextBefore(const QString& s);
    QString TextAfter() const { return FTextAfter; }
    void SetTextAfter(const QString& s);
    // The text shown for the current value.
    QString ValueText() const;

    void SetValueAnalogue(double v) override;
    void DrawValue(QPainter& p) override;
    bool ReadProperty(const TDfmProp& p) override;
    void WriteProperties(std::vector<TDfmProp>& out) const override;

  protected:
    void DrawFace(QPainter& p) override;

  private:
    double FAngle = 0;
    int FDecimalPlaces = 0;
    QString FTextBefore, FTextAfter;
};
