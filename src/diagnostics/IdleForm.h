#pragma once

// The Idle Speeds window: shifts the idle speed in 25 RPM steps, with the air conditioning
// off and on, on the step cycle it shares with the retard window (air-con off written
// first). Live tuning can set offsets beyond this window's range: such a value is shown as
// read, with a note, and is never written back; before the user's change replaces it, the
// window asks, since one step would move the idle by hundreds of RPM.

#include "AdjustForm.h"

#include <array>

class TfrmIdle : public TAdjustForm {
    Q_OBJECT
  public:
    static constexpr int MinRpm = -300;
    static constexpr int MaxRpm = 300;
    static constexpr int RpmStep = 25;

    explicit TfrmIdle(const TToolWindowHost& host, QWidget* parent = nullptr);

    void SpinIdleChange() { UserChanged(0); }
    void SpinIdleACChange() { UserChanged(1); }
    void ParamValuesReceived(const TParamSet& received, const TParamRaw& raw) override;

    bool IdleChanged() const { return Changed(0); }
    bool IdleACChanged() const { return Changed(1); }
    // True while the control shows a value read beyond its range.
    bool ShowsTunedValue(int which) const { return FOutside[which]; }
    // The question asked before a value beyond the range is replaced by `to`.
    static QString LeaveQuestion(int from, int to);

    QSpinBox *SpinIdle, *SpinIdleAC;
    std::array<QLabel*, 2> lblTuned{}; // the notes beside each control

  protected:
    TParamSet PollParams() const override;
    void ShowValue(int which, int rpm) override;
    void UserChanged(int which) override;

  private:
    void BackInRange(int which);

    std::array<bool, 2> FOutside{};
    std::array<int, 2> FOutsideRpm{}; // the value read beyond the range
};
