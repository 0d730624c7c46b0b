// The program's serial link, and the main window on it, against quillon-ecu-sim over a
// pseudo-terminal: a separate process serving the emulated ECU with a real line's echo and
// wire timing, as a car would through a K-line cable.
#include "SimProcess.h"

#include "DashBoardForm.h"
#include "Dialogs.h"
#include "EcuConstData.h"
#include "FakeEcu.h"
#include "MainForm.h"
#include "Paths.h"
#include "SerialEcuInterface.h"
#include "Settings.h"
#include "Sounds.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

bool IsObdEcu(int e)
{
    const TByteArray& r = EcuInitReplies[e];
    return r.size() >= 38 && (r[37] & 0x50) != 0;
}

// An ECU type the simulator can play, OBD or not.
int EcuOfKind(bool obd)
{
    TFakeEcu probe(1u);
    for (int e : probe.SelectableEcuTypes())
        if (IsObdEcu(e) == obd)
            return e;
    return -1;
}

// Ten one-byte parameters the ECU supports, as a small live-capture selection.
TParamSet TenOneByteParams(const TParamSet& supported)
{
    TParamSet params;
    for (int p = 0; p < EcuParamCount && params.count() < 10; ++p)
        if (supported.test(p) && ParamDefs[p].Size == 1 && ParamDefs[p].LowAddress < 0x200)
            params.set(p);
    return params;
}

class SerialSim : public ::testing::Test {
protected:
    void SetUp() override { TSettingsStore::Instance().Open(Dir.filePath("settings.ini")); }

    // Starts the simulator and opens the link on its line.
    void Start(const QStringList& args = {})
    {
        Sim = std::make_unique<TSimProcess>(args);
        ASSERT_TRUE(Sim->Device.startsWith("/dev/")) << Sim->Errors().toStdString();
        Link = std::make_unique<TSerialEcuInterface>(Sim->Device);
        Link->SetActive(true);
        Link->OnRequestTimeout = [this](const TByteArray&) { ++Timeouts; };
        Link->OnParamValues = [this](const TParamSet& r, const TParamValues& v, const TParamRaw&,
                                     const TSwitchSet&, const TSwitchSet&) {
            ++Rows;
            Received = r;
            Values = v;
        };
        Link->OnReadAddressesResponse = [this](const TLongWordArray&, int, const TByteArray& p) {
            Replies.push_back(p);
        };
        Link->OnWriteAddressResponse = [this](uint8_t, uint8_t, const TByteArray& p, int,
                                              const TLongWordArray&) { Replies.push_back(p); };
    }
    void TearDown() override
    {
        if (Link)
            Link->SetActive(false);
        Link.reset();
        Sim.reset();
    }

    // Identification through the link; the payload of the reply.
    std::optional<TByteArray> Identify(int ms = 8000)
    {
        std::optional<TByteArray> payload;
        Link->OnInitResponse = [&](uint8_t, uint8_t, const TByteArray& p) { payload = p; };
        Link->RequestInit();
        const bool answered = QTest::qWaitFor([&] { return payload.has_value(); }, ms);
        Link->OnInitResponse = nullptr;
        if (!answered)
            return std::nullopt;
        return payload;
    }
    // A read, as the trouble-code reader makes it; retried by the link when unanswered.
    std::optional<TByteArray> Read(const TLongWordArray& addresses, int ms = 8000)
    {
        const size_t n = Replies.size();
        Link->ReadAddresses(addresses);
        if (!QTest::qWaitFor([&] { return Replies.size() > n; }, ms))
            return std::nullopt;
        return Replies.back();
    }

    QTemporaryDir Dir;
    std::unique_ptr<TSimProcess> Sim;
    std::unique_ptr<TSerialEcuInterface> Link;
    std::vector<TByteArray> Replies;
    int Timeouts = 0;
    int Rows = 0;
    TParamSet Received;
    TParamValues Values{};
};

} // namespace

TEST_F(SerialSim, IdentifiesAndRunsALiveCapturePollCycle)
{
    const int type = EcuOfKind(true);
    ASSERT_GE(type, 0);
    ASSERT_NO_FATAL_FAILURE(Start({"--ecu", QString::number(type), "--seed", "7"}));
    EXPECT_TRUE(Link->GetDescription().contains(QFileInfo(Sim->Device).fileName()));

    const auto payload = Identify();
    ASSERT_TRUE(payload.has_value());
    EXPECT_EQ(*payload, EcuInitReplies[type]);
    int index = -1;
    ASSERT_TRUE(Link->FindEcu(index));
    EXPECT_EQ(index, type);
    ASSERT_TRUE(Link->SupportedParams.test(epEngspd));

    // The live-data window's cycle: each reply re-arms the next poll.
    TParamSet params = TenOneByteParams(Link->SupportedParams);
    params.set(epEngspd);
    const TSwitchSet switches = Link->SupportedSwitches;
    Link->OnParamValues = [&](const TParamSet& r, const TParamValues& v, const TParamRaw&,
                              const TSwitchSet&, const TSwitchSet&) {
        ++Rows;
        Received = r;
        Values = v;
        if (Rows < 15)
            QTimer::singleShot(0, Link.get(), [&] { Link->PollParameters(params, switches); });
    };
    Link->PollParameters(params, switches);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rows >= 15; }, 30000)) << Rows;
    for (int p = 0; p < EcuParamCount; ++p) {
        if (params.test(p)) {
            EXPECT_TRUE(Received.test(p)) << ParamDefs[p].Name.toStdString();
        }
    }
    for (TEcuParam p : {epEngspd, epAirTemp, epCooltemp}) {
        if (!params.test(p))
            continue;
        EXPECT_GE(Values[p], ParamDefs[p].Minimum - 1e-9) << ParamDefs[p].Name.toStdString();
        EXPECT_LE(Values[p], ParamDefs[p].Maximum + 1e-9) << ParamDefs[p].Name.toStdString();
    }
    EXPECT_EQ(Link->LastReplyCount, Link->LastReadCount);
    EXPECT_EQ(Link->InvalidReplies, 0);
    EXPECT_EQ(Timeouts, 0);
}

// The trouble-code reader's reads of the current and historic bitmaps, for both layouts.
TEST_F(SerialSim, ReadsTheTroubleCodeBytes)
{
    struct TCase {
        bool Obd;
        int Current, Historic;  // code indices
        int CurrentBase, HistoricBase;
    };
    for (const TCase& c : {TCase{true, 19, 42, 0x08E, 0x0AE}, TCase{false, 1, 4, 0x08E, 0x0A4}}) {
        SCOPED_TRACE(c.Obd ? "OBD" : "Subaru");
        const int type = EcuOfKind(c.Obd);
        ASSERT_GE(type, 0);
        auto text = [&](int i) {
            return c.Obd ? ObdCodes[i].Code : NonObdCodes[i].Text.section(' ', 0, 0);
        };
        auto where = [&](int i) {
            // OBD codes below 256 are bit i mod 8 of byte i div 8 of the first group.
            return c.Obd ? std::pair{i / 8, i % 8}
                         : std::pair{NonObdCodes[i].ByteIndex, NonObdCodes[i].Bit};
        };
        ASSERT_NO_FATAL_FAILURE(Start({"--ecu", QString::number(type), "--code", text(c.Current),
                                       "--historic", text(c.Historic)}));
        ASSERT_TRUE(Identify().has_value());
        EXPECT_EQ(Link->ObdTroubleCodes, c.Obd);

        const int bytes = c.Obd ? 16 : 11;
        for (const auto& [base, code, other] : {std::tuple{c.CurrentBase, c.Current, c.Historic},
                                                std::tuple{c.HistoricBase, c.Historic, c.Current}}) {
            TLongWordArray list;
            for (int i = 0; i < bytes; ++i)
                list.push_back(uint32_t(base + i));
            const auto reply = Read(list);
            ASSERT_TRUE(reply.has_value());
            ASSERT_EQ(reply->size(), size_t(bytes));
            const auto [byte, bit] = where(code);
            EXPECT_TRUE((*reply)[byte] & (1 << bit)) << text(code).toStdString();
            const auto [otherByte, otherBit] = where(other);
            EXPECT_FALSE((*reply)[otherByte] & (1 << otherBit)) << text(other).toStdString();
        }
        EXPECT_EQ(Timeouts, 0);
        TearDown();
    }
}

TEST_F(SerialSim, BaudRateChangeTo38400AndBack)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(Identify().has_value());
    for (const auto& [rate, code] : {std::pair{38400, 0x75}, std::pair{4800, 0x15}}) {
        SCOPED_TRACE(rate);
        const size_t n = Replies.size();
        Link->SetEcuBaudRate(rate);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Replies.size() > n; }, 8000));
        EXPECT_EQ(Replies.back(), (TByteArray{uint8_t(code)})) << "answered at the old rate";
        // The ECU moves half a second after its answer; a request before then is retried.
        const auto reply = Read({0x000070});
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(*reply, (TByteArray{0x80}));
        EXPECT_EQ(Link->GetBaudRate(), rate);
        EXPECT_EQ(Link->Port().baudRate(), rate);
    }
    EXPECT_EQ(Timeouts, 0);
}

TEST_F(SerialSim, FaultsEndInTheTimeoutPathAndShortRepliesAreRetried)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(Identify().has_value());
    for (const char* fault : {"silent", "checksum"}) {
        SCOPED_TRACE(fault);
        ASSERT_TRUE(Sim->Command(QStringLiteral("fault ") + fault));
        const int invalid = Link->InvalidReplies;
        Timeouts = 0;
        Link->RequestInit();
        ASSERT_TRUE(QTest::qWaitFor([&] { return Timeouts == 1; }, 10000));
        EXPECT_FALSE(Link->PendingRequestActive());
        // One broken answer per send; a retry may flush one that was still arriving.
        if (std::string(fault) == "checksum") {
            EXPECT_GE(Link->InvalidReplies - invalid, 1);
        }
        EXPECT_LE(Link->InvalidReplies - invalid, std::string(fault) == "checksum" ? 3 : 0);
        ASSERT_TRUE(Sim->Command("fault none"));
        ASSERT_TRUE(Identify().has_value()) << "answers again once the fault clears";
    }

    // A reply one byte short raises no event and is counted; the request stays outstanding
    // and its second send is answered.
    ASSERT_TRUE(Sim->Command("fault short 1"));
    const int invalid = Link->InvalidReplies;
    const size_t n = Replies.size();
    Timeouts = 0;
    Link->ReadAddresses({0x000070, 0x000071});
    ASSERT_TRUE(QTest::qWaitFor([&] { return Link->InvalidReplies > invalid; }, 8000));
    EXPECT_TRUE(Link->PendingRequestActive());
    EXPECT_EQ(Replies.size(), n);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Replies.size() > n; }, 3000));
    EXPECT_EQ(Replies.back().size(), 2u);
    EXPECT_FALSE(Link->PendingRequestActive());
    EXPECT_EQ(Link->InvalidReplies, invalid + 1);
    EXPECT_EQ(Timeouts, 0);
}

TEST_F(SerialSim, FastPollStreamsCountsBadRepliesAndStops)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(Identify().has_value());
    ASSERT_TRUE(Link->SupportsFastPoll());
    const TParamSet params = TenOneByteParams(Link->SupportedParams);
    ASSERT_EQ(params.count(), 10u);

    Link->StartFastPoll(params, {});
    EXPECT_TRUE(Link->FastPolling());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rows >= 20; }, 20000)) << "one request, many rows";
    EXPECT_EQ(Received, params);
    EXPECT_EQ(Link->InvalidReplies, 0);

    // Broken replies in the stream are dropped and counted; the stream goes on.
    for (const auto& [fault, count] : {std::pair{"short", 3}, std::pair{"checksum", 2}}) {
        SCOPED_TRACE(fault);
        const int invalid = Link->InvalidReplies;
        ASSERT_TRUE(Sim->Command(QStringLiteral("fault %1 %2").arg(fault).arg(count)));
        ASSERT_TRUE(QTest::qWaitFor([&] { return Link->InvalidReplies == invalid + count; }, 10000));
        const int rows = Rows;
        ASSERT_TRUE(QTest::qWaitFor([&] { return Rows >= rows + 10; }, 10000));
        EXPECT_EQ(Link->InvalidReplies, invalid + count);
    }
    EXPECT_EQ(Timeouts, 0);

    // Stopping asks for one ordinary reply; then the line is quiet and free.
    Link->StopFastPoll();
    EXPECT_FALSE(Link->FastPolling());
    QTest::qWait(500);
    const int rows = Rows;
    QTest::qWait(1000);
    EXPECT_EQ(Rows, rows);
    ASSERT_TRUE(Identify().has_value());

    // A stream that falls silent is restarted MaxAttempts times, then times out.
    Link->StartFastPoll(params, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rows >= rows + 5; }, 10000));
    ASSERT_TRUE(Sim->Command("fault silent"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Timeouts == 1; }, 10000));
    EXPECT_FALSE(Link->FastPolling());
}

// The main window on the simulator: the port chosen from the menu, a port that cannot be
// opened, and the simulator going away.
class MainWindowOnSerial : public SerialSim {
protected:
    void SetUp() override
    {
        SerialSim::SetUp();
        TPaths::SetDataDir(Dir.path());
    }
    void TearDown() override
    {
        SerialSim::TearDown();
        TPaths::SetDataDir(QString());
    }
    static QString PanelText(TfrmMain& w) { return w.pnlStatus1->toolTip(); }

    TScopedRecordingDialogs Dialogs;
    TScopedRecordingSounds Sounds;
};

TEST_F(MainWindowOnSerial, ChoosesThePortAndReturnsToDemoModeWhenItGoesAway)
{
    const int type = EcuOfKind(false);
    ASSERT_GE(type, 0);
    ASSERT_NE(type, DefaultDemoEcu);
    Sim = std::make_unique<TSimProcess>(QStringList{"--ecu", QString::number(type)});
    ASSERT_TRUE(Sim->Device.startsWith("/dev/"));

    TfrmMain w;
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Connected(); }, 5000));
    EXPECT_EQ(PanelText(w), "SOFTWARE DEMO MODE");

    // A port that cannot be opened: the error, and demo mode again.
    Dialogs->ChoiceAnswers.push_back(QStringLiteral("/dev/quillon-no-such-port"));
    w.menuSerialPort->trigger();
    ASSERT_EQ(Dialogs->Count(TDialogKind::Error), 1);
    const QString error = Dialogs->Texts(TDialogKind::Error).front();
    EXPECT_TRUE(error.startsWith("A problem was encountered - ")) << error.toStdString();
    EXPECT_TRUE(error.endsWith("\r\nQuillon will remain in Demo Mode.\r\nPerhaps you have selected a "
                               "non-working serial port, or a port that is in use by another "
                               "device e.g. a mouse."))
        << error.toStdString();
    EXPECT_TRUE(w.DemoMode());
    EXPECT_EQ(Dialogs->LastChoiceItems.front(), "Demo Mode - Emulated Engine Management Unit");
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Connected(); }, 5000));

    // The simulator's line, typed in as a device name.
    Dialogs->ChoiceAnswers.push_back(Sim->Device);
    w.menuSerialPort->trigger();
    ASSERT_FALSE(w.DemoMode());
    EXPECT_EQ(PanelText(w), "Using " + w.Link()->GetDescription());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Connected(); }, 8000));
    EXPECT_EQ(w.EcuName(), EcuIds[type].Description);
    EXPECT_EQ(w.pnlStatus0->text(), "Connected to " + EcuIds[type].Description);

    // The cable is pulled: the lost-connection message, then demo mode and its ECU.
    Sim->Kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.DemoMode(); }, 10000));
    EXPECT_EQ(Dialogs->Texts(TDialogKind::Error).back(),
              "Application Error: The data connection to the ECU is no longer available. \r\n"
              "Have you unplugged your USB connection ?\r\nQuillon will return to demo mode.");
    EXPECT_EQ(Sounds->Calls.size(), 1u);
    EXPECT_EQ(PanelText(w), "SOFTWARE DEMO MODE");
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Connected(); }, 5000));
    EXPECT_EQ(w.EcuName(), EcuIds[DefaultDemoEcu].Description);
    EXPECT_EQ(Dialogs->Count(TDialogKind::Warning), 0);
}

// The live-data window opened from the main window on the simulator's line: polled (through
// two bad replies), then fast, then the cable pulled while it captures.
TEST_F(MainWindowOnSerial, LiveCaptureOverTheSerialLink)
{
    const int type = EcuOfKind(false);
    ASSERT_GE(type, 0);
    Sim = std::make_unique<TSimProcess>(QStringList{"--ecu", QString::number(type)});
    TfrmMain w;
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Connected(); }, 5000));
    Dialogs->ChoiceAnswers.push_back(Sim->Device);
    w.menuSerialPort->trigger();
    ASSERT_FALSE(w.DemoMode());
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Connected(); }, 8000));

    w.menuToolWindows[twLiveData]->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.DashBoard() != nullptr; }, 8000));
    TfrmDashBoard* dash = w.DashBoard();
    dash->SetCaptureInterval(20);
    QLineEdit* rpm = dash->ParamRows[epEngspd].CurEdit;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rpm->text().isEmpty(); }, 10000));

    // Two short replies typed into the simulator mid-capture: each is retried, and the
    // capture goes on.
    int rows = 0;
    const auto window = w.Link()->OnParamValues;
    w.Link()->OnParamValues = [&rows, window](const TParamSet& r, const TParamValues& v,
                                              const TParamRaw& raw, const TSwitchSet& p,
                                              const TSwitchSet& s) {
        ++rows;
        window(r, v, raw, p, s);
    };
    ASSERT_TRUE(Sim->Command("fault short 2"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Link()->InvalidReplies >= 2; }, 8000));
    const int before = rows;
    EXPECT_TRUE(QTest::qWaitFor([&] { return rows >= before + 5; }, 4000));
    EXPECT_EQ(w.Link()->InvalidReplies, 2);
    w.Link()->OnParamValues = window;

    ASSERT_TRUE(dash->menuFastPoll->isVisible());
    dash->menuFastPoll->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Link()->FastPolling(); }, 5000));
    dash->menuResMinMax->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rpm->text().isEmpty(); }, 10000));
    EXPECT_EQ(w.Link()->InvalidReplies, 2) << "none since the two typed in";

    // Pulled cable: the window goes with the lost connection, demo mode comes back.
    Sim->Kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.DemoMode(); }, 10000));
    EXPECT_EQ(w.DashBoard(), nullptr);
    EXPECT_TRUE(Dialogs->Texts(TDialogKind::Error).back().startsWith("Application Error: The data connection"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Connected(); }, 5000));
}
