#include "EcuInterfaceForm.h"
#include "FakeEcuInterface.h"
#include "Settings.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct TShownLine {
    QString Text;
    QColor Colour;
};

class DebugWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        TSettingsStore::Instance().Open(Dir.filePath("s.ini"));
        Link = std::make_unique<TFakeEcuInterface>();
        Form = std::make_unique<TfrmEcuInterface>(*Link);
    }
    void TearDown() override
    {
        Form.reset();
        Link.reset();
    }

    // The lines of the log view with the colour they are drawn in.
    std::vector<TShownLine> Shown()
    {
        Form->FlushLog();
        std::vector<TShownLine> lines;
        QTextDocument* doc = Form->memLog->document();
        if (doc->isEmpty())
            return lines;
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
            QColor colour;
            if (b.begin() != b.end())
                colour = b.begin().fragment().charFormat().foreground().color();
            lines.push_back({b.text(), colour});
        }
        return lines;
    }
    QStringList ShownTexts()
    {
        QStringList texts;
        for (const TShownLine& line : Shown())
            texts << line.Text;
        return texts;
    }
    void Tick() { QTest::mouseClick(Form->chkLogInformation, Qt::LeftButton); }

    QTemporaryDir Dir;
    std::unique_ptr<TFakeEcuInterface> Link;
    std::unique_ptr<TfrmEcuInterface> Form;
};

} // namespace

TEST_F(DebugWindow, StartsAsTheLinkLeavesIt)
{
    EXPECT_EQ(Form->windowTitle(), "Ecu Interface Emulator");
    EXPECT_FALSE(Form->chkLogInformation->isChecked());
    EXPECT_EQ(Form->btnClearLog->text(), "Clear Log");

    QStringList labels;
    for (QLabel* label : Form->findChildren<QLabel*>())
        labels << label->text();
    for (const char* caption : {"Baud Rate", "Parity", "Com Port"})
        EXPECT_TRUE(labels.contains(caption)) << caption;
    for (QLineEdit* field : {Form->edtBaudRate, Form->edtParity, Form->edtComPort})
        EXPECT_TRUE(field->isReadOnly());
    EXPECT_EQ(Form->edtBaudRate->text(), "4800");
    EXPECT_EQ(Form->edtComPort->text(), "COM1");

    EXPECT_EQ(Form->menuDebug->title(), "&Debug");
    const QStringList names = {"Raw Requests",          "Raw Responses",  "Interpreted Requests",
                               "Interpreted Responses", "Raw Sent Data",  "Unknown Data",
                               "Verbose Information",   "Warnings",       "Ludicrous Amounts"};
    ASSERT_EQ(Form->menuDebug->actions().size(), names.size());
    for (int level = 0; level < 9; ++level) {
        QAction* item = Form->menuDebug->actions()[level];
        EXPECT_EQ(item->text(), names[level]);
        EXPECT_TRUE(item->isCheckable());
        EXPECT_EQ(item->isChecked(), level == 5 || level == 7) << level;
    }

    EXPECT_EQ(Form->edtMarker[0]->text(), "1. Immobiliser");
    EXPECT_EQ(Form->edtMarker[6]->text(), "Reg Another Key No");
    EXPECT_TRUE(Form->edtMarker[9]->text().isEmpty());
    EXPECT_FALSE(Form->edtMarker[9]->isReadOnly());
    EXPECT_EQ(Form->btnLog[9]->text(), "Log");
    EXPECT_TRUE(Form->memLog->isReadOnly());
    EXPECT_TRUE(QFontInfo(Form->memLog->font()).fixedPitch());
}

TEST_F(DebugWindow, ShowsMessagesInTheirLevelsColourWhenLogged)
{
    Link->LogMsg("before logging is on", 7);
    EXPECT_TRUE(Shown().empty());

    Tick();
    EXPECT_TRUE(Link->Log().LogInformation());
    struct Case {
        int Level;
        bool Shown;
        QColor Colour;
    };
    const Case cases[] = {
        {7, true, QColor(0xFF, 0x00, 0x00)}, {5, true, QColor(0x80, 0x00, 0x80)},
        {6, false, {}},                       {0, false, {}},
        {9, true, QColor(0, 0, 0)},           {15, false, {}},
        {16, false, {}},                      {-1, false, {}},
    };
    QStringList expected;
    for (const Case& c : cases) {
        const QString text = QStringLiteral("message at %1").arg(c.Level);
        Link->LogMsg(text, c.Level);
        const auto lines = Shown();
        if (c.Shown) {
            expected << text;
            ASSERT_EQ(lines.size(), static_cast<size_t>(2 * expected.size())) << c.Level;
            // Two lines per message: the tick count, then the text, both in the level's colour.
            const TShownLine& tick = lines[lines.size() - 2];
            const TShownLine& line = lines.back();
            bool number = false;
            tick.Text.toUInt(&number);
            EXPECT_TRUE(number) << tick.Text.toStdString();
            EXPECT_EQ(line.Text, text);
            EXPECT_EQ(tick.Colour, c.Colour) << c.Level;
            EXPECT_EQ(line.Colour, c.Colour) << c.Level;
        } else {
            EXPECT_EQ(lines.size(), static_cast<size_t>(2 * expected.size())) << c.Level;
        }
    }

    Tick();  // off again
    Link->LogMsg("after", 7);
    EXPECT_EQ(Shown().size(), static_cast<size_t>(2 * expected.size()));
}

TEST_F(DebugWindow, DebugMenuTogglesTheMask)
{
    Tick();
    QAction* verbose = Form->menuDebugItems[6];
    QAction* warnings = Form->menuDebugItems[7];

    verbose->trigger();
    EXPECT_TRUE(Link->Log().LevelShown(6));
    EXPECT_TRUE(verbose->isChecked());
    warnings->trigger();
    EXPECT_FALSE(Link->Log().LevelShown(7));
    EXPECT_FALSE(warnings->isChecked());

    Link->LogMsg("verbose", 6);
    Link->LogMsg("warning", 7);
    const auto lines = Shown();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].Text, "verbose");
    EXPECT_EQ(lines[1].Colour, QColor(0xFF, 0x00, 0xFF));

    verbose->trigger();
    EXPECT_FALSE(Link->Log().LevelShown(6));
    EXPECT_FALSE(verbose->isChecked());

    // A mask changed elsewhere shows in the menu.
    Link->Log().SetLevelShown(0, true);
    EXPECT_TRUE(Form->menuDebugItems[0]->isChecked());
}

TEST_F(DebugWindow, MarkerButtonsLogTheirTextAtLevel9)
{
    // Level 9 is in no mask, yet markers always show - while logging is on.
    QTest::mouseClick(Form->btnLog[0], Qt::LeftButton);
    EXPECT_TRUE(Link->Log().Entries().empty());

    Tick();
    QTest::mouseClick(Form->btnLog[1], Qt::LeftButton);
    QTest::keyClicks(Form->edtMarker[8], "Key two");
    QTest::mouseClick(Form->btnLog[8], Qt::LeftButton);

    const auto& entries = Link->Log().Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Text, "2.0 Turbo Confirm 'Yes'");
    EXPECT_EQ(entries[1].Text, "Key two");
    EXPECT_EQ(entries[1].Level, 9);
    EXPECT_EQ(ShownTexts().last(), "Key two");
}

TEST_F(DebugWindow, ClearLogEmptiesModelAndView)
{
    Tick();
    for (int i = 0; i < 3; ++i)
        Link->LogMsg(QString::number(i), 7);
    Form->FlushLog();
    Link->LogMsg("not yet drawn", 7);  // waiting for the next batch

    QTest::mouseClick(Form->btnClearLog, Qt::LeftButton);
    EXPECT_TRUE(Link->Log().Entries().empty());
    EXPECT_TRUE(Shown().empty());

    Link->LogMsg("fresh", 7);
    const QStringList texts = ShownTexts();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[1], "fresh");
}

TEST_F(DebugWindow, FieldsFollowThePort)
{
    Link->SetBaudRate(9600);
    Link->SetParity(2);
    EXPECT_EQ(Form->edtBaudRate->text(), "9600");
    EXPECT_EQ(Form->edtParity->text(), TEcuInterface::ParityName(2));
}

TEST_F(DebugWindow, ManyMessagesArriveInBatchesAndInOrder)
{
    Tick();
    Link->LogMsg("early", 7);
    Form->FlushLog();
    // A window opened later shows what was logged before it.
    TfrmEcuInterface late(*Link);
    EXPECT_EQ(late.memLog->document()->blockCount(), 2);

    const int n = 5000;
    for (int i = 0; i < n; ++i)
        Link->LogMsg(QStringLiteral("line %1").arg(i), i % 2 ? 5 : 7);
    // Nothing is drawn per message; the batch timer writes them.
    EXPECT_EQ(Form->memLog->document()->blockCount(), 2);
    QTest::qWait(200);
    QTextDocument* doc = Form->memLog->document();
    ASSERT_EQ(doc->blockCount(), 2 * (n + 1));
    EXPECT_EQ(doc->findBlockByNumber(3).text(), "line 0");
    EXPECT_EQ(doc->lastBlock().text(), QStringLiteral("line %1").arg(n - 1));
    EXPECT_EQ(late.memLog->document()->blockCount(), 2 * (n + 1));
}
