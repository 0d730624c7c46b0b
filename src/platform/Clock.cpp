#include "Clock.h"

#include <ctime>
#include <utility>

namespace {

TTickSource& Source()
{
    static TTickSource source;
    return source;
}

uint32_t SystemTicks()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
    return uint32_t(ms); // wraps every 49.7 days, as callers expect
}

} // namespace

uint32_t GetTickCount()
{
    const TTickSource& source = Source();
    return source ? source() : SystemTicks();
}

TTickSource SetTickSource(TTickSource source)
{
    return std::exchange(Source(), std::move(source));
}
