// The Road Dyno window on the emulated link: its set-up fields and presets, the test
// procedure against the "Road Test" scenario (with and without streaming), the files it
// opens and saves, and the graphs and report it rebuilds.
#include "IdentifyEcu.h"
#include "IgaForm.h"

#include "Clock.h"
#include "Dialogs.h"
#include "DynoFiles.h"
#include "EcuConstData.h"
#include "FakeEcu.h"
#include "FakeEcuInterface.h"
#include "NumEdit.h"
#include "Settings.h"
#include "Sounds.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class Iga : public ::testing::Test {
  protected:
    void SetUp() override
    {
        TSettingsStore::Instance().Open(Dir.filePath("s.ini"));
        Link = std::make_unique<TFakeEcuInterface>();
        Ecu = std::make_unique<TFakeEcu>(7u);
        Ecu->Connect(Link.get());
        Link->SetActive(true);
        ASSERT_TRUE(IdentifyEcu(*Link));
        Link->OnRequestTimeout = [this](const TByteArray&) {
            ++Timeouts;
            if (Form) Form->LinkTimeout(); // as the main window does while not connected
        };
        TToolWindowHost host;
        host.Link = [this] { return Link.get(); };
        host.Connected = [] { return true; };
        host.DialogsImpl = &Dialogs;
        host.SoundsImpl = &Sounds;
        host.DataDirectory = [this] { return Dir.path(); };
        host.RegisterWindow = [this](QWidget*) { ++Registered; };
        host.UnregisterWindow = [this](QWidget*) { --Registered; };
        Form = std::make_unique<TfrmIGA>(host);
    }
    void TearDown() override
    {
        Form.reset();
        Link->SetActive(false);
        Ecu.reset();
        Link.reset();
    }
    QString File(const char* name) const { return Dir.filePath(QLatin1String(name)); }
    // Runs a test to its end, collecting the status texts as they change.
    QStringList RunTest(int timeoutMs = 25000)
    {
        QStringList statuses;
        const QString before = Form->pnlStatus->text(); // the end of the last test
        Ecu->SetScenario(scRoadTest);
        Form->btnStartTest->click();
        (void)QTest::qWaitFor(
            [&] {
                const QString s = Form->pnlStatus->text();
                if (statuses.isEmpty() && s == before) return false;
                if (statuses.isEmpty() || statuses.back() != s) statuses << s;
                return !Form->Testing();
            },
            timeoutMs);
        return statuses;
    }
    void Choose(QComboBox* box, int index)
    {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    QTemporaryDir Dir;
    std::unique_ptr<TFakeEcuInterface> Link;
    std::unique_ptr<TFakeEcu> Ecu;
    std::unique_ptr<TfrmIGA> Form;
    TRecordingDialogs Dialogs;
    TRecordingSounds Sounds;
    int Timeouts = 0;
    int Registered = 0;
};

TEST_F(Iga, DefaultsAndPresets)
{
    EXPECT_EQ(Form->windowTitle(), "Acceleration & Power Testing");
    EXPECT_EQ(Form->pgcTabs->tabText(0), "Setup && Data Capture");
    EXPECT_EQ(Form->cmbGearset->currentText(), "6spd STI UK&EU");
    EXPECT_EQ(Form->cmbRevLimit->currentText(), "7100 - UK Turbo, GT, WRX");
    EXPECT_EQ(Form->cmbTyre->currentText(), "215 40 17");
    EXPECT_EQ(Form->cmbVehicle->currentText(), "Custom Vehicle");
    EXPECT_EQ(Form->cmbTestGear->count(), 6);
    EXPECT_EQ(Form->cmbTestGear->currentText(), "3");
    EXPECT_FALSE(Form->neGear[0]->isEnabled());
    EXPECT_TRUE(Form->neMass->isEnabled());

    Form->show();
    EXPECT_EQ(Registered, 1);
    EXPECT_TRUE(Form->chkStreamRpm->isChecked()); // the emulated link streams

    // A five-speed box: gear 6 leaves the list, the selected gear stays.
    Choose(Form->cmbGearset, 0);
    EXPECT_EQ(Form->cmbTestGear->count(), 5);
    EXPECT_EQ(Form->CurrentRun().Ratios[5], 0);
    EXPECT_EQ(Form->CurrentRun().TestGear, 3);
    // "6spd STI JDM&US": its values, locked, gear 6 back, recalculated.
    const double before = Form->CurrentCalc().Circumference;
    Choose(Form->cmbGearset, 4);
    EXPECT_DOUBLE_EQ(Form->neGear[4]->Value(), 1.062);
    EXPECT_DOUBLE_EQ(Form->CurrentRun().Ratios[5], 0.842);
    EXPECT_DOUBLE_EQ(Form->CurrentRun().FinalDrive, 3.9);
    EXPECT_FALSE(Form->neGear[5]->isEnabled());
    EXPECT_EQ(Form->cmbTestGear->count(), 6);
    Choose(Form->cmbTyre, 0);
    EXPECT_NE(Form->CurrentCalc().Circumference, before);
    Choose(Form->cmbVehicle, 1);
    EXPECT_EQ(Form->CurrentRun().Mass, 1400);

    // ECU presets: row "9, 41, ..." gives 7600, gearbox row 3, tyre row 2, vehicle row 4.
    Form->ApplyEcuPresets(9);
    EXPECT_EQ(Form->cmbRevLimit->currentIndex(), 2);
    EXPECT_EQ(Form->cmbGearset->currentIndex(), 3);
    EXPECT_EQ(Form->cmbTyre->currentIndex(), 2);
    EXPECT_EQ(Form->cmbVehicle->currentIndex(), 4);
    Form->ApplyEcuPresets(84); // not listed: nothing changes
    EXPECT_EQ(Form->cmbGearset->currentIndex(), 3);

    Form->hide();
    EXPECT_EQ(Registered, 0);
}

TEST_F(Iga, OutOfRangeFieldIsClampedAndSkipsTheHandler)
{
    Form->show();
    QApplication::setActiveWindow(Form.get());
    Choose(Form->cmbGearset, Form->cmbGearset->count() - 1); // custom: fields open
    const auto ratios = Form->CurrentRun().Ratios;
    TNumEdit* e = Form->neGear[0];
    e->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return e->hasFocus(); }, 1000));
    e->selectAll();
    QTest::keyClicks(e, QStringLiteral("0.1"));
    Form->neGear[1]->setFocus();
    QTest::qWait(20);
    EXPECT_EQ(e->text(), "0.2");
    EXPECT_EQ(Sounds.Count(TSoundKind::Beep), 1);
    EXPECT_TRUE(e->hasFocus());
    EXPECT_EQ(Form->CurrentRun().Ratios, ratios); // nothing read, nothing recalculated

    // Showing a run in gear 6 on a five-speed box: 1..5 listed, the first selected.
    TRunData& run = Form->CurrentRun();
    run.Ratios[5] = 0;
    run.TestGear = 6;
    Form->ShowRunData(run);
    EXPECT_EQ(Form->cmbTestGear->count(), 5);
    EXPECT_EQ(Form->cmbTestGear->currentText(), "1");
}

TEST_F(Iga, GraphsAndReportOfAnEmptyRun)
{
    Choose(Form->cmbGearset, 0); // five speeds
    Form->rgGraphType->SetItemIndex(TfrmIGA::gtGearRanges);
    Form->rgGraphX->SetItemIndex(TfrmIGA::gxTime);
    Form->RedrawAnalysis();
    EXPECT_EQ(Form->chart->plottableCount(), 5);
    EXPECT_EQ(Form->rgGraphX->ItemIndex(), TfrmIGA::gxEngineRpm);
    EXPECT_FALSE(Form->rgGraphX->isEnabled());
    Form->rgGraphType->SetItemIndex(TfrmIGA::gtEngineRpm);
    Form->RedrawAnalysis();
    EXPECT_TRUE(Form->rgGraphX->isEnabled());
    EXPECT_EQ(Form->rgGraphX->ItemIndex(), TfrmIGA::gxEngineRpm);
    EXPECT_EQ(Form->chart->plottableCount(), 0); // no trace, nothing drawn
    EXPECT_TRUE(Form->chart->StatsLines[0].isEmpty());

    const QStringList report = Form->memoReport->toPlainText().split('\n');
    EXPECT_EQ(report[0], "Dyno Test: <Current Unsaved Dyno Data>");
    EXPECT_EQ(report[1], QString(report[0].size(), '='));
    EXPECT_TRUE(report.contains("Speed per 1000 RPM:"));
    EXPECT_TRUE(
        report.contains("  1st: " +
                        QString::asprintf("%5.1f", 1000 * Form->CurrentCalc().Circumference /
                                                       3.454 / 3.9 / 60 / 0.44704) +
                        " mph"));
    EXPECT_FALSE(report.join('\n').contains("Maximum Wheel Power"));
    EXPECT_TRUE(report.contains("Total Vehicle Mass:   1275kg"));
    EXPECT_TRUE(report.contains("Tyre Circumference:   1897mm"));
}

TEST_F(Iga, FilesAndComparisons)
{
    auto saved = std::make_unique<TRunData>(Form->CurrentRun());
    for (int i = 0; i < 60; ++i)
        saved->Samples[saved->SampleCount++] = {i * 0.05, 2000.0 + 60 * i};
    saved->Comment.Assign(QStringLiteral("Dry road\r\n2 up"));
    saved->Mass = 1400;
    ASSERT_EQ(SaveRunFile(File("a.DDF"), *saved), QString());
    saved->Comment.Assign(QStringLiteral("Wet"));
    ASSERT_EQ(SaveRunFile(File("b.DDF"), *saved), QString());

    Dialogs.FileAnswers = {File("a.DDF"), File("b.DDF")};
    Form->btnOpenCompare[0]->click();
    Form->btnOpenCompare[1]->click();
    EXPECT_EQ(Form->chkShowCompare[0]->text(), "a: Dry road, 2 up");
    EXPECT_TRUE(Form->chkShowCompare[1]->isChecked());
    EXPECT_GT(Form->CompareCalc(0).MaxWheelPower, 0);
    // The comparison keeps its own set-up whatever the fields say.
    Choose(Form->cmbVehicle, 4);
    EXPECT_EQ(Form->CompareRun(0).Mass, 1400);
    EXPECT_EQ(Form->memoReport->toPlainText().count("Dyno Test: "), 3);
    Form->chkShowCompare[1]->click(); // unticked: no section, no statistics line
    EXPECT_EQ(Form->memoReport->toPlainText().count("Dyno Test: "), 2);
    EXPECT_TRUE(Form->chart->StatsLines[2].isEmpty());
    EXPECT_FALSE(Form->chart->StatsLines[1].isEmpty());

    // A refused file: message, the current run untouched.
    QFile bad(File("bad.DDF"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(RunFileBytes(*saved).left(500));
    bad.close();
    const double mass = Form->CurrentRun().Mass;
    Dialogs.FileAnswers = {File("bad.DDF")};
    Form->btnOpenDataFile->click();
    EXPECT_EQ(Dialogs.Count(TDialogKind::Error), 1);
    EXPECT_EQ(Form->CurrentRun().Mass, mass);
    EXPECT_EQ(Form->FileName(), QString());

    // Open, then save under a new name: the caption follows; export offers "-Export.csv".
    Dialogs.FileAnswers = {File("a.DDF"), File("c.DDF")};
    Form->btnOpenDataFile->click();
    EXPECT_EQ(Form->CurrentRun().SampleCount, 60);
    EXPECT_EQ(Form->rgGraphType->ItemIndex(), TfrmIGA::gtWheelPowerTorque);
    EXPECT_EQ(Form->memoComment->toPlainText(), "Dry road\n2 up");
    Form->btnSaveDataFile->click();
    EXPECT_EQ(Form->windowTitle(), "Acceleration & Power Testing - c");
    EXPECT_EQ(QFile(File("c.DDF")).size(), 400 + 16 * 60);
    Dialogs.FileAnswers = {std::nullopt};
    Form->btnExportSave->click();
    EXPECT_EQ(Dialogs.Calls.back().DefaultText, File("c-Export.csv"));
    EXPECT_EQ(Dialogs.Calls.back().Caption, "Export Recorded Data");
}

TEST_F(Iga, RoadTestFindsTheModelsCurve)
{
    // One clock for the scenario, the sample times and the line: the emulated line's own
    // wire time. On a busy machine the real clock would stamp each reply with however late
    // the event loop got to it, and that jitter rides on the peaks.
    uint32_t lineTime = 1000;
    const TTickSource previous = SetTickSource([&] { return lineTime; });
    const auto emulatorTxEmpty = Link->OnTxEmpty;
    Link->OnTxEmpty = [&, emulatorTxEmpty] {
        lineTime += Link->WireTime(Link->OutBuffer().size());
        if (emulatorTxEmpty)
            emulatorTxEmpty();
    };
    Form->show();
    const double power = TVehicleModel::PeakPower(7100);
    const double torque = TVehicleModel::PeakTorque(7100);
    for (bool stream : {true, false}) {
        SCOPED_TRACE(stream ? "streaming" : "request per reply");
        Form->chkStreamRpm->setChecked(stream);
        const QStringList statuses = RunTest();
        ASSERT_FALSE(Form->Testing())
            << statuses.join(" | ").toStdString() << " state " << Form->TestState() << " fast "
            << Link->FastPolling() << " pending " << Link->PendingRequestActive();
        // Each status once, in order (the revs are already above 1800 at the start).
        const QStringList expected{"Reduce revs to below 1800 RPM",
                                   "RPM is low enough now - floor it !",
                                   "Recording Data from 2000 RPM", "Test Complete !"};
        QStringList seen;
        for (const QString& s : statuses)
            if (expected.contains(s)) seen << s;
        EXPECT_EQ(seen, expected);
        EXPECT_FALSE(Link->FastPolling()); // the stream ended with the test
        const TCalcData& c = Form->CurrentCalc();
        EXPECT_NEAR(c.MaxWheelPower, power, power * 0.03);
        EXPECT_NEAR(c.MaxWheelTorque, torque, torque * 0.03);
        EXPECT_TRUE(Form->pnlRPM->text().startsWith("Max RPM = "));
        EXPECT_TRUE(Form->memoReport->toPlainText().contains("Maximum Wheel Power:   "));
        EXPECT_EQ(Form->pnlAtmPressure->text(), "Atmospheric Pressure 1.00 bar");
        EXPECT_EQ(Form->pnlIntakeTemp->text(),
                  QString("Air Intake Temp 25.0") + QChar(0xB0) + "C (77.0" + QChar(0xB0) + "F)");
        EXPECT_GE(Sounds.Count(TSoundKind::Beep), 3);
        Sounds.Calls.clear();
        RecordProperty(stream ? "streamed_samples" : "polled_samples",
                       Form->CurrentRun().SampleCount);
    }
    SetTickSource(previous);
}

TEST_F(Iga, AmbientWithoutIntakeTemperature)
{
    Form->show();
    Link->SupportedParams.reset(epAirTemp);
    Ecu->SetScenario(scRoadTest);
    Form->btnStartTest->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return Form->TestState() != TfrmIGA::WaitLowRevs ||
                   Form->pnlStatus->text().startsWith("Reduce");
        },
        3000));
    EXPECT_EQ(Form->pnlIntakeTemp->text(), "-----");
    EXPECT_EQ(Form->CurrentRun().AIT, 999);
    // Hiding the window ends the test and its stream.
    Form->hide();
    EXPECT_FALSE(Form->Testing());
    QTest::qWait(200);
    EXPECT_FALSE(Link->FastPolling());
}

TEST_F(Iga, SilentEcuStopsTheTestWithAReason)
{
    Form->show();
    Link->MaxAttempts = 1;
    for (bool stream : {false, true}) {
        SCOPED_TRACE(stream ? "streaming" : "request per reply");
        Form->chkStreamRpm->setChecked(stream);
        Ecu->SetScenario(scRoadTest);
        const int timeouts = Timeouts;
        Form->btnStartTest->click();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return Form->pnlStatus->text().startsWith("Reduce"); }, 3000));
        Ecu->SetFaults({.Silent = true});
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Form->Testing(); }, 10000));
        EXPECT_EQ(Form->pnlStatus->text(), "Test Stopped - the ECU did not answer");
        EXPECT_GT(Timeouts, timeouts);
        Ecu->SetFaults({});
    }
}

// A bad reply to the first request or to a reading during the test is retried: the test
// goes on to its end, polled and streamed.
TEST_F(Iga, ABadReplyIsRetriedAndTheTestGoesOn)
{
    Form->show();
    for (bool stream : {false, true}) {
        SCOPED_TRACE(stream ? "streaming" : "request per reply");
        Form->chkStreamRpm->setChecked(stream);
        const int invalid = Link->InvalidReplies;
        Ecu->SetFaults({.LengthError = -1, .Count = 1}); // the first reply: the ambient read
        bool faulted = false;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!faulted && Form->pnlStatus->text().startsWith("Reduce")) {
                faulted = true;
                Ecu->SetFaults({.LengthError = 1, .Count = 1});
            }
        });
        watch.start();
        const QStringList statuses = RunTest();
        watch.stop();
        EXPECT_TRUE(faulted);
        EXPECT_EQ(Link->InvalidReplies, invalid + 2);
        EXPECT_EQ(statuses.value(statuses.size() - 1), "Test Complete !")
            << statuses.join(" | ").toStdString();
        EXPECT_EQ(Timeouts, 0);
    }
}

TEST_F(Iga, ProcedureByHandAcrossATickWrapAndAtTheLimit)
{
    uint32_t now = 0xFFFFFF00u;
    const TTickSource previous = SetTickSource([&] { return now; });
    Form->show();
    Form->chkStreamRpm->setChecked(false);
    // Drive the test by hand through the reply handler: 1700, then 2500 (recording
    // starts), then 2600 after the counter wrapped.
    Ecu->SetDemoActive(false);
    Dialogs.FileAnswers = {File("old.DDF")};
    Form->btnSaveDataFile->click();
    ASSERT_EQ(Form->FileName(), File("old.DDF"));
    Form->memoComment->setPlainText(QStringLiteral("typed before the test"));
    Form->btnStartTest->click();
    auto reply = [&](const TLongWordArray& a, TByteArray d) {
        Link->OnReadAddressesResponse(a, int(a.size()) - 1, d);
    };
    reply({0x23, 0x12}, {100, 65});
    reply({0x0E, 0x0F}, {0x1A, 0x90}); // 6800 / 4 = 1700
    EXPECT_EQ(Form->TestState(), TfrmIGA::WaitLaunch);
    reply({0x0E, 0x0F}, {0x27, 0x10}); // 2500
    EXPECT_EQ(Form->TestState(), TfrmIGA::Recording);
    // The ambient display kept the comment being typed; the new trace has no file yet.
    EXPECT_EQ(Form->memoComment->toPlainText(), "typed before the test");
    EXPECT_EQ(Form->FileName(), QString());
    EXPECT_EQ(Form->windowTitle(), "Acceleration & Power Testing");
    now += 0x200;                      // past the wrap
    reply({0x0E, 0x0F}, {0x28, 0xA0}); // 2600
    ASSERT_EQ(Form->CurrentRun().SampleCount, 2);
    EXPECT_DOUBLE_EQ(Form->CurrentRun().Samples[1].Time, 0.512);
    // A full trace: aborted with a beep, not calculated.
    Form->CurrentRun().SampleCount = MaxRevSamples;
    reply({0x0E, 0x0F}, {0x28, 0xA0});
    EXPECT_EQ(Form->pnlStatus->text(), "Test Aborted - Took Too Long");
    EXPECT_FALSE(Form->Testing());
    EXPECT_EQ(Form->CurrentRun().SampleCount, MaxRevSamples);
    SetTickSource(previous);
}

} // namespace

namespace {

TEST_F(Iga, CorrectionIsShownButNeverExported)
{
    auto run = std::make_unique<TRunData>(Form->CurrentRun());
    for (int i = 0; i < 80; ++i)
        run->Samples[run->SampleCount++] = {i * 0.05, 2000.0 + 50 * i};
    run->AtmPressure = 0.90; // thin, hot air: SAE J1349 adds power
    run->AIT = 35;
    ASSERT_EQ(SaveRunFile(File("hot.DDF"), *run), QString());
    Dialogs.FileAnswers = {File("hot.DDF")};
    Form->btnOpenDataFile->click();
    const double plain = Form->CurrentCalc().MaxWheelPower;
    ASSERT_GT(plain, 0);
    Choose(Form->cmbCorrection, crSaeJ1349);
    const double corrected = Form->CurrentCalc().MaxWheelPower;
    EXPECT_NEAR(corrected / plain, CorrectionFor(*run, crSaeJ1349).PowerFactor, 1e-3);
    EXPECT_TRUE(Form->memoReport->toPlainText().contains("Correction: SAE J1349"));
    EXPECT_TRUE(Form->chart->StatsLines[0].startsWith(
        QString::number(std::lround(corrected * PowerUnit(1).Factor))));

    // The export keeps the measured values; the file keeps what was measured.
    Dialogs.FileAnswers = {File("hot.csv")};
    Form->btnExportSave->click();
    QFile csv(File("hot.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    double exported = 0;
    for (const QByteArray& line : csv.readAll().split('\n').mid(16))
        if (line.count(',') == 10) exported = std::max(exported, line.split(',')[9].toDouble());
    EXPECT_NEAR(exported, plain, 0.1);
    Choose(Form->cmbCorrection, crNone);
    EXPECT_DOUBLE_EQ(Form->CurrentCalc().MaxWheelPower, plain);
}

} // namespace
