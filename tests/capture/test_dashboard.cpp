// The live-data window on the emulated link: polling, the log it writes, its triggers, its
// recovery from failed requests and its settings.
#include "DashBoardForm.h"
#include "FaultRecovery.h"
#include "IdentifyEcu.h"

#include "ChartAxes.h"

#include "Dialogs.h"
#include "EcuConstData.h"
#include "FakeEcu.h"
#include "FakeEcuInterface.h"
#include "sensors/FakeInnovate.h"
#include "SensorHub.h"
#include "Settings.h"
#include "Sounds.h"
#include "TextCodec.h"
#include "ThdTimer.h"

#include <qcustomplot.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSet>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

class DashBoard : public ::testing::Test {
protected:
    void SetUp() override
    {
        TSettingsStore::Instance().Open(Dir.filePath("s.ini"));
        LogDir = Dir.filePath("logs");
        Link = std::make_unique<TFakeEcuInterface>();
        Ecu = std::make_unique<TFakeEcu>(11u);
        Ecu->Connect(Link.get());
        Link->SetActive(true);
        ASSERT_TRUE(IdentifyEcu(*Link));
        Link->OnRequestTimeout = [this](const TByteArray&) { ++MainTimeouts; };
    }
    void TearDown() override
    {
        Form.reset();
        TCsvLogFile::SimulateWriteFailureAfter(-1);
        Link->SetActive(false);
        Ecu.reset();
        Link.reset();
    }

    TToolWindowHost Host()
    {
        TToolWindowHost host;
        host.Link = [this] { return Link.get(); };
        host.LoggingDirectory = [this] { return LogDir; };
        host.SetLoggingDirectory = [this](const QString& d) { LogDir = d; };
        host.GraphBackgroundColour = [] { return QColor(Qt::black); };
        host.DemoMode = [this] { return Demo; };
        host.AddRecentFile = [this](const QString& f) { Recent << f; };
        host.OpenLogFile = [this](const QString& f) { Opened << f; };
        return host;
    }
    // Built hidden: requests only go out for a visible window, so a test can hand the
    // window replies of its own.
    void Create(bool show = false)
    {
        Form.reset();
        Form = std::unique_ptr<TfrmDashBoard>(new TfrmDashBoard(Host()));
        Form->setAttribute(Qt::WA_DeleteOnClose, false);
        if (show)
            Form->show();
    }
    void Tick(std::initializer_list<TEcuParam> params)
    {
        for (int p = 0; p < EcuParamCount; ++p)
            if (Form->ParamRows[p].Check)
                Form->ParamRows[p].Check->setChecked(false);
        for (TEcuParam p : params) {
            ASSERT_TRUE(Form->ParamRows[p].Check) << "not supported: " << p;
            Form->ParamRows[p].Check->setChecked(true);
        }
        Form->AnalogueCheckClick();
    }
    // One reply as the link would deliver it, with the given converted values.
    void Reply(std::initializer_list<std::pair<TEcuParam, double>> values, TSwitchSet present = {},
               TSwitchSet on = {})
    {
        TParamSet received;
        TParamValues v{};
        for (auto [p, x] : values) {
            received.set(p);
            v[p] = x;
        }
        Form->EcuDataReceived(received, v, TParamRaw{}, present, on);
    }
    QStringList LogFiles() const
    {
        return QDir(LogDir).entryList({"*.csv"}, QDir::Files, QDir::Name);
    }
    QByteArray ReadLog(const QString& name) const
    {
        QFile f(QDir(LogDir).filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir Dir;
    QString LogDir;
    bool Demo = false;
    QStringList Recent, Opened;
    int MainTimeouts = 0;
    TScopedRecordingDialogs Dialogs;
    TScopedRecordingSounds Sounds;
    std::unique_ptr<TFakeEcuInterface> Link;
    std::unique_ptr<TFakeEcu> Ecu;
    std::unique_ptr<TfrmDashBoard> Form;
};

TEST_F(DashBoard, PollsTheEcuAndShowsValues)
{
    Create(true);
    EXPECT_EQ(Form->windowTitle(), "Live ECU Data Capture");
    EXPECT_EQ(Form->pgcPages->tabText(0), "Analogue Data");
    Form->SetCaptureInterval(20);
    // The default selection ticks four parameters, engine speed among them.
    EXPECT_EQ(Form->GetAnalogueSet().count(), 4u);
    EXPECT_TRUE(Form->GetAnalogueSet().test(epEngspd));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->ParamRows[epEngspd].CurEdit->text().isEmpty(); }, 5000));
    const QRegularExpression interval("^\\d+ms interval$");
    EXPECT_TRUE(interval.match(Form->pnlInterval->text()).hasMatch()) << Form->pnlInterval->text().toStdString();
    // Values keep coming: one request outstanding at a time, re-armed by each reply.
    const int before = Ecu->RequestsReceived(frReadAddresses);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Ecu->RequestsReceived(frReadAddresses) >= before + 3; }, 5000));
    EXPECT_EQ(Form->ParamRows[epEngspd].CurEdit->text(), Form->Units.FormatParam(epEngspd, Form->ParamRows[epEngspd].Stats.LastShown));

    // Closing gives the link back.
    Form->close();
    ASSERT_TRUE(Link->OnRequestTimeout);
    Link->OnRequestTimeout(TByteArray{});
    EXPECT_EQ(MainTimeouts, 1);
    EXPECT_FALSE(Link->OnParamValues);
}

TEST_F(DashBoard, StatisticsAndGreyedRows)
{
    Create();
    Tick({epEngspd, epCooltemp});
    Reply({{epEngspd, 2000}, {epCooltemp, 80}});
    Reply({{epEngspd, 3000}});
    const TDataRow& rpm = Form->ParamRows[epEngspd];
    EXPECT_EQ(rpm.MinEdit->text(), Form->Units.FormatParam(epEngspd, 2000));
    EXPECT_EQ(rpm.MaxEdit->text(), Form->Units.FormatParam(epEngspd, 3000));
    // Missing from the last reply: texts kept, greyed; back to normal with the next one.
    const TDataRow& ct = Form->ParamRows[epCooltemp];
    EXPECT_EQ(ct.CurEdit->text(), Form->Units.FormatParam(epCooltemp, 80));
    EXPECT_TRUE(ct.Greyed);
    Reply({{epEngspd, 3000}, {epCooltemp, 81}});
    EXPECT_FALSE(ct.Greyed);

    Form->menuResMinMax->trigger();
    EXPECT_TRUE(rpm.CurEdit->text().isEmpty());
    Reply({{epEngspd, 2500}});
    EXPECT_EQ(rpm.MinEdit->text(), rpm.CurEdit->text());
    EXPECT_EQ(rpm.MaxEdit->text(), rpm.CurEdit->text());
}

TEST_F(DashBoard, LogFileIsByteExactAndFollowsTheTickedSet)
{
    Create();
    ASSERT_TRUE(Form->SupportedSwitches.any());
    int sw = 0;
    while (!Form->SupportedSwitches.test(sw))
        ++sw;
    Tick({epEngspd, epCooltemp});
    Form->SwitchRows[sw].Check->setChecked(true);
    Form->menuFahrenheit->trigger();
    Form->menuLogData->trigger();
    ASSERT_TRUE(Form->Logging);
    EXPECT_EQ(Form->menuLogData->text(), "Stop &Logging");
    TSwitchSet present, on;
    present.set(sw);
    on.set(sw);
    Reply({{epEngspd, 2450}, {epCooltemp, 90}}, present, on);  // 90 C arrives as 194 F
    Form->ParamRows[epCooltemp].Check->setChecked(false);
    Form->AnalogueCheckClick();
    Reply({{epEngspd, 2500}});
    Form->menuLogData->trigger();
    EXPECT_FALSE(Form->Logging);

    const QStringList files = LogFiles();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].startsWith("QuillonLog-")) << files[0].toStdString();
    const QByteArray log = ReadLog(files[0]);
    const QList<QByteArray> lines = log.split('\n');
    ASSERT_EQ(lines.size(), 5) << log.toStdString();  // four lines, each CR LF, plus the empty tail
    const QByteArray rpmHead = ToWin1252(ParamDefs[epEngspd].Name + " (" + ParamDefs[epEngspd].Units + "),");
    const QByteArray ctHead = ToWin1252(ParamDefs[epCooltemp].Name) + " (\xB0" "F),";
    const QByteArray swHead = ToWin1252(SwitchDefs[sw].Name) + ",";
    // Columns in parameter index order.
    const bool ctFirst = epCooltemp < epEngspd;
    EXPECT_EQ(lines[0], "Time," + (ctFirst ? ctHead + rpmHead : rpmHead + ctHead) + swHead + "\r");
    EXPECT_TRUE(QRegularExpression(ctFirst ? "^[ 0-9]{8}, 194.0, 2450, 1,  \r$" : "^[ 0-9]{8}, 2450, 194.0, 1,  \r$").match(QString::fromLatin1(lines[1])).hasMatch())
        << lines[1].toStdString();
    EXPECT_EQ(lines[2], "Time," + rpmHead + swHead + "\r");
    // The switch was not in the second reply: written as off.
    EXPECT_TRUE(QRegularExpression("^[ 0-9]{8}, 2500, 0,  \r$").match(QString::fromLatin1(lines[3])).hasMatch())
        << lines[3].toStdString();

    // The comments file, the recent list and "Open Last Log File".
    EXPECT_TRUE(QFile::exists(Form->LogBaseName + ".txt"));
    EXPECT_EQ(Recent, QStringList{Form->LastLogName});
    EXPECT_TRUE(Form->menuOpenLastLog->isEnabled());
    Form->menuOpenLastLog->trigger();
    EXPECT_EQ(Opened, QStringList{Form->LastLogName});
}

TEST_F(DashBoard, LoggingRefusalsAndFailures)
{
    Create();
    // Nothing ticked: a beep and nothing else.
    Tick({});
    Form->menuLogData->trigger();
    EXPECT_FALSE(Form->Logging);
    EXPECT_TRUE(LogFiles().isEmpty());
    EXPECT_EQ(Dialogs->Calls.size(), 0u);
    EXPECT_EQ(Sounds->Calls.back().Name, "DefaultBeep");

    // A folder that cannot be made: a file stands where one of its parents should be.
    Tick({epEngspd});
    QFile(Dir.filePath("blocker")).open(QIODevice::WriteOnly);
    LogDir = Dir.filePath("blocker/logs");
    Form->menuLogData->trigger();
    EXPECT_FALSE(Form->Logging);
    ASSERT_EQ(Dialogs->Count(TDialogKind::Error), 1);
    EXPECT_TRUE(Dialogs->Texts(TDialogKind::Error)[0].startsWith("Unable to create default logging directory."));

    // The disk fills up in the middle of the second data line: logging stops with its
    // message, and the file ends at its last complete line.
    LogDir = Dir.filePath("logs");
    TCsvLogFile::SimulateWriteFailureAfter(2);
    Form->menuLogData->trigger();
    ASSERT_TRUE(Form->Logging);
    Reply({{epEngspd, 1000}});
    Reply({{epEngspd, 1100}});
    EXPECT_FALSE(Form->Logging);
    EXPECT_EQ(Dialogs->Texts(TDialogKind::Error).back(),
              "There has been a problem writing to the logfile - perhaps you have run out of disk space. "
              "Logging has been cancelled");
    const QByteArray log = ReadLog(LogFiles().value(0));
    EXPECT_TRUE(log.endsWith("1000, \r\n")) << log.toStdString();
    EXPECT_EQ(log.count('\n'), 2);

    // A comments file that cannot be written is reported, not passed over.
    TCsvLogFile::SimulateWriteFailureAfter(-1);
    const int errors = Dialogs->Count(TDialogKind::Error);
    Form->menuLogData->trigger();
    ASSERT_TRUE(Form->Logging);
    ASSERT_TRUE(QFile::remove(Form->LogBaseName + ".txt"));  // written at the start
    ASSERT_TRUE(QDir().mkdir(Form->LogBaseName + ".txt"));  // a folder in the file's place
    Form->menuLogData->trigger();
    EXPECT_FALSE(Form->Logging);
    ASSERT_EQ(Dialogs->Count(TDialogKind::Error), errors + 1);
    EXPECT_EQ(Dialogs->Texts(TDialogKind::Error).back(),
              "Quillon was unable to save the log file comments to '" + Form->LogBaseName + ".txt'.");
}

TEST_F(DashBoard, CaptureGoesOnAfterALogFails)
{
    Create(true);
    Form->SetCaptureInterval(20);
    Tick({epEngspd});
    TCsvLogFile::SimulateWriteFailureAfter(1);
    Form->menuLogData->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->Logging; }, 3000));
    EXPECT_EQ(Dialogs->Count(TDialogKind::Error), 1);
    const int before = Ecu->RequestsReceived(frReadAddresses);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Ecu->RequestsReceived(frReadAddresses) >= before + 5; }, 3000));
}

TEST_F(DashBoard, LogsNeverOverwriteEachOtherAndTheFolderIsMadeWithItsParents)
{
    Create();
    Tick({epEngspd});
    LogDir = Dir.filePath("fresh/user/Logs");
    QStringList bases;
    for (int i = 0; i < 3; ++i) {
        Form->menuLogData->trigger();
        ASSERT_TRUE(Form->Logging) << i;
        Reply({{epEngspd, 1000.0 + i}});
        Form->menuLogData->trigger();
        bases << Form->LogBaseName;
    }
    // All within one second or two: each log keeps its own file and its own comments.
    ASSERT_EQ(LogFiles().size(), 3) << LogFiles().join(" | ").toStdString();
    EXPECT_EQ(QDir(LogDir).entryList({"*.txt"}, QDir::Files).size(), 3);
    EXPECT_EQ(QSet<QString>(bases.begin(), bases.end()).size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(ReadLog(QFileInfo(bases[i] + ".csv").fileName()).contains(QByteArray::number(1000 + i) + ", "))
            << i;
    EXPECT_EQ(Recent.size(), 3);
}

TEST_F(DashBoard, AFailingTriggerStartIsReportedOncePerCondition)
{
    Create();
    Tick({epEngspd});
    QFile(Dir.filePath("blocker")).open(QIODevice::WriteOnly);
    LogDir = Dir.filePath("blocker/logs");
    Form->menuLogThrot->trigger();
    for (double throttle : {95.0, 96.0, 97.0, 85.0, 95.0})
        Reply({{epEngspd, 2000}, {epThrotAn, throttle}});
    EXPECT_EQ(Dialogs->Count(TDialogKind::Error), 1) << "one message, not one per reply";
    // The condition clears (below 80) and comes back: one more try, and one more message.
    Reply({{epEngspd, 2000}, {epThrotAn, 79}});
    Reply({{epEngspd, 2000}, {epThrotAn, 95}});
    Reply({{epEngspd, 2000}, {epThrotAn, 95}});
    EXPECT_EQ(Dialogs->Count(TDialogKind::Error), 2);
    // Once the folder can be made, the next pull opens a log.
    LogDir = Dir.filePath("logs");
    Reply({{epEngspd, 2000}, {epThrotAn, 79}});
    Reply({{epEngspd, 2000}, {epThrotAn, 95}});
    EXPECT_TRUE(Form->Logging);
    EXPECT_EQ(Dialogs->Count(TDialogKind::Error), 2);
}

TEST_F(DashBoard, AMessageDuringFastPollEndsTheStreamAndNothingRunsInsideIt)
{
    Create(true);
    Form->SetCaptureInterval(20);
    Tick({epEngspd});
    Form->menuFastPoll->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Link->FastPolling(); }, 3000));
    // The message stays up for longer than the link's whole retry cycle.
    bool streamingWhileShown = true;
    int repliesWhileShown = -1;
    Dialogs->WhileShown = [&](const TDialogCall&) {
        QTest::qWait(200);
        streamingWhileShown = Link->FastPolling();
        const int replies = Ecu->RepliesSent();
        QTest::qWait(3500);
        repliesWhileShown = Ecu->RepliesSent() - replies;
    };
    TCsvLogFile::SimulateWriteFailureAfter(1);
    Form->menuLogData->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return repliesWhileShown >= 0; }, 8000));
    Dialogs->WhileShown = nullptr;
    EXPECT_FALSE(streamingWhileShown);
    EXPECT_EQ(repliesWhileShown, 0);
    EXPECT_EQ(Dialogs->Count(TDialogKind::Error), 1);
    EXPECT_EQ(Dialogs->Count(TDialogKind::Warning), 0) << "no time-out inside the reply handler";
    EXPECT_EQ(MainTimeouts, 0);
    // Afterwards the stream starts again.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Link->FastPolling(); }, 3000));
    const int replies = Ecu->RepliesSent();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Ecu->RepliesSent() >= replies + 5; }, 3000));
}

TEST_F(DashBoard, FullThrottleAndDefogTriggers)
{
    Create();
    ASSERT_TRUE(Form->menuLogThrot->isEnabled());
    Tick({epEngspd});
    Form->menuLogThrot->trigger();
    EXPECT_TRUE(Form->GetAnalogueSet().test(epThrotAn));  // requested for the trigger
    std::vector<bool> logging;
    for (double throttle : {85.0, 95.0, 85.0, 79.0}) {
        Reply({{epEngspd, 2000}, {epThrotAn, throttle}});
        logging.push_back(Form->Logging);
    }
    EXPECT_EQ(logging, (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(LogFiles().size(), 1);

    // Checking the defog trigger unchecks the throttle one; the switch opens and closes logs.
    Form->menuDefogLog->trigger();
    EXPECT_FALSE(Form->menuLogThrot->isChecked());
    EXPECT_TRUE(Form->GetDigitalSet().test(esDefogSw));
    TSwitchSet present;
    present.set(esDefogSw);
    Reply({{epEngspd, 2000}}, present, present);
    EXPECT_TRUE(Form->Logging);
    Reply({{epEngspd, 2000}}, present, {});
    EXPECT_FALSE(Form->Logging);
    // By hand: both triggers off.
    Form->menuLogData->trigger();
    EXPECT_FALSE(Form->menuDefogLog->isChecked());
    EXPECT_TRUE(Form->Logging);
}

TEST_F(DashBoard, CommsErrorUntickesFromTheHighestIndexDown)
{
    Create();
    // Pick supported parameters: remember which were ticked and their sizes.
    std::vector<int> ticked;
    for (int p = 0; p < EcuParamCount && ticked.size() < 8; ++p)
        if (Form->ParamRows[p].Check)
            ticked.push_back(p);
    ASSERT_GE(ticked.size(), 4u);
    for (int p = 0; p < EcuParamCount; ++p)
        if (Form->ParamRows[p].Check)
            Form->ParamRows[p].Check->setChecked(std::find(ticked.begin(), ticked.end(), p) != ticked.end());
    int bytes = 0;
    for (int p : ticked)
        bytes += ParamDefs[p].Size;
    Form->LargestReply = bytes - 3;  // 3 bytes too many
    Link->LastReadCount = bytes;
    Form->CommsError(TByteArray{});
    EXPECT_TRUE(Dialogs->Texts(TDialogKind::Warning).back().contains("too many parameters"));
    int removed = 0;
    std::vector<int> unticked;
    for (auto it = ticked.rbegin(); it != ticked.rend() && removed < 3; ++it) {
        unticked.push_back(*it);
        removed += ParamDefs[*it].Size;
    }
    for (int p : ticked) {
        const bool expectOff = std::find(unticked.begin(), unticked.end(), p) != unticked.end();
        EXPECT_EQ(Form->ParamRows[p].Check->isChecked(), !expectOff) << p;
    }
    // A reply as large as the request: the cabling message, nothing unticked.
    Form->LargestReply = 100;
    Form->CommsError(TByteArray{});
    EXPECT_TRUE(Dialogs->Texts(TDialogKind::Warning).back().contains("Check your cabling"));
    // And the capture goes on: the ECU keeps hearing requests.
    Form->SetCaptureInterval(20);
    Form->show();
    const int before = Ecu->RequestsReceived(frReadAddresses);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Ecu->RequestsReceived(frReadAddresses) >= before + 3; }, 3000));
}

TEST_F(DashBoard, SettingsSurviveReopening)
{
    Create();
    Tick({epEngspd, epCooltemp, epThrotAn, epEngload, epBatvolt});
    Form->menuRates[0]->trigger();  // 20 ms
    Form->menuConvBar->trigger();
    Form->menuVehSpd[1]->trigger();
    Form->menuLogThrot->trigger();
    Form->DataPoints = 50;
    Create();
    EXPECT_EQ(Form->GetAnalogueSet().count(), 5u);
    EXPECT_TRUE(Form->ParamRows[epBatvolt].Check->isChecked());
    EXPECT_TRUE(Form->menuRates[0]->isChecked());
    EXPECT_EQ(Form->RequestTimer->Interval(), 20);
    EXPECT_TRUE(Form->menuConvBar->isChecked());
    EXPECT_TRUE(Form->menuVehSpd[1]->isChecked());
    EXPECT_EQ(Form->Units.Speed, vsMPH);
    EXPECT_TRUE(Form->menuLogThrot->isChecked());
    EXPECT_EQ(Form->DataPoints, 50);

    // An interval no item offers is still used; in demo mode the triggers are left alone.
    Form.reset();
    TSettingsStore::Instance().WriteInteger("SOFTWARE/Morvane/Quillon/Dashboard/Capture",
                                            "CaptureIntervalMilliseconds", 150);
    Demo = true;
    Create();
    EXPECT_EQ(Form->RequestTimer->Interval(), 150);
    for (QAction* a : Form->menuRates)
        EXPECT_FALSE(a->isChecked());
    EXPECT_FALSE(Form->menuLogThrot->isChecked());
    Form.reset();
    EXPECT_TRUE(TSettingsStore::Instance().ReadBool("SOFTWARE/Morvane/Quillon/Dashboard/Capture",
                                                    "LogOnFullThrottle", false));
}

TEST_F(DashBoard, GraphMenuAndGraphs)
{
    Create();
    Tick({epEngspd, epCooltemp, epThrotAn, epEngload});
    auto item = [&](int code) -> QAction* {
        for (QAction* a : Form->GraphMenuItems)
            if (a->data().toInt() == code)
                return a;
        return nullptr;
    };
    // Graph 1 shows two items; a third replaces the first checked one in menu order.
    Form->Graphs.Graphs[0] = TGraphSources();
    for (int code : {int(epEngspd), int(epThrotAn), int(epCooltemp)}) {
        Form->MenuPopup(0);
        Form->GraphMenuItemClick(0, item(code));
    }
    Form->MenuPopup(0);
    EXPECT_FALSE(item(epEngspd)->isChecked());
    EXPECT_TRUE(item(epThrotAn)->isChecked());
    EXPECT_TRUE(item(epCooltemp)->isChecked());
    const QString title = Form->GraphTitle(0);
    EXPECT_TRUE(title.contains(" and ")) << title.toStdString();
    // An unticked parameter frees its trace.
    Form->ParamRows[epThrotAn].Check->click();
    EXPECT_FALSE(Form->GraphTitle(0).contains(ParamDefs[epThrotAn].Name));
    Form->MenuPopup(0);
    EXPECT_FALSE(item(epThrotAn)->isEnabled());

    // Points are kept up to DataPoints.
    Form->DataPoints = 5;
    for (int i = 0; i < 12; ++i)
        Reply({{epEngspd, 1000.0 + i}, {epCooltemp, 80}, {epEngload, 1}});
    for (int g = 0; g < GraphCount; ++g)
        for (int t = 0; t < 2; ++t) {
            QCPGraph* series = Form->Series[g][t];
            EXPECT_LE(series->dataCount(), 5);
            // Every kept point is inside the value axis.
            for (auto it = series->data()->constBegin(); it != series->data()->constEnd(); ++it)
                EXPECT_TRUE(series->valueAxis()->range().contains(it->value)) << g << " " << it->value;
        }

    // Engine speed and throttle on one graph: one value axis holds both traces, with room
    // above the highest point and below the lowest, and its labels carry no exponent.
    Form->ParamRows[epThrotAn].Check->click();
    Form->Graphs.Graphs[1] = TGraphSources();
    for (int code : {int(epEngspd), int(epThrotAn)}) {
        Form->MenuPopup(1);
        Form->GraphMenuItemClick(1, item(code));
    }
    for (int i = 0; i < 5; ++i)
        Reply({{epEngspd, 6000.0 + 250 * i}, {epThrotAn, 10.0 + 20 * i}, {epCooltemp, 80}, {epEngload, 1}});
    const QCPRange range = Form->Plots[1]->yAxis->range();
    EXPECT_LT(range.lower, 10.0);
    EXPECT_GT(range.upper, 7000.0);
    Form->Plots[1]->replot();
    const QVector<QString> labels = Form->Plots[1]->yAxis->tickVectorLabels();
    const QVector<double> ticks = Form->Plots[1]->yAxis->tickVector();
    ASSERT_GE(labels.size(), 3);
    ASSERT_EQ(labels.size(), ticks.size());
    const QRegularExpression plain("^-?[0-9]+(\\.[0-9]{1,2})?$");
    for (int i = 0; i < labels.size(); ++i) {
        EXPECT_TRUE(plain.match(labels[i]).hasMatch()) << labels[i].toStdString();
        EXPECT_DOUBLE_EQ(labels[i].toDouble(), ticks[i]) << labels[i].toStdString();
    }
    EXPECT_GE(ticks.back(), 1000.0);

    // Data points: a text that is no number is refused.
    Dialogs->InputAnswers.push_back(QString("many"));
    Form->menuSetDataPoints->trigger();
    EXPECT_EQ(Dialogs->Texts(TDialogKind::Error).back(), "Invalid value entered");
    EXPECT_EQ(Form->DataPoints, 5);
    Dialogs->InputAnswers.push_back(QString("300"));
    Form->menuSetDataPoints->trigger();
    EXPECT_EQ(Form->DataPoints, 300);
}

}  // namespace

namespace {

TEST_F(DashBoard, RefusedRequestUnticksEveryParameterAndPollsAgain)
{
    Link->SupportedParams.set();  // far more than one request can carry
    Create();
    Form->btnAnSelAllOldClick();
    const int before = Ecu->RequestsReceived(frReadAddresses);
    Form->RequestData();
    ASSERT_EQ(Dialogs->Count(TDialogKind::Error), 1);
    EXPECT_TRUE(Dialogs->Texts(TDialogKind::Error)[0].startsWith("A problem was encountered in communication."));
    EXPECT_TRUE(Form->GetAnalogueSet().none());
    // The second try went out with engine speed alone.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Ecu->RequestsReceived(frReadAddresses) > before; }, 2000));
    EXPECT_EQ(Link->LastReadCount, 2);
}

}  // namespace

namespace {

TEST_F(DashBoard, FastPollStreamsRepliesWithoutNewRequests)
{
    Create(true);
    ASSERT_TRUE(Form->menuFastPoll->isVisible());
    Form->SetCaptureInterval(20);
    Form->menuFastPoll->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Link->FastPolling() && Ecu->RequestsReceived(frReadAddresses) > 0; }, 3000));
    const int requests = Ecu->RequestsReceived(frReadAddresses);
    const int replies = Ecu->RepliesSent();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Ecu->RepliesSent() >= replies + 5; }, 5000));
    EXPECT_EQ(Ecu->RequestsReceived(frReadAddresses), requests);
    EXPECT_FALSE(Form->RequestTimer->Enabled());

    // Ticking another item restarts the stream with it.
    Tick({epEngspd, epCooltemp});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->ParamRows[epCooltemp].CurEdit->text().isEmpty(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Link->FastPolling(); }, 3000));

    // Off again: back to one request per reply.
    Form->menuFastPoll->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Link->FastPolling() && Form->RequestTimer->Enabled(); }, 3000));
    const int before = Ecu->RequestsReceived(frReadAddresses);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Ecu->RequestsReceived(frReadAddresses) >= before + 2; }, 5000));
}

}  // namespace

namespace {

// Logging goes on after a bad reply, polled and streamed; an ECU that stops answering, or
// answers only badly, reaches the window's own time-out handling and capture resumes.
TEST_F(DashBoard, LoggingGoesOnAfterABadReplyAndATimeOutIsHandled)
{
    Create(true);
    Form->SetCaptureInterval(20);
    Tick({epEngspd, epCooltemp});
    Form->menuLogData->trigger();
    ASSERT_TRUE(Form->Logging);
    const auto rows = [&] { return size_t(ReadLog(LogFiles().value(0)).count('\n')); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows() >= 3; }, 3000));
    ExpectGoesOnAfterOneBadReply(*Link, *Ecu, rows);
    ExpectGoesOnAfterOneBadReply(*Link, *Ecu, rows, {.CorruptChecksum = true, .Count = 1});
    const auto warnings = [&] { return Dialogs->Count(TDialogKind::Warning); };
    ExpectTimesOutWhenSilent(*Link, *Ecu, warnings);
    EXPECT_TRUE(Dialogs->Texts(TDialogKind::Warning).back().contains("Check your cabling"));
    ExpectGoesOnAfterOneBadReply(*Link, *Ecu, rows, {.LengthError = 1, .Count = 1});

    Form->menuFastPoll->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Link->FastPolling(); }, 3000));
    ExpectGoesOnAfterOneBadReply(*Link, *Ecu, rows, {.LengthError = -1, .Count = 2}, 5);
    ExpectTimesOutWhenSilent(*Link, *Ecu, warnings, {.LengthError = -1});
    EXPECT_EQ(MainTimeouts, 0);
    ASSERT_TRUE(Form->Logging);
    ExpectGoesOnAfterOneBadReply(*Link, *Ecu, rows);
}

}  // namespace

namespace {

// A device that stops sending: "no data" on the page, one word in the status area, empty
// fields in the log while the ECU's columns go on; values again once it sends again.
TEST_F(DashBoard, AStoppedSensorIsNoDataOnThePageAndEmptyInTheLog)
{
    FakeInnovate wideband; // a lone LM-1, sending normally
    wideband.Found = SensorChannelRange(lmLambda, 10);
    wideband.PortName = QStringLiteral("/dev/ttyUSB1");
    wideband.Lm = 0;
    wideband.Lam = 0.88;
    TSensorHub hub;
    hub.SetInnovate(&wideband);
    hub.DetectDevices();
    TToolWindowHost host = Host();
    host.Sensors = [&hub] { return &hub; };
    Form = std::make_unique<TfrmDashBoard>(host);
    Form->setAttribute(Qt::WA_DeleteOnClose, false);
    Tick({epEngspd});
    ASSERT_TRUE(Form->ChannelRows[lmLambda].Check);
    Form->ChannelRows[lmLambda].Check->setChecked(true);
    Form->ExternalCheckClick();
    Form->menuLogData->trigger();
    ASSERT_TRUE(Form->Logging);
    QLineEdit* lambda = Form->ChannelRows[lmLambda].CurEdit;

    Reply({{epEngspd, 800}});
    EXPECT_EQ(lambda->text(), "0.88");
    EXPECT_EQ(Form->lblSensorStatus->text(), "LM-1: Normal");
    wideband.IsFresh = false;
    Reply({{epEngspd, 900}});
    EXPECT_EQ(lambda->text(), "no data");
    EXPECT_EQ(Form->lblSensorStatus->text(), "LM-1: no data");
    EXPECT_EQ(Form->ChannelRows[lmLambda].MinEdit->text(), "0.88") << "what was measured stays";
    const QString said = Form->pnlStatus->Text();
    EXPECT_TRUE(said.startsWith("The Innovate stream on /dev/ttyUSB1 stopped sending")) << said.toStdString();
    Form->SetStatusText("something else", Qt::white);
    Reply({{epEngspd, 1000}});
    EXPECT_EQ(Form->pnlStatus->Text(), "something else") << "said once";
    wideband.IsFresh = true;
    wideband.Lam = 0.9;
    Reply({{epEngspd, 1100}});
    EXPECT_EQ(lambda->text(), "0.90");
    EXPECT_TRUE(Form->pnlStatus->Text().endsWith("is sending again"));
    Form->menuLogData->trigger();

    const QList<QByteArray> lines = ReadLog(LogFiles().value(0)).split('\n');
    ASSERT_GE(lines.size(), 5);
    const QList<QByteArray> stale = lines[2].split(',');
    ASSERT_EQ(stale.size(), lines[1].split(',').size()) << "the line keeps its fields";
    EXPECT_EQ(stale[1].trimmed(), "900");
    EXPECT_EQ(stale[2].trimmed(), "") << lines[2].toStdString();
    EXPECT_EQ(lines[1].split(',')[2].trimmed(), "0.88");
    EXPECT_EQ(lines[4].split(',')[2].trimmed(), "0.90");
}

}  // namespace

namespace {

TEST_F(DashBoard, SwitchesShowTheirOnAndOffTexts)
{
    Create();
    int sw = 0;
    while (!Form->SupportedSwitches.test(sw))
        ++sw;
    TSwitchSet present;
    present.set(sw);
    Reply({{epEngspd, 800}}, present, present);
    EXPECT_EQ(Form->SwitchRows[sw].Edit->text(), SwitchDefs[sw].Extra2);
    Reply({{epEngspd, 800}}, present, {});
    EXPECT_EQ(Form->SwitchRows[sw].Edit->text(), SwitchDefs[sw].Extra3);
    EXPECT_FALSE(Form->SwitchRows[sw].Greyed);
    Reply({{epEngspd, 800}});
    EXPECT_TRUE(Form->SwitchRows[sw].Greyed);
    EXPECT_EQ(Form->SwitchRows[sw].Edit->text(), SwitchDefs[sw].Extra3);  // kept
}

}  // namespace
