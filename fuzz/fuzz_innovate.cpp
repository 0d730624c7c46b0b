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
        // A value is a finite number or no value (NaN: not sent, or not a measurement
        // under the device's function code); never an infinity.
        for (double v : values)
            if (std::isinf(v))
                __builtin_trap();
        const auto measured = [](double v) { return !std::isnan(v); };
        if ((measured(lm.Lambda()) != (lm.LmStatus() == 0)) ||
            (measured(lm.O2()) != (lm.LmStatus() == 1)) ||
            (measured(lm.LcLambda()) != (lm.LcStatus() == 0)) ||
            (measured(lm.LcO2()) != (lm.LcStatus() == 1)))
            __builtin_trap();
        // LM-1 auxiliary counts are 10-bit; an MT1 word carries up to 13 bits (6 + 7).
        for (int i = 0; i < 5; ++i)
            if (lm.GetLmAux(i) < 0 || lm.GetLmAux(i) > 1023 || lm.GetMtsAux(i) < 0 ||
                lm.GetMtsAux(i) > 8191)
                __builtin_trap();
    });
    return 0;
}
