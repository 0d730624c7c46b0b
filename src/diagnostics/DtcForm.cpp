#include "DtcForm.h"

#include "Dialogs.h"
#include "TextCodec.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char* const WrongLengthText = "Reading stopped: the ECU's reply had the wrong length";
const char* const NoAnswerText = "Reading stopped: the ECU did not answer";

QWidget* ListPanel(QWidget* parent, const QString& title, QListWidget*& list)
{
    auto* panel = new QWidget(parent);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* header = new QLabel(title, panel);
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    header->setAlignment(Qt::AlignCenter);
    layout->addWidget(header);
    list = new QListWidget(panel);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(list, 1);
    return panel;
}

} // namespace

TfrmDTC::TfrmDTC(const TToolWindowHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window), FHost(host)
{
    setWindowTitle(QStringLiteral("Diagnostic Trouble Codes"));
    setMinimumSize(400, 200);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* lists = new QHBoxLayout;
    lists->setSpacing(0);
    pnlCurrent = ListPanel(this, QStringLiteral("Current Trouble Codes"), lbCurrent);
    pnlHistoric = ListPanel(this, QStringLiteral("Historic Trouble Codes"), lbHistoric);
    lists->addWidget(pnlCurrent);
    lists->addWidget(pnlHistoric, 1);
    layout->addLayout(lists, 1);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 4, 6, 4);
    lblRead = new QLabel(this);
    bar->addWidget(lblRead);
    lblStatus = new QLabel(this);
    QPalette pal = lblStatus->palette();
    pal.setColor(QPalette::WindowText, QColor(0xC0, 0x00, 0x00));
    lblStatus->setPalette(pal);
    bar->addWidget(lblStatus, 1);
    btnSaveCodes = new QPushButton(QStringLiteral("Save Codes..."), this);
    bar->addWidget(btnSaveCodes);
    layout->addLayout(bar);
    connect(btnSaveCodes, &QPushButton::clicked, this, [this] { btnSaveCodesClick(); });

    Timer = new QTimer(this);
    Timer->setSingleShot(true);
    Timer->setInterval(ReadInterval);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
}

TfrmDTC::~TfrmDTC()
{
    Timer->stop();
}

void TfrmDTC::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmDTC::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous()) FormHide();
}

void TfrmDTC::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TfrmDTC::FormResize()
{
    pnlCurrent->setFixedWidth(width() / 2);
}

void TfrmDTC::FormShow()
{
    if (TEcuInterface* link = Link()) {
        QPointer<TfrmDTC> self(this);
        link->OnReadAddressesResponse = [self](const TLongWordArray&, int,
                                               const TByteArray& payload) {
            if (self) self->DtcDataReceived(payload);
        };
    }
    PrepareAddressLists();
    lbCurrent->clear();
    lbHistoric->clear();
    Reader.ClearLists();
    FAwaiting = false;
    FStopReason.clear();
    FLastPass = QDateTime();
    FPasses = 0;
    lblStatus->clear();
    // Until every block has been read once the lists say nothing about the blocks not yet
    // read: a report of them would call codes that are set "None".
    lblRead->setText(QStringLiteral("Reading..."));
    btnSaveCodes->setEnabled(false);
    Timer->start();
    FHost.Register(this);
}

void TfrmDTC::FormHide()
{
    Timer->stop();
    FAwaiting = false;
    if (TEcuInterface* link = Link()) link->OnReadAddressesResponse = nullptr;
    FHost.Unregister(this);
}

void TfrmDTC::PrepareAddressLists()
{
    TEcuInterface* link = Link();
    Reader.PrepareAddressLists(link ? TDtcLayout::FromLink(*link) : TDtcLayout::NonObd());
}

void TfrmDTC::TimerTimer()
{
    Timer->stop();
    TEcuInterface* link = Link();
    if (!isVisible() || !link) return;
    if (FAwaiting) {
        // Still waiting: the link is sending or repeating the request (a reply that did not
        // answer it is retried). Once it is idle without our reply, the request timed out:
        // reading has stopped, and the window says why.
        if (link->PendingRequestActive()) {
            Timer->start();
            return;
        }
        StopReading(QString::fromLatin1(link->InvalidReplies != FInvalidAtSend ? WrongLengthText
                                                                               : NoAnswerText));
        return;
    }
    if (link->PendingRequestActive()) {
        // Another request is outstanding and the link would drop ours: try at the next tick.
        Timer->start();
        return;
    }
    ReadNextBlock();
}

void TfrmDTC::ReadNextBlock()
{
    TEcuInterface* link = Link();
    if (!link) return;
    const TLongWordArray& list = Reader.ReadNextBlock();
    FInvalidAtSend = link->InvalidReplies;
    link->ReadAddresses(list);
    FAwaiting = true;
    Timer->start(); // watches for a reply that never comes
}

void TfrmDTC::DtcDataReceived(const TByteArray& data)
{
    if (!isVisible()) return;
    Timer->stop();
    FAwaiting = false;
    std::vector<TDtcChange> changes;
    if (!Reader.DtcDataReceived(data, &changes)) {
        if (TEcuInterface* link = Link()) link->LogMsg(QStringLiteral("Wrong read byte count."), 7);
        StopReading(QString::fromLatin1(WrongLengthText));
        return;
    }
    for (const TDtcChange& c : changes)
        UpdateCodeList(c.Code, c.Set, c.Current);
    if (Reader.CompletePasses != FPasses) {
        FPasses = Reader.CompletePasses;
        FLastPass = QDateTime::currentDateTime();
        lblRead->setText(QStringLiteral("Last complete read: ") +
                         FLastPass.toString(QStringLiteral("HH:mm:ss")));
        btnSaveCodes->setEnabled(true);
    }
    Timer->start();
}

void TfrmDTC::UpdateCodeList(int code, bool set, bool current)
{
    QListWidget* list = current ? lbCurrent : lbHistoric;
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->data(Qt::UserRole).toInt() == code) {
            if (!set) delete list->takeItem(row);
            return;
        }
    }
    if (set) {
        auto* item = new QListWidgetItem(DtcCodeText(Reader.Layout(), code, current));
        item->setData(Qt::UserRole, code);
        list->addItem(item);
    }
}

void TfrmDTC::StopReading(const QString& reason)
{
    Timer->stop();
    FAwaiting = false;
    FStopReason = reason;
    FStoppedAt = QDateTime::currentDateTime();
    lblStatus->setText(reason + QStringLiteral(". Open the reader again (F4) to restart."));
}

void TfrmDTC::btnSaveCodesClick()
{
    if (FPasses == 0) return; // nothing complete to report yet
    TDialogs& dialogs = FHost.GetDialogs();
    TFileDialogOptions options;
    options.Caption = QStringLiteral("Save Codes");
    options.Filter = QStringLiteral("Text Files|*.txt");
    options.DefaultExt = QStringLiteral("txt");
    options.StartFolder = FHost.GetLoggingDirectory();
    options.FileName = QStringLiteral("TroubleCodes-") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm")) +
                       QStringLiteral(".txt");
    const auto file = dialogs.SaveFile(options);
    if (!file) return;
    TEcuInterface* link = Link();
    const QString text =
        DtcReportText(FHost.GetEcuName(), link ? link->RomId : TByteArray(),
                      QDateTime::currentDateTime(), Reader.Layout(), Reader.CurrentCodes,
                      Reader.HistoricCodes, {FLastPass, FStopReason, FStoppedAt});
    // Written whole or not at all, so a failed save never leaves half a file behind.
    QSaveFile out(*file);
    if (!out.open(QIODevice::WriteOnly) || out.write(ToWin1252(text)) < 0 || !out.commit()) {
        dialogs.Error(QStringLiteral("Unable to save the trouble codes to ") +
                      QDir::toNativeSeparators(*file) + QStringLiteral(": ") + out.errorString());
    }
}
