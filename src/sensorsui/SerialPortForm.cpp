#include "SerialPortForm.h"

#include "AP22.h"
#include "Dialogs.h"
#include "Errors.h"
#include "LM1.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPortInfo>

std::vector<TSerialPortEntry> TfrmSerialPortSetup::MachinePorts()
{
    std::vector<TSerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        QString text = info.description();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            text += QStringLiteral(" [%1:%2]")
                        .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                        .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        ports.push_back({info.systemLocation(), text.trimmed()});
    }
    return ports;
}

TfrmSerialPortSetup::TfrmSerialPortSetup(const QString& caption, const QString& useText,
                                         QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(caption);
    setFixedSize(330, 262);
    auto* group = new QGroupBox(QStringLiteral("Serial Port"), this);
    group->setGeometry(8, 6, 314, 170);
    lbCom = new QListWidget(group);
    lbCom->setGeometry(10, 20, 294, 108);
    auto* label = new QLabel(QStringLiteral("Device"), group);
    label->move(10, 140);
    edtDevice = new QLineEdit(group);
    edtDevice->setGeometry(60, 136, 244, 22);
    // Selection, not the current row: focusing the list moves its current row to the
    // first port, which must not replace a typed device.
    connect(lbCom, &QListWidget::itemSelectionChanged, this, [this] {
        const auto items = lbCom->selectedItems();
        if (!items.isEmpty()) edtDevice->setText(items.front()->data(Qt::UserRole).toString());
    });
    chkUse = new QCheckBox(useText, this);
    chkUse->setGeometry(12, 184, 306, 20);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setGeometry(162, 226, 75, 25);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setGeometry(246, 226, 75, 25);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    SetPorts(MachinePorts());
}

void TfrmSerialPortSetup::SetPorts(const std::vector<TSerialPortEntry>& ports)
{
    const QString current = edtDevice->text();
    lbCom->clear();
    for (const TSerialPortEntry& p : ports) {
        auto* item = new QListWidgetItem(
            p.Description.isEmpty() ? p.Device : p.Device + QStringLiteral("  ") + p.Description,
            lbCom);
        item->setData(Qt::UserRole, p.Device);
    }
    SetPort(current);
}

void TfrmSerialPortSetup::SetPort(const QString& port)
{
    edtDevice->setText(port);
    const QSignalBlocker block(lbCom);
    lbCom->clearSelection();
    for (int i = 0; i < lbCom->count(); ++i)
        if (lbCom->item(i)->data(Qt::UserRole).toString() == port) lbCom->setCurrentRow(i);
}

QString TfrmSerialPortSetup::Port() const
{
    return edtDevice->text().trimmed();
}

void TfrmSerialPortSetup::SetUse(bool use)
{
    chkUse->setChecked(use);
}

bool TfrmSerialPortSetup::Use() const
{
    return chkUse->isChecked();
}

TfrmAP22::TfrmAP22(QWidget* parent)
    : TfrmSerialPortSetup(QStringLiteral("Race Technology AP22 Configuration"),
                          QStringLiteral("Use AP22 Accelerometer"), parent)
{
}

TfrmLM1::TfrmLM1(QWidget* parent)
    : TfrmSerialPortSetup(QStringLiteral("Innovate Motorsports Product Configuration"),
                          QStringLiteral("Log Innovate Products on this port"), parent)
{
    setFixedSize(330, 352);
    btnOK->move(162, 316);
    btnCancel->move(246, 316);
    memo = new QPlainTextEdit(this);
    memo->setGeometry(8, 210, 314, 96);
    memo->setReadOnly(true);
    btnAuxInputs = new QPushButton(QStringLiteral("Aux Inputs..."), this);
    btnAuxInputs->setGeometry(8, 316, 100, 25);
    btnAuxInputs->setEnabled(false);
    connect(btnAuxInputs, &QPushButton::clicked, this, [this] {
        if (FAuxInputs) FAuxInputs();
    });
}

void TfrmLM1::SetAuxInputsAction(std::function<void()> action)
{
    FAuxInputs = std::move(action);
    btnAuxInputs->setEnabled(bool(FAuxInputs));
}

namespace {

void PortSetup(TSerSensor& reader, TfrmSerialPortSetup& form, TDialogs& dialogs,
               const std::function<int(TfrmSerialPortSetup&)>& exec, const QString& done,
               const QString& inUse)
{
    form.SetPort(reader.Port());
    form.SetUse(reader.Active());
    const int result = exec ? exec(form) : form.exec();
    if (result != QDialog::Accepted) return;
    if (form.Port() == reader.Port() && form.Use() == reader.Active()) return;
    try {
        reader.SetPort(form.Port());
        reader.SetActive(form.Use());
        dialogs.Information(done);
    } catch (const Exception&) {
        dialogs.Error(inUse);
    }
}

} // namespace

void AP22SerialPortSetup(TAP22& reader, TDialogs& dialogs, QWidget* parent,
                         const std::function<int(TfrmSerialPortSetup&)>& exec)
{
    TfrmAP22 form(parent);
    PortSetup(
        reader, form, dialogs, exec,
        QStringLiteral("AP22 settings will take effect next time you start Quillon"),
        QStringLiteral("The communications port you specified for the AP22 is currently in use. "
                       "Please check which ports are free and try again."));
}

void InnovateSerialPortSetup(TLM1& reader, TDialogs& dialogs, QWidget* parent,
                             const std::function<void()>& auxInputs,
                             const std::function<int(TfrmSerialPortSetup&)>& exec)
{
    TfrmLM1 form(parent);
    if (auxInputs) form.SetAuxInputsAction(auxInputs);
    QString found;
    const TSensorChannels ch = reader.Channels();
    if (ch.test(lmLambda)) found += QStringLiteral("LM-1 wideband meter\r\n");
    if (ch.test(lc_1_Lambda)) found += QStringLiteral("LC-1 wideband controller\r\n");
    if (ch.test(mtsAux0)) found += QStringLiteral("Auxiliary inputs (MTS chain)\r\n");
    form.memo->setPlainText(
        found.isEmpty()
            ? QStringLiteral("No Innovate device has reported on this port since Quillon started.")
            : QStringLiteral("Found at start-up:\r\n") + found);
    PortSetup(
        reader, form, dialogs, exec,
        QStringLiteral("Innovate product settings will take effect next time you start Quillon"),
        QStringLiteral("The communications port you specified for Innovate Motorsport products is "
                       "currently in use. Please check which ports are free and try again."));
}
