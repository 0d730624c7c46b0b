// The screen window against the emulated ECU: opening, default screens, binding, the
// request schedule, the trouble-code line, keys and mouse; and the schedule on its own.
#include "AnalGauge.h"
#include "DashDtcText.h"
#include "Dialogs.h"
#include "DigiGauge.h"
#include "DtcLayout.h"
#include "EcuInterface.h"
#include "FakeEcu.h"
#include "FakeEcuInterface.h"
#include "IAP22Reader.h"
#include "IdentifyEcu.h"
#include "ReloadForm.h"
#include "RoundGauge.h"
#include "SensorHub.h"
#include "Settings.h"
#include "Sounds.h"
#include "TextCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "FaultRecovery.h"

#include <gtest/gtest.h>

namespace {

struct FakeAP22 : IAP22Reader {
    bool Active() const override { return true; }
    double LatG() const override { return 0.25; }
    double LongG() const override { return -0.5; }
};

class DashForm : public ::testing::Test {
  protected:
    void SetUp() override { Start(8); } // an OBD ECU
    void TearDown() override
    {
        for (auto& w : Windows)
            delete w.data();
        if (Link) Link->SetActive(false);
        Ecu.reset();
        Link.reset();
    }
    void Start(int ecuType)
    {
        TSettingsStore::Instance().Open(Dir.filePath("s.ini"));
        Link = std::make_unique<TFakeEcuInterface>();
        Ecu = std::make_unique<TFakeEcu>(7u);
        Ecu->SetEcuType(ecuType);
        Ecu->Connect(Link.get());
        auto read = Link->OnReadAddressesRequest;
        Link->OnReadAddressesRequest = [this, read](uint8_t d, uint8_t s, int n,
                                                    const TLongWordArray& a) {
            Reads.push_back(a);
            read(d, s, n, a);
        };
        Link->SetActive(true);
        ASSERT_TRUE(IdentifyEcu(*Link));
        Reads.clear();
    }
    TToolWindowHost Host()
    {
        TToolWindowHost host;
        host.Link = [this] { return Link.get(); };
        host.Sensors = [this] { return &Hub; };
        host.DashScreensDirectory = [this] { return ScreensDir; };
        host.DialogsImpl = &Dialogs;
        host.SoundsImpl = &SoundsRec;
        host.RegisterWindow = [this](QWidget* w) { Windows.push_back(w); };
        return host;
    }
    TDashGaugeForm* NewForm() { return new TDashGaugeForm(Host()); }
    QString WriteScreen(int n, const QString& children,
                        const QString& name = QStringLiteral("Form.Cfg"))
    {
        const QString folder = QDir(ScreensDir).filePath(QString::number(n));
        QDir().mkpath(folder);
        QFile f(QDir(folder).filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ToWin1252(
            QStringLiteral("object F: TDashGaugeForm\n  ClientWidth = 320\n  ClientHeight = 200\n"
                           "  Color = clBlack\n") +
            children + QStringLiteral("end\n")));
        return f.fileName();
    }

    QTemporaryDir Dir;
    QString ScreensDir = Dir.filePath("InCarDashScreens");
    std::unique_ptr<TFakeEcuInterface> Link;
    std::unique_ptr<TFakeEcu> Ecu;
    TSensorHub Hub;
    TRecordingDialogs Dialogs;
    TRecordingSounds SoundsRec;
    std::vector<TLongWordArray> Reads;
    std::vector<QPointer<QWidget>> Windows;
};

} // namespace

TEST_F(DashForm, OpeningWritesTheTenScreensAndRunsScreenZero)
{
    QPointer<TDashGaugeForm> form = OpenInCarDash(Host());
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->size(), QSize(640, 480));
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(Dialogs.Calls.size(), 0u);
    // Ten files differing only in the blended colour.
    const auto colourLine = [this](int n) {
        QFile f(QDir(ScreensDir).filePath(QStringLiteral("%1/Form.Cfg").arg(n)));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        for (const QString& line : FromWin1252(f.readAll()).split(QStringLiteral("\r\n")))
            if (line.startsWith(QStringLiteral("  Color = "))) return line.mid(10);
        return QString();
    };
    EXPECT_EQ(colourLine(0), QStringLiteral("16384")); // $004000
    EXPECT_EQ(colourLine(4), QString::number(28 + 36 * 256));
    EXPECT_EQ(colourLine(9), QStringLiteral("64")); // $000040

    // Bound to what the ECU supports, and fed by the request loop.
    EXPECT_GE(form->EcuGauges().size(), 5u);
    EXPECT_NE(form->DtcText(), nullptr);
    auto* rpm = dynamic_cast<TRoundGauge*>(form->Screen().Elements[4].get());
    ASSERT_NE(rpm, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return rpm->ValueAnalogue() > 0; }, 3000));
    const size_t reads = Reads.size();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Reads.size() > reads + 10; }, 3000));

    // Esc closes and frees it and gives the link's slots back; a second opening makes a new window.
    QTest::keyClick(form, Qt::Key_Escape);
    QTest::qWait(20);
    EXPECT_FALSE(form);
    EXPECT_FALSE(static_cast<bool>(Link->OnParamValues));
    EXPECT_FALSE(static_cast<bool>(Link->OnReadAddressesResponse));
    QPointer<TDashGaugeForm> again = OpenInCarDash(Host());
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->isVisible());
    delete again.data();
}

TEST_F(DashForm, MissingScreenZeroAndTheFileNameInAnyCase)
{
    QDir().mkpath(ScreensDir); // the folder exists, so no default screens are written
    EXPECT_EQ(OpenInCarDash(Host()), nullptr);
    ASSERT_EQ(Dialogs.Texts(TDialogKind::Error).size(), 1);
    EXPECT_EQ(Dialogs.Texts(TDialogKind::Error)[0],
              QStringLiteral("Unable to Load In-Car Dash Screen because ") +
                  QDir::toNativeSeparators(ScreensDir + QStringLiteral("/0/Form.cfg")) +
                  QStringLiteral(" was not found"));

    WriteScreen(0, QString(), QStringLiteral("form.CFG"));
    QPointer<TDashGaugeForm> form = OpenInCarDash(Host());
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->FileName().endsWith(QStringLiteral("/0/form.CFG")));
    delete form.data();
}

TEST_F(DashForm, LoadErrorIsShownAndTheWindowStaysHidden)
{
    const QString file = WriteScreen(2, QStringLiteral("  object L: TDigiDashGauge\n  end\n"));
    TDashGaugeForm* form = NewForm();
    EXPECT_FALSE(form->LoadScreen(file));
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(static_cast<bool>(Link->OnParamValues));
    EXPECT_EQ(
        Dialogs.Texts(TDialogKind::Error),
        QStringList{QStringLiteral("An error occurred while loading in car dash file - \r\n    ") +
                    file +
                    QStringLiteral("\r\n\r\nError was: Line 5: Class TDigiDashGauge not found")});
    EXPECT_FALSE(form->LoadScreen(Dir.filePath("nowhere/Form.Cfg")));
    EXPECT_EQ(Dialogs.Calls.size(), 2u);
    EXPECT_TRUE(Windows.size() == 1 && Windows[0] == form); // in the window list all the same
}

TEST_F(DashForm, KeysAndMouseFlipScreens)
{
    for (int n = 0; n < 10; ++n)
        WriteScreen(n, QStringLiteral("  object T: TDashText\n    Caption = '%1'\n  end\n").arg(n));
    QPointer<TDashGaugeForm> form = NewForm();
    uint32_t now = 50000;
    form->Clock = [&] { return now; };
    form->ShowScreen(0);
    ASSERT_TRUE(form->isVisible());
    QTest::keyClick(form, Qt::Key_Left);
    EXPECT_EQ(form->ScreenNumber(), 9);
    QTest::keyClick(form, Qt::Key_Right);
    EXPECT_EQ(form->ScreenNumber(), 0);
    QTest::keyClick(form, Qt::Key_Down);
    QTest::keyClick(form, Qt::Key_Down);
    EXPECT_EQ(form->ScreenNumber(), 2);
    QTest::keyClick(form, Qt::Key_Up);
    EXPECT_EQ(form->ScreenNumber(), 1);
    QTest::keyClick(form, Qt::Key_7, Qt::KeypadModifier);
    EXPECT_EQ(form->ScreenNumber(), 7);
    QTest::keyClick(form, Qt::Key_3);
    EXPECT_EQ(form->ScreenNumber(), 3);
    EXPECT_TRUE(form->FileName().endsWith(QStringLiteral("/3/Form.Cfg")));
    // Enter reloads the current file.
    WriteScreen(3, QStringLiteral("  object T: TDashText\n  end\n  object U: TDashText\n  end\n"));
    QTest::keyClick(form, Qt::Key_Return);
    EXPECT_EQ(form->Screen().Elements.size(), 2u);

    QTest::mouseClick(form, Qt::RightButton);
    EXPECT_EQ(form->ScreenNumber(), 4);
    QTest::mouseClick(form, Qt::LeftButton);
    EXPECT_EQ(form->ScreenNumber(), 3);
    QTest::mousePress(form, Qt::LeftButton);
    now += 1001;
    QTest::mouseRelease(form, Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_FALSE(form); // a long press closes the screen
}

TEST(DashSchedule, IntervalsAndOffsets)
{
    TDashSchedule s;
    s.AddParam(epEngspd, 1, 0);
    s.AddParam(epEngspd, 5, 0); // the smallest interval wins
    s.AddParam(epMap, 3, 7);
    s.AddParam(epMap, 3, 1); // the last offset wins
    s.AddParam(epVehspd, 1, 0);
    std::vector<int> mapCycles;
    for (int c = 0; c < 10; ++c) {
        const auto cycle = s.Next();
        EXPECT_EQ(cycle.Count, c);
        EXPECT_TRUE(cycle.Params.test(epEngspd) && cycle.Params.test(epVehspd));
        if (cycle.Params.test(epMap)) mapCycles.push_back(c);
    }
    EXPECT_EQ(mapCycles, (std::vector<int>{2, 5, 8}));
}

TEST(DashSchedule, CyclesWithNothingDueAreSkippedAndTheCountWraps)
{
    TDashSchedule s;
    s.AddSwitch(esDefogSw, 3, 0);
    s.SetDtc(4, 2);
    std::vector<int> counts;
    for (int i = 0; i < 5; ++i) {
        const auto cycle = s.Next();
        EXPECT_TRUE(cycle.Switches.any() || cycle.DtcDue);
        counts.push_back(cycle.Count);
    }
    EXPECT_EQ(counts, (std::vector<int>{0, 2, 3, 6, 9}));

    TDashSchedule w;
    w.AddParam(epEngspd, 1, 0);
    w.RequestCount = 2147483646;
    EXPECT_EQ(w.Next().Count, 2147483646);
    EXPECT_EQ(w.RequestCount, 0);
    // Past the end with nothing due, it starts again from 0.
    TDashSchedule e;
    e.AddParam(epEngspd, 1024, 0);
    e.RequestCount = 2147483000;
    EXPECT_EQ(e.Next().Count, 0);
    // Odd intervals from a file (negative, huge) never stop it.
    TDashSchedule n;
    n.AddParam(epMap, -3, 0);
    n.AddParam(epVehspd, 2147483647, 5);
    EXPECT_EQ(n.Next().Count, 0);
    EXPECT_EQ(n.Next().Count, 3);
}

TEST_F(DashForm, AScreenWithSparseGaugesKeepsPolling)
{
    const QString file =
        WriteScreen(0, QStringLiteral("  object R: TRoundGauge\n    UpdateInterval = 3\n"
                                      "    DataChannelECUAnalogue = epEngspd\n  end\n"));
    QPointer<TDashGaugeForm> form = NewForm();
    ASSERT_TRUE(form->LoadScreen(file));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Reads.size() > 6; }, 3000));
    for (const auto& r : Reads)
        EXPECT_FALSE(r.empty());
    EXPECT_FALSE(form->ExternalTimerActive());
    delete form.data();
}

// The screen asks again from its reply handler: a bad reply must not end its loop, and an
// ECU that stops answering reaches the main window's time-out handling.
TEST_F(DashForm, ABadReplyIsRetriedAndASilentEcuTimesOut)
{
    int timeouts = 0;
    Link->OnRequestTimeout = [&](const TByteArray&) { ++timeouts; };
    QPointer<TDashGaugeForm> form = OpenInCarDash(Host());
    ASSERT_TRUE(form);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Reads.size() > 2; }, 3000));
    ExpectGoesOnAfterOneBadReply(*Link, *Ecu, [&] { return Reads.size(); });
    ExpectGoesOnAfterOneBadReply(*Link, *Ecu, [&] { return Reads.size(); },
                                 {.LengthError = 1, .Count = 1});
    ExpectTimesOutWhenSilent(*Link, *Ecu, [&] { return timeouts; });
    delete form.data();
}

TEST_F(DashForm, AScreenOfExternalGaugesOnlyIsDrivenByItsTimer)
{
    FakeAP22 ap22;
    Hub.SetAP22(&ap22);
    Hub.DetectDevices();
    const QString file =
        WriteScreen(0, QStringLiteral("  object R: TRoundGauge\n    DataSource = ddsExternal\n"
                                      "    DataChannelExternal = rtLat\n  end\n"
                                      "  object T: TDashText\n  end\n"));
    QPointer<TDashGaugeForm> form = NewForm();
    ASSERT_TRUE(form->LoadScreen(file));
    ASSERT_EQ(form->ExternalGauges().size(), 1u);
    EXPECT_TRUE(form->ExternalTimerActive());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return form->ExternalGauges()[0]->ValueAnalogue() == 0.25; }, 2000));
    EXPECT_TRUE(Reads.empty()); // nothing asked of the ECU
    delete form.data();
    Hub.SetAP22(nullptr);
}

TEST(DashDtc, LayoutAndAddressWalk)
{
    TDashDtcText t(nullptr);
    t.SetDtcLayout(1);
    EXPECT_EQ(t.DtcAddresses().size(), 22u);
    EXPECT_EQ(t.DtcAddresses()[0], 142u);
    EXPECT_EQ(t.DtcAddresses()[1], 164u);
    t.SetDtcLayout(2 + 4);
    EXPECT_EQ(t.DtcAddresses().size(), 72u);
    EXPECT_EQ(t.DtcAddresses()[64], 240u);
    // Increments first: the first address asked for is the second entry, then it wraps.
    EXPECT_EQ(t.NextDtcAddress(), 174u);
    for (int i = 0; i < 70; ++i)
        t.NextDtcAddress();
    EXPECT_EQ(t.NextDtcAddress(), 142u);

    // Byte 0x05 at 143: current codes 8 and 10; then 0x04 removes 8.
    t.SetDtcLayout(2);
    t.NextDtcAddress();
    t.NextDtcAddress(); // 143
    t.DtcByteReceived(0x05);
    ASSERT_EQ(t.ActiveCodes().size(), 2u);
    EXPECT_EQ(t.ActiveCodes()[0].Tag, 65536 + 8);
    EXPECT_EQ(t.ActiveCodes()[1].Tag, 65536 + 10);
    t.DisplayNext();
    EXPECT_EQ(t.DisplayText(), QStringLiteral("C: ") + DtcEntryText(true, 8));
    t.DisplayNext();
    EXPECT_EQ(t.DisplayText(), QStringLiteral("C: ") + DtcEntryText(true, 10));
    t.DtcByteReceived(0x04);
    ASSERT_EQ(t.ActiveCodes().size(), 1u);
    EXPECT_EQ(t.ActiveCodes()[0].Tag, 65536 + 10);
    t.SetDtcLayout(1);
    for (int i = 0; i < 11; ++i)
        t.NextDtcAddress(); // 164 + 5 = historic byte 5 of the one block
    t.DtcByteReceived(0x01);
    EXPECT_EQ(t.ActiveCodes().back().Tag, 40);
}

TEST_F(DashForm, TroubleCodesAreWalkedAndShown)
{
    Ecu->SetCodeTicked(clObdCurrent, 8, true);
    Ecu->SetCodeTicked(clObdHistoric, 3, true);
    const QString file =
        WriteScreen(0, QStringLiteral("  object D: TDashDtcText\n    CycleDelay = 60000\n  end\n"));
    QPointer<TDashGaugeForm> form = NewForm();
    ASSERT_TRUE(form->LoadScreen(file));
    TDashDtcText* dtc = form->DtcText();
    ASSERT_NE(dtc, nullptr);
    EXPECT_EQ(dtc->LayoutFlags() & 1, 0);
    const size_t walk = dtc->DtcAddresses().size();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Reads.size() > walk + 2; }, 10000));
    // One trouble-code byte appended to each request, in the walk's order.
    EXPECT_EQ(Reads[0].back(), dtc->DtcAddresses()[1]);
    EXPECT_EQ(Reads[1].back(), dtc->DtcAddresses()[2]);
    std::vector<int> tags;
    for (const auto& e : dtc->ActiveCodes())
        tags.push_back(e.Tag);
    EXPECT_EQ(tags,
              (std::vector<int>{3, 65536 + 8})); // historic byte 0 comes before current byte 1
    dtc->DisplayNext();
    EXPECT_EQ(dtc->DisplayText(), QStringLiteral("H: ") + DtcEntryText(true, 3));
    dtc->DisplayNext();
    EXPECT_EQ(dtc->DisplayText(), QStringLiteral("C: ") + DtcEntryText(true, 8));
    delete form.data();
}
