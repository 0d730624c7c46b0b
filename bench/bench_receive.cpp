// Receive-and-decode path of the link: the bytes of a 60-address read reply go through
// the receive state machine, reply decoding and value scaling to OnParamValues.

#include "EcuConstData.h"
#include "EcuInterface.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include "Settings.h"

#include <benchmark/benchmark.h>

namespace {
class TBenchLink : public TEcuInterface {
public:
    int Read(uint8_t* buffer, int count) override
    {
        int n = 0;
        while (n < count && Pos < Rx.size())
            buffer[n++] = Rx[Pos++];
        return n;
    }
    bool GetActive() const override { return true; }
    void SetActive(bool) override {}
    int GetBaudRate() const override { return 4800; }
    uint8_t GetParity() const override { return 0; }
    std::function<void()> GetRxEventHandler() const override { return {}; }
    void SetRxEventHandler(std::function<void()>) override {}
    bool PortReady() const override { return true; }
    void SetRxThreshold(int) override {}
    QString GetDescription() const override { return {}; }
    int FlushRxBuf() override { return 0; }

    TByteArray Rx;
    size_t Pos = 0;
};

void BM_ReceiveReadReply60(benchmark::State& state)
{
    TBenchLink link;
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
        link.Rx = frame;
        link.Pos = 0;
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
