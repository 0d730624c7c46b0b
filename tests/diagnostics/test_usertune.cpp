// Live tuning: the capability check, the order of writes, the window's own updates never
// writing, and a session in demo mode that the idle window then leaves alone.
#include "UserTuneForm.h"

#include "AdjustCodings.h"
#include "DiagFixture.h"
#include "FaultRecovery.h"
#include "IdleForm.h"

#include <QButtonGroup>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>

namespace {

TEST(TuningLogic, CapabilityBitsDependOnCamTiming)
{
    const auto cam = TTuningLogic::CheckSupport({0x55, 0x21}, true);
    ASSERT_TRUE(cam);
    EXPECT_TRUE(cam->Idle && cam->VVT && cam->VVTAngle);
    EXPECT_FALSE(cam->Duty || cam->Boost || cam->RevLimit);
    const auto other = TTuningLogic::CheckSupport({0x55, 0x21}, false);
    ASSERT_TRUE(other);
    EXPECT_TRUE(other->Idle && other->Duty);
    EXPECT_FALSE(other->VVT || other->VVTAngle);
    const auto bit4 = TTuningLogic::CheckSupport({0x55, 0x10}, true);
    EXPECT_TRUE(bit4->Boost && bit4->Duty);
    EXPECT_FALSE(TTuningLogic::CheckSupport({0x55}, false));
    EXPECT_FALSE(TTuningLogic::CheckSupport({0x54, 0xFF}, false));
    EXPECT_FALSE(TTuningLogic::CheckSupport({0x55, 0xFF, 0x00}, false));
    EXPECT_TRUE(TTuningLogic::IsCamTimingEcu(58) && TTuningLogic::IsCamTimingEcu(79));
    EXPECT_FALSE(TTuningLogic::IsCamTimingEcu(8));
}

TEST(TuningLogic, PendingItemsGoInTheirOrderThenAPoll)
{
    TTuningLogic logic;
    TTuneValues v;
    v.Idle = 300;
    v.BoostMapB = true;
    v.VVTAdd = 1;
    v.LearnScaling = 150;
    v.RevAdjust = -4000;
    logic.Pending.set(tiVVTAdd)
        .set(tiBoostMap)
        .set(tiLearnScaling)
        .set(tiIdle)
        .set(tiDutyMap)
        .set(tiRevAdjust);
    std::vector<std::pair<uint32_t, int>> steps;
    for (int i = 0; i < 7; ++i) {
        const TTuneStep s = logic.TuningStep(v);
        steps.emplace_back(s.Poll ? 0u : s.Address, s.Poll ? -1 : s.Value);
    }
    const std::vector<std::pair<uint32_t, int>> expected{
        {0x70, 140},           {0x78, 0x40}, {0x7D, 48}, {0x7A, 192},
        {0x7F, VVTAddByte(1)}, {0, -1},      {0, -1}};
    EXPECT_EQ(steps, expected);
}

TEST(TuningLogic, AMissingParameterCountsAsRawZero)
{
    TTuneValues current;
    current.BoostMapB = true;
    TSwitchSet present, on;
    const TTuneValues v = TTuningLogic::ValuesFromReply(TParamRaw{}, present, on, current);
    EXPECT_EQ(v.Idle, -3200);     // the control limits it to -300
    EXPECT_EQ(v.LearnScaling, 0); // and this one to 20
    EXPECT_TRUE(v.BoostMapB);     // no switch byte: the choice stays
    present.set(esBoostSw);
    EXPECT_FALSE(TTuningLogic::ValuesFromReply(TParamRaw{}, present, on, current).BoostMapB);
}

class UserTune : public ::testing::Test, public DiagFixture {
  protected:
    void TearDown() override
    {
        Form.reset();
        StopEcu();
    }
    void Show()
    {
        if (!Form) {
            Form = std::make_unique<TfrmUserTune>(Host());
            Form->Timer->setInterval(20);
        }
        Form->show();
    }
    bool Shown(QWidget* page) const
    {
        return Form->pgcPages->isTabVisible(Form->pgcPages->indexOf(page));
    }
    void StartTuningSession()
    {
        Show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return Form->pgcPages->isVisible(); }, 3000));
        ASSERT_TRUE(Shown(Form->tabWarning));
        Form->btnOkWarning->click();
        // A full poll has come back.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->edtEngSpeed->text().isEmpty(); }, 3000));
    }
    void WaitIdle()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Link->PendingRequestActive(); }, 3000));
    }
    std::unique_ptr<TfrmUserTune> Form;
};

TEST_F(UserTune, UnsupportedEcuShowsOnlyTheInformation)
{
    StartEcu(84);
    Show();
    EXPECT_FALSE(Form->pgcPages->isVisibleTo(Form.get())); // while the capability read is out
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->pgcPages->isVisible(); }, 3000));
    EXPECT_TRUE(Shown(Form->tabInformation));
    EXPECT_FALSE(Shown(Form->tabWarning) || Shown(Form->tabHelp) || Shown(Form->tabTuning));
    EXPECT_TRUE(Form->memInformation->toPlainText().startsWith(
        "This ECU does not support live tuning adjustments."));
    const size_t heard = Heard.size();
    QTest::qWait(200);
    EXPECT_EQ(Heard.size(), heard); // nothing more is sent
}

TEST_F(UserTune, CamTimingEcuOffersItsGroupsAfterTheWarning)
{
    StartEcu(58);
    Show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->pgcPages->isVisible(); }, 3000));
    EXPECT_EQ(Reads.at(0), (TLongWordArray{0x76, 0x77}));
    EXPECT_EQ(Form->pgcPages->currentWidget(), Form->tabWarning);
    EXPECT_TRUE(Shown(Form->tabHelp));
    EXPECT_FALSE(Shown(Form->tabTuning) || Shown(Form->tabInformation));
    EXPECT_TRUE(Form->CamTiming);
    QTest::qWait(100);
    EXPECT_EQ(Heard, "R"); // nothing until the user clicks OK
    Form->btnOkWarning->click();
    EXPECT_EQ(Form->pgcPages->currentWidget(), Form->tabTuning);
    EXPECT_FALSE(Shown(Form->tabWarning));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->edtEngSpeed->text().isEmpty(); }, 3000));
    EXPECT_TRUE(Form->grpVVT->isVisibleTo(Form.get()));
    EXPECT_TRUE(Form->grpVVTAngle->isVisibleTo(Form.get()));
    EXPECT_TRUE(Form->grpDuty->isVisibleTo(Form.get()));
}

TEST_F(UserTune, TheWindowsOwnUpdatesNeverWrite)
{
    StartEcu(8);
    // Values away from the controls' start, so that the replies change every control.
    auto& mem = Ecu->VariableArea();
    mem[0x070] = 140;
    mem[0x079] = 131;
    mem[0x07A] = 192;
    mem[0x07B] = 255;
    mem[0x07C] = 255;
    mem[0x07D] = 48;
    mem[0x07E] = 64;
    mem[0x078] = 0xE0;
    StartTuningSession();
    const int polls = Ecu->RequestsReceived(frReadAddresses);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Ecu->RequestsReceived(frReadAddresses) >= polls + 5; }, 3000));
    EXPECT_EQ(Ecu->RequestsReceived(frWriteAddress), 0);
    EXPECT_EQ(Form->SpinIdle->value(), 300);
    EXPECT_EQ(Form->seIgnAdd->value(), 1.05);
    EXPECT_EQ(Form->seLearnScaling->value(), 150);
    EXPECT_EQ(Form->seBoostAdd->value(), 0.34);
    EXPECT_EQ(Form->seDutyScale->value(), 199);
    EXPECT_EQ(Form->seRevAdjust->value(), -4000);
    EXPECT_EQ(Form->seFuelScaling->value(), 50); // 50 % read back; the control's minimum
    EXPECT_TRUE(Form->RadAdjustRevLimit->isChecked());
    EXPECT_EQ(Form->BoostMapButtons->checkedId(), 1);
    EXPECT_EQ(Form->DutyMapButtons->checkedId(), 1);
    EXPECT_FALSE(Form->grpVVT->isVisibleTo(Form.get())); // not a cam-timing ECU

    // A reply without the adjustment parameters sets each control from raw 0, within its
    // range, and still writes nothing.
    WaitIdle();
    Form->Timer->stop();
    Form->TuningDataReceived({}, TParamRaw{}, {}, {});
    EXPECT_EQ(Form->SpinIdle->value(), -300);
    EXPECT_EQ(Form->seLearnScaling->value(), 20);
    EXPECT_EQ(Form->seRevAdjust->value(), -4000);
    EXPECT_TRUE(Form->RadAdjustRevLimit->isChecked()); // no switch byte: left as it was
    EXPECT_FALSE(Form->Logic.Pending.any());

    // While the program closes, a step sends nothing.
    Closing = true;
    Form->Timer->stop();
    const size_t heard = Heard.size();
    Form->TuningStep();
    QTest::qWait(100);
    EXPECT_EQ(Heard.size(), heard);
}

TEST_F(UserTune, ChangesBetweenTwoStepsAreWrittenInOrder)
{
    StartEcu(8);
    Ecu->VariableArea()[0x078] = 0x00; // map A, standard rev limit
    StartTuningSession();
    WaitIdle();
    Heard.clear();
    Writes.clear();
    Form->SpinIdle->setValue(100);
    Form->BoostMapButtons->button(1)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Heard.size() >= 3; }, 3000));
    EXPECT_EQ(Heard.substr(0, 3), "WWR");
    EXPECT_EQ(Writes.at(0), (TWriteHeard{0x70, 132}));
    EXPECT_EQ(Writes.at(1), (TWriteHeard{0x78, 0x40}));

    // Keypad plus and minus step within the range; an arrow key steps once.
    WaitIdle();
    Form->seLearnScaling->setValue(145);
    QTest::keyClick(Form->seLearnScaling, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Form->seLearnScaling->value(), 150);
    QTest::keyClick(Form->seLearnScaling, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(Form->seLearnScaling->value(), 150);
    QTest::keyClick(Form->seLearnScaling, Qt::Key_Down);
    EXPECT_EQ(Form->seLearnScaling->value(), 145);
    QTest::keyClick(Form->seLearnScaling, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(Form->seLearnScaling->value(), 140);
    QTest::keyClicks(Form->seLearnScaling, "99"); // no typed text
    EXPECT_EQ(Form->seLearnScaling->value(), 140);
}

TEST_F(UserTune, ASessionRoundTripsInDemoModeAndTheIdleWindowKeepsIt)
{
    StartEcu(15);
    Ecu->VariableArea()[0x078] = 0x00;
    StartTuningSession();
    WaitIdle();
    Form->SpinIdle->setValue(1000);
    Form->seLearnScaling->setValue(150);
    Form->DutyMapButtons->button(1)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Writes.size() >= 3; }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->Logic.Pending.any(); }, 3000));
    WaitIdle();
    Form->hide();
    EXPECT_FALSE(Link->OnParamValues);
    EXPECT_EQ(Ecu->VariableArea()[0x070], 168);
    EXPECT_EQ(Ecu->VariableArea()[0x07A], 192);
    EXPECT_EQ(Ecu->VariableArea()[0x078] & 0xE0, 0x80);

    // Reopened, the window reads them back.
    Form.reset();
    StartTuningSession();
    EXPECT_EQ(Form->SpinIdle->value(), 1000);
    EXPECT_EQ(Form->seLearnScaling->value(), 150);
    EXPECT_EQ(Form->DutyMapButtons->checkedId(), 1);
    EXPECT_EQ(Form->BoostMapButtons->checkedId(), 0);
    Form->hide();

    // "Adjust Idle Speeds" shows the tuned offset and leaves it alone.
    TfrmIdle idle(Host());
    idle.Timer->setInterval(30);
    const size_t writes = Writes.size();
    idle.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return idle.SpinIdle->value() == 1000; }, 3000));
    QTest::qWait(200);
    EXPECT_EQ(Writes.size(), writes);
    EXPECT_EQ(Ecu->VariableArea()[0x070], 168);
}

// A bad reply to the capability read, to a poll or to a write is retried: the window leaves
// "Asking the ECU...", its readings go on, and a change made meanwhile is still written.
TEST_F(UserTune, ABadReplyIsRetriedAndASilentEcuTimesOut)
{
    StartEcu(8);
    Ecu->SetFaults({.LengthError = -1, .Count = 1});
    Show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->pgcPages->isVisible(); }, 3000))
        << "still asking the ECU after a bad reply";
    EXPECT_EQ(Link->InvalidReplies, 1);
    EXPECT_TRUE(Shown(Form->tabWarning));
    Form->btnOkWarning->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->edtEngSpeed->text().isEmpty(); }, 3000));

    ExpectGoesOnAfterOneBadReply(*Link, *Ecu, [&] { return Reads.size(); });
    // A write answered badly, then a change: both reach the ECU.
    WaitIdle();
    Ecu->SetFaults({.LengthError = 1, .Count = 1});
    Form->SpinIdle->setValue(100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Ecu->VariableArea()[0x070] == 132; }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->Logic.Pending.any(); }, 3000));
    WaitIdle();
    Form->seLearnScaling->setValue(150);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Ecu->VariableArea()[0x07A] == 192; }, 3000));
    ExpectTimesOutWhenSilent(*Link, *Ecu, [&] { return Timeouts; });
}

// Changes still pending when the window is left reach the ECU, each answered, before it
// hides: Escape, the close box, or the main window hiding it for another tool.
TEST_F(UserTune, PendingChangesAreWrittenBeforeTheWindowHides)
{
    StartEcu(8);
    Ecu->VariableArea()[0x078] = 0x00;
    StartTuningSession();
    const std::function<void()> ways[] = {
        [&] { QTest::keyClick(Form.get(), Qt::Key_Escape); },
        [&] { Form->close(); },
        [&] { Form->hide(); },
    };
    int idle = 0;
    for (const auto& leave : ways) {
        WaitIdle();
        Writes.clear();
        idle += 25;
        Form->SpinIdle->setValue(idle);
        Form->BoostMapButtons->button(Form->BoostMapButtons->checkedId() == 1 ? 0 : 1)->click();
        const uint8_t control = Form->BoostMapButtons->checkedId() == 1 ? 0x40 : 0x00;
        leave();
        EXPECT_TRUE(Form->isVisible()) << "hidden before the ECU answered";
        EXPECT_EQ(Form->lblSending->text(), "Sending...");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->isVisible(); }, 3000));
        EXPECT_EQ(Writes, (std::vector<TWriteHeard>{{0x70, IdleByte(idle)}, {0x78, control}}));
        EXPECT_EQ(Ecu->VariableArea()[0x070], IdleByte(idle));
        EXPECT_FALSE(Link->OnParamValues);
        StartTuningSession();
        EXPECT_EQ(Form->SpinIdle->value(), idle);
    }

    // An ECU that does not answer: the window stays, says so, and a second Escape hides it.
    WaitIdle();
    Ecu->SetFaults({.Silent = true});
    Form->SpinIdle->setValue(500);
    QTest::keyClick(Form.get(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->lblSending->text() != "Sending..."; }, 6000));
    EXPECT_EQ(Form->lblSending->text(), "Not set: the ECU did not answer");
    EXPECT_TRUE(Form->isVisible());
    QTest::keyClick(Form.get(), Qt::Key_Escape);
    EXPECT_FALSE(Form->isVisible());
    Ecu->SetFaults({});
}

} // namespace
