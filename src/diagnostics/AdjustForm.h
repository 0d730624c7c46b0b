#pragma once

// The step cycle the ignition-retard and idle windows share. Once a second it writes one
// changed value (in the order the controls were added) or reads them all back; a value read
// that differs from the one shown replaces it and is written back at the next step.
//
// A change is never dropped. A value counts as the ECU's ("Set") only when a read or the
// write's echo shows it; until then the window says "Sending...". Hiding the window (OK,
// Enter, Escape, closing it, another tool taking the link) first sends what is unsent and
// waits for the ECU, at most the link's time-out, then hides; a change the ECU did not take
// keeps the window open and says so.

#include "EcuInterface.h"
#include "HideAfterSend.h"
#include "ToolWindowHost.h"

#include <QDialog>

#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class QVBoxLayout;

class TAdjustForm : public QDialog {
    Q_OBJECT
  public:
    static constexpr int StepInterval = 1000;
    static constexpr const char* SetText = "Set";
    static constexpr const char* SendingText = "Sending...";
    static constexpr const char* FailedText = "Not set: the ECU did not answer";

    ~TAdjustForm() override;

    void FormShow();
    void FormHide();
    void TimerTimer();
    void btnOKClick();
    void setVisible(bool visible) override;
    void reject() override;

    // A change of item `item` waits to be written.
    bool Changed(int item) const { return FItems.at(size_t(item)).Changed; }
    // Some value on screen is not yet known to be the ECU's.
    bool Sending() const;
    // Hidden was asked for; the window waits for the ECU first.
    bool Flushing() const { return FHideWait.Waiting(); }

    QLabel* lblState = nullptr; // "Set", "Sending..." or why a change was not set
    QPlainTextEdit* memHelp = nullptr;
    QPushButton* btnOK = nullptr;
    QTimer* Timer;

  protected:
    TAdjustForm(const TToolWindowHost& host, const QString& caption, QWidget* parent);

    // A control whose changes are written to `address` as `byte(value)`; its index.
    int AddItem(QSpinBox* spin, uint32_t address, uint8_t (*byte)(int));
    // The help text, the state line and the OK button below the controls.
    void FinishLayout(QVBoxLayout* layout, const char* help);

    virtual TParamSet PollParams() const = 0;
    // The reply of a poll: each value the ECU holds goes to ValueRead.
    virtual void ParamValuesReceived(const TParamSet& received, const TParamRaw& raw) = 0;
    // Shows a value read from the ECU; the idle window also shows values beyond its range.
    virtual void ShowValue(int item, int value);
    // A change of a control's value; the default waits to write it.
    virtual void UserChanged(int item);
    // The window takes the link's events on showing; the retard window also the echo.
    virtual void TakeLinkEvents(TEcuInterface& link);

    // A value the ECU holds, from a read or an echo. A change not yet written is not undone
    // by it; otherwise it is shown, and the item is set once the ECU shows what is on screen.
    void ValueRead(int item, int value);
    void MarkChanged(int item);
    QSpinBox* Spin(int item) const { return FItems.at(size_t(item)).Spin; }
    TEcuInterface* Link() const { return FHost.GetLink(); }

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    TToolWindowHost FHost;
    bool FUpdating = false; // the window itself is changing a control
    bool FAsking = false;   // a question about a control is up

  private:
    struct TItem {
        QSpinBox* Spin;
        uint32_t Address;
        uint8_t (*Byte)(int);
        bool Changed = false;     // waits to be written
        bool Unconfirmed = false; // written; no read has shown it yet
    };
    // One request: the first changed item's write, else a poll. False when the link is busy.
    bool Step();
    bool CanWaitForEcu() const;
    void FlushStep();
    void EndFlush(bool ok);
    void ShowState();

    std::vector<TItem> FItems;
    THideAfterSend FHideWait{this, [this] { FlushStep(); }};
    bool FFailed = false;   // the last hide's change was not set
    bool FReadOnce = false; // a read has shown the ECU's values since showing
};
