// The road dyno's run files (.DDF), fed any bytes, and the calculation over what loads.
#include "DynoFiles.h"
#include "FuzzCommon.h"
#include "IgaCalcs.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInit();
    auto run = std::make_unique<TRunData>();
    const QString error = ParseRunFile(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), *run);
    if (error.isEmpty()) {
        auto calc = std::make_unique<TCalcData>();
        CalcRunData(*run, *calc, 10);
        InGearTime(*calc, 30, 70);
    }
    return 0;
}
