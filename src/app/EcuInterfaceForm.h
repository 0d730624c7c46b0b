#pragma once

// The link's debug window: a view of the link's log model (TEcuLog). The top bar clears
// the log, switches logging on and shows the port settings; the log view lists each
// message as two lines (tick count, text) in its level's colour; the right-hand column
// holds ten marker texts that can be written into the log at level 9; the "&Debug" menu
// chooses which levels are logged.

#include "EcuLog.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <vector>

class QCheckBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class TEcuInterface;

class TfrmEcuInterface : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int MarkerCount = 10;
    static constexpr int DebugItemCount = 9;  // levels 0..8

    // The caption is the link's (Caption()).
    explicit TfrmEcuInterface(TEcuInterface& link, QWidget* parent = nullptr);
    ~TfrmEcuInterface() override;

    // Messages reach the view in batches a few times a second; this writes the waiting ones now.
    void FlushLog();

    QPushButton* btnClearLog;
    QCheckBox* chkLogInformation;
    QLineEdit* edtBaudRate;
    QLineEdit* edtParity;
    QLineEdit* edtComPort;
    QPlainTextEdit* memLog;
    std::array<QLineEdit*, MarkerCount> edtMarker{};
    std::array<QPushButton*, MarkerCount> btnLog{};
    QMenu* menuDebug;
    std::array<QAction*, DebugItemCount> menuDebugItems{};

private:
    void btnClearLogClick();
    void chkLogInformationClick(bool checked);
    void btnLogClick(int index);
    void edtMarkerChange(int index, const QString& text);
    void menuDebugItemClick(int level);

    void LogEntryAdded(const TEcuLogEntry& entry);
    void LogCleared();
    void LogChanged();  // fields, mask and switch -> controls
    void AppendEntries(const std::vector<TEcuLogEntry>& entries);

    QPointer<TEcuLog> FLog;
    std::vector<TEcuLogEntry> FPending;
    QTimer FFlushTimer;
    bool FUpdating = false;  // set while the controls are filled from the model
};
