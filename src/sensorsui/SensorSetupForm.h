#pragma once

// "External Sensor Configuration": a view over the sensor hub, one row per available
// channel. It has no buttons: every change acts at once, and closing only hides it.

#include "SensorTypes.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTimer;
class QPushButton;
class TDialogs;
class TSensorHub;
class TfrmSensorCal;

class TfrmSensorSetup : public QDialog {
    Q_OBJECT
  public:
    TfrmSensorSetup(TSensorHub& hub, TDialogs& dialogs, QWidget* parent = nullptr);

    static constexpr int BoxHeight = 21;

    // Rebuilds the rows from the hub's available channels.
    void BuildRows();
    // A row's "Edit..." button.
    void EditCalibration(TSensorChannel ch);

    // How the calibration dialog is run; tests replace it to answer without a modal loop.
    std::function<int(TfrmSensorCal&)> ExecCalibration;

    struct TRow {
        QLineEdit* Source = nullptr;
        QLineEdit* Channel = nullptr;
        QLineEdit* Name = nullptr;
        QPushButton* Edit = nullptr;
        QCheckBox* Enabled = nullptr;
    };
    const TRow& Row(TSensorChannel ch) const { return FRows[ch]; }
    // The Innovate devices' function codes ("LM-1: Normal"), kept current while shown.
    QLabel* lblDeviceStatus = nullptr;
    void ShowDeviceStatus();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    QTimer* FStatusTimer = nullptr;
    TSensorHub& FHub;
    TDialogs& FDialogs;
    std::array<TRow, SensorChannelCount> FRows{};
};
