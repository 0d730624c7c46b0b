// The trouble-code reader on the emulated link, for each trouble-code layout of the demo
// ECU types: what it reads and in which order, codes coming and going, and reading that
// is tried again after a bad reply, or stops (and says so) when the ECU gives no answer.
#include "DtcForm.h"

#include "DiagFixture.h"
#include "FaultRecovery.h"
#include "GenFuncs.h"
#include "TextCodec.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace {

struct DtcCase {
    int EcuType;
    bool Obd;
    std::vector<TLongWordArray> Order; // the first reads after showing
    TFakeCodeList CurrentList, HistoricList;
    int CurrentCode, HistoricCode; // ticked on the emulator
};

void PrintTo(const DtcCase& c, std::ostream* os)
{
    *os << "ECU type " << c.EcuType;
}

TLongWordArray Join(std::initializer_list<TLongWordArray> parts)
{
    TLongWordArray all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

std::vector<DtcCase> Cases()
{
    auto R = [](uint32_t first, int n) {
        TLongWordArray l;
        for (int i = 0; i < n; ++i)
            l.push_back(first + uint32_t(i));
        return l;
    };
    const auto nonObd = std::vector<TLongWordArray>{R(0xA4, 11), R(0x8E, 11), R(0xA4, 11)};
    const auto std = std::vector<TLongWordArray>{R(0xAE, 32), R(0x8E, 32), R(0xAE, 32)};
    const TLongWordArray allCur =
        Join({R(0xF0, 4), R(0x123, 8), R(0x150, 5), R(0x160, 5), R(0x174, 7)});
    const TLongWordArray allHist =
        Join({R(0xF4, 4), R(0x12B, 8), R(0x155, 5), R(0x165, 5), R(0x17B, 7)});
    return {
        {1, false, nonObd, clNonObdCurrent, clNonObdHistoric, 11, 20},
        {4, false, nonObd, clNonObdCurrent, clNonObdHistoric, 30, 87},
        {29, false, nonObd, clNonObdCurrent, clNonObdHistoric, 5, 40},
        {8, true, std, clObdCurrent, clObdHistoric, 40, 200},
        {197,
         true,
         {R(0x17B, 7), R(0x174, 7), R(0xAE, 32), R(0x8E, 32)},
         clObdCurrent,
         clObdHistoric,
         440,
         17},
        {207,
         true,
         {allHist, allCur, R(0xAE, 32), R(0x8E, 32)},
         clObdCurrent,
         clObdHistoric,
         300,
         260},
    };
}

QList<int> CodesIn(QListWidget* list)
{
    QList<int> codes;
    for (int i = 0; i < list->count(); ++i)
        codes << list->item(i)->data(Qt::UserRole).toInt();
    return codes;
}

class DtcForm : public ::testing::TestWithParam<DtcCase>, public DiagFixture {
  protected:
    TDtcLayout Reader(const DtcCase&) const { return TDtcLayout::FromLink(*Link); }
    void SetUp() override { StartEcu(GetParam().EcuType); }
    void TearDown() override
    {
        Form.reset();
        StopEcu();
    }
    void Show()
    {
        Form = std::make_unique<TfrmDTC>(Host());
        Form->Timer->setInterval(20);
        Form->resize(800, 400);
        Form->show();
    }
    std::unique_ptr<TfrmDTC> Form;
};

TEST_P(DtcForm, ReadsItsLayoutAndFollowsTheEmulatorsCodes)
{
    const DtcCase& c = GetParam();
    Show();
    EXPECT_EQ(Form->windowTitle(), "Diagnostic Trouble Codes");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Reads.size() >= c.Order.size(); }, 5000));
    for (size_t i = 0; i < c.Order.size(); ++i)
        EXPECT_EQ(Reads[i], c.Order[i]) << "read " << i;

    // The emulator starts with a few bits set that its lists do not show; clear them.
    Ecu->SetCodeTicked(c.CurrentList, c.CurrentCode, true);
    Ecu->SetCodeTicked(c.HistoricList, c.HistoricCode, true);
    Ecu->SetCodeTicked(c.HistoricList, c.HistoricCode == 0 ? 1 : 0, false);
    Ecu->SetCodeTicked(c.CurrentList, c.CurrentCode == 0 ? 1 : 0, false);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return CodesIn(Form->lbCurrent) == QList<int>{c.CurrentCode} &&
                   CodesIn(Form->lbHistoric) == QList<int>{c.HistoricCode};
        },
        5000))
        << CodesIn(Form->lbCurrent).size() << " " << CodesIn(Form->lbHistoric).size();
    EXPECT_EQ(Form->lbCurrent->item(0)->text(), DtcEntryText(c.Obd, c.CurrentCode));
    // Every row names its code; one the tables have no text for says where its bit is.
    EXPECT_EQ(Form->lbHistoric->item(0)->text(),
              DtcCodeText(Reader(c), c.HistoricCode, false));
    EXPECT_FALSE(Form->lbHistoric->item(0)->text().isEmpty());
    if (c.HistoricCode == 87) {
        EXPECT_EQ(Form->lbHistoric->item(0)->text(), "Unknown code (address 0x0000AE, bit 7)");
    }

    Ecu->SetCodeTicked(c.CurrentList, c.CurrentCode, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->lbCurrent->count() == 0; }, 5000));
    EXPECT_EQ(CodesIn(Form->lbHistoric), QList<int>{c.HistoricCode});
    EXPECT_TRUE(Form->StopReason().isEmpty());
}

TEST_P(DtcForm, AReadDroppedForAnotherRequestIsTriedAgain)
{
    const DtcCase& c = GetParam();
    Show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Reads.size() >= 1 && !Form->AwaitingReply(); }, 5000));
    // Another request is outstanding for a while, across several of the window's ticks.
    TFakeEcuFaults f;
    f.ExtraDelayMs = 300;
    f.Count = 1;
    Ecu->SetFaults(f);
    Link->RequestInit();
    // The window waits its turn: it never counts a read as sent that the busy link dropped.
    for (int i = 0; i < 10; ++i) {
        QTest::qWait(15);
        ASSERT_FALSE(Form->AwaitingReply()) << "a read went to a busy link";
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return Reads.size() >= c.Order.size(); }, 5000));
    // The order went on where it was: no block was skipped.
    for (size_t i = 0; i < c.Order.size(); ++i)
        EXPECT_EQ(Reads[i], c.Order[i]) << "read " << i;
    EXPECT_TRUE(Form->StopReason().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Layouts, DtcForm, ::testing::ValuesIn(Cases()), [](const auto& info) {
    return "Ecu" + std::to_string(info.param.EcuType);
});

class DtcFaults : public ::testing::Test, public DiagFixture {
  protected:
    void SetUp() override { StartEcu(8); }
    void TearDown() override
    {
        Form.reset();
        StopEcu();
    }
    void Show()
    {
        Form = std::make_unique<TfrmDTC>(Host());
        Form->Timer->setInterval(20);
        Form->show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return Reads.size() >= 2; }, 5000));
    }
    std::unique_ptr<TfrmDTC> Form;
};

// A reply of the wrong length is retried by the link and reading goes on; only when the link
// gives up does the reader stop, and it says why.
TEST_F(DtcFaults, AWrongLengthIsRetriedAndOnlyATimeOutStopsReading)
{
    Show();
    ExpectGoesOnAfterOneBadReply(*Link, *Ecu, [&] { return Reads.size(); });
    EXPECT_TRUE(Form->StopReason().isEmpty());

    Ecu->SetFaults({.LengthError = -1});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->StopReason().isEmpty(); }, 5000));
    EXPECT_EQ(Timeouts, 1);
    EXPECT_EQ(Form->StopReason(), "Reading stopped: the ECU's reply had the wrong length");
    EXPECT_TRUE(Form->lblStatus->text().startsWith(Form->StopReason()));
    EXPECT_TRUE(Logged("Wrong read byte count."));
    const size_t reads = Reads.size();
    QTest::qWait(300);
    EXPECT_EQ(Reads.size(), reads);

    // Showing again starts over; a silent ECU is told apart from a wrong length.
    Ecu->SetFaults({});
    Form->hide();
    Form->show();
    EXPECT_TRUE(Form->lblStatus->text().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Reads.size() >= reads + 2; }, 5000));
    ExpectTimesOutWhenSilent(*Link, *Ecu, [&] { return Timeouts; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->StopReason().isEmpty(); }, 1000));
    EXPECT_EQ(Form->StopReason(), "Reading stopped: the ECU did not answer");

    // A reply that reaches the window with the wrong length (another request's) stops it too.
    Form->hide();
    Form->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form->StopReason().isEmpty() && !Form->AwaitingReply(); }, 3000));
    Form->DtcDataReceived(TByteArray(3, 0));
    EXPECT_EQ(Form->StopReason(), "Reading stopped: the ECU's reply had the wrong length");
    EXPECT_FALSE(Form->Timer->isActive());
}

class DtcSave : public ::testing::Test, public DiagFixture {
  protected:
    void SetUp() override { StartEcu(8); }
    void TearDown() override { StopEcu(); }
};

TEST_F(DtcSave, SavesBothListsAsWindowsText)
{
    TfrmDTC form(Host());
    form.Timer->setInterval(20);
    Ecu->SetCodeTicked(clObdCurrent, 0, false);
    Ecu->SetCodeTicked(clObdHistoric, 0, false);
    Ecu->SetCodeTicked(clObdCurrent, 40, true);
    form.show();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return form.lbCurrent->count() == 1 && Reads.size() >= 2; }, 5000));
    const QString file = Dir.filePath("codes");
    Dialogs->FileAnswers.push_back(file);
    form.btnSaveCodes->click();
    QFile f(file + ".txt");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = FromWin1252(f.readAll());
    EXPECT_TRUE(text.startsWith("Diagnostic Trouble Codes\r\nECU: Test ECU\r\nROM ID: " +
                                HexDump(Link->RomId).trimmed() + "\r\n"));
    EXPECT_TRUE(text.contains("Current Trouble Codes\r\n" + DtcEntryText(true, 40) + "\r\n"));
    EXPECT_EQ(Dialogs->Count(TDialogKind::Error), 0);

    // A folder that cannot be written says so.
    Dialogs->FileAnswers.push_back(Dir.filePath("missing/codes.txt"));
    form.btnSaveCodes->click();
    EXPECT_EQ(Dialogs->Count(TDialogKind::Error), 1);

    // The main window's ECU reset clears the codes, and the lists follow.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Link->PendingRequestActive(); }, 2000));
    Link->ResetEcu();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.lbCurrent->count() == 0; }, 5000));
    Ecu->SetCodeTicked(clObdCurrent, 40, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.lbCurrent->count() == 1; }, 5000));

    // Hidden, it stops reading and ignores a late reply.
    form.hide();
    EXPECT_FALSE(form.Timer->isActive());
    EXPECT_FALSE(Link->OnReadAddressesResponse);
    form.DtcDataReceived(TByteArray(32, 0));
    EXPECT_EQ(form.lbCurrent->count(), 1);
    EXPECT_FALSE(form.Timer->isActive());
}

// Save reports only what a complete pass read: on an OBD ECU with every extra group a pass
// is four reads, and a code in the last block read must not be saved as "None".
TEST_F(DtcSave, SaveWaitsForACompletePassAndAStoppedReadSaysSo)
{
    StopEcu();
    StartEcu(207);
    TfrmDTC form(Host());
    form.Timer->setInterval(20);
    Ecu->SetCodeTicked(clObdCurrent, 40, true);
    form.show();
    EXPECT_FALSE(form.btnSaveCodes->isEnabled());
    EXPECT_EQ(form.lblRead->text(), "Reading...");
    // Three blocks read: the standard current codes are still to come.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Reads.size() >= 3; }, 5000));
    EXPECT_FALSE(form.btnSaveCodes->isEnabled());
    EXPECT_EQ(form.lblRead->text(), "Reading...");
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.btnSaveCodes->isEnabled(); }, 5000));
    EXPECT_TRUE(form.lblRead->text().startsWith("Last complete read: "));
    EXPECT_EQ(form.lblRead->text().mid(20), form.LastPass().toString("HH:mm:ss"));
    const QString file = Dir.filePath("codes.txt");
    Dialogs->FileAnswers.push_back(file);
    form.btnSaveCodes->click();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QString text = FromWin1252(f.readAll());
    f.close();
    EXPECT_TRUE(text.contains("Current Trouble Codes\r\n" + DtcEntryText(true, 40) + "\r\n"));
    EXPECT_TRUE(text.contains("Last complete read: " +
                              form.LastPass().toString("yyyy-MM-dd HH:mm:ss") + "\r\n"));
    EXPECT_FALSE(text.contains("Reading stopped"));

    // Reading stops: the file says so, when, and that the lists may be incomplete.
    Ecu->SetFaults({.Silent = true});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.StopReason().isEmpty(); }, 6000));
    Ecu->SetFaults({});
    Dialogs->FileAnswers.push_back(file);
    form.btnSaveCodes->click();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    text = FromWin1252(f.readAll());
    EXPECT_TRUE(text.contains(QRegularExpression(
        "\r\nReading stopped: the ECU did not answer at \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\r\n"
        "The lists below may be incomplete\\.\r\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(DtcEntryText(true, 40)));
}

} // namespace
