// Capture speed over a real serial device: the program's serial link against
// quillon-ecu-sim on a pseudo-terminal, whose line keeps a K-line's echo and wire time.
// Rows per second for 10 and 30 one-byte parameters, polled (a request per row) and fast
// (the ECU streams), at 4800 and 38400 baud, beside the wire limit: a polled row costs the
// request (7 + 3N bytes, heard as echo) and the reply (6 + N), a streamed row the reply
// only, at 10 bits a byte. "logged" runs every row through the logging session into a CSV
// file, as quillon-log does; cpu_us_per_row is this process's CPU time per row.
//
//   bench_serial [--benchmark_min_time=...]      (each case polls for about 3 s)

#include "EcuConstData.h"
#include "LogSession.h"
#include "SerialEcuInterface.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

#include <sys/resource.h>

namespace {

constexpr int RunMs = 3000;
constexpr int WarmUpMs = 300;

// Runs the event loop until done() or ms pass, sleeping between events so that the
// simulator has the machine's other core to itself.
bool WaitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    QTimer tick;
    tick.start(2);
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// One simulator and one link for every case; the rate moves between cases.
struct TBench {
    QProcess Sim;
    std::unique_ptr<TSerialEcuInterface> Link;
    QString Error;

    bool Start()
    {
        Sim.setProgram(QStringLiteral(QUILLON_ECU_SIM));
        Sim.start();
        if (!WaitFor([&] { return Sim.canReadLine(); }, 20000)) {
            Error = QStringLiteral("simulator did not start");
            return false;
        }
        const QString device = QString::fromLocal8Bit(Sim.readLine()).trimmed();
        Link = std::make_unique<TSerialEcuInterface>(device);
        Link->SetActive(true);
        bool identified = false;
        Link->OnInitResponse = [&](uint8_t, uint8_t, const TByteArray&) { identified = true; };
        Link->RequestInit();
        if (!WaitFor([&] { return identified; }, 10000)) {
            Error = QStringLiteral("no identification");
            return false;
        }
        Link->OnInitResponse = nullptr;
        return true;
    }

    bool SetRate(int rate)
    {
        if (Link->BaudRate == rate)
            return true;
        bool answered = false;
        Link->OnWriteAddressResponse = [&](uint8_t, uint8_t, const TByteArray&, int,
                                           const TLongWordArray&) { answered = true; };
        Link->SetEcuBaudRate(rate);
        if (!WaitFor([&] { return answered; }, 10000))
            return false;
        Link->OnWriteAddressResponse = nullptr;
        // The ECU follows half a second after its answer; a read at the new rate confirms it.
        bool read = false;
        Link->OnReadAddressesResponse = [&](const TLongWordArray&, int, const TByteArray&) { read = true; };
        Link->ReadAddresses({0x000070});
        const bool ok = WaitFor([&] { return read; }, 10000);
        Link->OnReadAddressesResponse = nullptr;
        return ok;
    }

    ~TBench()
    {
        Link.reset();
        Sim.kill();
        Sim.waitForFinished(5000);
    }
};

TBench* Bench = nullptr;

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The first n one-byte parameters of the variable area; the simulator answers any of them.
TParamSet OneByteParams(int n)
{
    TParamSet params;
    for (int p = 0; p < EcuParamCount && int(params.count()) < n; ++p)
        if (ParamDefs[p].Size == 1 && ParamDefs[p].LowAddress > 0 && ParamDefs[p].LowAddress < 0x200)
            params.set(p);
    return params;
}

void BM_SerialCapture(benchmark::State& state)
{
    const int rate = static_cast<int>(state.range(0));
    const int n = static_cast<int>(state.range(1));
    const bool fast = state.range(2) != 0;
    const bool logged = state.range(3) != 0;
    QTemporaryDir logDir;
    TLogSession session;
    session.LoggingDirectory = [&] { return logDir.path(); };
    if (!Bench->SetRate(rate)) {
        state.SkipWithError("baud change failed");
        return;
    }
    TSerialEcuInterface& link = *Bench->Link;
    const TParamSet params = OneByteParams(n);
    const int addresses = static_cast<int>(TEcuInterface::BuildPollList(params, {}, {}).size());

    int rows = 0;
    bool running = true;
    QElapsedTimer clock;
    clock.start();
    qint64 lastRowNs = 0;
    link.OnParamValues = [&](const TParamSet& received, const TParamValues& values, const TParamRaw&,
                             const TSwitchSet&, const TSwitchSet& on) {
        ++rows;
        if (logged && session.Logging) {
            TParamValues shown = values;
            session.Units.ApplyConversions(shown, received);
            session.WriteReply(params, shown, received, {}, on, {}, TSensorValues{});
        }
        lastRowNs = clock.nsecsElapsed();
        if (!fast && running)
            link.PollParameters(params, {});  // the next request as soon as the reply is in
    };
    const int invalidBefore = link.InvalidReplies;
    double seconds = 0;
    if (logged)
        session.Start(params, {}, {});
    for (auto _ : state) {
        if (fast)
            link.StartFastPoll(params, {});
        else
            link.PollParameters(params, {});
        WaitFor([] { return false; }, WarmUpMs);
        // Rows are timed from the first after the warm-up to the last, so that a slow row
        // cut by the end of the run does not count against the rate.
        const int before = rows;
        WaitFor([&] { return rows > before; }, 5000);
        const int first = rows;
        const qint64 firstNs = lastRowNs;
        const double cpuBefore = CpuSeconds();
        WaitFor([] { return false; }, RunMs);
        const double cpu = CpuSeconds() - cpuBefore;
        seconds = (lastRowNs - firstNs) / 1e9;
        const int counted = rows - first;
        state.counters["cpu_us_per_row"] = counted > 0 ? cpu * 1e6 / counted : 0;
        running = false;
        if (fast)
            link.StopFastPoll();
        WaitFor([] { return false; }, 300);
        link.ClearPending();
        running = true;
        state.SetIterationTime(seconds);
        const double perRow = fast ? 6.0 + addresses : 13.0 + 4.0 * addresses;
        const double limit = rate / 10.0 / perRow;
        state.counters["rows_per_s"] = counted / seconds;
        state.counters["wire_limit"] = limit;
        state.counters["of_limit_pct"] = 100.0 * counted / seconds / limit;
    }
    state.counters["invalid"] = link.InvalidReplies - invalidBefore;
    link.OnParamValues = nullptr;
    if (session.Logging)
        session.Stop();
    state.SetLabel(QStringLiteral("%1 baud, %2 params, %3%4")
                       .arg(rate)
                       .arg(n)
                       .arg(fast ? "fast" : "polled", logged ? ", logged" : "")
                       .toStdString());
}
BENCHMARK(BM_SerialCapture)
    ->ArgNames({"baud", "params", "fast", "logged"})
    ->ArgsProduct({{4800, 38400}, {10, 30}, {0, 1}, {0, 1}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    TSettingsStore::Instance().Open(dir.filePath("bench.ini"));
    RestoreDefinitionTables();
    benchmark::Initialize(&argc, argv);
    TBench bench;
    if (!bench.Start()) {
        std::fprintf(stderr, "bench_serial: %s\n", qPrintable(bench.Error));
        return 1;
    }
    Bench = &bench;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Bench = nullptr;
    return 0;
}
