// The ignition-retard and idle windows on the emulated link: read-back, write-back, the
// order of writes, and an idle offset set by live tuning left alone.
#include "IdleForm.h"
#include "IgnRetardForm.h"

#include "AdjustForm.h"

#include "DiagFixture.h"
#include "FaultRecovery.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {

class AdjustForms : public ::testing::Test, public DiagFixture {
  protected:
    void SetUp() override { StartEcu(8); }
    void TearDown() override { StopEcu(); }
    size_t PollsOf(uint32_t address) const
    {
        size_t n = 0;
        for (const auto& r : Reads)
            n += std::count(r.begin(), r.end(), address) > 0;
        return n;
    }
};

TEST_F(AdjustForms, RetardReadBackIsShownAndWrittenBack)
{
    Ecu->VariableArea()[0x06F] = 3;
    TfrmIgnRetard form(Host());
    form.Timer->setInterval(30);
    EXPECT_EQ(form.windowTitle(), "Ignition Retard");
    EXPECT_EQ(form.spinRetard->maximum(), 5);
    EXPECT_TRUE(form.btnOK->isDefault());
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.spinRetard->value() == 3; }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Writes.empty(); }, 3000));
    EXPECT_EQ(Writes.front(), (TWriteHeard{0x06F, 3}));
    // Then reading resumes and nothing more is written.
    const size_t polls = PollsOf(0x06F);
    ASSERT_TRUE(QTest::qWaitFor([&] { return PollsOf(0x06F) >= polls + 2; }, 3000));
    EXPECT_EQ(Writes.size(), 1u);

    // A change of the user's is written; OK hides the window.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Link->PendingRequestActive(); }, 3000));
    form.spinRetard->setValue(5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Ecu->VariableArea()[0x06F] == 5; }, 3000));
    form.btnOK->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 3000));
    EXPECT_FALSE(form.Timer->isActive());
    EXPECT_TRUE(Link->OnWriteAddressResponse); // kept on hide
    // Escape hides it as well (OK is also the cancel button).
    form.show();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(AdjustForms, IdleWritesAirConOffFirstThenReadsAgain)
{
    TfrmIdle form(Host());
    form.Timer->setInterval(30);
    EXPECT_EQ(form.windowTitle(), "Idle Speeds");
    form.show();
    EXPECT_FALSE(Link->OnWriteAddressResponse); // no write-reply slot
    EXPECT_TRUE(Link->OnParamValues);
    ASSERT_TRUE(QTest::qWaitFor([&] { return PollsOf(0x070) >= 1; }, 3000));
    QTest::qWait(100);
    EXPECT_TRUE(Writes.empty()); // 0x80 reads as 0, as shown
    // Between two steps, with no read on its way that would show the old values again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Link->PendingRequestActive(); }, 3000));
    const size_t heard = Heard.size();
    form.SpinIdle->setValue(300);
    form.SpinIdleAC->setValue(-300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Heard.size() >= heard + 3; }, 3000));
    EXPECT_EQ(Heard.substr(heard, 3), "WWR") << "one step each: write, write, then read";
    EXPECT_EQ(Writes[0], (TWriteHeard{0x070, 140}));
    EXPECT_EQ(Writes[1], (TWriteHeard{0x071, 116}));
    // Reading 140 back shows 300 and writes nothing more.
    QTest::qWait(150);
    EXPECT_EQ(form.SpinIdle->value(), 300);
    EXPECT_EQ(Writes.size(), 2u);
}

TEST_F(AdjustForms, IdleLeavesAnOffsetSetByLiveTuningAlone)
{
    Ecu->VariableArea()[0x070] = 168; // +1000 RPM
    TfrmIdle form(Host());
    form.Timer->setInterval(30);
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.SpinIdle->value() == 1000; }, 3000));
    EXPECT_TRUE(form.ShowsTunedValue(0));
    EXPECT_TRUE(form.lblTuned[0]->isVisibleTo(&form));
    EXPECT_TRUE(form.lblTuned[0]->text().startsWith("1000 RPM was set by live tuning"));
    const size_t polls = PollsOf(0x070);
    ASSERT_TRUE(QTest::qWaitFor([&] { return PollsOf(0x070) >= polls + 3; }, 3000));
    EXPECT_TRUE(Writes.empty());
    EXPECT_EQ(Ecu->VariableArea()[0x070], 168);

    // One step down would jump 700 RPM: the window asks first, and "No" keeps the value.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Link->PendingRequestActive(); }, 3000));
    form.SpinIdle->stepDown();
    EXPECT_EQ(Dialogs->Texts(TDialogKind::Confirmation),
              QStringList{"The idle offset is +1000, set by live tuning. Change it to +300?"});
    EXPECT_EQ(form.SpinIdle->value(), 1000);
    EXPECT_TRUE(form.ShowsTunedValue(0));
    QTest::qWait(150);
    EXPECT_TRUE(Writes.empty());

    // "Yes": the control comes back into its range and +300 is written.
    Dialogs->MessageAnswers.push_back(TMessageResult::Yes);
    form.SpinIdle->stepDown();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Writes.empty(); }, 3000));
    EXPECT_EQ(Writes[0], (TWriteHeard{0x070, 140}));
    EXPECT_FALSE(form.ShowsTunedValue(0));
    EXPECT_EQ(form.SpinIdle->maximum(), 300);
}

TEST_F(AdjustForms, AStepWaitsWhileAnotherRequestIsOutstanding)
{
    TfrmIdle form(Host());
    form.Timer->setInterval(30);
    form.show();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return PollsOf(0x070) >= 1 && !Link->PendingRequestActive(); }, 3000));
    TFakeEcuFaults f;
    f.ExtraDelayMs = 200;
    f.Count = 1;
    Ecu->SetFaults(f);
    Link->RequestInit();
    form.SpinIdle->setValue(100);
    // The change is not lost to a dropped write: it goes once the link is free.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Writes.empty(); }, 3000));
    EXPECT_EQ(Writes[0], (TWriteHeard{0x070, 132}));
}

// The retard and idle windows step on their own timer: a bad reply costs one step, and a
// silent ECU reaches the time-out.
TEST_F(AdjustForms, BothWindowsGoOnAfterABadReply)
{
    TfrmIgnRetard retard(Host());
    retard.Timer->setInterval(30);
    retard.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return PollsOf(0x06F) >= 1; }, 3000));
    ExpectGoesOnAfterOneBadReply(*Link, *Ecu, [&] { return PollsOf(0x06F); });
    ExpectTimesOutWhenSilent(*Link, *Ecu, [&] { return Timeouts; });
    retard.hide();

    TfrmIdle idle(Host());
    idle.Timer->setInterval(30);
    idle.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return PollsOf(0x070) >= 1; }, 3000));
    ExpectGoesOnAfterOneBadReply(*Link, *Ecu, [&] { return PollsOf(0x070); });
    ExpectTimesOutWhenSilent(*Link, *Ecu, [&] { return Timeouts; });
}

// A change the user leaves the window with reaches the ECU before the window hides, however
// it is left: Enter (OK is the default button), Escape, closing, or the main window hiding it
// for another tool. Typed at once after opening, before the once-a-second step could send it.
enum TLeave { lvEnter, lvEscape, lvClose, lvHide };
struct TLeaveCase {
    bool Idle; // else the retard window
    TLeave Leave;
};

class AdjustLeave : public ::testing::TestWithParam<TLeaveCase>, public DiagFixture {
  protected:
    void SetUp() override { StartEcu(8); }
    void TearDown() override { StopEcu(); }
};

TEST_P(AdjustLeave, AChangeIsSentAndAnsweredBeforeTheWindowHides)
{
    const TLeaveCase c = GetParam();
    std::unique_ptr<TAdjustForm> form;
    QSpinBox* spin;
    if (c.Idle) {
        auto* idle = new TfrmIdle(Host());
        spin = idle->SpinIdle;
        form.reset(idle);
    } else {
        auto* retard = new TfrmIgnRetard(Host());
        spin = retard->spinRetard;
        form.reset(retard);
    }
    const TWriteHeard expected = c.Idle ? TWriteHeard{0x070, 134} : TWriteHeard{0x06F, 4};
    form->show();
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, c.Idle ? "150" : "4");
    switch (c.Leave) {
    case lvEnter:
        QTest::keyClick(spin, Qt::Key_Return);
        break;
    case lvEscape:
        QTest::keyClick(spin, Qt::Key_Escape);
        break;
    case lvClose:
        form->close();
        break;
    case lvHide:
        form->hide();
        break;
    }
    EXPECT_TRUE(form->isVisible()) << "hidden before the ECU answered";
    EXPECT_EQ(form->lblState->text(), "Sending...");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }, 3000));
    ASSERT_EQ(Writes.size(), 1u);
    EXPECT_EQ(Writes[0], expected);
    EXPECT_EQ(Ecu->VariableArea()[expected.Address], expected.Value);

    // Opened again, it shows the new value as the ECU's.
    form->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->lblState->text() == "Set"; }, 3000));
    EXPECT_EQ(spin->value(), c.Idle ? 150 : 4);
    EXPECT_EQ(Writes.size(), 1u);
}

std::vector<TLeaveCase> LeaveCases()
{
    std::vector<TLeaveCase> cases;
    for (bool idle : {false, true})
        for (TLeave leave : {lvEnter, lvEscape, lvClose, lvHide})
            cases.push_back({idle, leave});
    return cases;
}

std::string LeaveName(const ::testing::TestParamInfo<TLeaveCase>& info)
{
    const char* ways[] = {"Enter", "Escape", "Close", "Hide"};
    return std::string(info.param.Idle ? "Idle" : "Retard") + ways[info.param.Leave];
}

INSTANTIATE_TEST_SUITE_P(Ways, AdjustLeave, ::testing::ValuesIn(LeaveCases()), LeaveName);

// "Set" only once the ECU shows the value; "Sending..." from the change until then. An ECU
// that does not answer keeps the window open, says so, and a second Escape hides it.
TEST_F(AdjustForms, TheStateLineFollowsTheEcuAndAFailedWriteSaysSo)
{
    TfrmIdle form(Host());
    form.Timer->setInterval(30);
    form.show();
    EXPECT_EQ(form.lblState->text(), "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.lblState->text() == "Set"; }, 3000));
    form.SpinIdleAC->setValue(-100);
    EXPECT_EQ(form.lblState->text(), "Sending...");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Writes.empty(); }, 3000));
    EXPECT_EQ(form.lblState->text(), "Sending..."); // written, not yet read back
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.lblState->text() == "Set"; }, 3000));
    EXPECT_EQ(Ecu->VariableArea()[0x071], 124);

    ASSERT_TRUE(QTest::qWaitFor([&] { return !Link->PendingRequestActive(); }, 3000));
    Ecu->SetFaults({.Silent = true});
    form.SpinIdle->setValue(50);
    QTest::keyClick(&form, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.lblState->text() != "Sending..."; }, 6000));
    EXPECT_EQ(form.lblState->text(), "Not set: the ECU did not answer");
    EXPECT_TRUE(form.isVisible());
    EXPECT_GE(Timeouts, 1);
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

// Only a value live tuning can set is called one; a raw 0 (-3200 RPM) is not.
TEST(IdleQuestion, NamesLiveTuningOnlyForItsValues)
{
    EXPECT_EQ(TfrmIdle::LeaveQuestion(1000, 300),
              "The idle offset is +1000, set by live tuning. Change it to +300?");
    EXPECT_EQ(TfrmIdle::LeaveQuestion(1500, 300),
              "The idle offset is +1500, set by live tuning. Change it to +300?");
    EXPECT_EQ(TfrmIdle::LeaveQuestion(-3200, -300),
              "The idle offset is -3200. Change it to -300?");
    EXPECT_EQ(TfrmIdle::LeaveQuestion(1525, 300), "The idle offset is +1525. Change it to +300?");
}

TEST_F(AdjustForms, AnOffsetBeyondLiveTuningIsNotCalledOneOfItsValues)
{
    Ecu->VariableArea()[0x071] = 0; // -3200 RPM
    TfrmIdle form(Host());
    form.Timer->setInterval(30);
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.SpinIdleAC->value() == -3200; }, 3000));
    EXPECT_FALSE(form.lblTuned[1]->text().contains("live tuning"));
    form.SpinIdleAC->stepUp();
    EXPECT_EQ(Dialogs->Texts(TDialogKind::Confirmation),
              QStringList{"The idle offset is -3200. Change it to -300?"});
    EXPECT_EQ(form.SpinIdleAC->value(), -3200);
}

} // namespace
