#pragma once

// The supported-ECU window: a modal list of the ECU types the program recognises, on a
// page whose caption gives the size of the ECU table.

#include <QDialog>

class QListWidget;
class QPushButton;
class QTabWidget;

class TfrmSupportedEcus : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSupportedEcus(QWidget* parent = nullptr);

    void Fill();     // from the definition tables; done on creation
    void Execute();  // refills and runs the window modally

    QTabWidget* pgcEcus;
    QListWidget* lstEcus;
    QPushButton* btnOK;
};
