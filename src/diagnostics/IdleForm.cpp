#include "IdleForm.h"

#include "AdjustCodings.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const char* const HelpText =
    "Raises or lowers the engine's idle speed in 25 RPM steps, separately with the air "
    "conditioning off (or on a car without it) and with it on.\n\n"
    "The ECU keeps the adjustments until it is reset (Tools, ECU Reset) or its battery is "
    "disconnected.";

QString Signed(int rpm)
{
    return rpm > 0 ? QStringLiteral("+%1").arg(rpm) : QString::number(rpm);
}
} // namespace

TfrmIdle::TfrmIdle(const TToolWindowHost& host, QWidget* parent)
    : TAdjustForm(host, QStringLiteral("Idle Speeds"), parent)
{
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
    FinishLayout(layout, HelpText);
    setFixedSize(320, 380);
    AddItem(SpinIdle, AdjustAddr::Idle, [](int v) { return IdleByte(v); });
    AddItem(SpinIdleAC, AdjustAddr::IdleAC, [](int v) { return IdleByte(v); });
}

TParamSet TfrmIdle::PollParams() const
{
    TParamSet params;
    params.set(epidle).set(epidleac);
    return params;
}

void TfrmIdle::ParamValuesReceived(const TParamSet& received, const TParamRaw& raw)
{
    if (received.test(epidle)) ValueRead(0, IdleRpm(raw[epidle]));
    if (received.test(epidleac)) ValueRead(1, IdleRpm(raw[epidleac]));
}

QString TfrmIdle::LeaveQuestion(int from, int to)
{
    return QStringLiteral("The idle offset is %1%2. Change it to %3?")
        .arg(Signed(from))
        .arg(IsTunedIdleRpm(from) ? QStringLiteral(", set by live tuning") : QString())
        .arg(Signed(to));
}

void TfrmIdle::BackInRange(int which)
{
    FOutside[which] = false;
    lblTuned[which]->setVisible(false);
    const bool updating = FUpdating;
    FUpdating = true;
    Spin(which)->setRange(MinRpm, MaxRpm);
    FUpdating = updating;
}

void TfrmIdle::UserChanged(int which)
{
    if (FOutside[which]) {
        // One step from a tuned offset would jump to the edge of this window's range.
        const int from = FOutsideRpm[which];
        const int to = std::clamp(Spin(which)->value(), MinRpm, MaxRpm);
        FAsking = true;
        const bool change = FHost.GetDialogs().Confirm(LeaveQuestion(from, to));
        FAsking = false;
        if (!change) {
            FUpdating = true;
            Spin(which)->setValue(from);
            FUpdating = false;
            return;
        }
        BackInRange(which); // from here on the value is this window's
    }
    MarkChanged(which);
}

void TfrmIdle::ShowValue(int which, int rpm)
{
    QSpinBox* spin = Spin(which);
    if (rpm >= MinRpm && rpm <= MaxRpm) {
        if (FOutside[which]) BackInRange(which);
        spin->setValue(rpm); // a different value is written back at the next step
        return;
    }
    // Beyond the range: shown as it is and left alone, so a tuned offset is not clamped.
    FUpdating = true;
    spin->setRange(std::min(MinRpm, rpm), std::max(MaxRpm, rpm));
    spin->setValue(rpm);
    FUpdating = false;
    FOutside[which] = true;
    FOutsideRpm[which] = rpm;
    const QString range = QStringLiteral("this window's range of %1..%2 RPM").arg(MinRpm).arg(MaxRpm);
    lblTuned[which]->setText(
        (IsTunedIdleRpm(rpm) ? QStringLiteral("%1 RPM was set by live tuning, beyond %2.")
                             : QStringLiteral("%1 RPM is beyond %2."))
            .arg(rpm)
            .arg(range) +
        QStringLiteral(" It is left as it is unless you change it."));
    lblTuned[which]->setVisible(true);
}
