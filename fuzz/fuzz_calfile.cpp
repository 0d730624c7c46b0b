// The sensor calibration files (.cal), fed any bytes. What reads must come out ascending in
// volts, within the point limit, and write out as a file that reads back the same.
#include "CalFile.h"
#include "FuzzCommon.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInit();
    const TCalReadResult r =
        ReadCalFile(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!r.Ok) {
        if (r.Error.isEmpty() || !r.File.Points.empty())
            __builtin_trap(); // a refusal says why and hands over nothing
        return 0;
    }
    const auto& points = r.File.Points;
    if (int(points.size()) > MaxCalPoints)
        __builtin_trap();
    for (size_t i = 0; i < points.size(); ++i) {
        if (!std::isfinite(points[i].Volts) || !std::isfinite(points[i].Value))
            __builtin_trap();
        if (i > 0 && !(points[i - 1].Volts < points[i].Volts))
            __builtin_trap();
    }
    const TCalReadResult back = ReadCalFile(WriteCalFile(r.File));
    if (!back.Ok || back.File.Name != r.File.Name || back.File.Units != r.File.Units ||
        back.File.Points.size() != points.size())
        __builtin_trap();
    for (size_t i = 0; i < points.size(); ++i)
        if (back.File.Points[i].Volts != points[i].Volts || back.File.Points[i].Value != points[i].Value)
            __builtin_trap();
    return 0;
}
