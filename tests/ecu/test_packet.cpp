#include "EcuPacket.h"
#include "ScriptedLink.h"

#include <QTest>

#include <gtest/gtest.h>

#include <random>

TEST(Packet, KnownFrames)
{
    EXPECT_EQ(BuildPacket(0x10, 0xF0, {0xBF}), (TByteArray{0x80, 0x10, 0xF0, 0x01, 0xBF, 0x40}));
    EXPECT_EQ(BuildPacket(0x10, 0xF0, {0xB8, 0x00, 0x00, 0x60, 0x40}),
              (TByteArray{0x80, 0x10, 0xF0, 0x05, 0xB8, 0x00, 0x00, 0x60, 0x40, 0xDD}));
    // The length byte counts modulo 256 in the checksum as on the wire.
    EXPECT_EQ(PacketChecksum(0x10, 0xF0, {}), static_cast<uint8_t>(0x80 + 0x10 + 0xF0));
}

namespace {
// Feeds bytes and returns the data of every frame the receiver completes.
std::vector<TByteArray> Frames(const TByteArray& bytes, TEcuReceiver& rx)
{
    std::vector<TByteArray> out;
    for (uint8_t b : bytes)
        if (rx.Feed(b) == TEcuReceiver::rxFrame)
            out.emplace_back(rx.Data(), rx.Data() + rx.DataLength());
    return out;
}
TByteArray Cat(std::initializer_list<TByteArray> parts)
{
    TByteArray r;
    for (const auto& p : parts)
        r.insert(r.end(), p.begin(), p.end());
    return r;
}
} // namespace

TEST(Packet, ReceiverResynchronises)
{
    const TByteArray good = BuildPacket(0xF0, 0x10, {0xE8, 0x80, 0x12});  // 0x80 inside data
    TByteArray badSum = BuildPacket(0xF0, 0x10, {0xE8, 0x01});
    badSum.back() ^= 0xFF;
    TByteArray badDest = BuildPacket(0x11, 0x10, {0xE8, 0x01});

    struct Case {
        const char* Name;
        TByteArray Bytes;
        size_t Frames;
    } cases[] = {
        {"noise first", Cat({{0x00, 0x13, 0xFF, 0x7F}, good}), 1},
        {"0x80 inside data is data", good, 1},
        {"zero length, next byte from idle", Cat({{0x80, 0x10, 0xF0, 0x00}, good}), 1},
        {"destination 0x11 dropped", Cat({badDest, good}), 1},
        {"bad checksum dropped", Cat({badSum, good}), 1},
        {"bad source", Cat({{0x80, 0x10, 0x33}, good}), 1},
    };
    for (const auto& c : cases) {
        TEcuReceiver rx;
        const auto frames = Frames(c.Bytes, rx);
        ASSERT_EQ(frames.size(), c.Frames) << c.Name;
        EXPECT_EQ(frames.back(), (TByteArray{0xE8, 0x80, 0x12})) << c.Name;
        EXPECT_EQ(rx.State(), TEcuReceiver::rsIdle) << c.Name;
    }
}

TEST(Packet, ReceiverReportsSourceAndStopsTimer)
{
    TEcuReceiver rx;
    EXPECT_EQ(rx.Feed(0x55), TEcuReceiver::rxStopTimer);
    const TByteArray f = BuildPacket(0xF0, 0x01, {0xFF, 1, 2});
    for (size_t i = 0; i + 1 < f.size(); ++i)
        EXPECT_EQ(rx.Feed(f[i]), TEcuReceiver::rxContinue);
    EXPECT_EQ(rx.Feed(f.back()), TEcuReceiver::rxFrame);
    EXPECT_EQ(rx.Destination(), 0xF0);
    EXPECT_EQ(rx.Source(), 0x01);
}

// Random bytes, truncated frames, wrong checksums and zero lengths: the link neither
// crashes nor raises a single event.
TEST(Packet, GarbageNeverRaisesAnEvent)
{
    TScriptedLink link;
    int events = 0;
    auto count3 = [&](uint8_t, uint8_t, const TByteArray&) { ++events; };
    link.OnAnyRequest = count3;
    link.OnAnyResponse = count3;
    link.OnOtherSource = count3;
    link.OnUnknownCommand = count3;

    std::mt19937 rng(20261210);
    std::uniform_int_distribution<int> byte(0, 255), kind(0, 4);
    const uint8_t nodes[] = {0x01, 0x02, 0x10, 0x18, 0xF0};
    TByteArray stream;
    while (stream.size() < 400000) {
        switch (kind(rng)) {
        case 0:  // plain noise, with 0x80 headers sprinkled in
            for (int i = 0; i < 64; ++i)
                stream.push_back(byte(rng) < 16 ? 0x80 : static_cast<uint8_t>(byte(rng)));
            break;
        case 1: {  // a frame with a wrong checksum
            TByteArray data(1 + byte(rng) % 40);
            for (auto& d : data)
                d = static_cast<uint8_t>(byte(rng));
            TByteArray f = BuildPacket(nodes[byte(rng) % 5], nodes[byte(rng) % 5], data);
            f.back() = static_cast<uint8_t>(f.back() + 1 + byte(rng) % 255);
            stream.insert(stream.end(), f.begin(), f.end());
            break;
        }
        case 2:  // zero length
            stream.insert(stream.end(), {0x80, nodes[byte(rng) % 5], nodes[byte(rng) % 5], 0x00});
            break;
        case 3: {  // a truncated frame whose remainder is junk that completes it wrongly
            TByteArray f = BuildPacket(0xF0, 0x10, {0xE8, 1, 2, 3});
            const size_t cut = 1 + byte(rng) % (f.size() - 1);
            f.resize(cut);
            if (cut < 3)
                f.push_back(0x11);  // not a node address
            else if (cut == 3)
                f.push_back(0x00);  // zero length
            else {
                f.resize(8, 0x00);
                f.push_back(static_cast<uint8_t>(PacketChecksum(0xF0, 0x10, TByteArray(f.begin() + 4, f.end())) + 1));
            }
            stream.insert(stream.end(), f.begin(), f.end());
            break;
        }
        default:  // unknown node addresses
            stream.insert(stream.end(), {0x80, 0x11, 0xF0, 0x01, 0xBF, 0x41});
        }
    }
    for (size_t i = 0; i < stream.size(); i += 4096)
        link.Receive(TByteArray(stream.begin() + i,
                                stream.begin() + std::min(stream.size(), i + 4096)));
    EXPECT_EQ(events, 0);
    EXPECT_FALSE(link.Busy());
}

TEST(Packet, StalledFrameIsLost)
{
    TScriptedLink link;
    int replies = 0;
    link.OnAnyResponse = [&](uint8_t, uint8_t, const TByteArray&) { ++replies; };
    const TByteArray f = BuildPacket(0xF0, 0x10, {0xFF, 1, 2, 3});
    link.Receive(TByteArray(f.begin(), f.begin() + 4));  // up to the length byte
    QTest::qWait(600);
    link.Receive(TByteArray(f.begin() + 4, f.end()));
    EXPECT_EQ(replies, 0);
    link.Receive(f);  // the receiver is back in step
    EXPECT_EQ(replies, 1);
}
