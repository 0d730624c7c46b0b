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

namespace {
// Past the link's own time-out, so that its time-out handling has run first.
constexpr int FlushMarginMs = 250;
} // namespace

TAdjustForm::TAdjustForm(const TToolWindowHost& host, const QString& caption, QWidget* parent)
    : QDialog(parent), FHost(host)
{
    setWindowTitle(caption);
    Timer = new QTimer(this);
    Timer->setInterval(StepInterval);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
    FFlushTimer = new QTimer(this);
    FFlushTimer->setInterval(FlushInterval);
    connect(FFlushTimer, &QTimer::timeout, this, [this] { FlushStep(); });
}

TAdjustForm::~TAdjustForm()
{
    Timer->stop();
    FFlushTimer->stop();
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
    FFlushTimer->stop();
    FFlushing = false;
    FHost.Unregister(this);
}

void TAdjustForm::TimerTimer()
{
    if (!FFlushing) Step();
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
    if (!visible && isVisible() && !FHideNow) {
        if (FFlushing) return; // already waiting for the ECU
        // After a change was reported as not set, a second request hides at once.
        if (Sending() && !FFailed && CanWaitForEcu()) {
            FFlushing = true;
            FFlushClock.start();
            Timer->stop();
            ShowState();
            FlushStep();
            if (FFlushing) FFlushTimer->start();
            return;
        }
    }
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
    if (!FFlushing) return;
    if (!link || !CanWaitForEcu()) {
        EndFlush(true); // nobody to wait for: hide
        return;
    }
    if (!Sending()) {
        EndFlush(true);
        return;
    }
    const int timeout = link->MaxAttempts * link->RetryTimer()->interval() + FlushMarginMs;
    if (FFlushClock.elapsed() > timeout) {
        EndFlush(false);
        return;
    }
    Step(); // the unsent change, then a read that shows it
}

void TAdjustForm::EndFlush(bool ok)
{
    FFlushTimer->stop();
    FFlushing = false;
    if (ok) {
        FHideNow = true;
        QDialog::setVisible(false);
        FHideNow = false;
        return;
    }
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
