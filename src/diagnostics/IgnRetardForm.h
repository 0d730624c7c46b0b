#pragma once

// The Ignition Retard window: retards the ignition by 0 to 5 degrees, on the step cycle it
// shares with the idle window. Besides the reads, the echo of its own write shows the value
// the ECU took.

#include "AdjustForm.h"

class TfrmIgnRetard : public TAdjustForm {
    Q_OBJECT
  public:
    explicit TfrmIgnRetard(const TToolWindowHost& host, QWidget* parent = nullptr);

    void spinRetardChange() { MarkChanged(FItem); }
    void ParamValuesReceived(const TParamSet& received, const TParamRaw& raw) override;
    void OnWriteAddressResponse(const TByteArray& payload, const TLongWordArray& addresses);

    bool RetardChanged() const { return Changed(FItem); }
    QSpinBox* spinRetard;

  protected:
    TParamSet PollParams() const override;
    void TakeLinkEvents(TEcuInterface& link) override;

  private:
    int FItem = 0;
};
