#pragma once

#include <cstdint>
#include <functional>

// Milliseconds since system start, wrapping at 2^32 like the tick counter log time
// stamps and road-dyno timing were designed around.
uint32_t GetTickCount();

// Replaces the counter, so that a test can put it where it likes (just before a wrap) and
// everything that reads the time follows one clock. Empty = the system's counter. Returns
// the previous source. User-interface thread only.
using TTickSource = std::function<uint32_t()>;
TTickSource SetTickSource(TTickSource source);
