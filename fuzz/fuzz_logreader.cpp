// The CSV log reader of the log viewer, fed any file.
#include "FuzzCommon.h"
#include "LogReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInit();
    const TLogReadResult result = ReadLog(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    return result.Usable && result.Messages.size() > 1000000 ? 1 : 0;
}
