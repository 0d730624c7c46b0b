#pragma once

// The gauge base (data binding, update rate, value setters) and the background picture.

#include "DashGen.h"
#include "EcuTypes.h"
#include "SensorTypes.h"

enum TDashDataSource : int { ddsECU = 0, ddsExternal = 1 };

class TDashGauge : public TDashControl {
  public:
    explicit TDashGauge(TDashHost* host);

    int UpdateInterval() const { return FUpdateInterval; }
    void SetUpdateInterval(int n) { FUpdateInterval = n == 0 ? 1 : n; } // 0 would divide by zero
    int UpdateOffset() const { return FUpdateOffset; }
    void SetUpdateOffset(int n) { FUpdateOffset = n; }

    TDashDataSource DataSource() const { return FDataSource; }
    void SetDataSource(TDashDataSource s) { FDataSource = s; }
    TEcuParam DataChannelECUAnalogue() const { return FChannelAnalogue; }
    void SetDataChannelECUAnalogue(TEcuParam p) { FChannelAnalogue = p; }
    TEcuSwitch DataChannelECUDigital() const { return FChannelDigital; }
    void SetDataChannelECUDigital(TEcuSwitch s) { FChannelDigital = s; }
    TSensorChannel DataChannelExternal() const { return FChannelExternal; }
    void SetDataChannelExternal(TSensorChannel c) { FChannelExternal = c; }

    double ValueAnalogue() const { return FValueAnalogue; }
    virtual void SetValueAnalogue(double v);
    bool ValueDigital() const { return FValueDigital; }
    virtual void SetValueDigital(bool b);
    virtual void SimulateValue() {}

    bool Invert() const { return FInvert; }
    void SetInvert(bool v);
    bool RedrawScreen() const { return FRedrawScreen; }
    void SetRedrawScreen(bool v) { FRedrawScreen = v; }

    int SmallSide() const { return std::min(Width(), Height()); }

    bool ReadProperty(const TDfmProp& p) override;
    void WriteProperties(std::vector<TDfmProp>& out) const override;

  protected:
    virtual void ValueChanged() {}

    // Which of the binding properties this kind publishes.
    bool FPubDataSource = false, FPubAnalogue = false, FPubDigital = false, FPubExternal = false;
    bool FPubValueAnalogue = false, FPubValueDigital = false;

    int FUpdateInterval = 1;
    int FUpdateOffset = 0;
    TDashDataSource FDataSource = ddsECU;
    TEcuParam FChannelAnalogue = epEngspd;
    TEcuSwitch FChannelDigital = esTestMode;
    TSensorChannel FChannelExternal = lj0;
    double FValueAnalogue = 0;
    bool FValueDigital = false;
    bool FInvert = false;
    bool FFullRepaint = false;
    bool FRedrawScreen = false;
};

enum TDBPosition : int { dbCentred = 0, dbTiled = 1, dbStretched = 2 };

class TDashBackground : public TDashControl {
  public:
    explicit TDashBackground(TDashHost* host);
    QString ClassName() const override { return QStringLiteral("TDashBackground"); }

    TDBPosition Position() const { return FPosition; }
    void SetPosition(TDBPosition p);
    QString BitmapFile() const { return FBitmapFile; }
    void SetBitmapFile(const QString& f);
    bool PictureLoaded() const { return !FPicture.isNull(); }
    // The text shown when no picture could be loaded.
    QString NotLoadedText() const;

    bool ReadProperty(const TDfmProp& p) override;
    void WriteProperties(std::vector<TDfmProp>& out) const override;

  protected:
    void DrawFace(QPainter& p) override;
    bool PublishesColor() const override { return false; }
    bool PublishesFont() const override { return false; }

  private:
    TDBPosition FPosition = dbCentred;
    QString FBitmapFile;
    QImage FPicture;
};
