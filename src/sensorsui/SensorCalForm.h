#pragma once

// "Sensor Calibration": edits the voltage-to-value points, name and units of one channel.

#include "SensorTypes.h"

#include <QDialog>

#include <vector>

class QCustomPlot;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TDialogs;

class TfrmSensorCal : public QDialog {
    Q_OBJECT
  public:
    explicit TfrmSensorCal(TDialogs& dialogs, QWidget* parent = nullptr);

    void LoadPoints(const TSensorConv& conv);
    void StorePoints(TSensorConv& conv) const;
    void SetCalName(const QString& name);
    void SetCalUnits(const QString& units);
    QString CalName() const;
    QString CalUnits() const;
    void AddCalPoint(float volts, float value);
    void RedrawPoints();
    const std::vector<TConvPoint>& Points() const { return FPoints; }

    // The published handlers, for the buttons and for tests.
    void btnAddPointClick();
    void btnEditPointClick();
    void btnDeletePointClick();
    void btnClearPointsClick();
    void ImportClick();
    void ExportClick();
    void btnConvertClick();

    QCustomPlot* rcPoints;
    QLineEdit *edtSensorName, *edtDataUnits, *edtOutput;
    QTableWidget* sgPoints;
    QDoubleSpinBox *niInput, *niOutput, *niInputTest;
    QPushButton *btnAddPoint, *btnEditPoint, *btnDeletePoint, *btnClearPoints;
    QPushButton *Button1, *Button2, *btnConvert, *btnOK, *btnCancel;

  private:
    void ClearPoints();
    void FillGrid();
    void UpdateTitles();
    void EnableButtons();
    void RowSelected();

    TDialogs& FDialogs;
    std::vector<TConvPoint> FPoints;
};

// "0.00##": two to four decimals.
QString FormatCalValue(double v);
