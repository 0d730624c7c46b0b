#include "IgaForm.h"

#include "ChartAxes.h"
#include "Clock.h"
#include "DynoFiles.h"
#include "DynoReport.h"
#include "EcuConstData.h"
#include "EcuInterface.h"
#include "NumEdit.h"
#include "NumFormat.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const QString Caption = QStringLiteral("Acceleration & Power Testing");
const QString DdfFilter = QStringLiteral("Dyno Data File|*.DDF");
const TLongWordArray AmbientAddresses{0x23, 0x12};
const TLongWordArray RpmAddresses{0x0E, 0x0F};

// Current run red; comparison rows aqua, yellow and lime.
const std::array<QColor, 4> RunColours{QColor(255, 0, 0), QColor(0, 255, 255), QColor(255, 255, 0),
                                       QColor(0, 255, 0)};

QColor Darkened(const QColor& c)
{
    return QColor(c.red() / 2, c.green() / 2, c.blue() / 2);
}

QFont BigBold(QWidget* w, int points)
{
    QFont f = w->font();
    f.setPointSize(points);
    f.setBold(true);
    return f;
}

// Grid step and decimals of an axis, with "." whatever the locale.
class TFixedDecimalsTicker : public QCPAxisTickerFixed {
  public:
    TFixedDecimalsTicker(double step, int decimals) : FDecimals(decimals)
    {
        setTickStep(step);
        setScaleStrategy(ssMultiples); // a wide range gets multiples of the step
    }

  protected:
    QString getTickLabel(double tick, const QLocale&, QChar, int) override
    {
        return FormatFixed(std::fabs(tick) < 1e-12 ? 0 : tick, FDecimals);
    }

  private:
    int FDecimals;
};

void SetAxis(QCPAxis* axis, double step, int decimals, const QString& label)
{
    axis->setTicker(QSharedPointer<QCPAxisTicker>(new TFixedDecimalsTicker(step, decimals)));
    axis->setLabel(label);
}

struct TEcuPreset {
    std::vector<int> Positions;
    int RevLimit;
    int Gearset;
    int Tyre;    // -1: unchanged
    int Vehicle; // -1: unchanged
};
const TEcuPreset EcuPresets[] = {
    {{0, 1, 2, 3}, 7100, 0, 0, 0},
    {{4, 5}, 8200, 0, 0, 1},
    {{7, 8, 15, 16, 17, 25, 44, 45, 50, 53, 69}, 7100, 0, 2, 3},
    {{9, 41, 42, 52, 58, 60}, 7600, 3, 2, 4},
    {{13, 20}, 6800, 0, -1, -1},
    {{18, 19, 38, 49, 59, 68, 71, 81}, 8200, 4, 2, 4},
    {{43, 90}, 7600, 0, 2, 4},
    {{46, 47}, 7600, 0, 0, 1},
};

} // namespace

// ---------------------------------------------------------------------------------------
// Helpers

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int index,
                         QWidget* parent)
    : QWidget(parent), FItems(items), FGroup(new QButtonGroup(this))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* box = new QGroupBox(caption, this);
    outer->addWidget(box);
    auto* layout = new QVBoxLayout(box);
    layout->setSpacing(1);
    layout->setContentsMargins(6, 2, 6, 4);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], box);
        FGroup->addButton(b, i);
        layout->addWidget(b);
    }
    SetItemIndex(index);
    connect(FGroup, &QButtonGroup::idClicked, this, &TRadioGroup::Clicked);
}

int TRadioGroup::ItemIndex() const
{
    return FGroup->checkedId();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (QAbstractButton* b = FGroup->button(index)) b->setChecked(true);
}

QAbstractButton* TRadioGroup::Button(int index) const
{
    return FGroup->button(index);
}

void TDynoChart::paintEvent(QPaintEvent* event)
{
    QCustomPlot::paintEvent(event);
    QPainter p(this);
    p.setFont(font());
    const QFontMetrics fm(font());
    int w = 0, h = 0;
    for (const QString& l : StatsLines)
        if (!l.isEmpty()) {
            w = std::max(w, fm.horizontalAdvance(l));
            h += fm.height();
        }
    if (h == 0) return;
    int top = height() - h - 60;
    const int left = width() - w - 80;
    for (size_t i = 0; i < StatsLines.size(); ++i) {
        if (StatsLines[i].isEmpty()) continue;
        p.setPen(StatsColours[i]);
        p.drawText(QRect(left, top, w + 1, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   StatsLines[i]);
        top += fm.height();
    }
}

// ---------------------------------------------------------------------------------------
// Creation

TfrmIGA::TfrmIGA(TToolWindowHost host, QWidget* parent)
    : QWidget(parent, Qt::Window), FHost(std::move(host))
{
    setWindowTitle(Caption);
    resize(1000, 720);
    pgcTabs = new QTabWidget(this);
    pgcTabs->addTab(BuildSetupTab(), QStringLiteral("Setup && Data Capture"));
    pgcTabs->addTab(BuildGraphTab(), QStringLiteral("Data Analysis Graphing"));
    pgcTabs->addTab(BuildReportTab(), QStringLiteral("Performance Report"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(pgcTabs);

    // 1.-2. The preset boxes, each item carrying its table row (-1 for the custom entry).
    {
        QScopedValueRollback<bool> guard(FUpdating, true);
        for (size_t i = 0; i < GearSets.size(); ++i)
            cmbGearset->addItem(QLatin1String(GearSets[i].Name), int(i));
        cmbGearset->addItem(QStringLiteral("Custom Gearing"), -1);
        cmbGearset->setCurrentIndex(0);
        ApplyGearsetChoice();
        for (size_t i = 0; i < TyreSizes.size(); ++i)
            cmbTyre->addItem(TyreSizeText(int(i)), int(i));
        cmbTyre->addItem(QStringLiteral("Custom Tyre Size"), -1);
        cmbTyre->setCurrentIndex(1);
        for (size_t i = 0; i < RevLimits.size(); ++i)
            cmbRevLimit->addItem(QString::number(RevLimits[i].RPM) + QStringLiteral(" - ") +
                                     QLatin1String(RevLimits[i].Name),
                                 int(i));
        cmbRevLimit->addItem(QStringLiteral("Custom Rev Limit"), -1);
        cmbRevLimit->setCurrentIndex(0);
        for (size_t i = 0; i < Vehicles.size(); ++i)
            cmbVehicle->addItem(QLatin1String(Vehicles[i].Name), int(i));
        cmbVehicle->addItem(QStringLiteral("Custom Vehicle"), -1);
        cmbVehicle->setCurrentIndex(0);
    }
    // 3.
    for (TSlot& s : FSlots)
        s.Run->SampleCount = 0;

    // 4. The defaults.
    TRunData& r = *FRun;
    SetDefaultSetup(r);
    r.Comment.Assign(QString());
    r.AtmPressure = NotMeasured;
    r.AIT = NotMeasured;
    r.SampleCount = 0;

    // 5.
    ShowRunData(r);
    CalcRunData(r, FCalc, SmoothingPercent());
    RedrawAnalysis();
}

TfrmIGA::~TfrmIGA()
{
    StopTest();
}

TNumEdit* TfrmIGA::NumEdit(double lo, double hi, int maxLength)
{
    auto* e = new TNumEdit(lo, hi);
    e->SetSounds(&FHost.GetSounds());
    if (maxLength > 0) e->setMaxLength(maxLength);
    e->setFixedWidth(70);
    return e;
}

QComboBox* TfrmIGA::ChoiceGroup(QVBoxLayout* into, const QString& caption,
                                std::initializer_list<std::pair<QString, TNumEdit*>> rows,
                                void (TfrmIGA::*apply)(), void (TfrmIGA::*changed)())
{
    auto* box = new QGroupBox(caption);
    auto* form = new QFormLayout(box);
    auto* choice = new QComboBox(box);
    form->addRow(choice);
    for (const auto& [label, edit] : rows) {
        form->addRow(label, edit);
        connect(edit, &TNumEdit::ValueAccepted, this, changed);
    }
    connect(choice, &QComboBox::activated, this, [this, apply, changed] {
        (this->*apply)();
        (this->*changed)();
    });
    into->addWidget(box);
    return choice;
}

QWidget* TfrmIGA::BuildSetupTab()
{
    auto* page = new QWidget;
    auto* columns = new QHBoxLayout(page);
    auto* left = new QVBoxLayout;
    columns->addLayout(left, 0);

    // Gearbox
    auto* gearbox = new QGroupBox(QStringLiteral("Gearbox"), page);
    auto* gg = new QGridLayout(gearbox);
    cmbGearset = new QComboBox(gearbox);
    gg->addWidget(cmbGearset, 0, 0, 1, 4);
    static const char* const labels[6] = {"1st", "2nd", "3rd", "4th", "5th", "6th"};
    for (int i = 0; i < 6; ++i) {
        neGear[i] = NumEdit(i < 5 ? 0.2 : 0, 10, 5);
        neGear[i]->setObjectName(QStringLiteral("neGear%1").arg(i + 1));
        gg->addWidget(new QLabel(QLatin1String(labels[i]), gearbox), 1 + i % 3, (i / 3) * 2);
        gg->addWidget(neGear[i], 1 + i % 3, (i / 3) * 2 + 1);
        connect(neGear[i], &TNumEdit::ValueAccepted, this, &TfrmIGA::GearingChanged);
    }
    neFinalDrive = NumEdit(1, 10, 5);
    gg->addWidget(new QLabel(QStringLiteral("Final Drive"), gearbox), 4, 0);
    gg->addWidget(neFinalDrive, 4, 1);
    connect(neFinalDrive, &TNumEdit::ValueAccepted, this, &TfrmIGA::GearingChanged);
    connect(cmbGearset, &QComboBox::activated, this, [this] {
        ApplyGearsetChoice();
        GearingChanged();
    });
    left->addWidget(gearbox);

    cmbTyre = ChoiceGroup(left, QStringLiteral("Wheels && Tyres"),
                          {{QStringLiteral("Tyre Width"), neTyreWidth = NumEdit(100, 500)},
                           {QStringLiteral("Tyre Profile"), neTyreProfile = NumEdit(10, 100)},
                           {QStringLiteral("Wheel Diameter"), neWheelDiameter = NumEdit(10, 25)}},
                          &TfrmIGA::ApplyTyreChoice, &TfrmIGA::WheelorTyreChanged);
    cmbRevLimit = ChoiceGroup(left, QStringLiteral("Engine Rev Limit"),
                              {{QStringLiteral("Custom Rev Limit"), neRevLimit = NumEdit(5000, 15000)}},
                              &TfrmIGA::ApplyRevLimitChoice, &TfrmIGA::RevLimitChange);
    cmbVehicle = ChoiceGroup(left, QStringLiteral("Vehicle"),
                             {{QStringLiteral("Mass (kg)"), neMass = NumEdit(100, 10000)},
                              {QStringLiteral("Drag Cd"), neCD = NumEdit(0.1, 1)},
                              {QStringLiteral("Frontal Area sqm"), neFrontalArea = NumEdit(1, 5)}},
                             &TfrmIGA::ApplyVehicleChoice, &TfrmIGA::MassOrDragChanged);

    // Test gear
    auto* testGear = new QGroupBox(QStringLiteral("Test Gear"), page);
    auto* tg = new QFormLayout(testGear);
    cmbTestGear = new QComboBox(testGear);
    tg->addRow(QStringLiteral("Gear"), cmbTestGear);
    connect(cmbTestGear, &QComboBox::activated, this, &TfrmIGA::cmbTestGearChange);
    left->addWidget(testGear);
    left->addStretch(1);

    // The right-hand side: ambient values, revs, status, the test and the files.
    auto* right = new QVBoxLayout;
    columns->addLayout(right, 1);
    auto* ambient = new QGroupBox(QStringLiteral("Ambient Conditions"), page);
    auto* al = new QVBoxLayout(ambient);
    pnlAtmPressure = new QLabel(QStringLiteral("-----"), ambient);
    pnlIntakeTemp = new QLabel(QStringLiteral("-----"), ambient);
    for (QLabel* l : {pnlAtmPressure, pnlIntakeTemp}) {
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setAlignment(Qt::AlignCenter);
        al->addWidget(l);
    }
    right->addWidget(ambient);

    pnlRPM = new QLabel(QStringLiteral("RPM"), page);
    pnlStatus = new QLabel(QStringLiteral("Status"), page);
    pnlRPM->setFont(BigBold(pnlRPM, 22));
    pnlStatus->setFont(BigBold(pnlStatus, 16));
    for (QLabel* l : {pnlRPM, pnlStatus}) {
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumHeight(64);
        right->addWidget(l);
    }

    auto* test = new QHBoxLayout;
    btnStartTest = new QPushButton(QStringLiteral("Start Test"), page);
    btnStartTest->setFont(BigBold(btnStartTest, 16));
    btnStartTest->setDefault(true);
    btnStartTest->setMinimumHeight(48);
    auto* key = new QLabel(page); // the current run's colour in the graphs
    key->setFixedSize(24, 24);
    key->setStyleSheet(QStringLiteral("background-color: red; border: 1px solid black;"));
    test->addWidget(btnStartTest, 1);
    test->addWidget(key);
    right->addLayout(test);
    chkStreamRpm = new QCheckBox(QStringLiteral("Stream engine speed"), page);
    chkStreamRpm->setToolTip(QStringLiteral(
        "One request, then the ECU sends engine speed back to back: about three times the "
        "samples per second"));
    right->addWidget(chkStreamRpm);
    connect(btnStartTest, &QPushButton::clicked, this, &TfrmIGA::btnStartTestClick);

    auto* files = new QGridLayout;
    btnSaveDataFile = new QPushButton(QStringLiteral("Save Current Data..."), page);
    btnOpenDataFile = new QPushButton(QStringLiteral("Open Data File..."), page);
    btnExportSave = new QPushButton(QStringLiteral("Export Data as CSV File..."), page);
    files->addWidget(btnSaveDataFile, 0, 0);
    files->addWidget(btnOpenDataFile, 0, 1);
    files->addWidget(btnExportSave, 1, 0, 1, 2);
    right->addLayout(files);
    connect(btnSaveDataFile, &QPushButton::clicked, this, &TfrmIGA::btnSaveDataFileClick);
    connect(btnOpenDataFile, &QPushButton::clicked, this, &TfrmIGA::btnOpenDataFileClick);
    connect(btnExportSave, &QPushButton::clicked, this, &TfrmIGA::btnExportSaveClick);

    auto* comment = new QGroupBox(QStringLiteral("Comment"), page);
    auto* cl = new QVBoxLayout(comment);
    memoComment = new QPlainTextEdit(comment);
    cl->addWidget(memoComment);
    right->addWidget(comment, 1);
    // At most 255 characters as stored (a line break is CR LF there).
    connect(memoComment, &QPlainTextEdit::textChanged, this, [this] {
        const QString stored =
            memoComment->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        if (stored.size() <= MaxCommentLength) return;
        QString cut = stored.left(MaxCommentLength);
        if (cut.endsWith(QLatin1Char('\r'))) cut.chop(1);
        const QSignalBlocker block(memoComment);
        memoComment->setPlainText(cut.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        memoComment->moveCursor(QTextCursor::End);
    });
    return page;
}

QWidget* TfrmIGA::BuildGraphTab()
{
    auto* page = new QWidget;
    auto* columns = new QHBoxLayout(page);
    auto* main = new QVBoxLayout;
    columns->addLayout(main, 1);
    chart = new TDynoChart(page);
    chart->setMinimumSize(400, 300);
    main->addWidget(chart, 1);

    auto* bottom = new QHBoxLayout;
    auto* compare = new QGroupBox(QStringLiteral("Comparison Files"), page);
    auto* cg = new QGridLayout(compare);
    for (int i = 0; i < 3; ++i) {
        auto* key = new QLabel(compare);
        key->setFixedSize(18, 18);
        key->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid black;")
                               .arg(RunColours[i + 1].name()));
        btnOpenCompare[i] = new QPushButton(QStringLiteral("Open File..."), compare);
        chkShowCompare[i] = new QCheckBox(QStringLiteral("Show"), compare);
        cg->addWidget(key, i, 0);
        cg->addWidget(btnOpenCompare[i], i, 1);
        cg->addWidget(chkShowCompare[i], i, 2);
        cg->setColumnStretch(2, 1);
        connect(btnOpenCompare[i], &QPushButton::clicked, this,
                [this, i] { btnOpenCompareFile(i); });
        connect(chkShowCompare[i], &QCheckBox::clicked, this, [this] { RedrawAnalysis(); });
    }
    bottom->addWidget(compare, 1);
    auto* extra = new QVBoxLayout;
    chkGraphsStats = new QCheckBox(QStringLiteral("Show Graph Statistics"), page);
    chkGraphsStats->setChecked(true);
    connect(chkGraphsStats, &QCheckBox::clicked, this, [this] { RedrawAnalysis(); });
    extra->addWidget(chkGraphsStats);
    auto* corr = new QFormLayout;
    cmbCorrection = new QComboBox(page);
    cmbCorrection->addItems({QStringLiteral("None"), QStringLiteral("Measured air density"),
                             QStringLiteral("SAE J1349")});
    cmbCorrection->setToolTip(QStringLiteral(
        "None: air density 1 and power as measured. Measured air density: from the run's "
        "pressure and intake temperature. SAE J1349: corrected to 99 kPa dry air at 25 C."));
    corr->addRow(QStringLiteral("Correction"), cmbCorrection);
    extra->addLayout(corr);
    extra->addStretch(1);
    bottom->addLayout(extra);
    main->addLayout(bottom);
    connect(cmbCorrection, &QComboBox::activated, this, [this] { SmoothingChange(); });

    auto* side = new QVBoxLayout;
    columns->addLayout(side);
    rgGraphType = new TRadioGroup(
        QStringLiteral("Graph - Y Axis"),
        {QStringLiteral("Gear Ranges"), QStringLiteral("Engine RPM"),
         QStringLiteral("Vehicle Speed"), QStringLiteral("Distance Travelled"),
         QStringLiteral("Vehicle Acceleration"), QStringLiteral("Accelerative Power"),
         QStringLiteral("Drag Power Loss"), QStringLiteral("Wheel Power && Torque")},
        0, page);
    rgGraphX =
        new TRadioGroup(QStringLiteral("Graph - X Axis"),
                        {QStringLiteral("Time"), QStringLiteral("Engine RPM"),
                         QStringLiteral("Vehicle Speed"), QStringLiteral("Distance Travelled")},
                        1, page);
    rgAccSmooth = new TRadioGroup(QStringLiteral("Smoothing"),
                                  {QStringLiteral("Light"), QStringLiteral("Medium"),
                                   QStringLiteral("Heavy"), QStringLiteral("Very Heavy")},
                                  2, page);
    rgSpeedUnits =
        new TRadioGroup(QStringLiteral("Units of Speed"),
                        {QStringLiteral("Kilometres per hour"), QStringLiteral("Miles per hour"),
                         QStringLiteral("Metres per second")},
                        1, page);
    rgPowerUnits = new TRadioGroup(QStringLiteral("Units of Power"),
                                   {QStringLiteral("KiloWatts"), QStringLiteral("Horsepower (BHP)"),
                                    QStringLiteral("Pferdestarke (PS)")},
                                   1, page);
    rgTorqueUnits = new TRadioGroup(
        QStringLiteral("Units of Torque"),
        {QStringLiteral("Newton Metres (Nm)"), QStringLiteral("Pound Feet (lbft)")}, 1, page);
    for (TRadioGroup* g : {rgGraphType, rgGraphX, rgSpeedUnits, rgPowerUnits, rgTorqueUnits}) {
        side->addWidget(g);
        connect(g, &TRadioGroup::Clicked, this, [this] { RedrawAnalysis(); });
    }
    side->insertWidget(2, rgAccSmooth);
    connect(rgAccSmooth, &TRadioGroup::Clicked, this, [this] { SmoothingChange(); });
    side->addStretch(1);

    chart->axisRect()->setupFullAxesBox(false);
    for (QCPAxis* a : {chart->xAxis, chart->yAxis}) {
        a->grid()->setPen(QPen(Qt::gray, 0, Qt::DotLine));
        a->grid()->setSubGridVisible(false);
        a->setSubTicks(false);
    }
    return page;
}

QWidget* TfrmIGA::BuildReportTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    memoReport = new QPlainTextEdit(page);
    memoReport->setReadOnly(true);
    memoReport->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("Courier New"));
    mono.setStyleHint(QFont::Monospace);
    mono.setFixedPitch(true);
    if (!QFontInfo(mono).fixedPitch()) mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    memoReport->setFont(mono);
    layout->addWidget(memoReport);
    return page;
}

// ---------------------------------------------------------------------------------------
// Presets

void TfrmIGA::SelectData(QComboBox* box, int row)
{
    const int i = box->findData(row);
    box->setCurrentIndex(i >= 0 ? i : box->count() - 1);
}

void TfrmIGA::ApplyGearsetChoice()
{
    const int row = cmbGearset->currentData().toInt();
    const bool preset = row >= 0 && row < int(GearSets.size());
    if (preset) {
        for (int i = 0; i < 6; ++i)
            neGear[i]->SetValue(GearSets[row].Ratios[i]);
        neFinalDrive->SetValue(GearSets[row].FinalDrive);
    }
    for (TNumEdit* e : neGear)
        e->setEnabled(!preset);
    neFinalDrive->setEnabled(!preset);
}

void TfrmIGA::ApplyTyreChoice()
{
    const int row = cmbTyre->currentData().toInt();
    const bool preset = row >= 0 && row < int(TyreSizes.size());
    if (preset) {
        neTyreWidth->SetValue(TyreSizes[row].Width);
        neTyreProfile->SetValue(TyreSizes[row].Profile);
        neWheelDiameter->SetValue(TyreSizes[row].Diameter);
    }
    for (TNumEdit* e : {neTyreWidth, neTyreProfile, neWheelDiameter})
        e->setEnabled(!preset);
}

void TfrmIGA::ApplyRevLimitChoice()
{
    const int row = cmbRevLimit->currentData().toInt();
    const bool preset = row >= 0 && row < int(RevLimits.size());
    if (preset) neRevLimit->SetValue(RevLimits[row].RPM);
    neRevLimit->setEnabled(!preset);
}

void TfrmIGA::ApplyVehicleChoice()
{
    const int row = cmbVehicle->currentData().toInt();
    const bool preset = row >= 0 && row < int(Vehicles.size());
    if (preset) {
        neMass->SetValue(Vehicles[row].Mass);
        neCD->SetValue(Vehicles[row].CD);
        neFrontalArea->SetValue(Vehicles[row].FrontalArea);
    }
    for (TNumEdit* e : {neMass, neCD, neFrontalArea})
        e->setEnabled(!preset);
}

void TfrmIGA::MatchGearset()
{
    int found = -1;
    for (size_t r = 0; r < GearSets.size() && found < 0; ++r) {
        bool same = neFinalDrive->Value() == GearSets[r].FinalDrive;
        for (int i = 0; i < 6; ++i)
            same = same && neGear[i]->Value() == GearSets[r].Ratios[i];
        if (same) found = int(r);
    }
    SelectData(cmbGearset, found);
    ApplyGearsetChoice();
}

void TfrmIGA::MatchTyre()
{
    int found = -1;
    for (size_t r = 0; r < TyreSizes.size() && found < 0; ++r)
        if (neTyreWidth->Value() == TyreSizes[r].Width &&
            neTyreProfile->Value() == TyreSizes[r].Profile &&
            neWheelDiameter->Value() == TyreSizes[r].Diameter)
            found = int(r);
    SelectData(cmbTyre, found);
    ApplyTyreChoice();
}

void TfrmIGA::MatchRevLimit()
{
    int found = -1;
    for (size_t r = 0; r < RevLimits.size() && found < 0; ++r)
        if (neRevLimit->Value() == RevLimits[r].RPM) found = int(r);
    SelectData(cmbRevLimit, found);
    ApplyRevLimitChoice();
}

void TfrmIGA::MatchVehicle()
{
    int found = -1;
    for (size_t r = 0; r < Vehicles.size() && found < 0; ++r)
        if (neMass->Value() == Vehicles[r].Mass && neCD->Value() == Vehicles[r].CD &&
            neFrontalArea->Value() == Vehicles[r].FrontalArea)
            found = int(r);
    SelectData(cmbVehicle, found);
    ApplyVehicleChoice();
}

void TfrmIGA::RebuildTestGears(int keepGear)
{
    cmbTestGear->clear();
    for (int g = 1; g <= 6; ++g)
        if (neGear[g - 1]->Value() != 0) cmbTestGear->addItem(QString::number(g), g);
    const int i = cmbTestGear->findData(keepGear);
    cmbTestGear->setCurrentIndex(i >= 0 ? i : 0);
}

void TfrmIGA::ApplyEcuPresets(int ecuIndex)
{
    QScopedValueRollback<bool> guard(FUpdating, true);
    for (const TEcuPreset& p : EcuPresets) {
        if (std::find(p.Positions.begin(), p.Positions.end(), ecuIndex) == p.Positions.end())
            continue;
        neRevLimit->SetValue(p.RevLimit);
        MatchRevLimit();
        SelectData(cmbGearset, p.Gearset);
        ApplyGearsetChoice();
        const int gear =
            cmbTestGear->currentData().isValid() ? cmbTestGear->currentData().toInt() : 1;
        RebuildTestGears(gear);
        if (p.Tyre >= 0) {
            SelectData(cmbTyre, p.Tyre);
            ApplyTyreChoice();
        }
        if (p.Vehicle >= 0) {
            SelectData(cmbVehicle, p.Vehicle);
            ApplyVehicleChoice();
        }
        return;
    }
}

// ---------------------------------------------------------------------------------------
// The run and the fields

void TfrmIGA::ShowRunData(const TRunData& run)
{
    QScopedValueRollback<bool> guard(FUpdating, true);
    for (int i = 0; i < 6; ++i)
        neGear[i]->SetValue(run.Ratios[i]);
    neFinalDrive->SetValue(run.FinalDrive);
    MatchGearset();
    RebuildTestGears(run.TestGear);
    neRevLimit->SetValue(run.RevLimit);
    MatchRevLimit();
    neTyreWidth->SetValue(run.TyreWidth);
    neTyreProfile->SetValue(run.TyreProfile);
    neWheelDiameter->SetValue(run.WheelDiameter);
    MatchTyre();
    neMass->SetValue(run.Mass);
    neCD->SetValue(run.CD);
    neFrontalArea->SetValue(run.FrontalArea);
    MatchVehicle();
    memoComment->setPlainText(
        run.Comment.ToString().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    const QChar deg(0xB0);
    pnlAtmPressure->setText(run.AtmPressure != NotMeasured
                                ? QStringLiteral("Atmospheric Pressure ") +
                                      DynoNumber(run.AtmPressure, 2) + QStringLiteral(" bar")
                                : QStringLiteral("-----"));
    pnlIntakeTemp->setText(run.AIT != NotMeasured
                               ? QStringLiteral("Air Intake Temp ") + DynoNumber(run.AIT, 1) + deg +
                                     QStringLiteral("C (") + DynoNumber(run.AIT * 1.8 + 32, 1) +
                                     deg + QStringLiteral("F)")
                               : QStringLiteral("-----"));
}

void TfrmIGA::ReadSetup()
{
    TRunData& r = *FRun;
    for (int i = 0; i < 5; ++i)
        r.Ratios[i] = std::max(0.01, neGear[i]->Value());
    r.Ratios[5] = std::max(0.0, neGear[5]->Value());
    r.FinalDrive = neFinalDrive->Value();
    r.TyreWidth = neTyreWidth->Value();
    r.TyreProfile = neTyreProfile->Value();
    r.WheelDiameter = neWheelDiameter->Value();
    r.Mass = neMass->Value();
    r.CD = neCD->Value();
    r.FrontalArea = neFrontalArea->Value();
    r.RevLimit = static_cast<int32_t>(std::clamp(neRevLimit->Value(), -2e9, 2e9));
    if (cmbTestGear->currentIndex() >= 0) r.TestGear = cmbTestGear->currentData().toInt();
    r.Comment.Assign(memoComment->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
}

int TfrmIGA::SmoothingPercent() const
{
    static constexpr int Percent[4] = {6, 10, 20, 30};
    const int i = rgAccSmooth->ItemIndex();
    return i >= 0 && i < 4 ? Percent[i] : 20;
}

TCorrection TfrmIGA::Correction() const
{
    return TCorrection(std::clamp(cmbCorrection->currentIndex(), 0, 2));
}

void TfrmIGA::Calc(const TRunData& run, TCalcData& calc) const
{
    CalcRunData(run, calc, SmoothingPercent(), CorrectionFor(run, Correction()));
}

void TfrmIGA::Recalculate()
{
    Calc(*FRun, FCalc);
    RedrawAnalysis();
}

void TfrmIGA::GearingChanged()
{
    if (FUpdating) return;
    WheelorTyreChanged();
}

void TfrmIGA::WheelorTyreChanged()
{
    if (FUpdating) return;
    const int gear = cmbTestGear->currentIndex() >= 0 ? cmbTestGear->currentData().toInt() : 1;
    {
        QScopedValueRollback<bool> guard(FUpdating, true);
        RebuildTestGears(gear);
    }
    ReadSetup();
    Recalculate();
}

void TfrmIGA::RevLimitChange()
{
    if (FUpdating) return;
    ReadSetup();
    RedrawAnalysis();
}

void TfrmIGA::MassOrDragChanged()
{
    if (FUpdating) return;
    ReadSetup();
    Recalculate();
}

void TfrmIGA::cmbTestGearChange()
{
    if (FUpdating) return;
    ReadSetup();
    Recalculate();
}

void TfrmIGA::SmoothingChange()
{
    if (FUpdating) return;
    Calc(*FRun, FCalc);
    for (TSlot& s : FSlots)
        if (s.Run->SampleCount != 0) Calc(*s.Run, s.Calc);
    RedrawAnalysis();
}

void TfrmIGA::UpdateCaption()
{
    setWindowTitle(FFileName.isEmpty() ? Caption
                                       : Caption + QStringLiteral(" - ") + RunTitle(FFileName));
}

// ---------------------------------------------------------------------------------------
// Showing and hiding

void TfrmIGA::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    TEcuInterface* link = Link();
    int index = -1;
    if (link && FHost.IsConnected() && link->FindEcu(index)) ApplyEcuPresets(index);
    const bool stream = link && link->SupportsFastPoll();
    chkStreamRpm->setEnabled(stream);
    chkStreamRpm->setChecked(stream);
    ReadSetup();
    Recalculate();
    pgcTabs->setCurrentIndex(0);
    FHost.Register(this);
}

void TfrmIGA::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;
    StopTest();
    if (TEcuInterface* link = Link()) link->OnReadAddressesResponse = nullptr;
    FHost.Unregister(this);
}

void TfrmIGA::closeEvent(QCloseEvent* event)
{
    // The window lives for the whole program: closing only hides it.
    event->accept();
}

// ---------------------------------------------------------------------------------------
// The test

void TfrmIGA::SetStatus(const QString& text)
{
    pnlStatus->setText(text);
}

void TfrmIGA::btnStartTestClick()
{
    TEcuInterface* link = Link();
    if (!link) return;
    FTestState = WaitLowRevs;
    FTesting = true;
    FAwaitingAmbient = true;
    FStream = chkStreamRpm->isChecked() && link->SupportsFastPoll();
    link->OnReadAddressesResponse = [this](const TLongWordArray& a, int, const TByteArray& d) {
        ReplyReceived(a, d);
    };
    if (link->FastPolling() || link->PendingRequestActive()) {
        // A stream of the last test still runs, or its closing reply is on the way: the
        // ambient request would be dropped while that is outstanding, so the next reply
        // brings it.
        FAmbientAfterStop = true;
        link->StopFastPoll();
        return;
    }
    SendAmbientRequest();
}

void TfrmIGA::SendAmbientRequest()
{
    FAmbientAfterStop = false;
    if (TEcuInterface* link = Link()) link->ReadAddresses(AmbientAddresses);
}

void TfrmIGA::ReplyReceived(const TLongWordArray& addresses, const TByteArray& data)
{
    if (FAmbientAfterStop) {
        SendAmbientRequest();
        return;
    }
    if (!FTesting) return; // the end of a stream, or a reply that came after the test stopped
    if (FAwaitingAmbient) {
        if (addresses == AmbientAddresses) AmbientReply(data);
        return;
    }
    if (addresses == RpmAddresses) RpmReply(data);
}

void TfrmIGA::AmbientReply(const TByteArray& data)
{
    FAwaitingAmbient = false;
    TEcuInterface* link = Link();
    if (data.empty() || !link) {
        SetStatus(QStringLiteral("Unexpected Error 1"));
        StopTest();
        return;
    }
    FRun->AtmPressure = data[0] * 37.0 / 255.0 / 14.5;
    if (link->SupportedParams.test(epAirTemp)) {
        if (data.size() != 2) {
            SetStatus(QStringLiteral("Unexpected Error 2"));
            StopTest();
            return;
        }
        FRun->AIT = data[1] - 40.0;
    } else {
        FRun->AIT = NotMeasured;
    }
    // Showing the run puts its comment back into the box: keep what was typed since.
    FRun->Comment.Assign(
        memoComment->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
    ShowRunData(*FRun);
    FTestState = WaitLowRevs;
    RequestRpm();
}

void TfrmIGA::RequestRpm()
{
    TEcuInterface* link = Link();
    // Only while the window is visible: hiding it ends the test after the reply in flight.
    if (!link || !isVisible()) {
        StopTest();
        return;
    }
    if (!FStream) {
        link->ReadAddresses(RpmAddresses);
        return;
    }
    if (!link->FastPolling()) link->StartFastPoll(TParamSet(), TSwitchSet(), RpmAddresses);
}

void TfrmIGA::RpmReply(const TByteArray& data)
{
    if (data.size() != 2) {
        SetStatus(QStringLiteral("Unexpected Error 3"));
        StopTest();
        return;
    }
    const int rpm = (data[0] * 256 + data[1]) / 4;
    pnlRPM->setText(QString::number(rpm) + QStringLiteral(" RPM"));
    switch (FTestState) {
    case WaitLowRevs:
        if (rpm < LowRevs) {
            FHost.GetSounds().Beep();
            SetStatus(QStringLiteral("RPM is low enough now - floor it !"));
            FTestState = WaitLaunch;
        } else {
            SetStatus(QStringLiteral("Reduce revs to below ") + QString::number(LowRevs) +
                      QStringLiteral(" RPM"));
        }
        RequestRpm();
        return;
    case WaitLaunch:
        if (rpm < LaunchRevs) {
            RequestRpm();
            return;
        }
        FHost.GetSounds().Beep();
        SetStatus(QStringLiteral("Recording Data from ") + QString::number(LaunchRevs) +
                  QStringLiteral(" RPM"));
        FTestState = Recording;
        FPeakRpm = rpm;
        FRun->SampleCount = 0;
        // A new trace belongs to no file yet: its report and caption must not carry the
        // name of the run it replaces.
        FFileName.clear();
        UpdateCaption();
        FStartTime = GetTickCount();
        if (StoreRPM(rpm)) {
            RequestRpm();
        } else {
            SetStatus(QStringLiteral("Failed to store RPM 1. - Test Aborted"));
            StopTest();
        }
        return;
    case Recording:
        if (rpm < FPeakRpm - EndDrop) {
            TestComplete();
            return;
        }
        if (!StoreRPM(rpm)) {
            FHost.GetSounds().Beep();
            SetStatus(QStringLiteral("Test Aborted - Took Too Long"));
            StopTest();
            return;
        }
        FPeakRpm = std::max(FPeakRpm, int32_t(rpm));
        RequestRpm();
        return;
    }
}

bool TfrmIGA::StoreRPM(int rpm)
{
    try {
        if (FRun->SampleCount >= MaxRevSamples) return false;
        // Unsigned: a wrap of the tick counter during the test does no harm.
        const uint32_t elapsed = GetTickCount() - FStartTime;
        FRun->Samples[FRun->SampleCount] = {elapsed / 1000.0, double(rpm)};
        ++FRun->SampleCount;
        return true;
    } catch (const std::exception& e) {
        FHost.GetDialogs().Error(QStringLiteral("Caught Exception in StoreRPM = ") +
                                 QString::fromUtf8(e.what()));
        return false;
    }
}

void TfrmIGA::TestComplete()
{
    StopTest();
    FHost.GetSounds().Beep();
    SetStatus(QStringLiteral("Test Complete !"));
    pnlRPM->setText(QStringLiteral("Max RPM = ") + QString::number(FPeakRpm));
    Calc(*FRun, FCalc);
    {
        QScopedValueRollback<bool> guard(FRedrawing, true);
        rgGraphX->SetItemIndex(gxEngineRpm);
        rgGraphType->SetItemIndex(gtWheelPowerTorque);
    }
    RedrawAnalysis();
}

void TfrmIGA::StopTest()
{
    FTesting = false;
    FAwaitingAmbient = false;
    FAmbientAfterStop = false;
    // A stream left running would make the link drop every other window's requests.
    TEcuInterface* link = Link();
    if (link && link->FastPolling()) link->StopFastPoll();
}

void TfrmIGA::LinkTimeout()
{
    if (!FTesting && !FAwaitingAmbient) return;
    StopTest();
    SetStatus(QStringLiteral("Test Stopped - the ECU did not answer"));
}

// ---------------------------------------------------------------------------------------
// Files

void TfrmIGA::btnSaveDataFileClick()
{
    TFileDialogOptions o;
    o.Filter = DdfFilter;
    o.DefaultExt = QStringLiteral("DDF");
    o.FileName = FFileName;
    o.StartFolder = FHost.GetDataDirectory();
    const std::optional<QString> name = FHost.GetDialogs().SaveFile(o);
    if (!name) return;
    ReadSetup();
    const QString error = SaveRunFile(*name, *FRun);
    if (!error.isEmpty()) {
        FHost.GetDialogs().Error(error);
        return;
    }
    FFileName = *name;
    UpdateCaption();
    RedrawAnalysis(); // the report's title is the file's name now
}

void TfrmIGA::btnOpenDataFileClick()
{
    TFileDialogOptions o;
    o.Filter = DdfFilter;
    o.DefaultExt = QStringLiteral("DDF");
    o.StartFolder = FHost.GetDataDirectory();
    const std::optional<QString> name = FHost.GetDialogs().OpenFile(o);
    if (!name) return;
    const QString error = LoadRunFile(*name, *FRun);
    if (!error.isEmpty()) {
        FHost.GetDialogs().Error(error);
        return;
    }
    ShowRunData(*FRun);
    FFileName = *name;
    UpdateCaption();
    Calc(*FRun, FCalc);
    {
        QScopedValueRollback<bool> guard(FRedrawing, true);
        rgGraphX->SetItemIndex(gxEngineRpm);
        rgGraphType->SetItemIndex(gtWheelPowerTorque);
    }
    RedrawAnalysis();
}

void TfrmIGA::btnOpenCompareFile(int slot)
{
    if (slot < 0 || slot >= int(FSlots.size())) return;
    TFileDialogOptions o;
    o.Filter = DdfFilter;
    o.DefaultExt = QStringLiteral("DDF");
    o.StartFolder = FHost.GetDataDirectory();
    const std::optional<QString> name = FHost.GetDialogs().OpenFile(o);
    if (!name) return;
    TSlot& s = FSlots[slot];
    const QString error = LoadRunFile(*name, *s.Run);
    if (!error.isEmpty()) {
        FHost.GetDialogs().Error(error);
        return;
    }
    chkShowCompare[slot]->setText(CompareCaption(*name, s.Run->Comment.ToString()));
    chkShowCompare[slot]->setChecked(true);
    s.FileName = *name;
    Calc(*s.Run, s.Calc);
    RedrawAnalysis();
}

void TfrmIGA::btnExportSaveClick()
{
    TFileDialogOptions o;
    o.Caption = QStringLiteral("Export Recorded Data");
    o.Filter = QStringLiteral("Dyno Data Export File|*.CSV");
    o.DefaultExt = QStringLiteral("csv");
    o.FileName = ExportFileName(FFileName);
    o.StartFolder = FHost.GetDataDirectory();
    const std::optional<QString> name = FHost.GetDialogs().SaveFile(o);
    if (!name) return;
    // The export is measured SI values, whatever correction the graphs show.
    TCalcData plain;
    CalcRunData(*FRun, plain, SmoothingPercent());
    const QString error = SaveExportFile(*name, *FRun, plain);
    if (!error.isEmpty()) FHost.GetDialogs().Error(error);
}

// ---------------------------------------------------------------------------------------
// Graphs and report

void TfrmIGA::PlotRun(const TRunData& run, const TCalcData& calc, const QColor& colour)
{
    const int type = rgGraphType->ItemIndex();
    const double sf = SpeedUnit(rgSpeedUnits->ItemIndex()).Factor;
    const double pf = PowerUnit(rgPowerUnits->ItemIndex()).Factor;
    const double tf = TorqueUnit(rgTorqueUnits->ItemIndex()).Factor;
    auto curve = [this](const QColor& c) {
        auto* cv = new QCPCurve(chart->xAxis, chart->yAxis);
        cv->setPen(QPen(c, 2));
        return cv;
    };
    // Points that are not finite are left out: a gap, not a line to infinity.
    auto add = [](QCPCurve* cv, double x, double y) {
        if (std::isfinite(x) && std::isfinite(y)) cv->addData(x, y);
    };
    if (type == gtGearRanges) {
        for (int g = 1; g <= 6; ++g) {
            if (run.Ratios[g - 1] == 0) continue;
            QCPCurve* cv = curve(colour);
            add(cv, 2000, SpeedAtRpm(g, run, calc, 2000) * sf);
            add(cv, run.RevLimit, SpeedAtRpm(g, run, calc, run.RevLimit) * sf);
        }
        return;
    }
    // A run without samples has no trace, whatever an earlier calculation left behind.
    if (run.SampleCount <= 0) return;
    const int xChoice = rgGraphX->ItemIndex();
    auto xOf = [&](const TAccPoint& a) {
        switch (xChoice) {
        case gxTime:
            return a.Time;
        case gxVehicleSpeed:
            return a.Speed * sf;
        case gxDistance:
            return a.CumulativeDistance;
        default:
            return a.RPM;
        }
    };
    auto yOf = [&](const TAccPoint& a) {
        switch (type) {
        case gtEngineRpm:
            return a.RPM;
        case gtVehicleSpeed:
            return a.Speed * sf;
        case gtDistance:
            return a.CumulativeDistance;
        case gtAcceleration:
            return a.Acceleration;
        case gtAccelerativePower:
            return a.AccelerativePower * pf;
        case gtDragPower:
            return a.DragPower * pf;
        default:
            return a.WheelPower * pf;
        }
    };
    QCPCurve* main = curve(colour);
    for (const TAccPoint& a : calc.Accels)
        add(main, xOf(a), yOf(a));
    if (type == gtWheelPowerTorque) {
        QCPCurve* torque = curve(Darkened(colour));
        for (const TAccPoint& a : calc.Accels)
            add(torque, xOf(a), a.WheelTorque * tf);
    }
}

void TfrmIGA::RedrawAnalysis()
{
    // 1.
    if (FRedrawing) return;
    QScopedValueRollback<bool> guard(FRedrawing, true);
    // 2.
    TDisplayUnits u;
    u.Speed = SpeedUnit(rgSpeedUnits->ItemIndex());
    u.Power = PowerUnit(rgPowerUnits->ItemIndex());
    u.Torque = TorqueUnit(rgTorqueUnits->ItemIndex());
    const QString su = QLatin1String(u.Speed.Label);
    const QString pu = QLatin1String(u.Power.Label);
    const QString tu = QLatin1String(u.Torque.Label);
    // 3.-4.
    QStringList report;
    chart->clearPlottables();
    chart->clearItems();
    const QColor bg = FHost.GetGraphBackgroundColour();
    chart->setBackground(QBrush(bg));
    const QColor fg = bg.lightness() < 128 ? QColor(230, 230, 230) : QColor(Qt::black);
    for (QCPAxis* a : {chart->xAxis, chart->yAxis, chart->xAxis2, chart->yAxis2}) {
        a->setBasePen(QPen(fg));
        a->setTickPen(QPen(fg));
        a->setTickLabelColor(fg);
        a->setLabelColor(fg);
    }
    const int type = rgGraphType->ItemIndex();
    switch (type) {
    case gtGearRanges:
        SetAxis(chart->yAxis, 10, 0,
                QStringLiteral("Vehicle Speed Range for each Gear(") + su + QLatin1Char(')'));
        break;
    case gtEngineRpm:
        SetAxis(chart->yAxis, 500, 0, QStringLiteral("Engine RPM"));
        break;
    case gtVehicleSpeed:
        SetAxis(chart->yAxis, 10, 0, QStringLiteral("Vehicle Speed (") + su + QLatin1Char(')'));
        break;
    case gtDistance:
        SetAxis(chart->yAxis, 50, 0, QStringLiteral("Distance Travelled in metres"));
        break;
    case gtAcceleration:
        SetAxis(chart->yAxis, 1, 2, QStringLiteral("Acceleration in m/s^2"));
        break;
    case gtAccelerativePower:
        SetAxis(chart->yAxis, 20, 0,
                QStringLiteral("Accelerative Power (") + pu + QLatin1Char(')'));
        break;
    case gtDragPower:
        SetAxis(chart->yAxis, 10, 0, QStringLiteral("Drag Power Loss (") + pu + QLatin1Char(')'));
        break;
    default:
        SetAxis(chart->yAxis, 20, 0,
                QStringLiteral("Wheel Power & Torque (") + pu + QStringLiteral(" & ") + tu +
                    QLatin1Char(')'));
        break;
    }
    // 5. Gear ranges are always against engine speed.
    if (type == gtGearRanges) {
        rgGraphX->SetItemIndex(gxEngineRpm);
        rgGraphX->setEnabled(false);
    } else {
        rgGraphX->setEnabled(true);
    }
    switch (rgGraphX->ItemIndex()) {
    case gxTime:
        SetAxis(chart->xAxis, 1, 1, QStringLiteral("Time (seconds)"));
        break;
    case gxVehicleSpeed:
        SetAxis(chart->xAxis, 10, 1, QStringLiteral("Vehicle Speed (") + su + QLatin1Char(')'));
        break;
    case gxDistance:
        SetAxis(chart->xAxis, 20, 0, QStringLiteral("Distance Travelled (metres)"));
        break;
    default:
        SetAxis(chart->xAxis, 500, 0, QStringLiteral("Engine RPM"));
        break;
    }

    // 6.-8.
    const bool stats = chkGraphsStats->isChecked();
    const QString correction =
        Correction() == crNone ? QString() : CorrectionText(*FRun, Correction());
    chart->StatsLines = {};
    chart->StatsColours = RunColours;
    PlotRun(*FRun, FCalc, RunColours[0]);
    report << ReportSection(RunTitle(FFileName), *FRun, FCalc, u, correction);
    if (stats) chart->StatsLines[0] = StatsLine(*FRun, FCalc, u);
    for (int i = 0; i < 3; ++i) {
        const TSlot& s = FSlots[i];
        if (!chkShowCompare[i]->isChecked() || s.Run->SampleCount == 0) continue;
        PlotRun(*s.Run, s.Calc, RunColours[i + 1]);
        report << ReportSection(RunTitle(s.FileName), *s.Run, s.Calc, u,
                                Correction() == crNone ? QString()
                                                       : CorrectionText(*s.Run, Correction()));
        if (stats) chart->StatsLines[i + 1] = StatsLine(*s.Run, s.Calc, u);
    }
    memoReport->setPlainText(report.join(QLatin1Char('\n')));

    // 9. Both axes to the drawn data, with a 2 % margin.
    chart->rescaleAxes();
    for (QCPAxis* a : {chart->xAxis, chart->yAxis}) {
        QCPRange r = a->range();
        double margin = r.size() * 0.02;
        if (margin <= 0) margin = std::max(1.0, std::fabs(r.lower) * 0.02);
        a->setRange(r.lower - margin, r.upper + margin);
    }
    chart->xAxis2->setRange(chart->xAxis->range());
    chart->yAxis2->setRange(chart->yAxis->range());
    chart->replot();
}
