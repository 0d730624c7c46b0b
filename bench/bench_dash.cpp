// The dash screen's drawing cost on the default screen (640 x 480).
//
// BM_DashValueUpdate: one reply's worth of value changes (every ECU gauge of the default
//   screen gets a new value), each drawing only its moving part on the back buffer.
// BM_DashNeedleOnly: one dial's needle moved (erase and draw, XOR).
// BM_DashFullRepaint: the whole screen painted from the cached faces.
// BM_DashColdRepaint: every face drawn afresh, then the whole screen (a load or a property change).
// BM_DashAtReplyRate: the real window against the emulated ECU for one second; counters give
//   the replies per second and the process CPU time spent per second of running.

#include "DashScreen.h"
#include "EcuConstData.h"
#include "FakeEcu.h"
#include "FakeEcuInterface.h"
#include "ReloadForm.h"
#include "RoundGauge.h"
#include "Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <ctime>

namespace {

struct TDefaultScreen {
    TDashScreen Screen;
    std::vector<TDashGauge*> Gauges;
    TDefaultScreen()
    {
        Screen.Load(ParseScreenText(TDashScreen::DefaultDashText()));
        for (auto& e : Screen.Elements)
            if (auto* g = dynamic_cast<TDashGauge*>(e.get())) Gauges.push_back(g);
        (void)Screen.Buffer();
    }
};

void BM_DashValueUpdate(benchmark::State& state)
{
    TDefaultScreen s;
    double v = 0;
    for (auto _ : state) {
        v = v > 90 ? 0 : v + 1.7;
        for (TDashGauge* g : s.Gauges)
            g->SetValueAnalogue(v);
        benchmark::DoNotOptimize(s.Screen.Buffer().constBits());
    }
}
BENCHMARK(BM_DashValueUpdate);

void BM_DashNeedleOnly(benchmark::State& state)
{
    TDefaultScreen s;
    auto* rpm = dynamic_cast<TRoundGauge*>(s.Screen.Elements[4].get());
    double v = 0;
    for (auto _ : state) {
        v = v > 7000 ? 0 : v + 37;
        rpm->SetValueAnalogue(v);
    }
}
BENCHMARK(BM_DashNeedleOnly);

void BM_DashFullRepaint(benchmark::State& state)
{
    TDefaultScreen s;
    for (auto _ : state) {
        s.Screen.RepaintAll();
        benchmark::DoNotOptimize(s.Screen.Buffer().constBits());
    }
}
BENCHMARK(BM_DashFullRepaint)->Unit(benchmark::kMicrosecond);

void BM_DashColdRepaint(benchmark::State& state)
{
    TDefaultScreen s;
    uint32_t colour = 0x004000;
    for (auto _ : state) {
        colour ^= 0x000001;
        s.Screen.SetColor(colour); // every face takes the screen's colour or font
        for (auto& e : s.Screen.Elements)
            e->Invalidate();
        benchmark::DoNotOptimize(s.Screen.Buffer().constBits());
    }
}
BENCHMARK(BM_DashColdRepaint)->Unit(benchmark::kMillisecond);

void BM_DashAtReplyRate(benchmark::State& state)
{
    QTemporaryDir dir;
    TSettingsStore::Instance().Open(dir.filePath("s.ini"));
    TFakeEcuInterface link;
    TFakeEcu ecu(7u);
    ecu.Connect(&link);
    link.SetActive(true);
    bool identified = false;
    link.OnInitResponse = [&](uint8_t, uint8_t, const TByteArray&) { identified = true; };
    link.RequestInit();
    QElapsedTimer wait;
    wait.start();
    while (!identified && wait.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    link.OnInitResponse = nullptr;
    TToolWindowHost host;
    host.Link = [&] { return static_cast<TEcuInterface*>(&link); };
    host.DashScreensDirectory = [&] { return dir.filePath("InCarDashScreens"); };
    TDashGaugeForm* form = OpenInCarDash(host);
    int replies = 0;
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        auto inner = link.OnParamValues;
        link.OnParamValues = [&, inner](const TParamSet& r, const TParamValues& v,
                                        const TParamRaw& raw, const TSwitchSet& p,
                                        const TSwitchSet& s) {
            ++replies;
            inner(r, v, raw, p, s);
        };
        const std::clock_t c0 = std::clock();
        QElapsedTimer t;
        t.start();
        QEventLoop loop;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
        cpu += double(std::clock() - c0) / CLOCKS_PER_SEC;
        wall += t.elapsed() / 1000.0;
        link.OnParamValues = inner;
    }
    state.counters["replies_per_s"] = replies / wall;
    state.counters["cpu_share_of_core"] = cpu / wall;
    delete form;
    link.SetActive(false);
}
BENCHMARK(BM_DashAtReplyRate)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RestoreDefinitionTables();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
