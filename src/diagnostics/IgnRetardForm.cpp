#include "IgnRetardForm.h"

#include "AdjustCodings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
const char* const HelpText =
    "Retarding the ignition timing lets a car that has been tuned for high-octane fuel run "
    "safely on poorer fuel, at some cost in power.\n\n"
    "The ECU keeps the retard until it is reset (Tools, ECU Reset) or its battery is "
    "disconnected.";
} // namespace

TfrmIgnRetard::TfrmIgnRetard(const TToolWindowHost& host, QWidget* parent)
    : TAdjustForm(host, QStringLiteral("Ignition Retard"), parent)
{
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
    FinishLayout(layout, HelpText);
    setFixedSize(300, 240);
    FItem = AddItem(spinRetard, AdjustAddr::IgnRetard, [](int v) { return RetardByte(v); });
}

TParamSet TfrmIgnRetard::PollParams() const
{
    TParamSet params;
    params.set(epignret);
    return params;
}

void TfrmIgnRetard::TakeLinkEvents(TEcuInterface& link)
{
    TAdjustForm::TakeLinkEvents(link);
    QPointer<TfrmIgnRetard> self(this);
    link.OnWriteAddressResponse = [self](uint8_t, uint8_t, const TByteArray& payload, int,
                                         const TLongWordArray& addresses) {
        if (self) self->OnWriteAddressResponse(payload, addresses);
    };
}

void TfrmIgnRetard::ParamValuesReceived(const TParamSet& received, const TParamRaw& raw)
{
    if (received.test(epignret)) ValueRead(FItem, RetardDegrees(raw[epignret]));
}

void TfrmIgnRetard::OnWriteAddressResponse(const TByteArray& payload,
                                           const TLongWordArray& addresses)
{
    if (addresses.empty() || addresses[0] != AdjustAddr::IgnRetard || payload.empty()) return;
    ValueRead(FItem, payload[0]);
}
