#include "AdjustForm.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

TAdjustForm::TAdjustForm(const TToolWindowHost& host, const QString& caption, QWidget* parent)
    : QDialog(parent), FHost(host)
{
    setWindowTitle(caption);
    Timer = new QTimer(this);
    Timer->setInterval(StepInterval);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
}

TAdjustForm::~TAdjustForm()
{
    Timer->stop();
    FHideWait.Stop();
}

int TAdjustForm::AddItem(QSpinBox* spin, uint32_t address, uint8_t (*byte)(int))
{
    const int item = static_cast<int>(FItems.size());
    FItems.push_back({spin, address, byte});
    connect(spin, &QSpinBox::valueChanged, this, [this, item] {
        if (!FUpdating) UserChanged(item);
    });
    return item;
}

void TAdjustForm::FinishLayout(QVBoxLayout* layout, const char* help)
{
    memHelp = new QPlainTextEdit(this);
    memHelp->setReadOnly(true);
    memHelp->setFocusPolicy(Qt::NoFocus);
    memHelp->setPlainText(QString::fromLatin1(help));
    layout->addWidget(memHelp, 1);
    lblState = new QLabel(this);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblState, 1);
    buttons->addWidget(btnOK);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
}

void TAdjustForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TAdjustForm::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous()) FormHide();
}

void TAdjustForm::TakeLinkEvents(TEcuInterface& link)
{
    QPointer<TAdjustForm> self(this);
    link.OnParamValues = [self](const TParamSet& received, const TParamValues&,
                                const TParamRaw& raw, const TSwitchSet&, const TSwitchSet&) {
        if (self) self->ParamValuesReceived(received, raw);
    };
}

void TAdjustForm::FormShow()
{
    if (TEcuInterface* link = Link()) TakeLinkEvents(*link);
    // Each show starts from what the ECU holds: the last hide sent or reported every change.
    for (TItem& item : FItems)
        item.Changed = item.Unconfirmed = false;
    FFailed = false;
    FReadOnce = false;
    ShowState();
    Timer->start();
    FHost.Register(this);
}

void TAdjustForm::FormHide()
{
    // The link's slots stay filled; the next window shown takes them over.
    Timer->stop();
    FHideWait.Stop();
    FHost.Unregister(this);
}

void TAdjustForm::TimerTimer()
{
    if (!FHideWait.Waiting()) Step();
}

bool TAdjustForm::Step()
{
    TEcuInterface* link = Link();
    // With another request outstanding ours would be dropped, and a change with it.
    if (!link || link->PendingRequestActive()) return false;
    const auto changed = std::find_if(FItems.begin(), FItems.end(),
                                      [](const TItem& item) { return item.Changed; });
    if (changed != FItems.end()) {
        changed->Changed = false;
        changed->Unconfirmed = true;
        link->WriteAddress({changed->Address}, {changed->Byte(changed->Spin->value())});
    } else {
        link->PollParameters(PollParams(), {});
    }
    ShowState();
    return true;
}

void TAdjustForm::btnOKClick()
{
    hide();
}

bool TAdjustForm::Sending() const
{
    return std::any_of(FItems.begin(), FItems.end(),
                       [](const TItem& item) { return item.Changed || item.Unconfirmed; });
}

bool TAdjustForm::CanWaitForEcu() const
{
    // Nothing to wait for when the program ends or the main window has given up on the link.
    const bool disconnected = FHost.Connected && !FHost.Connected();
    return Link() && !FHost.IsClosing() && !disconnected;
}

void TAdjustForm::setVisible(bool visible)
{
    // After a change was reported as not set, a second request hides at once.
    const bool wait = Sending() && !FFailed && CanWaitForEcu();
    if (wait && !visible && isVisible() && !FHideWait.Waiting()) {
        Timer->stop();
        ShowState();
    }
    if (FHideWait.Hold(visible, wait)) return;
    QDialog::setVisible(visible);
}

void TAdjustForm::reject()
{
    // Escape and the close box end here; QDialog's own path would hide without the wait.
    hide();
}

void TAdjustForm::FlushStep()
{
    TEcuInterface* link = Link();
    if (!link || !CanWaitForEcu() || !Sending()) {
        EndFlush(true); // sent, or nobody to wait for: hide
        return;
    }
    if (FHideWait.Expired(*link)) {
        EndFlush(false);
        return;
    }
    Step(); // the unsent change, then a read that shows it
}

void TAdjustForm::EndFlush(bool ok)
{
    FHideWait.Finish(ok);
    if (ok) return;
    // Stays open, says so, and goes on trying at its own pace.
    FFailed = true;
    for (TItem& item : FItems)
        if (item.Unconfirmed) item.Changed = true;
    ShowState();
    Timer->start();
}

void TAdjustForm::ShowValue(int item, int value)
{
    Spin(item)->setValue(value); // a different value is written back at the next step
}

void TAdjustForm::UserChanged(int item)
{
    MarkChanged(item);
}

void TAdjustForm::MarkChanged(int item)
{
    FItems.at(size_t(item)).Changed = true;
    ShowState();
}

void TAdjustForm::ValueRead(int item, int value)
{
    TItem& it = FItems.at(size_t(item));
    if (it.Changed || FAsking) return; // the user's change is written first
    ShowValue(item, value);
    if (!it.Changed && it.Spin->value() == value) it.Unconfirmed = false;
    FReadOnce = true;
    if (!Sending()) FFailed = false;
    ShowState();
}

void TAdjustForm::ShowState()
{
    if (!lblState) return;
    QString text;
    if (FFailed)
        text = QString::fromLatin1(FailedText);
    else if (Sending())
        text = QString::fromLatin1(SendingText);
    else if (FReadOnce)
        text = QString::fromLatin1(SetText);
    lblState->setText(text);
}
