#include "EcuInterfaceForm.h"

#include "Colours.h"
#include "EcuInterface.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

constexpr int FlushIntervalMs = 50;

QLineEdit* MakeField(QWidget* parent, int width)
{
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    field->setFixedWidth(width);
    field->setFocusPolicy(Qt::ClickFocus);
    return field;
}

} // namespace

TfrmEcuInterface::TfrmEcuInterface(TEcuInterface& link, QWidget* parent)
    : QMainWindow(parent), FLog(&link.Log())
{
    setWindowTitle(link.Caption());
    resize(820, 520);

    auto* central = new QWidget(this);
    auto* root = new QVBoxLayout(central);

    auto* top = new QHBoxLayout;
    btnClearLog = new QPushButton(tr("Clear Log"), central);
    chkLogInformation = new QCheckBox(tr("Log Information"), central);
    edtBaudRate = MakeField(central, 70);
    edtParity = MakeField(central, 70);
    edtComPort = MakeField(central, 90);
    top->addWidget(btnClearLog);
    top->addSpacing(8);
    top->addWidget(chkLogInformation);
    top->addSpacing(16);
    for (auto [label, field] : {std::pair{tr("Baud Rate"), edtBaudRate},
                                std::pair{tr("Parity"), edtParity},
                                std::pair{tr("Com Port"), edtComPort}}) {
        auto* caption = new QLabel(label, central);
        caption->setBuddy(field);
        top->addWidget(caption);
        top->addWidget(field);
        top->addSpacing(8);
    }
    top->addStretch();
    root->addLayout(top);

    auto* body = new QHBoxLayout;
    memLog = new QPlainTextEdit(central);
    memLog->setReadOnly(true);
    memLog->setUndoRedoEnabled(false);
    memLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    memLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The view keeps as many lines as the model keeps messages (two lines each).
    memLog->setMaximumBlockCount(static_cast<int>(2 * TEcuLog::MaxEntries));
    body->addWidget(memLog, 1);

    auto* markers = new QVBoxLayout;
    for (int i = 0; i < MarkerCount; ++i) {
        auto* row = new QHBoxLayout;
        edtMarker[i] = new QLineEdit(FLog->MarkerTexts[i], central);
        edtMarker[i]->setFixedWidth(170);
        btnLog[i] = new QPushButton(tr("Log"), central);
        btnLog[i]->setFixedWidth(44);
        row->addWidget(edtMarker[i]);
        row->addWidget(btnLog[i]);
        markers->addLayout(row);
        connect(btnLog[i], &QPushButton::clicked, this, [this, i] { btnLogClick(i); });
        connect(edtMarker[i], &QLineEdit::textEdited, this,
                [this, i](const QString& text) { edtMarkerChange(i, text); });
    }
    markers->addStretch();
    body->addLayout(markers);
    root->addLayout(body, 1);
    setCentralWidget(central);

    menuDebug = menuBar()->addMenu(tr("&Debug"));
    for (int level = 0; level < DebugItemCount; ++level) {
        QAction* item = menuDebug->addAction(TEcuLog::LevelName(level));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, level] { menuDebugItemClick(level); });
        menuDebugItems[level] = item;
    }

    connect(btnClearLog, &QPushButton::clicked, this, &TfrmEcuInterface::btnClearLogClick);
    connect(chkLogInformation, &QCheckBox::toggled, this,
            &TfrmEcuInterface::chkLogInformationClick);
    connect(FLog, &TEcuLog::EntryAdded, this, &TfrmEcuInterface::LogEntryAdded);
    connect(FLog, &TEcuLog::Cleared, this, &TfrmEcuInterface::LogCleared);
    connect(FLog, &TEcuLog::Changed, this, &TfrmEcuInterface::LogChanged);

    FFlushTimer.setSingleShot(true);
    FFlushTimer.setInterval(FlushIntervalMs);
    connect(&FFlushTimer, &QTimer::timeout, this, &TfrmEcuInterface::FlushLog);

    LogChanged();
    AppendEntries({FLog->Entries().begin(), FLog->Entries().end()});
}

TfrmEcuInterface::~TfrmEcuInterface() = default;

void TfrmEcuInterface::btnClearLogClick()
{
    if (FLog)
        FLog->Clear();
}

void TfrmEcuInterface::chkLogInformationClick(bool checked)
{
    if (!FUpdating && FLog)
        FLog->SetLogInformation(checked);
}

void TfrmEcuInterface::btnLogClick(int index)
{
    if (FLog)
        FLog->LogMarker(index);
}

void TfrmEcuInterface::edtMarkerChange(int index, const QString& text)
{
    if (FLog)
        FLog->MarkerTexts[index] = text;
}

void TfrmEcuInterface::menuDebugItemClick(int level)
{
    if (FLog)
        FLog->ToggleLevel(level);
}

void TfrmEcuInterface::LogEntryAdded(const TEcuLogEntry& entry)
{
    // Messages can come in thousands: they are collected and written in one edit a few
    // times a second instead of one layout pass each.
    FPending.push_back(entry);
    if (FPending.size() > TEcuLog::MaxEntries)
        FPending.erase(FPending.begin(),
                       FPending.begin() + static_cast<long>(FPending.size() - TEcuLog::MaxEntries));
    if (!FFlushTimer.isActive())
        FFlushTimer.start();
}

void TfrmEcuInterface::LogCleared()
{
    FPending.clear();
    FFlushTimer.stop();
    memLog->clear();
}

void TfrmEcuInterface::LogChanged()
{
    if (!FLog)
        return;
    FUpdating = true;
    chkLogInformation->setChecked(FLog->LogInformation());
    edtBaudRate->setText(FLog->BaudRateText);
    edtParity->setText(FLog->ParityText);
    edtComPort->setText(FLog->ComPortText);
    for (int level = 0; level < DebugItemCount; ++level)
        menuDebugItems[level]->setChecked(FLog->LevelShown(level));
    FUpdating = false;
}

void TfrmEcuInterface::FlushLog()
{
    FFlushTimer.stop();
    if (FPending.empty())
        return;
    std::vector<TEcuLogEntry> entries;
    entries.swap(FPending);
    AppendEntries(entries);
}

void TfrmEcuInterface::AppendEntries(const std::vector<TEcuLogEntry>& entries)
{
    if (entries.empty())
        return;
    QScrollBar* bar = memLog->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();

    QTextDocument* doc = memLog->document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    bool first = doc->isEmpty();
    for (const TEcuLogEntry& entry : entries) {
        QTextCharFormat format;
        format.setForeground(ColorFromRef(TEcuLog::LevelColour(entry.Level)));
        if (!first)
            cursor.insertBlock(QTextBlockFormat(), format);
        first = false;
        cursor.insertText(QString::number(entry.Tick), format);
        cursor.insertBlock(QTextBlockFormat(), format);
        cursor.insertText(entry.Text, format);
    }
    cursor.endEditBlock();

    // Keep following the newest line unless the user has scrolled back to read.
    if (following)
        bar->setValue(bar->maximum());
}
