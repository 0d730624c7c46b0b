// The live-data window's own work per reply, and one full repaint of its graph page.
//
// BM_EcuDataReceived: 30 ticked parameters and 10 switches, logging on, four graphs with two
// traces each already holding 500 points, graphs not paused. The wire time of that request
// and reply (13 + 4N bytes for N addresses, 10 bits a byte) is printed as counters so the
// share can be read off directly.
// BM_GraphPageRepaint: the four plots replotted and the whole graph page painted, window at
// 1280 x 800.
// BM_LogSessionRow: one row through the logging session into its file, with and without the
// once-a-second sync to the disk; BM_LogRowSyncedInline: what that sync costs when waited for.

#include "DashBoardForm.h"
#include "LogSession.h"
#include "Dialogs.h"
#include "EcuConstData.h"
#include "FakeEcuInterface.h"
#include "Settings.h"
#include "Sounds.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

#include <unistd.h>

namespace {

struct TFixture {
    QTemporaryDir Dir;
    TFakeEcuInterface Link;
    std::unique_ptr<TfrmDashBoard> Form;
    TParamSet Received;
    TParamValues Values{};
    TSwitchSet Present, On;
    int Addresses = 0;

    TFixture()
    {
        TSettingsStore::Instance().Open(Dir.filePath("s.ini"));
        SetDialogs(std::make_unique<TRecordingDialogs>());
        SetSounds(std::make_unique<TRecordingSounds>());
        Link.SupportedParams.set();
        Link.SupportedSwitches.set();
        TToolWindowHost host;
        host.Link = [this] { return &Link; };
        const QString logs = Dir.filePath("logs");
        host.LoggingDirectory = [logs] { return logs; };
        host.DemoMode = [] { return true; };
        Form = std::make_unique<TfrmDashBoard>(host);
        Form->setAttribute(Qt::WA_DeleteOnClose, false);

        int params = 0;
        for (int p = 0; p < EcuParamCount; ++p) {
            QCheckBox* c = Form->ParamRows[p].Check;
            const bool tick = c && ParamDefs[p].Size == 1 && params < 30;
            if (c)
                c->setChecked(tick);
            if (tick) {
                Received.set(p);
                Values[p] = 10 + p;
                ++params;
            }
        }
        for (int s = 0; s < 10; ++s) {
            Form->SwitchRows[s].Check->setChecked(true);
            Present.set(s);
            if (s % 2)
                On.set(s);
        }
        Form->AnalogueCheckClick();
        // Every trace on a ticked parameter.
        int g = 0, t = 0;
        for (int p = 0; p < EcuParamCount && g < GraphCount; ++p) {
            if (!Received.test(p))
                continue;
            (t == 0 ? Form->Graphs.Graphs[g].A : Form->Graphs.Graphs[g].B).Source = p;
            if (++t == 2)
                t = 0, ++g;
        }
        for (int i = 0; i < GraphCount; ++i)
            Form->UpdateGraphCaption(i);
        Form->DataPoints = 500;
        Form->StartLogging();
        Addresses = int(TEcuInterface::BuildPollList(Form->GetAnalogueSet(), Form->GetDigitalSet(), {}).size());
        for (int i = 0; i < 600; ++i)
            Reply(i);
    }
    void Reply(int i)
    {
        Values[epEngspd] = 2000 + (i % 100);
        Form->EcuDataReceived(Received, Values, TParamRaw{}, Present, On);
    }
};

TFixture* Fixture = nullptr;

void BM_EcuDataReceived(benchmark::State& state)
{
    int i = 0;
    for (auto _ : state)
        Fixture->Reply(i++);
    // Throw away the queued replots the replies asked for; they are measured below.
    QCoreApplication::removePostedEvents(nullptr, QEvent::MetaCall);
    const double wireBytes = 13 + 4.0 * Fixture->Addresses;
    state.counters["addresses"] = Fixture->Addresses;
    state.counters["wire_ms_4800"] = wireBytes * 10 / 4800 * 1000;
    state.counters["wire_ms_38400"] = wireBytes * 10 / 38400 * 1000;
    state.counters["points_per_series"] = Fixture->Form->Series[0][0]->dataCount();
}
BENCHMARK(BM_EcuDataReceived)->Unit(benchmark::kMicrosecond);

void BM_GraphPageRepaint(benchmark::State& state)
{
    TfrmDashBoard* form = Fixture->Form.get();
    form->resize(1280, 800);
    form->pgcPages->setCurrentWidget(form->tabGraphs);
    form->show();
    QCoreApplication::processEvents();
    // The plots redraw their buffers, then the whole page paints through the window's
    // backing store, as the event loop does when the coalesced update comes round.
    for (auto _ : state) {
        for (QCustomPlot* plot : form->Plots)
            plot->replot(QCustomPlot::rpQueuedRefresh);
        form->tabGraphs->repaint();
    }
    state.counters["width"] = form->width();
    state.counters["height"] = form->height();
    form->hide();
}
BENCHMARK(BM_GraphPageRepaint)->Unit(benchmark::kMillisecond);

// One logged row as the headless logger writes it: the unit conversions, the data line and
// its write to the file (straight to the system, no buffering). N one-byte parameters and a
// switch byte. The second argument is the baud rate whose polled wire time (request heard
// as echo, 7 + 3N bytes, and reply, 6 + N, each N * 9840 / baud ms) the session's clock
// moves on by for each row, so that the once-a-second sync comes every rows_per_sync rows
// as on the car; 0 stands the clock still: no sync but the one at close. CPU is the
// process's, so the sync thread's share counts too.
void BM_LogSessionRow(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const int baud = static_cast<int>(state.range(1));
    TParamSet params;
    for (int p = 0; p < EcuParamCount && int(params.count()) < n; ++p)
        if (ParamDefs[p].Size == 1)
            params.set(p);
    TSwitchSet switches;
    switches.set(esDefogSw);
    TParamValues values{};
    for (int p = 0; p < EcuParamCount; ++p)
        values[p] = 12.5 + p;
    const double rowMs = baud > 0 ? (7 + 3 * n + 6 + n) * 9840.0 / baud : 0;
    QTemporaryDir dir;
    TLogSession session;
    session.LoggingDirectory = [&] { return dir.path(); };
    session.Units.Temp = session.Units.Pressure = true;
    double ms = 0;
    session.Tick = [&] { return uint32_t(ms); };
    session.Start(params, switches, {});
    for (auto _ : state) {
        ms += rowMs;
        TParamValues shown = values;
        session.Units.ApplyConversions(shown, params);
        session.WriteReply(params, shown, params, switches, switches, {}, TSensorValues{});
    }
    const int syncs = session.DiskSyncs();
    session.Stop();
    state.SetItemsProcessed(state.iterations());
    state.counters["syncs"] = syncs;
    state.counters["rows_per_sync"] = syncs > 0 ? double(state.iterations()) / syncs : 0;
    state.counters["wire_rows_per_s"] = rowMs > 0 ? 1000.0 / rowMs : 0;
}
BENCHMARK(BM_LogSessionRow)
    ->ArgNames({"params", "baud"})
    ->ArgsProduct({{10, 30}, {0, 4800, 38400}})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// What one sync costs where it is made: a row appended, then fdatasync waited for. The
// session never waits for it on the thread that captures (a worker does), except at close.
void BM_LogRowSyncedInline(benchmark::State& state)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("sync.csv"));
    file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    const QByteArray row = "    1234, 12.5, 13.5, 14.5, 15.5, 16.5, 17.5, 18.5, 19.5, 20.5, 21.5, 1,  \r\n";
    for (auto _ : state) {
        file.write(row);
        ::fdatasync(int(file.handle()));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogRowSyncedInline)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RestoreDefinitionTables();
    TFixture fixture;
    Fixture = &fixture;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Fixture = nullptr;
    return 0;
}
