// Receive-and-decode path of the link: the bytes of a 60-address read reply go through
// the receive state machine, reply decoding and value scaling to OnParamValues.

#include "BufferLink.h"
#include "EcuConstData.h"
#include "EcuInterface.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include "Settings.h"

#include <benchmark/benchmark.h>

namespace {
void BM_ReceiveReadReply60(benchmark::State& state)
{
    TBufferLink link;
    // 60 addresses: one-byte and two-byte parameters with an address in the variable area,
    // then the switch bytes, as a busy capture would ask for them.
    TParamSet params;
    for (int p = 0; p < EcuParamCount; ++p)
        if (ParamDefs[p].LowAddress < 0x200 && ParamDefs[p].Size != 4)
            params.set(p);
    TSwitchSet switches;
    for (int s = 0; s < EcuSwitchCount; ++s)
        switches.set(s);
    TLongWordArray list = TEcuInterface::BuildPollList(params, switches, {});
    list.resize(60);
    link.AddressList = list;

    TByteArray data{0xE8};
    for (int i = 0; i < 60; ++i)
        data.push_back(static_cast<uint8_t>(i * 37));
    const TByteArray frame = BuildPacket(0xF0, 0x10, data);

    int events = 0;
    double sink = 0;
    link.OnParamValues = [&](const TParamSet&, const TParamValues& v, const TParamRaw&,
                             const TSwitchSet&, const TSwitchSet&) {
        ++events;
        sink += v[epEngspd];
    };
    for (auto _ : state) {
        link.Feed(frame.data(), frame.size());
        link.ProcessRx();
    }
    benchmark::DoNotOptimize(sink);
    if (events != static_cast<int>(state.iterations()))
        state.SkipWithError("reply was not decoded");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.size()));
}
BENCHMARK(BM_ReceiveReadReply60);
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    TSettingsStore::Instance().Open(dir.filePath("bench.ini"));
    RestoreDefinitionTables();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
