// The emulated ECU fed request frames, as the simulator is by whatever a client sends.
#include "FakeEcu.h"
#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInit();
    TFuzzLink link;
    TFakeEcu ecu(1u);
    if (size > 0) {
        // The first byte picks the ECU type among those the emulator can play.
        const std::vector<int>& types = DemoEcuTypes;
        if (!types.empty())
            ecu.SetEcuType(types[data[0] % types.size()]);
        ++data;
        --size;
    }
    ecu.SetDemoActive(true);
    ecu.Connect(&link);
    link.Feed(data, size);
    link.ProcessRx();
    ecu.Connect(nullptr);
    return 0;
}
