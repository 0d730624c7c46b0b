#pragma once

// The Diagnostic Trouble Codes window: the ECU's current and historic trouble codes in two
// lists, kept up to date by reading the trouble-code bytes in turn, twice a second, while
// the window is shown. It only reads; the main window's ECU reset clears the codes.
// Reading never stops silently: when it stops, the window says why until it is shown again.

#include "DtcReader.h"
#include "EcuInterface.h"
#include "ToolWindowHost.h"

#include <QDateTime>
#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

class TfrmDTC : public QWidget {
    Q_OBJECT
  public:
    static constexpr int ReadInterval = 500;

    explicit TfrmDTC(const TToolWindowHost& host, QWidget* parent = nullptr);
    ~TfrmDTC() override;

    void FormShow();
    void FormHide();
    void TimerTimer();
    void FormResize();
    void PrepareAddressLists();
    void ReadNextBlock();
    void DtcDataReceived(const TByteArray& data);
    void UpdateCodeList(int code, bool set, bool current);
    void btnSaveCodesClick();

    // Why reading stopped; empty while it goes on.
    QString StopReason() const { return FStopReason; }
    bool AwaitingReply() const { return FAwaiting; }
    // The end of the last pass over every block; invalid before the first.
    QDateTime LastPass() const { return FLastPass; }

    TDtcReader Reader;
    QWidget *pnlCurrent, *pnlHistoric;
    QListWidget *lbCurrent, *lbHistoric;
    QLabel* lblRead;   // "Reading..." until a pass over every block is complete, then its time
    QLabel* lblStatus; // why reading stopped
    QPushButton* btnSaveCodes;
    QTimer* Timer;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    TEcuInterface* Link() const { return FHost.GetLink(); }
    void StopReading(const QString& reason);

    TToolWindowHost FHost;
    bool FAwaiting = false; // a read went out and its reply has not come
    int FInvalidAtSend = 0; // the link's count of dropped replies when it went out
    QString FStopReason;
    QDateTime FStoppedAt;
    QDateTime FLastPass;
    int FPasses = 0; // complete passes seen since showing
};
