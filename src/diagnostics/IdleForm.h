#pragma once

// The Idle Speeds window: shifts the idle speed in 25 RPM steps, with the air conditioning
// off and on. Once a second it writes one changed value (air-con off first) or reads both
// back; a value read that differs from the one shown replaces it and is written back at the
// next step. Live tuning can set offsets beyond this window's range: such a value is shown
// as read, with a note, and is never written back unless the user changes it.

#include "EcuInterface.h"
#include "ToolWindowHost.h"

#include <QDialog>

#include <array>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;

class TfrmIdle : public QDialog {
    Q_OBJECT
  public:
    static constexpr int StepInterval = 1000;
    static constexpr int MinRpm = -300;
    static constexpr int MaxRpm = 300;
    static constexpr int RpmStep = 25;

    explicit TfrmIdle(const TToolWindowHost& host, QWidget* parent = nullptr);
    ~TfrmIdle() override;

    void FormShow();
    void FormHide();
    void TimerTimer();
    void btnOKClick();
    void SpinIdleChange();
    void SpinIdleACChange();
    void ParamValuesReceived(const TParamSet& received, const TParamRaw& raw);

    // True while the control shows a value read beyond its range (set by live tuning).
    bool ShowsTunedValue(int which) const { return FOutside[which]; }

    bool IdleChanged = false;
    bool IdleACChanged = false;
    QSpinBox *SpinIdle, *SpinIdleAC;
    std::array<QLabel*, 2> lblTuned{}; // the notes beside each control
    QPlainTextEdit* memHelp;
    QPushButton* btnOK;
    QTimer* Timer;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    TEcuInterface* Link() const { return FHost.GetLink(); }
    QSpinBox* Spin(int which) const { return which == 0 ? SpinIdle : SpinIdleAC; }
    void ShowRead(int which, int rpm);
    void UserChanged(int which);

    TToolWindowHost FHost;
    bool FUpdating = false; // the window itself is changing a control's range
    std::array<bool, 2> FOutside{};
};
