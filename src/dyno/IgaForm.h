#pragma once

// The Road Dyno window ("Acceleration & Power Testing"): the vehicle set-up, the test that
// records engine speed during a full-throttle pull, the run files, the graphs and the
// performance report. The arithmetic is IgaCalcs, the files DynoFiles and the texts
// DynoReport; this window records, shows and calls them.

#include "EcuTypes.h"
#include "IgaCalcs.h"
#include "ToolWindowHost.h"

#include <qcustomplot.h>

#include <QWidget>

#include <array>
#include <initializer_list>
#include <memory>
#include <utility>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TNumEdit;
class QVBoxLayout;

// A captioned group of radio buttons with an item index, as the window's choices are.
class TRadioGroup : public QWidget {
    Q_OBJECT
  public:
    TRadioGroup(const QString& caption, const QStringList& items, int index,
                QWidget* parent = nullptr);
    int ItemIndex() const;
    void SetItemIndex(int index); // no signal
    QStringList Items() const { return FItems; }
    QAbstractButton* Button(int index) const;

  signals:
    void Clicked(int index);

  private:
    QStringList FItems;
    QButtonGroup* FGroup;
};

// The chart with the runs' statistics lines drawn into its lower right corner.
class TDynoChart : public QCustomPlot {
    Q_OBJECT
  public:
    using QCustomPlot::QCustomPlot;
    std::array<QString, 4> StatsLines;
    std::array<QColor, 4> StatsColours;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

class TfrmIGA : public QWidget {
    Q_OBJECT
  public:
    explicit TfrmIGA(TToolWindowHost host, QWidget* parent = nullptr);
    ~TfrmIGA() override;

    enum TTestState { WaitLowRevs, WaitLaunch, Recording };
    static constexpr int LowRevs = 1800;
    static constexpr int LaunchRevs = 2000;
    static constexpr int EndDrop = 500;

    // --- operations ---
    void ShowRunData(const TRunData& run);
    void ReadSetup();
    int SmoothingPercent() const;
    void Recalculate();
    void RedrawAnalysis();
    // The link did not answer while the ECU was not connected (the main window says so):
    // the test stops and says why.
    void LinkTimeout();

    // --- handlers ---
    void GearingChanged();
    void WheelorTyreChanged();
    void RevLimitChange();
    void MassOrDragChanged();
    void cmbTestGearChange();
    void SmoothingChange();
    void btnStartTestClick();
    void btnSaveDataFileClick();
    void btnOpenDataFileClick();
    void btnExportSaveClick();
    void btnOpenCompareFile(int slot);

    // --- state, for the tests ---
    const TRunData& CurrentRun() const { return *FRun; }
    TRunData& CurrentRun() { return *FRun; }
    const TCalcData& CurrentCalc() const { return FCalc; }
    const TRunData& CompareRun(int slot) const { return *FSlots.at(slot).Run; }
    const TCalcData& CompareCalc(int slot) const { return FSlots.at(slot).Calc; }
    QString FileName() const { return FFileName; }
    TTestState TestState() const { return FTestState; }
    bool Testing() const { return FTesting; }
    bool StreamingTest() const { return FTesting && FStream; }
    int PeakRpm() const { return FPeakRpm; }
    // The ECU presets for an identification-table position (nothing for others).
    void ApplyEcuPresets(int ecuIndex);

    // --- controls ---
    QTabWidget* pgcTabs;
    QComboBox* cmbGearset;
    std::array<TNumEdit*, 6> neGear{};
    TNumEdit* neFinalDrive;
    QComboBox* cmbTyre;
    TNumEdit* neTyreWidth;
    TNumEdit* neTyreProfile;
    TNumEdit* neWheelDiameter;
    QComboBox* cmbRevLimit;
    TNumEdit* neRevLimit;
    QComboBox* cmbVehicle;
    TNumEdit* neMass;
    TNumEdit* neCD;
    TNumEdit* neFrontalArea;
    QComboBox* cmbTestGear;
    QLabel* pnlAtmPressure;
    QLabel* pnlIntakeTemp;
    QLabel* pnlRPM;
    QLabel* pnlStatus;
    QPushButton* btnStartTest;
    QCheckBox* chkStreamRpm;
    QPushButton* btnSaveDataFile;
    QPushButton* btnOpenDataFile;
    QPushButton* btnExportSave;
    QPlainTextEdit* memoComment;

    TDynoChart* chart;
    TRadioGroup* rgGraphType;
    TRadioGroup* rgGraphX;
    TRadioGroup* rgAccSmooth;
    TRadioGroup* rgSpeedUnits;
    TRadioGroup* rgPowerUnits;
    TRadioGroup* rgTorqueUnits;
    QComboBox* cmbCorrection;
    QCheckBox* chkGraphsStats;
    std::array<QPushButton*, 3> btnOpenCompare{};
    std::array<QCheckBox*, 3> chkShowCompare{};

    QPlainTextEdit* memoReport;

    // Graph choices.
    enum TGraphType {
        gtGearRanges,
        gtEngineRpm,
        gtVehicleSpeed,
        gtDistance,
        gtAcceleration,
        gtAccelerativePower,
        gtDragPower,
        gtWheelPowerTorque
    };
    enum TGraphX { gxTime, gxEngineRpm, gxVehicleSpeed, gxDistance };

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    struct TSlot {
        std::unique_ptr<TRunData> Run = std::make_unique<TRunData>();
        TCalcData Calc;
        QString FileName;
    };

    QWidget* BuildSetupTab();
    // A set-up group: a choice list above labelled edits. An accepted edit runs changed; a
    // choice runs apply (which fills the edits), then changed.
    QComboBox* ChoiceGroup(QVBoxLayout* into, const QString& caption,
                           std::initializer_list<std::pair<QString, TNumEdit*>> rows,
                           void (TfrmIGA::*apply)(), void (TfrmIGA::*changed)());
    QWidget* BuildGraphTab();
    QWidget* BuildReportTab();
    TNumEdit* NumEdit(double lo, double hi, int maxLength = 0);

    // Presets: apply the selected item of a group (fields filled and locked, or unlocked
    // for the custom entry), and select the row matching the fields.
    void ApplyGearsetChoice();
    void ApplyTyreChoice();
    void ApplyRevLimitChoice();
    void ApplyVehicleChoice();
    void MatchGearset();
    void MatchTyre();
    void MatchRevLimit();
    void MatchVehicle();
    void SelectData(QComboBox* box, int row);
    void RebuildTestGears(int keepGear);

    void Calc(const TRunData& run, TCalcData& calc) const;
    TCorrection Correction() const;
    void PlotRun(const TRunData& run, const TCalcData& calc, const QColor& colour);
    void UpdateCaption();
    void SetStatus(const QString& text);

    // --- the test ---
    TEcuInterface* Link() const { return FHost.GetLink(); }
    void ReplyReceived(const TLongWordArray& addresses, const TByteArray& data);
    void SendAmbientRequest();
    void AmbientReply(const TByteArray& data);
    void RpmReply(const TByteArray& data);
    void RequestRpm();
    bool StoreRPM(int rpm);
    void StopTest();
    void TestComplete();

    TToolWindowHost FHost;
    std::unique_ptr<TRunData> FRun = std::make_unique<TRunData>();
    TCalcData FCalc;
    QString FFileName;
    std::array<TSlot, 3> FSlots;

    bool FUpdating = false;
    bool FRedrawing = false;
    TTestState FTestState = WaitLowRevs;
    bool FTesting = false;
    bool FAwaitingAmbient = false;
    bool FAmbientAfterStop = false; // a restart waits for the end of the old stream
    bool FStream = false;           // this test streams engine speed
    int32_t FPeakRpm = 0;
    uint32_t FStartTime = 0;
};
