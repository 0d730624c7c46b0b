#include "SupportedEcuForm.h"

#include "CodeLists.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TfrmSupportedEcus::TfrmSupportedEcus(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Supported ECUs"));
    setModal(true);
    resize(560, 520);
    auto* layout = new QVBoxLayout(this);
    pgcEcus = new QTabWidget(this);
    lstEcus = new QListWidget(pgcEcus);
    lstEcus->setUniformItemSizes(true);
    lstEcus->setSelectionMode(QAbstractItemView::ExtendedSelection);
    pgcEcus->addTab(lstEcus, QString());
    layout->addWidget(pgcEcus, 1);
    auto* buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    Fill();
}

void TfrmSupportedEcus::Fill()
{
    pgcEcus->setTabText(0, SupportedEcuCaption());
    lstEcus->clear();
    lstEcus->addItems(SupportedEcuList());
}

void TfrmSupportedEcus::Execute()
{
    Fill();
    exec();
}
