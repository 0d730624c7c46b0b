// The live-data window's own work per reply, and one full repaint of its graph page.
//
// BM_EcuDataReceived: 30 ticked parameters and 10 switches, logging on, four graphs with two
// traces each already holding 500 points, graphs not paused. The wire time of that request
// and reply (13 + 4N bytes for N addresses, 10 bits a byte) is printed as counters so the
// share can be read off directly.
// BM_GraphPageRepaint: the four plots replotted and the whole graph page painted, window at
// 1280 x 800.

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
#include <QTabWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

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
// switch byte.
void BM_LogSessionRow(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    TParamSet params;
    for (int p = 0; p < EcuParamCount && int(params.count()) < n; ++p)
        if (ParamDefs[p].Size == 1)
            params.set(p);
    TSwitchSet switches;
    switches.set(esDefogSw);
    TParamValues values{};
    for (int p = 0; p < EcuParamCount; ++p)
        values[p] = 12.5 + p;
    QTemporaryDir dir;
    TLogSession session;
    session.LoggingDirectory = [&] { return dir.path(); };
    session.Units.Temp = session.Units.Pressure = true;
    session.Start(params, switches, {});
    uint32_t tick = 0;
    session.Tick = [&] { return tick += 20; };
    for (auto _ : state) {
        TParamValues shown = values;
        session.Units.ApplyConversions(shown, params);
        session.WriteReply(params, shown, params, switches, switches, {}, TSensorValues{});
    }
    session.Stop();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogSessionRow)->Arg(10)->Arg(30)->Unit(benchmark::kMicrosecond);


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
