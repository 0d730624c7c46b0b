#pragma once

// The Ignition Retard window: retards the ignition by 0 to 5 degrees. Once a second it
// writes a changed value to the ECU or reads the current one back; a value read that
// differs from the one shown replaces it and is written back at the next step.

#include "EcuInterface.h"
#include "ToolWindowHost.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;

class TfrmIgnRetard : public QDialog {
    Q_OBJECT
  public:
    static constexpr int StepInterval = 1000;

    explicit TfrmIgnRetard(const TToolWindowHost& host, QWidget* parent = nullptr);
    ~TfrmIgnRetard() override;

    void FormShow();
    void FormHide();
    void TimerTimer();
    void btnOKClick();
    void spinRetardChange();
    void ParamValuesReceived(const TParamSet& received, const TParamRaw& raw);
    void OnWriteAddressResponse(const TByteArray& payload, const TLongWordArray& addresses);

    bool RetardChanged = false;
    QSpinBox* spinRetard;
    QPlainTextEdit* memHelp;
    QPushButton* btnOK;
    QTimer* Timer;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    TEcuInterface* Link() const { return FHost.GetLink(); }
    TToolWindowHost FHost;
};
