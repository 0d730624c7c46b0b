// The Innovate stream (LM-1 packets, chained LM-1 / LC-1 / MT1 packets), fed any bytes in
// chunks of any size. The first byte picks the chunk size (bits 0-5, 0: everything at
// once) and whether the LM-1 auxiliary input carries RPM (bit 6).
#include "FuzzCommon.h"
#include "LM1.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInit();
    if (size == 0)
        return 0;
    TLM1 lm;
    lm.SetGetRPM(data[0] & 0x40);
    constexpr qsizetype LongestPacket = 2 + 2 * 255; // a chained header and 255 words
    FeedInChunks(data, size, [&](const QByteArray& chunk) {
        lm.Receive(chunk);
        if (lm.Pending() > LongestPacket || lm.Status() > 8)
            __builtin_trap();
        const double values[] = {lm.Lambda(), lm.O2(),       lm.AfrMult(),   lm.AFR(),
                                 lm.BatVolts(), lm.LcLambda(), lm.LcO2(),    lm.LcAfrMult(),
                                 lm.LcAFR()};
        for (double v : values)
            if (!std::isfinite(v))
                __builtin_trap();
        // LM-1 auxiliary counts are 10-bit; an MT1 word carries up to 13 bits (6 + 7).
        for (int i = 0; i < 5; ++i)
            if (lm.GetLmAux(i) < 0 || lm.GetLmAux(i) > 1023 || lm.GetMtsAux(i) < 0 ||
                lm.GetMtsAux(i) > 8191)
                __builtin_trap();
    });
    return 0;
}
