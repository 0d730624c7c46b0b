// The AP22 accelerometer's text stream, fed any bytes in chunks of any size, as the port
// hands them over. The first byte picks the chunk size (0: everything at once).
#include "AP22.h"
#include "FuzzCommon.h"

#include <algorithm>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInit();
    if (size == 0)
        return 0;
    const size_t chunk = data[0] % 64 == 0 ? size : data[0] % 64;
    TAP22 ap;
    for (size_t pos = 1; pos < size; pos += chunk) {
        const size_t n = std::min(chunk, size - pos);
        ap.Receive(QByteArray(reinterpret_cast<const char*>(data + pos), qsizetype(n)));
        if (ap.Pending() > TAP22::MaxLine + qsizetype(n))
            __builtin_trap(); // the partial line stays bounded
        if (!std::isfinite(ap.LatG()) || !std::isfinite(ap.LongG()))
            __builtin_trap();
    }
    return 0;
}
