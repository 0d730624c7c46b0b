#pragma once

// The serial-port set-up of one external sensor: a list of the machine's ports (device,
// description, USB ids), a device path that may also be typed (pseudo-terminals are not
// listed), and the on/off box. TfrmAP22 and TfrmLM1 are its two forms.

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class TDialogs;

struct TSerialPortEntry {
    QString Device;      // what the sensor opens
    QString Description; // shown beside it
};

class TfrmSerialPortSetup : public QDialog {
    Q_OBJECT
  public:
    // The ports found on this machine.
    static std::vector<TSerialPortEntry> MachinePorts();

    void SetPorts(const std::vector<TSerialPortEntry>& ports);
    void SetPort(const QString& port);
    QString Port() const;
    void SetUse(bool use);
    bool Use() const;

    QListWidget* lbCom;
    QLineEdit* edtDevice;
    QCheckBox* chkUse;
    QPushButton *btnOK, *btnCancel;

  protected:
    TfrmSerialPortSetup(const QString& caption, const QString& useText, QWidget* parent);
};

class TfrmAP22 : public TfrmSerialPortSetup {
    Q_OBJECT
  public:
    explicit TfrmAP22(QWidget* parent = nullptr);
};

class TfrmLM1 : public TfrmSerialPortSetup {
    Q_OBJECT
  public:
    explicit TfrmLM1(QWidget* parent = nullptr);
    // What "Aux Inputs..." does; the button is disabled while empty.
    void SetAuxInputsAction(std::function<void()> action);
    QPushButton* btnAuxInputs;
    QPlainTextEdit* memo;

  private:
    std::function<void()> FAuxInputs;
};

class TAP22;
class TLM1;

// The main window's two port menu items: show the dialog over the reader's port and
// state, and on OK with a change set the port, then the state. exec runs the dialog
// (tests answer it without a modal loop).
void AP22SerialPortSetup(TAP22& reader, TDialogs& dialogs, QWidget* parent,
                         const std::function<int(TfrmSerialPortSetup&)>& exec = {});
void InnovateSerialPortSetup(TLM1& reader, TDialogs& dialogs, QWidget* parent,
                             const std::function<void()>& auxInputs = {},
                             const std::function<int(TfrmSerialPortSetup&)>& exec = {});
