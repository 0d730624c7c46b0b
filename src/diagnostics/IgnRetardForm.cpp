#include "IgnRetardForm.h"

#include "AdjustCodings.h"

#include <QGridLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const char* const HelpText =
    "Retarding the ignition timing lets a car that has been tuned for high-octane fuel run "
    "safely on poorer fuel, at some cost in power.\n\n"
    "The ECU keeps the retard until it is reset (Tools, ECU Reset) or its battery is "
    "disconnected.";
} // namespace

TfrmIgnRetard::TfrmIgnRetard(const TToolWindowHost& host, QWidget* parent)
    : QDialog(parent), FHost(host)
{
    setWindowTitle(QStringLiteral("Ignition Retard"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    spinRetard = new QSpinBox(this);
    spinRetard->setRange(0, 5);
    spinRetard->setSingleStep(1);
    spinRetard->setMinimumWidth(70);
    row->addWidget(spinRetard);
    row->addWidget(new QLabel(QStringLiteral("Degrees"), this));
    row->addStretch(1);
    layout->addLayout(row);
    memHelp = new QPlainTextEdit(this);
    memHelp->setReadOnly(true);
    memHelp->setFocusPolicy(Qt::NoFocus);
    memHelp->setPlainText(QString::fromLatin1(HelpText));
    layout->addWidget(memHelp, 1);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    layout->addLayout(buttons);
    setFixedSize(300, 220);

    connect(spinRetard, &QSpinBox::valueChanged, this, [this] { spinRetardChange(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });

    Timer = new QTimer(this);
    Timer->setInterval(StepInterval);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
}

TfrmIgnRetard::~TfrmIgnRetard()
{
    Timer->stop();
}

void TfrmIgnRetard::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmIgnRetard::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous()) FormHide();
}

void TfrmIgnRetard::FormShow()
{
    if (TEcuInterface* link = Link()) {
        QPointer<TfrmIgnRetard> self(this);
        link->OnParamValues = [self](const TParamSet& received, const TParamValues&,
                                     const TParamRaw& raw, const TSwitchSet&, const TSwitchSet&) {
            if (self) self->ParamValuesReceived(received, raw);
        };
        link->OnWriteAddressResponse = [self](uint8_t, uint8_t, const TByteArray& payload, int,
                                              const TLongWordArray& addresses) {
            if (self) self->OnWriteAddressResponse(payload, addresses);
        };
    }
    RetardChanged = false;
    Timer->start();
    FHost.Register(this);
}

void TfrmIgnRetard::FormHide()
{
    // The link's slots stay filled; the next window shown takes them over.
    Timer->stop();
    FHost.Unregister(this);
}

void TfrmIgnRetard::TimerTimer()
{
    TEcuInterface* link = Link();
    // With another request outstanding ours would be dropped, and a change with it.
    if (!link || link->PendingRequestActive()) return;
    if (RetardChanged) {
        RetardChanged = false;
        link->WriteAddress({AdjustAddr::IgnRetard}, {RetardByte(spinRetard->value())});
    } else {
        TParamSet params;
        params.set(epignret);
        link->PollParameters(params, {});
    }
}

void TfrmIgnRetard::btnOKClick()
{
    hide();
}

void TfrmIgnRetard::spinRetardChange()
{
    RetardChanged = true;
}

void TfrmIgnRetard::ParamValuesReceived(const TParamSet& received, const TParamRaw& raw)
{
    if (received.test(epignret)) spinRetard->setValue(RetardDegrees(raw[epignret]));
}

void TfrmIgnRetard::OnWriteAddressResponse(const TByteArray& payload,
                                           const TLongWordArray& addresses)
{
    if (addresses.empty() || addresses[0] != AdjustAddr::IgnRetard || payload.empty()) return;
    if (payload[0] != spinRetard->value()) spinRetard->setValue(payload[0]);
}
