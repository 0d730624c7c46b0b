#include "UserTuneForm.h"

#include "AdjustCodings.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char* const InformationText =
    "This ECU does not support live tuning adjustments.\n\n"
    "Live tuning needs a special ECU software version, available from the maker's dealers. "
    "UK and US WRX ECUs are supported.\n\n"
    "With it, the idle speed, a valet-mode rev limit, the overall ignition advance, ignition "
    "learning, boost pressure, wastegate duty, open-loop fuelling and, on cars with variable "
    "cam timing, the intake cam timing can be adjusted while the engine runs, and two boost "
    "maps and two wastegate duty maps chosen between.";

const char* const WarningText =
    "Usage Warning\n\n"
    "Adjusting the tuning of the engine while it runs is an extremely powerful feature, meant "
    "for users who know exactly what they are doing.\n\n"
    "Incorrect use could cause engine damage.\n\n"
    "Click OK to proceed";

const char* const HelpText =
    "LIVE TUNING ADJUSTMENTS\n"
    "=======================\n"
    "Each adjustment is sent to the ECU as soon as it is changed, one at a\n"
    "time, and read back from the ECU between changes. The ECU applies it\n"
    "on top of its own maps until it is reset or loses power.\n"
    "\n"
    "Idle Speed Adjustment\n"
    "  Adds to or subtracts from the idle speed, with the air conditioning\n"
    "  off and on. -300 to +1500 RPM in 25 RPM steps.\n"
    "\n"
    "Rev Limit Adjustment (Valet Mode)\n"
    "  \"Use Standard Rev Limit (A)\" keeps the normal limit. \"Adjust Rev\n"
    "  Limit (B)\" moves it by the amount set: -4000 to +200 RPM in 50 RPM\n"
    "  steps. A low limit keeps a valet from revving the engine hard.\n"
    "\n"
    "Overall Ignition Adjustment\n"
    "  Advances (+) or retards (-) the ignition everywhere. -5 to +5\n"
    "  degrees in steps of 0.35 degrees (90/256).\n"
    "\n"
    "Ignition Learning Adjustment\n"
    "  Scales how much of the learned ignition advance is used. 20 to\n"
    "  150 % in 5 % steps; 100 % is standard.\n"
    "\n"
    "Boost Pressure Adjustment\n"
    "  Adds to or subtracts from the target boost. -0.35 to +0.35 bar in\n"
    "  0.02 bar steps.\n"
    "\n"
    "Duty Cycle Adjustment\n"
    "  Scales the wastegate duty. 0 to 200 % in 2 % steps; 100 % is\n"
    "  standard.\n"
    "\n"
    "Open Loop Fuelling Adjustment\n"
    "  Scales the fuelling at full load. 50 to 198 % in 2 % steps; 100 %\n"
    "  is standard.\n"
    "\n"
    "VVT Intake Cam Timing Adjustment (cars with variable cam timing)\n"
    "  Advances (+) or retards (-) the intake cam. -10 to +10 degrees in\n"
    "  1 degree steps.\n"
    "\n"
    "Boost Map / Wastegate Duty Map\n"
    "  Choose between the ECU's two boost maps and its two duty maps.\n"
    "\n"
    "KEYS\n"
    "====\n"
    "  Up / Down arrows, or the arrow buttons   one step up / down\n"
    "  Keypad + / Keypad -                      one step up / down\n"
    "  Tab / Shift+Tab                          next / previous control\n"
    "Values cannot be typed in: they change one step at a time.\n"
    "\n"
    "READINGS\n"
    "========\n"
    "Engine speed, ignition timing, manifold pressure, wastegate duty,\n"
    "injector pulse width, knock correction and, with variable cam\n"
    "timing, the cam angles are shown as the ECU reports them.";

QTextEdit* CentredText(QWidget* parent, const char* text)
{
    auto* memo = new QTextEdit(parent);
    memo->setReadOnly(true);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setPlainText(QString::fromLatin1(text));
    QTextCursor cursor(memo->document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setAlignment(Qt::AlignHCenter);
    cursor.mergeBlockFormat(format);
    QPalette pal = memo->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Window));
    memo->setPalette(pal);
    return memo;
}

QLineEdit* ReadingEdit(QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setFixedWidth(60);
    e->setAlignment(Qt::AlignRight);
    return e;
}

// Values change by steps only: no typed text.
void NoTyping(QAbstractSpinBox* spin)
{
    if (auto* edit = spin->findChild<QLineEdit*>()) edit->setReadOnly(true);
    spin->setFixedWidth(72);
    spin->setAlignment(Qt::AlignRight);
}

QGroupBox* Group(QWidget* parent, const QString& title)
{
    auto* g = new QGroupBox(title, parent);
    return g;
}

// A group of one control and its unit.
QGroupBox* SingleGroup(QWidget* parent, const QString& title, QWidget* control, const QString& unit)
{
    auto* g = Group(parent, title);
    auto* row = new QHBoxLayout(g);
    row->setContentsMargins(6, 2, 6, 4);
    control->setParent(g);
    row->addWidget(control);
    row->addWidget(new QLabel(unit, g));
    row->addStretch(1);
    return g;
}

} // namespace

TfrmUserTune::TfrmUserTune(const TToolWindowHost& host, QWidget* parent)
    : QDialog(parent), FHost(host)
{
    setWindowTitle(QStringLiteral("Live Tuning Adjustment"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    lblChecking = new QLabel(
        QStringLiteral("Asking the ECU which live tuning adjustments it offers..."), this);
    lblChecking->setAlignment(Qt::AlignCenter);
    lblChecking->setVisible(false);
    layout->addWidget(lblChecking);
    pgcPages = new QTabWidget(this);
    layout->addWidget(pgcPages);
    lblSending = new QLabel(this);
    lblSending->setVisible(false);
    layout->addWidget(lblSending);

    tabInformation = new QWidget;
    auto* info = new QVBoxLayout(tabInformation);
    memInformation = CentredText(tabInformation, InformationText);
    info->addWidget(memInformation);

    tabWarning = new QWidget;
    auto* warn = new QVBoxLayout(tabWarning);
    memWarning = CentredText(tabWarning, WarningText);
    QFont big = memWarning->font();
    big.setPointSizeF(big.pointSizeF() * 1.2);
    memWarning->setFont(big);
    {
        QTextCursor heading(memWarning->document()->firstBlock());
        heading.select(QTextCursor::BlockUnderCursor);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        heading.mergeCharFormat(bold);
    }
    warn->addWidget(memWarning, 1);
    btnOkWarning = new QPushButton(QStringLiteral("OK"), tabWarning);
    auto* okRow = new QHBoxLayout;
    okRow->addStretch(1);
    okRow->addWidget(btnOkWarning);
    okRow->addStretch(1);
    warn->addLayout(okRow);
    connect(btnOkWarning, &QPushButton::clicked, this, [this] { btnOkWarningClick(); });

    tabHelp = new QWidget;
    auto* help = new QVBoxLayout(tabHelp);
    memHelp = new QPlainTextEdit(tabHelp);
    memHelp->setReadOnly(true);
    memHelp->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memHelp->setLineWrapMode(QPlainTextEdit::NoWrap);
    memHelp->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memHelp->setPlainText(QString::fromLatin1(HelpText));
    help->addWidget(memHelp);

    tabTuning = new QWidget;
    BuildTuningPage();

    pgcPages->addTab(tabInformation, QStringLiteral("Information"));
    pgcPages->addTab(tabWarning, QStringLiteral("Warning"));
    pgcPages->addTab(tabTuning, QStringLiteral("Live Tuning Adjustment"));
    pgcPages->addTab(tabHelp, QStringLiteral("Help"));

    Timer = new QTimer(this);
    Timer->setSingleShot(true);
    Timer->setInterval(StepInterval);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });

    setFixedSize(565, 445);
}

TfrmUserTune::~TfrmUserTune()
{
    Timer->stop();
    FHideWait.Stop();
}

void TfrmUserTune::BuildTuningPage()
{
    // Eighteen groups share a fixed 565 x 445 window: a slightly smaller font keeps every
    // caption whole.
    QFont small = tabTuning->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    tabTuning->setFont(small);
    auto* page = new QGridLayout(tabTuning);
    page->setContentsMargins(4, 4, 4, 4);
    page->setHorizontalSpacing(4);
    page->setVerticalSpacing(2);

    auto spin = [this](int lo, int hi, int step, int value, TTuneItem item) {
        auto* s = new QSpinBox(tabTuning);
        s->setRange(lo, hi);
        s->setSingleStep(step);
        s->setValue(value);
        NoTyping(s);
        s->installEventFilter(this);
        connect(s, &QSpinBox::valueChanged, this, [this, item] { ControlChange(item); });
        return s;
    };
    auto dspin = [this](double lo, double hi, double step, TTuneItem item) {
        auto* s = new QDoubleSpinBox(tabTuning);
        s->setDecimals(2);
        s->setRange(lo, hi);
        s->setSingleStep(step);
        s->setValue(0);
        NoTyping(s);
        s->installEventFilter(this);
        connect(s, &QDoubleSpinBox::valueChanged, this, [this, item] { ControlChange(item); });
        return s;
    };

    // Left: idle, rev limit and the maps.
    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    grpIdle = Group(tabTuning, QStringLiteral("Idle Speed Adjustment"));
    {
        auto* g = new QGridLayout(grpIdle);
        g->setContentsMargins(6, 2, 6, 4);
        g->setVerticalSpacing(2);
        SpinIdle = spin(TunedIdleMin, TunedIdleMax, 25, 0, tiIdle);
        SpinIdleAC = spin(TunedIdleMin, TunedIdleMax, 25, 0, tiIdleAC);
        g->addWidget(new QLabel(QStringLiteral("Add/Subtract with Air Con Off"), grpIdle), 0, 0);
        g->addWidget(SpinIdle, 0, 1);
        g->addWidget(new QLabel(QStringLiteral("RPM"), grpIdle), 0, 2);
        g->addWidget(new QLabel(QStringLiteral("Add/Subtract with Air Con On"), grpIdle), 1, 0);
        g->addWidget(SpinIdleAC, 1, 1);
        g->addWidget(new QLabel(QStringLiteral("RPM"), grpIdle), 1, 2);
    }
    left->addWidget(grpIdle);
    grpRevLimit = Group(tabTuning, QStringLiteral("Rev Limit Adjustment (Valet Mode)"));
    {
        auto* g = new QGridLayout(grpRevLimit);
        g->setContentsMargins(6, 2, 6, 4);
        g->setVerticalSpacing(2);
        radStdRevLimit =
            new QRadioButton(QStringLiteral("Use Standard Rev Limit (A)"), grpRevLimit);
        RadAdjustRevLimit =
            new QRadioButton(QStringLiteral("Adjust Rev Limit (B) - Add/Subtract"), grpRevLimit);
        radStdRevLimit->setChecked(true);
        seRevAdjust = spin(-4000, 200, 50, 0, tiRevAdjust);
        g->addWidget(radStdRevLimit, 0, 0, 1, 3);
        g->addWidget(RadAdjustRevLimit, 1, 0);
        g->addWidget(seRevAdjust, 1, 1);
        g->addWidget(new QLabel(QStringLiteral("RPM"), grpRevLimit), 1, 2);
        for (QRadioButton* r : {radStdRevLimit, RadAdjustRevLimit})
            connect(r, &QRadioButton::toggled, this, [this] { ControlChange(tiRevLimOpt); });
    }
    left->addWidget(grpRevLimit);
    auto radioGroup = [this](const QString& title, const QString& a, const QString& b,
                             QButtonGroup*& buttons, TTuneItem item) {
        auto* g = Group(tabTuning, title);
        auto* v = new QVBoxLayout(g);
        v->setContentsMargins(6, 2, 6, 4);
        v->setSpacing(0);
        buttons = new QButtonGroup(g);
        auto* ra = new QRadioButton(a, g);
        auto* rb = new QRadioButton(b, g);
        ra->setChecked(true);
        buttons->addButton(ra, 0);
        buttons->addButton(rb, 1);
        v->addWidget(ra);
        v->addWidget(rb);
        connect(buttons, &QButtonGroup::idToggled, this,
                [this, item](int, bool) { ControlChange(item); });
        return g;
    };
    auto* maps = new QHBoxLayout;
    rgBoostMap = radioGroup(QStringLiteral("Boost Map"), QStringLiteral("Boost Map A"),
                            QStringLiteral("Boost Map B"), BoostMapButtons, tiBoostMap);
    rgDutyMap =
        radioGroup(QStringLiteral("Wastegate Duty Map"), QStringLiteral("Wastegate Duty Map A"),
                   QStringLiteral("Wastegate Duty Map B"), DutyMapButtons, tiDutyMap);
    maps->addWidget(rgBoostMap);
    maps->addWidget(rgDutyMap);
    left->addLayout(maps);

    // The single adjustments, in two columns below.
    seIgnAdd = dspin(-5, 5, 90.0 / 256.0, tiIgnAdd);
    seLearnScaling = spin(20, 150, 5, 100, tiLearnScaling);
    seFuelScaling = spin(50, 198, 2, 100, tiFuelScaling);
    seDutyScale = spin(0, 200, 2, 100, tiDutyScale);
    seBoostAdd = dspin(-0.35, 0.35, 0.02, tiBoostAdd);
    seVVTAdd = dspin(-10, 10, 1, tiVVTAdd);
    grpIgnAdd = SingleGroup(tabTuning, QStringLiteral("Overall Ignition Adjustment"), seIgnAdd,
                            QStringLiteral("Degrees"));
    grpLearn = SingleGroup(tabTuning, QStringLiteral("Ignition Learning Adjustment"),
                           seLearnScaling, QStringLiteral("%"));
    grpBoost = SingleGroup(tabTuning, QStringLiteral("Boost Pressure Adjustment"), seBoostAdd,
                           QStringLiteral("Bar"));
    grpDuty = SingleGroup(tabTuning, QStringLiteral("Duty Cycle Adjustment"), seDutyScale,
                          QStringLiteral("%"));
    grpFuel = SingleGroup(tabTuning, QStringLiteral("Open Loop Fuelling Adjustment"), seFuelScaling,
                          QStringLiteral("%"));
    grpVVT = SingleGroup(tabTuning, QStringLiteral("VVT Intake Cam Timing Adjustment"), seVVTAdd,
                         QStringLiteral("Degrees"));
    auto* singles = new QGridLayout;
    singles->setSpacing(2);
    singles->addWidget(grpIgnAdd, 0, 0);
    singles->addWidget(grpLearn, 0, 1);
    singles->addWidget(grpBoost, 1, 0);
    singles->addWidget(grpDuty, 1, 1);
    singles->addWidget(grpFuel, 2, 0);
    singles->addWidget(grpVVT, 2, 1);
    left->addLayout(singles);
    left->addStretch(1);
    page->addLayout(left, 0, 0);

    // Right: the readings.
    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    auto reading = [&](const QString& title, QLineEdit*& edit, const QString& unit) {
        edit = ReadingEdit(tabTuning);
        QGroupBox* g = SingleGroup(tabTuning, title, edit, unit);
        right->addWidget(g);
        return g;
    };
    grpEngSpeed =
        reading(QStringLiteral("Current Engine Speed"), edtEngSpeed, QStringLiteral("RPM"));
    grpIgnTiming =
        reading(QStringLiteral("Current Ignition Timing"), edtIgnTiming, QStringLiteral("Degrees"));
    grpMap = reading(QStringLiteral("Current Manifold Pressure"), edtMap, QStringLiteral("Bar"));
    grpWgDuty = reading(QStringLiteral("Current Wastegate Duty"), edtWgDuty, QStringLiteral("%"));
    grpInjPw =
        reading(QStringLiteral("Current Injector Pulse Width"), edtInjPw, QStringLiteral("ms"));
    grpKnock =
        reading(QStringLiteral("Current Knock Correction"), edtKnock, QStringLiteral("Degrees"));
    grpVVTAngle = Group(tabTuning, QStringLiteral("Current VVT Angle"));
    {
        auto* g = new QGridLayout(grpVVTAngle);
        g->setContentsMargins(6, 2, 6, 4);
        g->setVerticalSpacing(2);
        edtVVTLeft = ReadingEdit(grpVVTAngle);
        edtVVTRight = ReadingEdit(grpVVTAngle);
        g->addWidget(edtVVTLeft, 0, 0);
        g->addWidget(new QLabel(QStringLiteral("Degrees (Left)"), grpVVTAngle), 0, 1);
        g->addWidget(edtVVTRight, 1, 0);
        g->addWidget(new QLabel(QStringLiteral("Degrees (Right)"), grpVVTAngle), 1, 1);
    }
    right->addWidget(grpVVTAngle);
    right->addStretch(1);
    page->addLayout(right, 0, 1);
    page->setColumnStretch(0, 1);
}

void TfrmUserTune::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TfrmUserTune::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous()) FormHide();
}

void TfrmUserTune::SetPageVisible(QWidget* page, bool visible)
{
    pgcPages->setTabVisible(pgcPages->indexOf(page), visible);
}

void TfrmUserTune::FormShow()
{
    pgcPages->setVisible(false);
    lblChecking->setVisible(true);
    FTuning = false;
    FWriteOut = false;
    FFailed = false;
    lblSending->setVisible(false);
    Logic.Pending.reset();
    int index = -1;
    TEcuInterface* link = Link();
    CamTiming = link && link->FindEcu(index) && TTuningLogic::IsCamTimingEcu(index);
    for (QLineEdit* e : {edtEngSpeed, edtIgnTiming, edtMap, edtWgDuty, edtInjPw, edtKnock,
                         edtVVTLeft, edtVVTRight})
        e->clear();
    RequestSupport();
    FHost.Register(this);
}

void TfrmUserTune::RequestSupport()
{
    TEcuInterface* link = Link();
    if (!link) return;
    FChecking = true;
    if (link->PendingRequestActive()) {
        // The link would drop the read: ask again at the next step.
        Timer->start();
        return;
    }
    QPointer<TfrmUserTune> self(this);
    link->OnReadAddressesResponse = [self](const TLongWordArray&, int, const TByteArray& payload) {
        if (self) self->CheckSupport(payload);
    };
    link->ReadAddresses({AdjustAddr::TuneCheck, AdjustAddr::TuneMask});
}

void TfrmUserTune::CheckSupport(const TByteArray& data)
{
    if (TEcuInterface* link = Link()) link->OnReadAddressesResponse = nullptr;
    FChecking = false;
    lblChecking->setVisible(false);
    pgcPages->setVisible(true);
    const std::optional<TTuneGroups> groups = TTuningLogic::CheckSupport(data, CamTiming);
    if (groups) {
        grpIdle->setVisible(groups->Idle);
        grpRevLimit->setVisible(groups->RevLimit);
        grpIgnAdd->setVisible(groups->IgnAdd);
        grpLearn->setVisible(groups->Learning);
        grpBoost->setVisible(groups->Boost);
        grpDuty->setVisible(groups->Duty);
        grpVVT->setVisible(groups->VVT);
        grpVVTAngle->setVisible(groups->VVTAngle);
        grpFuel->setVisible(groups->Fuel);
        rgBoostMap->setVisible(groups->Maps);
        rgDutyMap->setVisible(groups->Maps);
        SetPageVisible(tabWarning, true);
        SetPageVisible(tabHelp, true);
        pgcPages->setCurrentWidget(tabWarning);
        SetPageVisible(tabInformation, false);
        SetPageVisible(tabTuning, false);
    } else {
        SetPageVisible(tabInformation, true);
        pgcPages->setCurrentWidget(tabInformation);
        SetPageVisible(tabTuning, false);
        SetPageVisible(tabWarning, false);
        SetPageVisible(tabHelp, false);
    }
}

void TfrmUserTune::btnOkWarningClick()
{
    StartTuning();
}

void TfrmUserTune::StartTuning()
{
    if (TEcuInterface* link = Link()) {
        QPointer<TfrmUserTune> self(this);
        link->OnWriteAddressResponse = [self](uint8_t, uint8_t, const TByteArray&, int,
                                              const TLongWordArray&) {
            if (self) self->WriteEchoReceived();
        };
        link->OnParamValues = [self](const TParamSet& received, const TParamValues&,
                                     const TParamRaw& raw, const TSwitchSet& present,
                                     const TSwitchSet& on) {
            if (self) self->TuningDataReceived(received, raw, present, on);
        };
    }
    SetPageVisible(tabTuning, true);
    pgcPages->setCurrentWidget(tabTuning);
    SetPageVisible(tabWarning, false);
    QCoreApplication::processEvents();
    FTuning = true;
    Timer->start();
}

void TfrmUserTune::TimerTimer()
{
    Timer->stop();
    if (FChecking) {
        if (isVisible() && !FHost.IsClosing()) RequestSupport();
        return;
    }
    TuningStep();
}

void TfrmUserTune::TuningStep()
{
    TEcuInterface* link = Link();
    if (!isVisible() || FHost.IsClosing() || !link || !FTuning) return;
    if (link->PendingRequestActive()) {
        // Ours would be dropped, and a pending change with it: try at the next step.
        Timer->start();
        return;
    }
    const TTuneStep step = Logic.TuningStep(Values());
    if (step.Poll) {
        link->PollParameters(TTuningLogic::PollParams(), TTuningLogic::PollSwitches());
    } else {
        link->WriteAddress({step.Address}, {step.Value});
        FWriteOut = true;
    }
}

void TfrmUserTune::WriteEchoReceived()
{
    FWriteOut = false;
    if (FFailed && !FHideWait.Waiting()) {
        FFailed = false; // the ECU answers again
        lblSending->setVisible(false);
    }
    if (FTuning && isVisible() && !FHideWait.Waiting()) Timer->start();
}

bool TfrmUserTune::CanWaitForEcu() const
{
    const bool disconnected = FHost.Connected && !FHost.Connected();
    return Link() && FTuning && !FHost.IsClosing() && !disconnected;
}

void TfrmUserTune::setVisible(bool visible)
{
    // After a write was reported as not set, a second request hides at once.
    const bool wait = (Logic.Pending.any() || FWriteOut) && !FFailed && CanWaitForEcu();
    if (wait && !visible && isVisible() && !FHideWait.Waiting()) {
        Timer->stop();
        lblSending->setText(QStringLiteral("Sending..."));
        lblSending->setVisible(true);
    }
    if (FHideWait.Hold(visible, wait)) return;
    QDialog::setVisible(visible);
}

void TfrmUserTune::reject()
{
    // Escape and the close box end here; QDialog's own path would hide without the wait.
    hide();
}

void TfrmUserTune::FlushStep()
{
    TEcuInterface* link = Link();
    if (!CanWaitForEcu()) {
        EndFlush(true);
        return;
    }
    if (link->PendingRequestActive()) {
        if (FHideWait.Expired(*link)) EndFlush(false);
        return;
    }
    // The link is free: its answer to our write came with the echo, or never will.
    if (FWriteOut) {
        FWriteOut = false;
        EndFlush(false);
        return;
    }
    if (!Logic.Pending.any()) {
        EndFlush(true);
        return;
    }
    const TTuneStep step = Logic.TuningStep(Values());
    link->WriteAddress({step.Address}, {step.Value});
    FWriteOut = true;
}

void TfrmUserTune::EndFlush(bool ok)
{
    if (ok) lblSending->setVisible(false);
    FHideWait.Finish(ok);
    if (ok) return;
    FFailed = true;
    lblSending->setText(QStringLiteral("Not set: the ECU did not answer"));
    Timer->start(); // reads the ECU again
}

void TfrmUserTune::TuningDataReceived(const TParamSet& received, const TParamRaw& raw,
                                      const TSwitchSet& present, const TSwitchSet& on)
{
    if (!isVisible() || FHost.IsClosing()) return;
    const std::pair<TEcuParam, QLineEdit*> readings[] = {
        {epEngspd, edtEngSpeed}, {epIgntim, edtIgnTiming}, {epMap, edtMap},
        {epPrictrl, edtWgDuty},  {epFinjpw, edtInjPw},     {epKnockcor, edtKnock},
        {epVVTAAAL, edtVVTLeft}, {epVVTAAAR, edtVVTRight},
    };
    for (const auto& [param, edit] : readings)
        if (received.test(param)) edit->setText(TuningReadingText(param, raw[param]));

    Updating = true;
    const TTuneValues v = TTuningLogic::ValuesFromReply(raw, present, on, Values());
    if (!Logic.SelectionPending()) {
        (v.RevLimitB ? RadAdjustRevLimit : radStdRevLimit)->setChecked(true);
        DutyMapButtons->button(v.DutyMapB ? 1 : 0)->setChecked(true);
        BoostMapButtons->button(v.BoostMapB ? 1 : 0)->setChecked(true);
    }
    const auto& pending = Logic.Pending;
    if (!pending[tiIdle]) SpinIdle->setValue(v.Idle);
    if (!pending[tiIdleAC]) SpinIdleAC->setValue(v.IdleAC);
    if (!pending[tiRevAdjust]) seRevAdjust->setValue(v.RevAdjust);
    if (!pending[tiIgnAdd]) seIgnAdd->setValue(v.IgnAdd);
    if (!pending[tiLearnScaling]) seLearnScaling->setValue(v.LearnScaling);
    if (!pending[tiFuelScaling]) seFuelScaling->setValue(v.FuelScaling);
    if (!pending[tiDutyScale]) seDutyScale->setValue(v.DutyScale);
    if (!pending[tiBoostAdd]) seBoostAdd->setValue(v.BoostAdd);
    if (!pending[tiVVTAdd]) seVVTAdd->setValue(v.VVTAdd);
    Updating = false;
    if (FTuning && !FHideWait.Waiting()) Timer->start();
}

void TfrmUserTune::ControlChange(TTuneItem item)
{
    if (!Updating) Logic.Pending.set(item);
}

TTuneValues TfrmUserTune::Values() const
{
    TTuneValues v;
    v.Idle = SpinIdle->value();
    v.IdleAC = SpinIdleAC->value();
    v.RevLimitB = RadAdjustRevLimit->isChecked();
    v.BoostMapB = BoostMapButtons->checkedId() == 1;
    v.DutyMapB = DutyMapButtons->checkedId() == 1;
    v.RevAdjust = seRevAdjust->value();
    v.IgnAdd = seIgnAdd->value();
    v.LearnScaling = seLearnScaling->value();
    v.FuelScaling = seFuelScaling->value();
    v.DutyScale = seDutyScale->value();
    v.BoostAdd = seBoostAdd->value();
    v.VVTAdd = seVVTAdd->value();
    return v;
}

bool TfrmUserTune::seRevAdjustKeyDown(QAbstractSpinBox* control, int key,
                                      Qt::KeyboardModifiers modifiers)
{
    if (!(modifiers & Qt::KeypadModifier) || (key != Qt::Key_Plus && key != Qt::Key_Minus))
        return false; // the arrow keys are the control's own: one step per press
    const bool up = key == Qt::Key_Plus;
    if (auto* s = qobject_cast<QSpinBox*>(control))
        s->setValue(up ? std::min(s->value() + s->singleStep(), s->maximum())
                       : std::max(s->value() - s->singleStep(), s->minimum()));
    else if (auto* d = qobject_cast<QDoubleSpinBox*>(control))
        d->setValue(up ? std::min(d->value() + d->singleStep(), d->maximum())
                       : std::max(d->value() - d->singleStep(), d->minimum()));
    return true;
}

bool TfrmUserTune::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        if (auto* spin = qobject_cast<QAbstractSpinBox*>(watched)) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (seRevAdjustKeyDown(spin, key->key(), key->modifiers())) return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmUserTune::FormHide()
{
    Timer->stop();
    FHideWait.Stop();
    FTuning = false;
    FChecking = false;
    if (TEcuInterface* link = Link()) {
        link->OnReadAddressesResponse = nullptr;
        link->OnWriteAddressResponse = nullptr;
        link->OnParamValues = nullptr;
    }
    // Let a reply already on its way arrive while no handler of ours is in the slots.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 200 && !FHost.IsClosing())
        QCoreApplication::processEvents(QEventLoop::AllEvents,
                                        200 - static_cast<int>(clock.elapsed()));
    FHost.Unregister(this);
}
