#pragma once

// The emulated ECU's panel ("ECU Emulator"): a view of a TFakeEcu. Every control shows a
// piece of the emulator's state and edits it through the emulator's operations; the
// emulator tells the panel what changed through its signals, so the panel never holds
// state of its own. Closing the window only hides it.

#include <QWidget>

#include <array>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class TFakeEcu;

class TfrmFakeEcu : public QWidget {
    Q_OBJECT
public:
    explicit TfrmFakeEcu(TFakeEcu* ecu, QWidget* parent = nullptr);
    ~TfrmFakeEcu() override;

    TFakeEcu* Ecu() const { return FEcu; }

    // Pages in tab order.
    enum TPage { pgSubaruDtcs, pgObdDtcs, pgSettings, pgDebug, pgFlash, pgDigital, pgAnalogue,
                 pgVersion, PageCount };

    QTabWidget* pgcPages;

    // "Subaru DTCs" and "OBD DTCs": current and historic lists, indexed by TFakeCodeList.
    std::array<QListWidget*, 4> lstCodes{};
    // Above each code page: whether the chosen ECU type reads it. Both pages tick bits at
    // overlapping addresses, so a code ticked on the other page shows up as another code.
    std::array<QLabel*, 2> lblCodePage{}; // Subaru, OBD
    // The code page an ECU type reads, as its identification reply says: the OBD one or not.
    static bool ReadsObdCodes(int ecuType);

    // "Settings"
    QLineEdit* edtIdleSpeed;
    QLineEdit* edtIdleSpeedAc;
    QLineEdit* edtEcuResetAddress;
    QLineEdit* edtIgnitionRetard;
    QLineEdit* edtBaudRate;
    QLineEdit* edtParity;
    QLineEdit* edtFlashXor;
    QLineEdit* edtEcuState;
    QPushButton* btnCycleIgnition;
    QCheckBox* chkVpp;
    QCheckBox* chkTestMode;
    QSpinBox* spnErrorsPer1000;
    QCheckBox* chkObdDtcs;
    QComboBox* cmbScenario;
    QSpinBox* spnRoadTestGear;

    // "Debug"
    QPlainTextEdit* memDebug;
    QPushButton* btnClearWindow;
    QPushButton* btnClearAddrs;
    QPushButton* btnListAddrs;

    // "Flash Contents"
    QSpinBox* spnFlashPage;
    QPushButton* btnRefreshFlash;
    QPlainTextEdit* memFlash;

    // "Digital Params" and "Analogue Params"
    QListWidget* lstDigital;
    QCheckBox* chkDigitalUseDefault;
    QListWidget* lstAnalogue;
    QCheckBox* chkAnalogueUseDefault;

    // "Ecu Version"
    QButtonGroup* grpEcuVersion;
    std::vector<QRadioButton*> rbEcuVersion;  // in the order of SelectableEcuTypes()
    QLineEdit* edtEcuVersionCode;
    QLineEdit* edtInit37;
    QLineEdit* edtInit38;
    QLineEdit* edtInit48;
    QLineEdit* edtDiag61;
    std::array<QCheckBox*, 8> chkAddressCheck{};
    QPushButton* btnClearChecks;

    // The emulator's last message ("Address out of range", a baud-rate warning).
    QLabel* lblMessage;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildCodePage(int currentList, int historicList);
    QWidget* BuildSettingsPage();
    QWidget* BuildDebugPage();
    QWidget* BuildFlashPage();
    QWidget* BuildParamPage(bool digital);
    QWidget* BuildVersionPage();

    void CodeItemChanged(int list, QListWidgetItem* item);
    void DigitalItemChanged(QListWidgetItem* item);
    void AnalogueItemChanged(QListWidgetItem* item);

    // Model -> controls.
    void ShowCodes(int list);
    void ShowSettings();
    void ShowDebug();
    void ShowFlash();
    void ShowParams();
    void ShowVersion();
    void ShowCodePages();
    void ShowAddressChecks();

    TFakeEcu* FEcu;
    bool FUpdating = false;  // set while controls are filled from the model
};
