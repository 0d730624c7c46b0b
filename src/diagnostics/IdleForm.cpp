#include "IdleForm.h"

#include "AdjustCodings.h"

#include <QGroupBox>
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
const char* const HelpText =
    "Raises or lowers the engine's idle speed in 25 RPM steps, separately with the air "
    "conditioning off (or on a car without it) and with it on.\n\n"
    "The ECU keeps the adjustments until it is reset (Tools, ECU Reset) or its battery is "
    "disconnected.";
} // namespace

TfrmIdle::TfrmIdle(const TToolWindowHost& host, QWidget* parent) : QDialog(parent), FHost(host)
{
    setWindowTitle(QStringLiteral("Idle Speeds"));
    auto* layout = new QVBoxLayout(this);
    const QString titles[2] = {QStringLiteral("Air Con Off / No Air Con"),
                               QStringLiteral("Air Con On")};
    for (int i = 0; i < 2; ++i) {
        auto* group = new QGroupBox(titles[i], this);
        auto* g = new QVBoxLayout(group);
        auto* row = new QHBoxLayout;
        auto* spin = new QSpinBox(group);
        spin->setRange(MinRpm, MaxRpm);
        spin->setSingleStep(RpmStep);
        spin->setMinimumWidth(80);
        row->addWidget(spin);
        row->addWidget(new QLabel(QStringLiteral("RPM"), group));
        row->addStretch(1);
        g->addLayout(row);
        lblTuned[i] = new QLabel(group);
        lblTuned[i]->setWordWrap(true);
        lblTuned[i]->setVisible(false);
        g->addWidget(lblTuned[i]);
        layout->addWidget(group);
        (i == 0 ? SpinIdle : SpinIdleAC) = spin;
    }
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
    setFixedSize(320, 360);

    connect(SpinIdle, &QSpinBox::valueChanged, this, [this] { SpinIdleChange(); });
    connect(SpinIdleAC, &QSpinBox::valueChanged, this, [this] { SpinIdleACChange(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });

    Timer = new QTimer(this);
    Timer->setInterval(StepInterval);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
}

TfrmIdle::~TfrmIdle()
{
    Timer->stop();
}

void TfrmIdle::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmIdle::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous()) FormHide();
}

void TfrmIdle::FormShow()
{
    if (TEcuInterface* link = Link()) {
        QPointer<TfrmIdle> self(this);
        link->OnParamValues = [self](const TParamSet& received, const TParamValues&,
                                     const TParamRaw& raw, const TSwitchSet&, const TSwitchSet&) {
            if (self) self->ParamValuesReceived(received, raw);
        };
    }
    IdleChanged = false;
    IdleACChanged = false;
    Timer->start();
    FHost.Register(this);
}

void TfrmIdle::FormHide()
{
    // The link's slot stays filled; the next window shown takes it over.
    Timer->stop();
    FHost.Unregister(this);
}

void TfrmIdle::TimerTimer()
{
    TEcuInterface* link = Link();
    // With another request outstanding ours would be dropped, and a change with it.
    if (!link || link->PendingRequestActive()) return;
    if (IdleChanged) {
        IdleChanged = false;
        link->WriteAddress({AdjustAddr::Idle}, {IdleByte(SpinIdle->value())});
    } else if (IdleACChanged) {
        IdleACChanged = false;
        link->WriteAddress({AdjustAddr::IdleAC}, {IdleByte(SpinIdleAC->value())});
    } else {
        TParamSet params;
        params.set(epidle).set(epidleac);
        link->PollParameters(params, {});
    }
}

void TfrmIdle::btnOKClick()
{
    hide();
}

void TfrmIdle::SpinIdleChange()
{
    UserChanged(0);
}

void TfrmIdle::SpinIdleACChange()
{
    UserChanged(1);
}

void TfrmIdle::UserChanged(int which)
{
    if (FUpdating) return;
    (which == 0 ? IdleChanged : IdleACChanged) = true;
    if (FOutside[which]) {
        // The user takes the value over: from here on it is this window's, within its range.
        FOutside[which] = false;
        lblTuned[which]->setVisible(false);
        FUpdating = true;
        Spin(which)->setRange(MinRpm, MaxRpm);
        FUpdating = false;
    }
}

void TfrmIdle::ShowRead(int which, int rpm)
{
    QSpinBox* spin = Spin(which);
    if (rpm >= MinRpm && rpm <= MaxRpm) {
        if (FOutside[which]) {
            FOutside[which] = false;
            lblTuned[which]->setVisible(false);
            FUpdating = true;
            spin->setRange(MinRpm, MaxRpm);
            FUpdating = false;
        }
        spin->setValue(rpm); // a different value is written back at the next step
        return;
    }
    // Beyond the range: shown as it is and left alone, so a tuned offset is not clamped.
    FUpdating = true;
    spin->setRange(std::min(MinRpm, rpm), std::max(MaxRpm, rpm));
    spin->setValue(rpm);
    FUpdating = false;
    FOutside[which] = true;
    lblTuned[which]->setText(
        QStringLiteral("%1 RPM was set by live tuning, beyond this window's range of %2..%3 RPM. "
                       "It is left as it is unless you change it.")
            .arg(rpm)
            .arg(MinRpm)
            .arg(MaxRpm));
    lblTuned[which]->setVisible(true);
}

void TfrmIdle::ParamValuesReceived(const TParamSet& received, const TParamRaw& raw)
{
    if (received.test(epidle)) ShowRead(0, IdleRpm(raw[epidle]));
    if (received.test(epidleac)) ShowRead(1, IdleRpm(raw[epidleac]));
}
