#pragma once

// The Live Tuning Adjustment window. For ECUs running the live-tuning software it adjusts,
// while the engine runs, values that software applies on top of its maps, and shows a few
// live readings. It first asks the ECU what it offers and has the user acknowledge a
// warning; then every 200 ms it writes one pending adjustment or polls, the write's echo
// or the poll's reply starting the next step.

#include "EcuInterface.h"
#include "ToolWindowHost.h"
#include "TuningLogic.h"

#include "HideAfterSend.h"

#include <QDialog>

class QAbstractSpinBox;
class QButtonGroup;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTextEdit;
class QTimer;

class TfrmUserTune : public QDialog {
    Q_OBJECT
  public:
    static constexpr int StepInterval = 200;

    explicit TfrmUserTune(const TToolWindowHost& host, QWidget* parent = nullptr);
    ~TfrmUserTune() override;

    void FormShow();
    void FormHide();
    void CheckSupport(const TByteArray& data);
    void btnOkWarningClick();
    void StartTuning();
    void TimerTimer();
    void TuningStep();
    void TuningDataReceived(const TParamSet& received, const TParamRaw& raw,
                            const TSwitchSet& present, const TSwitchSet& on);
    void WriteEchoReceived();
    // The change handlers of the controls: unless the window itself is filling them, the
    // control's change waits to be written.
    void ControlChange(TTuneItem item);
    // Keypad plus and minus step a control by one step within its range.
    bool seRevAdjustKeyDown(QAbstractSpinBox* control, int key, Qt::KeyboardModifiers modifiers);

    TTuneValues Values() const; // what the controls hold
    bool CapabilityReadOutstanding() const { return FChecking; }
    // Hiding first writes every pending adjustment, each waiting for its echo (at most the
    // link's time-out), then hides; a write the ECU did not answer keeps the window open.
    void setVisible(bool visible) override;
    void reject() override;
    bool Flushing() const { return FHideWait.Waiting(); }

    TTuningLogic Logic;
    bool Updating = false;
    bool CamTiming = false;

    QTabWidget* pgcPages;
    QLabel* lblChecking; // shown while the capability read is outstanding
    QLabel* lblSending;  // "Sending..." while hiding waits, or why a change was not set
    QWidget *tabInformation, *tabWarning, *tabHelp, *tabTuning;
    QTextEdit *memInformation, *memWarning;
    QPlainTextEdit* memHelp;
    QPushButton* btnOkWarning;
    QGroupBox *grpIdle, *grpRevLimit, *grpIgnAdd, *grpLearn, *grpBoost, *grpDuty, *grpVVT, *grpFuel;
    QGroupBox *rgBoostMap, *rgDutyMap;
    QGroupBox *grpEngSpeed, *grpIgnTiming, *grpMap, *grpWgDuty, *grpInjPw, *grpKnock, *grpVVTAngle;
    QSpinBox *SpinIdle, *SpinIdleAC, *seRevAdjust, *seLearnScaling, *seFuelScaling, *seDutyScale;
    QDoubleSpinBox *seIgnAdd, *seBoostAdd, *seVVTAdd;
    QRadioButton *radStdRevLimit, *RadAdjustRevLimit;
    QButtonGroup *BoostMapButtons, *DutyMapButtons;
    QLineEdit *edtEngSpeed, *edtIgnTiming, *edtMap, *edtWgDuty, *edtInjPw, *edtKnock, *edtVVTLeft,
        *edtVVTRight;
    QTimer* Timer;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TEcuInterface* Link() const { return FHost.GetLink(); }
    void BuildTuningPage();
    void RequestSupport();
    void SetPageVisible(QWidget* page, bool visible);
    bool CanWaitForEcu() const;
    void FlushStep();
    void EndFlush(bool ok);

    TToolWindowHost FHost;
    bool FChecking = false; // the capability read is outstanding
    bool FTuning = false;   // the step cycle runs
    bool FWriteOut = false; // a write went out and its echo has not come
    bool FFailed = false;   // a write while hiding got no answer
    THideAfterSend FHideWait{this, [this] { FlushStep(); }};
};
