#pragma once

#include <cstdint>

// Milliseconds since system start, wrapping at 2^32 like the tick counter log time
// stamps and road-dyno timing were designed around.
uint32_t GetTickCount();
