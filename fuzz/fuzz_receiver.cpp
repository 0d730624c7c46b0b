// The frame receiver fed a byte stream, and the link's decoding of what it hears behind it:
// echoed requests, identification replies, read replies matched against the address list.
//
// The first byte picks what is outstanding (below). With its bit 7 clear the rest is the
// line, heard in one go. With bit 7 set the rest is a series of bursts, each
// [silence before it, in tens of ms][length][bytes], so that the stalled-frame reset runs
// where a real line would fall silent for its 500 ms.
#include "FuzzCommon.h"

#include <algorithm>

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
        // switches, or a stream; bit 7 says how the rest is heard.
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
    }
    if (size == 0 || !(data[0] & 0x80)) {
        if (size > 0) {
            ++data;
            --size;
        }
        link.Feed(data, size);
        link.ProcessRx();
        return sink == 12345.678 ? 1 : 0;
    }
    constexpr uint32_t StallMs = 500; // the link's packet-complete time
    size_t pos = 1;
    while (pos + 2 <= size) {
        const uint32_t silence = uint32_t(data[pos]) * 10;
        const size_t length = std::min<size_t>(data[pos + 1], size - pos - 2);
        pos += 2;
        FuzzNow() += silence;
        if (silence >= StallMs)
            link.ResetReceiver();
        link.Feed(data + pos, length);
        link.ProcessRx();
        pos += length;
    }
    return sink == 12345.678 ? 1 : 0;
}
