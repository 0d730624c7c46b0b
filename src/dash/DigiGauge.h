#pragma once

// Lamps: an on/off state shown as a coloured shape or one of two pictures, with a sound on
// each change; fed by an ECU switch or by an analogue value against a threshold.

#include "DashGauge.h"

enum TDigiShape : int {
    dsCircle = 0,
    dsSquare = 1,
    dsRoundedSquare = 2,
    dsEllipse = 3,
    dsRectangle = 4,
    dsRoundedRectangle = 5
};

class TDigiDashGauge : public TDashGauge {
  public:
    explicit TDigiDashGauge(TDashHost* host);

    TDigiShape Shape() const { return FShape; }
    void SetShape(TDigiShape s);
    uint32_t ColourTrue() const { return FColourTrue; }
    void SetColourTrue(uint32_t c);
    uint32_t ColourFalse() const { return FColourFalse; }
    void SetColourFalse(uint32_t c);
    bool BitmapsUse() const { return FBitmapsUse; }
    void SetBitmapsUse(bool v);
    QString BitmapTrue() const { return FBitmapTrue; }
    void SetBitmapTrue(const QString& f);
    QString BitmapFalse() const { return FBitmapFalse; }
    void SetBitmapFalse(const QString& f);
    bool SoundUse = false;
    QString SoundTrue, SoundFalse;
    bool Visible() const override { return FVisible; }
    void SetVisible(bool v);

    // The box the shape is drawn in.
    QRect ShapeBox() const;

    void SetValueDigital(bool b) override;
    void SimulateValue() override;
    void DrawValue(QPainter& p) override;
    bool ReadProperty(const TDfmProp& p) override;
    void WriteProperties(std::vector<TDfmProp>& out) const override;

  protected:
    void DrawFace(QPainter&) override {} // the area around the shape is never painted
    void ValueChanged() override;

    TDigiShape FShape = dsCircle;
    uint32_t FColourTrue = 0x0000FF, FColourFalse = 0x808080;
    bool FBitmapsUse = false;
    QString FBitmapTrue, FBitmapFalse;
    QImage FPictureTrue, FPictureFalse;
    bool FVisible = true;
};

class TSwitchDashGauge : public TDigiDashGauge {
  public:
    explicit TSwitchDashGauge(TDashHost* host);
    QString ClassName() const override { return QStringLiteral("TSwitchDashGauge"); }
};

class TThresholdGauge : public TDigiDashGauge {
  public:
    explicit TThresholdGauge(TDashHost* host);
    QString ClassName() const override { return QStringLiteral("TThresholdGauge"); }

    double Threshold() const { return FThreshold; }
    void SetThreshold(double t);
    void SetValueAnalogue(double v) override;
    bool ReadProperty(const TDfmProp& p) override;
    void WriteProperties(std::vector<TDfmProp>& out) const override;

  private:
    double FThreshold = 0;
};
