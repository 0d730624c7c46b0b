// The ignition-retard and idle windows on the emulated link: read-back, write-back, the
// order of writes, and an idle offset set by live tuning left alone.
#include "IdleForm.h"
#include "IgnRetardForm.h"

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
    EXPECT_FALSE(form.isVisible());
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
    EXPECT_TRUE(form.lblTuned[0]->text().contains("1000 RPM was set by live tuning"));
    const size_t polls = PollsOf(0x070);
    ASSERT_TRUE(QTest::qWaitFor([&] { return PollsOf(0x070) >= polls + 3; }, 3000));
    EXPECT_TRUE(Writes.empty());
    EXPECT_EQ(Ecu->VariableArea()[0x070], 168);

    // The user's own change takes the control back into its range and is written.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Link->PendingRequestActive(); }, 3000));
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

} // namespace
