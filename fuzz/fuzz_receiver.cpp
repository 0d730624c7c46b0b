// The frame receiver fed a byte stream, and the link's decoding of what it hears behind it:
// echoed requests, identification replies, read replies matched against the address list.
#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInit();
    TFuzzLink link;
    double sink = 0;
    link.OnParamValues = [&](const TParamSet& received, const TParamValues& values, const TParamRaw&,
                             const TSwitchSet&, const TSwitchSet&) {
        for (int p = 0; p < EcuParamCount; ++p)
            if (received.test(p))
                sink += values[p];
    };
    link.OnParamText = [&](const TParamSet&, const TParamTexts& texts) { sink += texts[0].size(); };
    link.OnReadAddressesResponse = [&](const TLongWordArray& a, int, const TByteArray& p) {
        sink += double(a.size() + p.size());
    };
    link.OnInitResponse = [&](uint8_t, uint8_t, const TByteArray& p) {
        int index = -1;
        sink += link.FindEcu(index) ? index : double(p.size());
    };
    link.OnReadBlockResponse = [&](int, const TByteArray& p) { sink += double(p.size()); };
    link.OnWriteAddressResponse = [&](uint8_t, uint8_t, const TByteArray& p, int, const TLongWordArray&) {
        sink += double(p.size());
    };
    if (size > 0) {
        // The first byte picks what is outstanding: nothing, a poll of some parameters and
        // switches, or a stream; the rest is the line.
        TParamSet params;
        TSwitchSet switches;
        for (int i = 0; i < EcuParamCount; i += 1 + data[0] % 7)
            params.set(i);
        for (int i = 0; i < EcuSwitchCount; i += 1 + data[0] % 5)
            switches.set(i);
        try {
            if (data[0] % 3 == 1)
                link.PollParameters(params, switches);
            else if (data[0] % 3 == 2)
                link.StartFastPoll(params, switches);
        } catch (const EEcuInterface&) {
            // Too many addresses for one request: refused by design, as the window expects.
        }
        ++data;
        --size;
    }
    link.Feed(data, size);
    link.ProcessRx();
    return sink == 12345.678 ? 1 : 0;
}
