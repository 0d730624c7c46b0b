// The numeric edit: out-of-range values become the nearer bound with a beep, the focus
// stays, and only accepted values reach the owner.
#include "NumEdit.h"
#include "Sounds.h"

#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

TEST(NumEdit, ClampsBeepsAndKeepsTheFocus)
{
    TScopedRecordingSounds sounds;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new TNumEdit(0.2, 10);
    auto* other = new TNumEdit(0, 10);
    layout->addWidget(edit);
    layout->addWidget(other);
    int accepted = 0;
    QObject::connect(edit, &TNumEdit::ValueAccepted, [&] { ++accepted; });
    window.show();
    QApplication::setActiveWindow(&window);
    edit->SetValue(3.454);

    struct Case {
        const char* typed;
        double shown;
        bool accepted;
    };
    for (const Case c : {Case{"0.1", 0.2, false}, Case{"12", 10, false}, Case{".", 10, false},
                         Case{"1.5", 1.5, true}}) {
        edit->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }, 1000));
        const int beeps = sounds->Count(TSoundKind::Beep);
        const int before = accepted;
        edit->selectAll();
        QTest::keyClicks(edit, QLatin1String(c.typed));
        other->setFocus(); // leaving the box
        QTest::qWait(20);
        EXPECT_DOUBLE_EQ(edit->Value(), c.shown) << c.typed;
        EXPECT_EQ(accepted - before, c.accepted ? 1 : 0) << c.typed;
        EXPECT_EQ(sounds->Count(TSoundKind::Beep) - beeps, c.accepted ? 0 : 1) << c.typed;
        EXPECT_EQ(edit->hasFocus(), !c.accepted) << c.typed;
    }
    EXPECT_EQ(edit->text(), "1.5");
}

TEST(NumEdit, TypingLimitDoesNotCutAValueSetInCode)
{
    TNumEdit edit(1, 10);
    edit.SetMaxChars(5);
    edit.SetValue(3.8995);
    EXPECT_EQ(edit.text(), "3.8995");
    EXPECT_DOUBLE_EQ(edit.Value(), 3.8995);
}
