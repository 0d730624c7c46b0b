#include "CodeListForm.h"

#include "CodeLists.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TfrmCodeList::TfrmCodeList(QWidget* parent) : QDialog(parent)
{
    setModal(true);
    resize(720, 480);  // room for a full 90-character code line
    auto* layout = new QVBoxLayout(this);
    lstCodes = new QListWidget(this);
    lstCodes->setUniformItemSizes(true);
    lstCodes->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(lstCodes, 1);
    auto* buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}

void TfrmCodeList::Fill(const QString& caption, const QStringList& lines)
{
    setWindowTitle(caption);
    lstCodes->clear();
    lstCodes->addItems(lines);
}

void TfrmCodeList::FillNonObdCodes()
{
    const QStringList lines = NonObdCodeList();
    Fill(NonObdCodeCaption(static_cast<int>(lines.size())), lines);
}

void TfrmCodeList::FillObdCodes()
{
    const QStringList lines = ObdCodeList();
    Fill(ObdCodeCaption(static_cast<int>(lines.size())), lines);
}

void TfrmCodeList::ShowNonObdCodes()
{
    FillNonObdCodes();
    exec();
}

void TfrmCodeList::ShowObdCodes()
{
    FillObdCodes();
    exec();
}
