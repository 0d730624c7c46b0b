#include "FakeEcuForm.h"

#include "EcuConstData.h"
#include "FakeEcu.h"
#include "GenFuncs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QLineEdit* ReadOnlyEdit(QWidget* parent, int width = 90)
{
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    e->setFixedWidth(width);
    return e;
}

// A list of check items; rebuilt ticks never call back into the model (FUpdating).
QListWidget* CheckList(QWidget* parent, const QStringList& texts)
{
    auto* list = new QListWidget(parent);
    list->setUniformItemSizes(true);
    for (const QString& t : texts) {
        auto* item = new QListWidgetItem(t, list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    return list;
}

void SetText(QLineEdit* e, const QString& text)
{
    if (e->text() != text)
        e->setText(text);
}

void SetCheck(QListWidgetItem* item, bool on)
{
    const Qt::CheckState s = on ? Qt::Checked : Qt::Unchecked;
    if (item->checkState() != s)
        item->setCheckState(s);
}

}  // namespace

TfrmFakeEcu::TfrmFakeEcu(TFakeEcu* ecu, QWidget* parent) : QWidget(parent, Qt::Window), FEcu(ecu)
{
    setWindowTitle(QStringLiteral("ECU Emulator"));
    resize(840, 520);

    pgcPages = new QTabWidget(this);
    pgcPages->addTab(BuildCodePage(clNonObdCurrent, clNonObdHistoric), QStringLiteral("Subaru DTCs"));
    pgcPages->addTab(BuildCodePage(clObdCurrent, clObdHistoric), QStringLiteral("OBD DTCs"));
    pgcPages->addTab(BuildSettingsPage(), QStringLiteral("Settings"));
    pgcPages->addTab(BuildDebugPage(), QStringLiteral("Debug"));
    pgcPages->addTab(BuildFlashPage(), QStringLiteral("Flash Contents"));
    pgcPages->addTab(BuildParamPage(true), QStringLiteral("Digital Params"));
    pgcPages->addTab(BuildParamPage(false), QStringLiteral("Analogue Params"));
    pgcPages->addTab(BuildVersionPage(), QStringLiteral("Ecu Version"));

    lblMessage = new QLabel(this);
    lblMessage->setFrameShape(QFrame::StyledPanel);
    lblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(pgcPages, 1);
    layout->addWidget(lblMessage);

    connect(FEcu, &TFakeEcu::CodesChanged, this, [this](int list) { ShowCodes(list); });
    connect(FEcu, &TFakeEcu::SettingsChanged, this, &TfrmFakeEcu::ShowSettings);
    connect(FEcu, &TFakeEcu::DebugChanged, this, &TfrmFakeEcu::ShowDebug);
    connect(FEcu, &TFakeEcu::FlashChanged, this, &TfrmFakeEcu::ShowFlash);
    connect(FEcu, &TFakeEcu::ParamsChanged, this, &TfrmFakeEcu::ShowParams);
    connect(FEcu, &TFakeEcu::VersionChanged, this, &TfrmFakeEcu::ShowVersion);
    connect(FEcu, &TFakeEcu::AddressChecksChanged, this, &TfrmFakeEcu::ShowAddressChecks);
    connect(FEcu, &TFakeEcu::MessageShown, lblMessage, &QLabel::setText);

    for (int list = 0; list < FakeCodeListCount; ++list)
        ShowCodes(list);
    ShowSettings();
    ShowDebug();
    FEcu->RefreshFlash();
    ShowFlash();
    ShowParams();
    ShowVersion();
    ShowAddressChecks();
    lblMessage->setText(FEcu->LastMessage());
}

TfrmFakeEcu::~TfrmFakeEcu() = default;

void TfrmFakeEcu::closeEvent(QCloseEvent* event)
{
    // The emulator lives on; its window is only hidden.
    hide();
    event->ignore();
}

// ---------------------------------------------------------------- pages

bool TfrmFakeEcu::ReadsObdCodes(int ecuType)
{
    // The tester's reading of the reply: byte 38, bit 4 or 6, marks the OBD layout.
    if (ecuType < 0 || ecuType >= EcuIdCount) return false;
    const TByteArray& id = EcuInitReplies[size_t(ecuType)];
    return id.size() >= 38 && (BitTest(id[37], 4) || BitTest(id[37], 6));
}

void TfrmFakeEcu::ShowCodePages()
{
    const bool obd = ReadsObdCodes(FEcu->EcuType());
    const QString read = QStringLiteral("This ECU reads these codes.");
    const QString other = QStringLiteral("Not read by this ECU: it reads the %1 page.");
    lblCodePage[0]->setText(obd ? other.arg(QStringLiteral("OBD DTCs")) : read);
    lblCodePage[1]->setText(obd ? read : other.arg(QStringLiteral("Subaru DTCs")));
    for (int page = 0; page < 2; ++page) {
        const bool isRead = (page == 1) == obd;
        QFont f = lblCodePage[page]->font();
        f.setBold(!isRead);
        lblCodePage[page]->setFont(f);
    }
}

QWidget* TfrmFakeEcu::BuildCodePage(int currentList, int historicList)
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    QLabel*& note = lblCodePage[currentList == clObdCurrent ? 1 : 0];
    note = new QLabel(page);
    grid->addWidget(note, 0, 0, 1, 2);
    const int lists[2] = {currentList, historicList};
    const QString titles[2] = {QStringLiteral("Current Codes"), QStringLiteral("Historic Codes")};
    for (int side = 0; side < 2; ++side) {
        const int list = lists[side];
        QStringList texts;
        const int n = TFakeEcu::CodeCount(TFakeCodeList(list));
        texts.reserve(n);
        for (int code = 0; code < n; ++code)
            texts << TFakeEcu::CodeText(TFakeCodeList(list), code);
        lstCodes[list] = CheckList(page, texts);
        connect(lstCodes[list], &QListWidget::itemChanged, this,
                [this, list](QListWidgetItem* item) { CodeItemChanged(list, item); });
        grid->addWidget(new QLabel(titles[side], page), 1, side);
        grid->addWidget(lstCodes[list], 2, side);
        grid->setColumnStretch(side, 1);  // each list half the width
    }
    return page;
}

QWidget* TfrmFakeEcu::BuildSettingsPage()
{
    auto* page = new QWidget;
    auto* columns = new QHBoxLayout(page);

    auto* values = new QGroupBox(QStringLiteral("ECU Values"), page);
    auto* form = new QFormLayout(values);
    edtIdleSpeed = ReadOnlyEdit(values);
    edtIdleSpeedAc = ReadOnlyEdit(values);
    edtEcuResetAddress = ReadOnlyEdit(values);
    edtIgnitionRetard = ReadOnlyEdit(values);
    edtBaudRate = ReadOnlyEdit(values);
    edtParity = ReadOnlyEdit(values);
    edtFlashXor = new QLineEdit(values);
    edtFlashXor->setFixedWidth(90);
    edtEcuState = new QLineEdit(values);
    edtEcuState->setFixedWidth(160);
    spnErrorsPer1000 = new QSpinBox(values);
    spnErrorsPer1000->setRange(0, TFakeEcu::MaxErrorsPer1000);
    spnErrorsPer1000->setFixedWidth(90);
    form->addRow(QStringLiteral("Idle Speed"), edtIdleSpeed);
    form->addRow(QStringLiteral("Idle Speed A/C"), edtIdleSpeedAc);
    form->addRow(QStringLiteral("Ecu Reset Address"), edtEcuResetAddress);
    form->addRow(QStringLiteral("Ignition Retard"), edtIgnitionRetard);
    form->addRow(QStringLiteral("Baud Rate"), edtBaudRate);
    form->addRow(QStringLiteral("Parity"), edtParity);
    form->addRow(QStringLiteral("Flash XOR Byte"), edtFlashXor);
    form->addRow(QStringLiteral("ECU State"), edtEcuState);
    form->addRow(QStringLiteral("Errors Per 1000"), spnErrorsPer1000);
    columns->addWidget(values);

    auto* inputs = new QGroupBox(QStringLiteral("External Inputs"), page);
    auto* box = new QVBoxLayout(inputs);
    btnCycleIgnition = new QPushButton(QStringLiteral("Cycle Ignition Switch"), inputs);
    chkVpp = new QCheckBox(QStringLiteral("VPP - Pgm. Voltage"), inputs);
    chkTestMode = new QCheckBox(QStringLiteral("Test Mode Connector"), inputs);
    chkObdDtcs = new QCheckBox(QStringLiteral("OBD DTCs"), inputs);
    box->addWidget(btnCycleIgnition);
    box->addWidget(chkVpp);
    box->addWidget(chkTestMode);
    box->addSpacing(12);
    box->addWidget(chkObdDtcs);
    box->addStretch(1);
    columns->addWidget(inputs);

    // What the engine does: random drift, a drive cycle, or a road-dyno pull.
    auto* scenario = new QGroupBox(QStringLiteral("Scenario"), page);
    auto* scenarioForm = new QFormLayout(scenario);
    cmbScenario = new QComboBox(scenario);
    cmbScenario->addItems(ScenarioNames());
    spnRoadTestGear = new QSpinBox(scenario);
    spnRoadTestGear->setRange(1, 6);
    scenarioForm->addRow(QStringLiteral("Scenario"), cmbScenario);
    scenarioForm->addRow(QStringLiteral("Road Test Gear"), spnRoadTestGear);
    columns->addWidget(scenario, 0, Qt::AlignTop);
    columns->addStretch(1);
    connect(cmbScenario, &QComboBox::activated, this,
            [this](int i) { FEcu->SetScenario(TScenario(i)); });
    connect(spnRoadTestGear, &QSpinBox::valueChanged, this, [this](int v) {
        if (!FUpdating)
            FEcu->SetRoadTestGear(v);
    });

    connect(btnCycleIgnition, &QPushButton::clicked, this, [this] { FEcu->CycleIgnition(); });
    connect(chkVpp, &QCheckBox::toggled, this, [this](bool on) {
        if (!FUpdating)
            FEcu->SetVpp(on);
    });
    connect(chkTestMode, &QCheckBox::toggled, this, [this](bool on) {
        if (!FUpdating)
            FEcu->SetTestModeConnector(on);
    });
    connect(chkObdDtcs, &QCheckBox::toggled, this, [this](bool on) {
        if (!FUpdating)
            FEcu->SetObdDtcs(on);
    });
    connect(spnErrorsPer1000, &QSpinBox::valueChanged, this, [this](int v) {
        if (!FUpdating)
            FEcu->SetErrorsPer1000(v);
    });
    connect(edtEcuState, &QLineEdit::editingFinished, this,
            [this] { FEcu->SetEcuState(edtEcuState->text()); });
    connect(edtFlashXor, &QLineEdit::editingFinished, this, [this] {
        // Hex like the rest of the panel; "$" optional. Anything else puts the old value back.
        QString t = edtFlashXor->text().trimmed();
        if (t.startsWith(QLatin1Char('$')))
            t.remove(0, 1);
        bool ok = false;
        const uint v = t.toUInt(&ok, 16);
        if (ok && v <= 0xFF)
            FEcu->SetFlashXor(uint8_t(v));
        ShowSettings();
    });
    return page;
}

QWidget* TfrmFakeEcu::BuildDebugPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* buttons = new QHBoxLayout;
    btnClearWindow = new QPushButton(QStringLiteral("Clear Window"), page);
    btnClearAddrs = new QPushButton(QStringLiteral("Clear Addrs"), page);
    btnListAddrs = new QPushButton(QStringLiteral("List Addrs"), page);
    buttons->addWidget(btnClearWindow);
    buttons->addWidget(btnClearAddrs);
    buttons->addWidget(btnListAddrs);
    buttons->addStretch(1);
    memDebug = new QPlainTextEdit(page);
    memDebug->setReadOnly(true);
    memDebug->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addLayout(buttons);
    layout->addWidget(memDebug, 1);
    connect(btnClearWindow, &QPushButton::clicked, this, [this] { FEcu->ClearWindow(); });
    connect(btnClearAddrs, &QPushButton::clicked, this, [this] { FEcu->ClearAddrs(); });
    connect(btnListAddrs, &QPushButton::clicked, this, [this] { FEcu->ListAddrs(); });
    return page;
}

QWidget* TfrmFakeEcu::BuildFlashPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    spnFlashPage = new QSpinBox(page);
    spnFlashPage->setRange(1, TFakeEcu::FlashPageCount);
    btnRefreshFlash = new QPushButton(QStringLiteral("Refresh"), page);
    top->addWidget(new QLabel(QStringLiteral("8kb Page"), page));
    top->addWidget(spnFlashPage);
    top->addWidget(btnRefreshFlash);
    top->addStretch(1);
    memFlash = new QPlainTextEdit(page);
    memFlash->setReadOnly(true);
    memFlash->setLineWrapMode(QPlainTextEdit::NoWrap);
    memFlash->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addLayout(top);
    layout->addWidget(memFlash, 1);
    connect(spnFlashPage, &QSpinBox::valueChanged, this, [this](int v) {
        if (!FUpdating)
            FEcu->SetFlashPage(v);
    });
    connect(btnRefreshFlash, &QPushButton::clicked, this, [this] { FEcu->RefreshFlash(); });
    return page;
}

QWidget* TfrmFakeEcu::BuildParamPage(bool digital)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QStringList names;
    const int n = digital ? EcuSwitchCount : EcuParamCount;
    for (int i = 0; i < n; ++i)
        names << (digital ? TFakeEcu::DigitalParamName(i) : TFakeEcu::AnalogueParamName(i));
    auto* useDefault = new QCheckBox(QStringLiteral("Use Default"), page);
    QListWidget* list = CheckList(page, names);
    layout->addWidget(useDefault);
    layout->addWidget(list, 1);
    if (digital) {
        lstDigital = list;
        chkDigitalUseDefault = useDefault;
        connect(list, &QListWidget::itemChanged, this, &TfrmFakeEcu::DigitalItemChanged);
        connect(useDefault, &QCheckBox::toggled, this, [this](bool on) {
            if (!FUpdating)
                FEcu->SetDigitalUseDefault(on);
        });
    } else {
        lstAnalogue = list;
        chkAnalogueUseDefault = useDefault;
        connect(list, &QListWidget::itemChanged, this, &TfrmFakeEcu::AnalogueItemChanged);
        connect(useDefault, &QCheckBox::toggled, this, [this](bool on) {
            if (!FUpdating)
                FEcu->SetAnalogueUseDefault(on);
        });
    }
    return page;
}

QWidget* TfrmFakeEcu::BuildVersionPage()
{
    auto* page = new QWidget;
    auto* columns = new QHBoxLayout(page);

    // One radio button per ECU that can be played, 16 pixels apart.
    auto* group = new QGroupBox(QStringLiteral("Ecu Version Code"), page);
    auto* groupLayout = new QVBoxLayout(group);
    auto* scroll = new QScrollArea(group);
    auto* buttons = new QWidget;
    grpEcuVersion = new QButtonGroup(this);
    const std::vector<int>& types = FEcu->SelectableEcuTypes();
    const int pitch = 16;
    for (size_t i = 0; i < types.size(); ++i) {
        auto* rb = new QRadioButton(EcuIds.at(types[i]).Description, buttons);
        rb->setGeometry(4, int(i) * pitch, 420, pitch);
        grpEcuVersion->addButton(rb, types[i]);
        rbEcuVersion.push_back(rb);
    }
    buttons->setMinimumSize(430, int(types.size()) * pitch + 4);
    scroll->setWidget(buttons);
    groupLayout->addWidget(scroll);
    columns->addWidget(group, 1);
    connect(grpEcuVersion, &QButtonGroup::idClicked, this, [this](int type) {
        if (!FUpdating)
            FEcu->SetEcuType(type);
    });

    auto* right = new QVBoxLayout;
    auto* form = new QFormLayout;
    edtEcuVersionCode = ReadOnlyEdit(page, 130);
    edtInit37 = ReadOnlyEdit(page, 40);
    edtInit38 = ReadOnlyEdit(page, 40);
    edtInit48 = ReadOnlyEdit(page, 40);
    edtDiag61 = new QLineEdit(page);
    edtDiag61->setFixedWidth(60);
    form->addRow(QStringLiteral("Ecu Version Code"), edtEcuVersionCode);
    form->addRow(QStringLiteral("Init 37"), edtInit37);
    form->addRow(QStringLiteral("Init 38"), edtInit38);
    form->addRow(QStringLiteral("Init 48"), edtInit48);
    form->addRow(QStringLiteral("Diag $61"), edtDiag61);
    right->addLayout(form);
    connect(edtDiag61, &QLineEdit::textEdited, this, [this](const QString& t) { FEcu->SetDiag61Text(t); });

    auto* checks = new QGroupBox(QStringLiteral("Address Checks"), page);
    auto* checksLayout = new QVBoxLayout(checks);
    for (int i = 0; i < TFakeEcu::AddressCheckCount; ++i) {
        chkAddressCheck[i] = new QCheckBox(QString::fromLatin1(TFakeEcu::AddressChecks[i].Name), checks);
        // Ticked by the requests the emulator sees, not by the user.
        chkAddressCheck[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
        chkAddressCheck[i]->setFocusPolicy(Qt::NoFocus);
        checksLayout->addWidget(chkAddressCheck[i]);
    }
    btnClearChecks = new QPushButton(QStringLiteral("Clear"), checks);
    checksLayout->addWidget(btnClearChecks);
    connect(btnClearChecks, &QPushButton::clicked, this, [this] { FEcu->ClearAddressChecks(); });
    right->addWidget(checks);
    right->addStretch(1);
    columns->addLayout(right);
    return page;
}

// ---------------------------------------------------------------- controls -> model

void TfrmFakeEcu::CodeItemChanged(int list, QListWidgetItem* item)
{
    if (FUpdating)
        return;
    FEcu->SetCodeTicked(TFakeCodeList(list), lstCodes[list]->row(item), item->checkState() == Qt::Checked);
}

void TfrmFakeEcu::DigitalItemChanged(QListWidgetItem* item)
{
    if (!FUpdating)
        FEcu->SetDigitalParamTicked(lstDigital->row(item), item->checkState() == Qt::Checked);
}

void TfrmFakeEcu::AnalogueItemChanged(QListWidgetItem* item)
{
    if (!FUpdating)
        FEcu->SetAnalogueParamTicked(lstAnalogue->row(item), item->checkState() == Qt::Checked);
}

// ---------------------------------------------------------------- model -> controls

void TfrmFakeEcu::ShowCodes(int list)
{
    if (list < 0 || list >= FakeCodeListCount)
        return;
    QScopedValueRollback<bool> guard(FUpdating, true);
    QListWidget* w = lstCodes[list];
    for (int code = 0; code < w->count(); ++code)
        SetCheck(w->item(code), FEcu->CodeTicked(TFakeCodeList(list), code));
}

void TfrmFakeEcu::ShowSettings()
{
    QScopedValueRollback<bool> guard(FUpdating, true);
    SetText(edtIdleSpeed, FEcu->IdleSpeedText());
    SetText(edtIdleSpeedAc, FEcu->IdleSpeedAcText());
    SetText(edtEcuResetAddress, FEcu->EcuResetAddressText());
    SetText(edtIgnitionRetard, FEcu->IgnitionRetardText());
    SetText(edtBaudRate, FEcu->BaudRateText());
    SetText(edtParity, FEcu->ParityName());
    if (!edtFlashXor->hasFocus())
        SetText(edtFlashXor, QString::asprintf("$%2.2X", FEcu->FlashXor()));
    if (!edtEcuState->hasFocus())
        SetText(edtEcuState, FEcu->EcuState());
    chkVpp->setChecked(FEcu->Vpp());
    chkTestMode->setChecked(FEcu->TestModeConnector());
    spnErrorsPer1000->setValue(FEcu->ErrorsPer1000());
    chkObdDtcs->setChecked(FEcu->ObdDtcs());
    cmbScenario->setCurrentIndex(FEcu->Scenario());
    spnRoadTestGear->setValue(FEcu->RoadTestGear());
}

void TfrmFakeEcu::ShowDebug()
{
    const QString text = FEcu->DebugLines().join(QLatin1Char('\n'));
    if (memDebug->toPlainText() != text) {
        memDebug->setPlainText(text);
        memDebug->moveCursor(QTextCursor::End);
    }
}

void TfrmFakeEcu::ShowFlash()
{
    QScopedValueRollback<bool> guard(FUpdating, true);
    spnFlashPage->setValue(FEcu->FlashPage());
    if (memFlash->toPlainText() != FEcu->FlashText())
        memFlash->setPlainText(FEcu->FlashText());
}

void TfrmFakeEcu::ShowParams()
{
    QScopedValueRollback<bool> guard(FUpdating, true);
    for (int i = 0; i < lstDigital->count(); ++i)
        SetCheck(lstDigital->item(i), FEcu->DigitalParamTicked(i));
    for (int i = 0; i < lstAnalogue->count(); ++i)
        SetCheck(lstAnalogue->item(i), FEcu->AnalogueParamTicked(i));
    chkDigitalUseDefault->setChecked(FEcu->DigitalUseDefault());
    chkAnalogueUseDefault->setChecked(FEcu->AnalogueUseDefault());
}

void TfrmFakeEcu::ShowVersion()
{
    QScopedValueRollback<bool> guard(FUpdating, true);
    ShowCodePages();
    if (QAbstractButton* rb = grpEcuVersion->button(FEcu->EcuType()))
        rb->setChecked(true);
    SetText(edtEcuVersionCode, FEcu->EcuVersionCodeText());
    SetText(edtInit37, FEcu->Init37Text());
    SetText(edtInit38, FEcu->Init38Text());
    SetText(edtInit48, FEcu->Init48Text());
    if (!edtDiag61->hasFocus())
        SetText(edtDiag61, FEcu->Diag61Text());
}

void TfrmFakeEcu::ShowAddressChecks()
{
    for (int i = 0; i < TFakeEcu::AddressCheckCount; ++i)
        chkAddressCheck[i]->setChecked(FEcu->AddressCheck(i));
}
