#pragma once

// A dash screen window: a borderless window that shows one screen file, drives its own ECU
// requests at each gauge's rate and feeds the replies to the gauges.

#include "DashScreen.h"
#include "EcuInterface.h"
#include "SensorTypes.h"
#include "ToolWindowHost.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class TDashGauge;
class TDashDtcText;

class TDashGaugeForm : public QWidget {
    Q_OBJECT
  public:
    explicit TDashGaugeForm(const TToolWindowHost& host, QWidget* parent = nullptr);
    ~TDashGaugeForm() override;

    // Replaces the content by the file and starts the screen; false (with the error shown)
    // when the file could not be read.
    bool LoadScreen(const QString& fileName);
    void SaveScreen(const QString& fileName);
    void ShowScreen(int n);
    void NextScreen();
    void PreviousScreen();
    // Writes the ten screens of this window's content, unless the folder exists.
    void CreateDefaultScreens();

    void ClearScreen();
    void BindGauges();
    void RequestNext();
    void OnValuesReceived(const TParamSet& received, const TParamValues& values,
                          const TParamRaw& raw, const TSwitchSet& present,
                          const TSwitchSet& switches);
    void OnRawReceived(const TLongWordArray& addresses, int countMinusOne,
                       const TByteArray& payload);

    TDashScreen& Screen() { return FScreen; }
    const TDashSchedule& Schedule() const { return FSchedule; }
    TDashDtcText* DtcText() const { return FDtcText; }
    bool DtcDue() const { return FDtcDue; }
    QString FileName() const { return FFileName; }
    int ScreenNumber() const { return FScreenNumber; }
    const std::vector<TDashGauge*>& EcuGauges() const { return FEcuGauges; }
    const std::vector<TDashGauge*>& ExternalGauges() const { return FExternalGauges; }
    const std::vector<TDashGauge*>& SwitchGauges() const { return FSwitchGauges; }
    bool ExternalTimerActive() const { return FExternalTimer.isActive(); }
    // The millisecond clock of the long-press test; tests step their own.
    std::function<uint32_t()> Clock;

    // The screen file of screen n in the folder ("Form.Cfg", any letter case).
    static QString ScreenFile(const QString& screensDir, int n);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void ReleaseLink();
    void UpdateExternal();
    void PlaceOnMonitor();

    TToolWindowHost FHost;
    TDashScreen FScreen;
    TDashSchedule FSchedule;
    std::vector<TDashGauge*> FEcuGauges, FExternalGauges, FSwitchGauges;
    TDashDtcText* FDtcText = nullptr;
    bool FDtcDue = false;
    QString FFileName;
    int FScreenNumber = 0;
    uint32_t FPressTime = 0;
    // Drives the external gauges of a screen that asks the ECU for nothing.
    QTimer FExternalTimer;
    bool FHoldsLink = false;
};

// The screen designer's window: its only content is the built-in default dash.
class TDashDesignForm : public TDashGaugeForm {
    Q_OBJECT
  public:
    explicit TDashDesignForm(const TToolWindowHost& host, QWidget* parent = nullptr);
};

// "In Car Dashboard...": writes the default screens when there are none, then opens a new
// window on screen 0. Null (with the message shown) when screen 0 has no file.
TDashGaugeForm* OpenInCarDash(const TToolWindowHost& host);
