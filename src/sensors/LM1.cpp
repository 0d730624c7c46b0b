#include "LM1.h"

#include "Errors.h"

#include <algorithm>
#include <limits>

namespace {

// The n-bit field of v whose highest bit is hi.
constexpr int Bits(uint8_t v, int hi, int n)
{
    return (v >> (hi + 1 - n)) & ((1 << n) - 1);
}

// The AFR multiplier and the mixture field of an LM-1 or LC-1 packet: lambda (and AFR) under
// function code 0, the oxygen level under 1. Under any other code the field holds a
// warm-up level, a countdown or an error code: no measurement at all.
void DecodeMixture(int status, int afField, int field, double& afrMult, double& lambda,
                   double& afr, double& o2)
{
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    afrMult = afField / 10.0;
    lambda = afr = o2 = none;
    if (status == 0) {
        lambda = (field + 500) / 1000.0;
        afr = lambda * afrMult;
    } else if (status == 1) {
        o2 = field / 10.0;
    }
}

constexpr bool IsChained(uint8_t b0)
{
    return (b0 & 0x22) == 0x22;
}

} // namespace

const char* const TLM1::StatusTexts[9] = {
    "Lambda valid and Aux data valid, normal operation.",
    "Lambda value contains O2 level in 1/10%",
    "Free air Calib in progress, Lambda data not valid",
    "Need Free air Calibration Request, Lambda data not valid",
    "Warming up, Lambda value is temp in 1/10% of operating temp.",
    "Heater Calibration,  Lambda value contains calibration countdown.",
    "Error code in Lambda value",
    "Lambda Value is Flash level in 1/10%",
    "Reserved",
};

TLM1::TLM1(QObject* parent) : TSerSensor(BaudRate, parent) {}

QString TLM1::StatusName(int status)
{
    static const char* const names[9] = {
        "Normal",       "O2 level",           "Free-air calibration", "Needs free-air calibration",
        "Warming up",   "Heater calibration", "Error",                "Flash level",
        "Reserved",
    };
    return status >= 0 && status <= 8 ? QString::fromLatin1(names[status]) : QString();
}

int TLM1::GetLmAux(int index) const
{
    if (index < 0 || index > 4) throw Exception(QStringLiteral("LM Aux index out of range"));
    return FLmAux[index];
}

int TLM1::GetMtsAux(int index) const
{
    if (index < 0 || index > 4) throw Exception(QStringLiteral("MTS Aux index out of range"));
    return FMtsAux[index];
}

TLM1::TCandidate TLM1::CheckPacket(const uint8_t* p, int size, int& length)
{
    // Bit 7 marks where a packet or an LM-1 sub-packet begins (and the second header byte of
    // a chained packet); every other byte uses bits 6-0 or fewer. A candidate that breaks
    // this, or whose words are not filled exactly by sub-packets of the known kinds, is not
    // a packet: a noise byte with bit 7 set before a real packet must not make a reading.
    auto clean = [&](int from, int to) {
        for (int i = from; i < std::min(to, size); ++i)
            if (p[i] & 0x80) return false;
        return true;
    };
    if (!IsChained(p[0])) {
        length = LM1PacketSize;
        if (!clean(1, LM1PacketSize)) return cdRefused;
        return size < LM1PacketSize ? cdIncomplete : cdPacket;
    }
    if (size < 2) return cdIncomplete;
    const int words = (p[0] & 1) * 128 + Bits(p[1], 6, 7);
    length = 2 + 2 * words;
    int offset = 2;
    while (offset < length && offset < size) {
        const uint8_t b = p[offset];
        int n;
        if ((b & 0xE0) == 0x40)
            n = LC1PacketSize;
        else if ((b & 0xA0) == 0x80)
            n = LM1PacketSize;
        else if ((b & 0xC0) == 0)
            n = 2;
        else
            return cdRefused; // a word of no known form
        if (offset + n > length) return cdRefused; // cut short by the declared length
        if (!clean(offset + 1, offset + n)) return cdRefused;
        offset += n;
    }
    return size < length ? cdIncomplete : cdPacket;
}

void TLM1::Receive(const QByteArray& chunk)
{
    RxBuffer += chunk;
    const auto* data = reinterpret_cast<const uint8_t*>(RxBuffer.constData());
    const int size = static_cast<int>(RxBuffer.size());
    int pos = 0;
    while (pos < size) {
        // Every packet starts with bit 7 set; anything else is skipped.
        if (!(data[pos] & 0x80)) {
            ++pos;
            FInStep = false;
            continue;
        }
        int length = 0;
        TCandidate candidate = CheckPacket(data + pos, size - pos, length);
        if (candidate == cdPacket && IsChained(data[pos]) && (data[pos + 1] & 0x80)) {
            // A noise byte that looks like a chained header, just before a real packet,
            // takes that packet's first byte for its second header byte. When the packet
            // read from that byte is sound too, the reading that ends later wins: a real
            // header's second byte begins no packet that reaches past the chain.
            int altLength = 0;
            const TCandidate alt = CheckPacket(data + pos + 1, size - pos - 1, altLength);
            if (alt != cdRefused && 1 + altLength > length) {
                if (alt == cdIncomplete) break; // wait until it is known
                candidate = cdRefused;
            }
        }
        if (candidate == cdIncomplete) break; // wait for more
        if (candidate == cdRefused) {
            // Not a packet: look for one from the next byte on.
            ++pos;
            FInStep = false;
            ++FRefused;
            continue;
        }
        const bool inStep = FInStep;
        const TSensorChannels before = FChannels;
        DecodePacket(data + pos, length);
        PacketReceived();
        pos += length;
        FInStep = true;
        // A reader that opens mid-stream may take the tail of a packet for a whole one,
        // so the devices are known from the first packet that follows another directly.
        if (inStep)
            FChannelsKnown = true;
        else if (!FChannelsKnown)
            FChannels = before;
    }
    // What is left is at most one incomplete packet (a chained one is at most 512 bytes).
    RxBuffer.remove(0, pos);
}

void TLM1::DecodePacket(const uint8_t* p, int length)
{
    if (!IsChained(p[0])) {
        FPacketMode = 1;
        DecodeLM1(p);
    } else {
        FPacketMode = 2;
        FMtsAuxCount = 0;
        // Checked already: the words are filled exactly by known sub-packets.
        int offset = 2;
        while (offset < length) {
            const uint8_t b = p[offset];
            if ((b & 0xE0) == 0x40) {
                DecodeLC1(p + offset);
                offset += LC1PacketSize;
            } else if ((b & 0xA0) == 0x80) {
                DecodeLM1(p + offset);
                offset += LM1PacketSize;
            } else {
                const int value = Bits(b, 5, 6) * 128 + Bits(p[offset + 1], 6, 7);
                if (FMtsAuxCount < 5) FMtsAux[FMtsAuxCount++] = value;
                if (!FChannelsKnown) FChannels |= SensorChannelRange(mtsAux0, InnovateAuxInputs);
                offset += 2;
            }
        }
    }
    ++FPackets;
}

void TLM1::DecodeLM1(const uint8_t* b)
{
    const int f = Bits(b[0], 5, 4);
    const int af = (b[0] & 1) * 128 + Bits(b[1], 6, 7);
    const int l = Bits(b[2], 5, 6) * 128 + Bits(b[3], 6, 7);
    const int k = Bits(b[4], 5, 3);
    const int v = Bits(b[4], 2, 3) * 128 + Bits(b[5], 6, 7);
    FStatus = static_cast<uint8_t>(f > 8 ? 8 : f);
    FLmStatus = FStatus;
    DecodeMixture(FStatus, af, l, FAfrMult, FLambda, FAFR, FO2);
    FBatVolts = v * 5.0 * k / 1023.0;
    for (int i = 0; i < InnovateAuxInputs; ++i)
        FLmAux[i] = Bits(b[6 + 2 * i], 2, 3) * 128 + Bits(b[7 + 2 * i], 6, 7);
    if (!FChannelsKnown) FChannels |= SensorChannelRange(lmLambda, 10);
}

void TLM1::DecodeLC1(const uint8_t* c)
{
    FStatus = static_cast<uint8_t>(Bits(c[0], 4, 3));
    FLcStatus = FStatus;
    const int af = (c[0] & 1) * 128 + Bits(c[1], 6, 7);
    const int l = Bits(c[2], 5, 6) * 128 + Bits(c[3], 6, 7);
    DecodeMixture(FStatus, af, l, FLcAfrMult, FLcLambda, FLcAFR, FLcO2);
    if (!FChannelsKnown) FChannels |= SensorChannelRange(lc_1_Lambda, 4);
}
