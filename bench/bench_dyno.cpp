// CalcRunData on a full trace (20000 samples) at each smoothing level the window offers.
#include "IgaCalcs.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

namespace {

std::unique_ptr<TRunData> FullRun()
{
    auto run = std::make_unique<TRunData>();
    SetDefaultSetup(*run);
    // A slow pull that peaks at the end, so that the whole trace is used.
    for (int i = 0; i < MaxRevSamples; ++i)
        run->Samples[i] = {i * 0.012, 2000 + 5100 * std::sin(i * 1.5707 / MaxRevSamples)};
    run->SampleCount = MaxRevSamples;
    return run;
}

void BM_CalcRunData(benchmark::State& state)
{
    const auto run = FullRun();
    TCalcData calc;
    for (auto _ : state) {
        CalcRunData(*run, calc, int(state.range(0)));
        benchmark::DoNotOptimize(calc.MaxWheelPower);
    }
    state.SetItemsProcessed(state.iterations() * MaxRevSamples);
}
BENCHMARK(BM_CalcRunData)->Arg(6)->Arg(10)->Arg(20)->Arg(30)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
