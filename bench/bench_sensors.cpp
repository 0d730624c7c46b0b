// Decoding cost of the serial sensor streams, per byte, over chunk sizes a USB serial
// adapter delivers (1 byte to a whole buffer).
#include "AP22.h"
#include "LM1.h"

#include <benchmark/benchmark.h>

namespace {

QByteArray InnovateStream(int packets, bool deviceFraming)
{
    // A chained packet: LC-1 (2 words) + LM-1 (8 words) + 5 auxiliary words; framed as the
    // devices send it (header b2 8f, LC-1 43), or with those fixed bits clear.
    QByteArray p = QByteArray::fromHex(deviceFraming
                                           ? "b28f4313037481130374080000000000000000000000"
                                             "000100020003000400050000"
                                           : "a20f4113037481130374080000000000000000000000"
                                             "000100020003000400050000");
    p.truncate(2 + 2 * 15);
    QByteArray s;
    for (int i = 0; i < packets; ++i)
        s += p;
    return s;
}

void BM_InnovateReceive(benchmark::State& state)
{
    const QByteArray stream = InnovateStream(256, state.range(1) != 0);
    const int chunk = int(state.range(0));
    TLM1 lm;
    for (auto _ : state) {
        for (qsizetype pos = 0; pos < stream.size(); pos += chunk)
            lm.Receive(stream.mid(pos, chunk));
        benchmark::DoNotOptimize(lm.Lambda());
    }
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(BM_InnovateReceive)->ArgsProduct({{1, 16, 4096}, {0, 1}})->ArgNames({"chunk", "framed"});

void BM_AP22Receive(benchmark::State& state)
{
    QByteArray stream;
    for (int i = 0; i < 256; ++i)
        stream += "0.123 -0.456\r";
    const int chunk = int(state.range(0));
    TAP22 ap;
    for (auto _ : state) {
        for (qsizetype pos = 0; pos < stream.size(); pos += chunk)
            ap.Receive(stream.mid(pos, chunk));
        benchmark::DoNotOptimize(ap.LatG());
    }
    state.SetBytesProcessed(state.iterations() * stream.size());
}
BENCHMARK(BM_AP22Receive)->Arg(1)->Arg(16)->Arg(4096);

} // namespace

BENCHMARK_MAIN();
