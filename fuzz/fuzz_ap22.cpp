// The AP22 accelerometer's text stream, fed any bytes in chunks of any size, as the port
// hands them over. The first byte picks the chunk size (0: everything at once).
#include "AP22.h"
#include "FuzzCommon.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInit();
    TAP22 ap;
    FeedInChunks(data, size, [&](const QByteArray& chunk) {
        ap.Receive(chunk);
        if (ap.Pending() > TAP22::MaxLine + chunk.size())
            __builtin_trap(); // the partial line stays bounded
        if (!std::isfinite(ap.LatG()) || !std::isfinite(ap.LongG()))
            __builtin_trap();
    });
    return 0;
}
