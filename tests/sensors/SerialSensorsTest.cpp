#include "AP22.h"
#include "Errors.h"
#include "LM1.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

// ---------------------------------------------------------------- AP22

struct AP22Case {
    const char* Name;
    std::vector<QByteArray> Chunks;
    double Lat, Long;
};

TEST(AP22, LinesSetTheLastGoodPairAndKeepAPartialLine)
{
    const AP22Case cases[] = {
        {"one line", {"0.12 -0.34\r"}, 0.12, -0.34},
        {"one number only", {"0.5\r"}, 0, 0},
        {"two words", {"ab cd\r"}, 0, 0},
        {"leading blank", {" 0.5\r"}, 0, 0},
        {"not finite", {"nan 1\r", "1 inf\r"}, 0, 0},
        {"line feeds and blanks around", {"\n 0.25 0.5 \r\n"}, 0.25, 0.5},
        {"two lines in one event", {"0.1 0.2\r0.3 0.4\r"}, 0.3, 0.4},
        {"a bad line after a good one", {"0.1 0.2\rjunk\r"}, 0.1, 0.2},
        {"split line", {"0.1 0", ".2", "\r"}, 0.1, 0.2},
        {"no carriage return yet", {"0.1 0.2"}, 0, 0},
    };
    for (const AP22Case& c : cases) {
        TAP22 ap;
        for (const QByteArray& chunk : c.Chunks)
            ap.Receive(chunk);
        EXPECT_DOUBLE_EQ(ap.LatG(), c.Lat) << c.Name;
        EXPECT_DOUBLE_EQ(ap.LongG(), c.Long) << c.Name;
    }
}

TEST(AP22, ANoisyStreamWithoutCarriageReturnsStaysBounded)
{
    TAP22 ap;
    for (int i = 0; i < 100; ++i)
        ap.Receive(QByteArray(100, '7'));
    EXPECT_LE(ap.Pending(), TAP22::MaxLine);
    ap.Receive("\r0.7 0.8\r");
    EXPECT_DOUBLE_EQ(ap.LatG(), 0.7);
    EXPECT_EQ(ap.Pending(), 0);
}

// ---------------------------------------------------------------- Innovate

QByteArray LM1Packet(int f, int af, int l, int k = 1, int v = 0, std::array<int, 5> aux = {})
{
    QByteArray p;
    p += char(0x80 | (f << 2) | (af >> 7));
    p += char(af & 0x7F);
    p += char((l >> 7) & 0x3F);
    p += char(l & 0x7F);
    p += char((k << 3) | (v >> 7));
    p += char(v & 0x7F);
    for (int a : aux) {
        p += char((a >> 7) & 7);
        p += char(a & 0x7F);
    }
    return p;
}

// Devices set bits the decoder does not need: bit 1 of an LC-1's first byte, bit 4 of a
// chained header's first byte and bit 7 of its second. The encoders leave them clear unless
// asked, so that both forms are read.
bool GFixedBits = false;

QByteArray LC1Packet(int f, int af, int l)
{
    QByteArray p;
    p += char(0x40 | (GFixedBits ? 0x02 : 0) | (f << 2) | (af >> 7));
    p += char(af & 0x7F);
    p += char((l >> 7) & 0x3F);
    p += char(l & 0x7F);
    return p;
}

QByteArray AuxWord(int v)
{
    QByteArray p;
    p += char((v >> 7) & 0x3F);
    p += char(v & 0x7F);
    return p;
}

// A chained packet whose header declares `words` (by default what the body holds).
QByteArray Chained(const QByteArray& body, int words = -1)
{
    if (words < 0) words = int(body.size() / 2);
    QByteArray p;
    p += char(0xA2 | (GFixedBits ? 0x10 : 0) | ((words >> 7) & 1));
    p += char((GFixedBits ? 0x80 : 0) | (words & 0x7F));
    return p + body;
}

constexpr double None = std::numeric_limits<double>::quiet_NaN();

// Equal values, or both no value.
::testing::AssertionResult Same(double actual, double expected)
{
    if ((std::isnan(actual) && std::isnan(expected)) || actual == expected ||
        std::abs(actual - expected) <= 1e-12 * std::max(1.0, std::abs(expected)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual << " is not " << expected;
}

struct LM1Case {
    const char* Name;
    QByteArray Packet;
    int Status;
    double Lambda, AfrMult, AFR, O2, BatVolts;
};

TEST(Innovate, LM1PacketsAreDecoded)
{
    // Lambda and AFR are measurements only under function code 0, O2 only under 1; every
    // other code (warming up, calibrating, an error) carries none.
    const LM1Case cases[] = {
        {"F 0", LM1Packet(0, 147, 500), 0, 1.0, 14.7, 14.7, None, 0},
        {"F 1 holds O2", LM1Packet(1, 147, 209), 1, None, 14.7, None, 20.9, 0},
        {"F 2 free-air calibration", LM1Packet(2, 147, 209), 2, None, 14.7, None, None, 0},
        {"F 4 warming up", LM1Packet(4, 147, 700), 4, None, 14.7, None, None, 0},
        {"F 6 error", LM1Packet(6, 147, 3), 6, None, 14.7, None, None, 0},
        {"F above 8 reads 8", LM1Packet(12, 147, 209), 8, None, 14.7, None, None, 0},
        {"V 1023 K 1", LM1Packet(0, 147, 500, 1, 1023), 0, 1.0, 14.7, 14.7, None, 5.0},
        {"V 1023 K 0", LM1Packet(0, 147, 500, 0, 1023), 0, 1.0, 14.7, 14.7, None, 0},
        {"lean", LM1Packet(0, 147, 700, 3, 512), 0, 1.2, 14.7, 1.2 * 14.7, None, 512 * 15.0 / 1023},
    };
    for (const LM1Case& c : cases) {
        TLM1 lm;
        EXPECT_TRUE(std::isnan(lm.Lambda()) && std::isnan(lm.O2())) << "before any packet";
        lm.Receive(c.Packet + c.Packet);
        EXPECT_EQ(lm.Status(), c.Status) << c.Name;
        EXPECT_EQ(lm.LmStatus(), c.Status) << c.Name;
        EXPECT_EQ(lm.LcStatus(), -1) << c.Name;
        EXPECT_EQ(lm.PacketMode(), 1) << c.Name;
        EXPECT_TRUE(Same(lm.Lambda(), c.Lambda)) << c.Name;
        EXPECT_TRUE(Same(lm.AfrMult(), c.AfrMult)) << c.Name;
        EXPECT_TRUE(Same(lm.AFR(), c.AFR)) << c.Name;
        EXPECT_TRUE(Same(lm.O2(), c.O2)) << c.Name;
        EXPECT_TRUE(Same(lm.BatVolts(), c.BatVolts)) << c.Name;
        EXPECT_EQ(lm.Channels(), SensorChannelRange(lmLambda, 10)) << c.Name;
    }

    TLM1 lm;
    lm.Receive(LM1Packet(0, 147, 500, 1, 0, {0, 1, 512, 1000, 1023}));
    EXPECT_EQ(lm.GetLmAux(2), 512);
    EXPECT_EQ(lm.GetLmAux(4), 1023);
    EXPECT_THROW(
        {
            try {
                lm.GetLmAux(5);
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message, "LM Aux index out of range");
                throw;
            }
        },
        Exception);
    EXPECT_THROW(
        {
            try {
                lm.GetMtsAux(-1);
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message, "MTS Aux index out of range");
                throw;
            }
        },
        Exception);
}

TEST(Innovate, ChainedPacketsCarryLC1LM1AndAuxiliaryWords)
{
  for (bool fixedBits : {false, true}) {
    SCOPED_TRACE(fixedBits ? "as the devices frame it" : "fixed bits clear");
    GFixedBits = fixedBits;
    // LC-1 (2 words) then LM-1 (8 words): W = 10.
    TLM1 lm;
    const QByteArray chain = Chained(LC1Packet(0, 147, 400) + LM1Packet(1, 147, 209));
    lm.Receive(chain + chain);
    EXPECT_EQ(lm.PacketMode(), 2);
    EXPECT_DOUBLE_EQ(lm.LcLambda(), 0.9);
    EXPECT_DOUBLE_EQ(lm.LcAFR(), 0.9 * 14.7);
    EXPECT_DOUBLE_EQ(lm.O2(), 20.9);
    EXPECT_EQ(lm.Status(), 1); // the last sub-packet's
    EXPECT_EQ(lm.LcStatus(), 0); // each device keeps its own
    EXPECT_EQ(lm.LmStatus(), 1);
    EXPECT_TRUE(std::isnan(lm.Lambda()) && std::isnan(lm.LcO2()));
    EXPECT_EQ(TLM1::StatusName(lm.LcStatus()), "Normal");
    EXPECT_EQ(TLM1::StatusName(lm.LmStatus()), "O2 level");
    EXPECT_EQ(TLM1::StatusName(4), "Warming up");
    EXPECT_EQ(TLM1::StatusName(-1), "");
    EXPECT_EQ(lm.Channels(), SensorChannelRange(lmLambda, 14));

    // Six auxiliary words: the first five are kept.
    TLM1 mt;
    QByteArray words;
    for (int v : {10, 200, 300, 400, 1023, 77})
        words += AuxWord(v);
    mt.Receive(Chained(words) + Chained(words) + Chained({}).left(1));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(mt.GetMtsAux(i), (std::array{10, 200, 300, 400, 1023})[i]);
    EXPECT_EQ(mt.Channels(), SensorChannelRange(mtsAux0, 5));

    // The channel list is that of the first complete packet. (A chain as the devices frame
    // it is read once the byte after it has come.)
    mt.Receive(Chained(LC1Packet(0, 147, 500)) + Chained({}).left(1));
    EXPECT_EQ(mt.Channels(), SensorChannelRange(mtsAux0, 5));
    EXPECT_DOUBLE_EQ(mt.LcLambda(), 1.0);

    // Opened in the middle of a chain: its LM-1 sub-packet looks like a whole packet, so
    // the devices are taken from the next packet, which follows it directly.
    TLM1 late;
    late.Receive(chain.mid(6));
    EXPECT_EQ(late.Packets(), 1);
    EXPECT_TRUE(late.Channels().none());
    late.Receive(chain);
    EXPECT_EQ(late.Channels(), SensorChannelRange(lmLambda, 14));
  }
  GFixedBits = false;
}

struct StreamCase {
    const char* Name;
    std::vector<QByteArray> Chunks;
    int Packets;
    double Lambda; // of the last LM-1 decoded
};

TEST(Innovate, TheByteStreamIsAssembledWhateverItsChunking)
{
    const QByteArray a = LM1Packet(0, 147, 500);
    const QByteArray b = LM1Packet(0, 147, 600);
    const QByteArray chain = Chained(LC1Packet(0, 147, 500) + LM1Packet(0, 147, 700));
    std::vector<QByteArray> bytewise;
    for (char c : chain)
        bytewise.push_back(QByteArray(1, c));

    const StreamCase cases[] = {
        {"split over several reads", {a.left(3), a.mid(3, 9), a.mid(12)}, 1, 1.0},
        {"chained packet byte by byte", bytewise, 1, 1.2},
        {"two packets in one read", {a + b}, 2, 1.1},
        {"a packet and the start of the next", {a + b.left(5), b.mid(5)}, 2, 1.1},
        {"garbage before and between", {QByteArray("\x01\x02") + a + QByteArray("\x7f\x00\x10", 3) + chain}, 2, 1.2},
        {"incomplete packet waits", {a.left(15)}, 0, None},
        // The declared length ends inside the LM-1 sub-packet, or words are left over: the
        // chain is refused; its LM-1 sub-packet reads as a packet, and so does the next.
        {"sub-packet past the declared length", {Chained(LM1Packet(0, 147, 900), 3) + b}, 2, 1.1},
        // A word of no known form (bits 7-5 of 011): the chain is refused; its LM-1
        // sub-packet is then read as a packet of its own, as when opened mid-chain.
        {"unknown word", {Chained(QByteArray("\x60\x00", 2) + LM1Packet(0, 147, 700))}, 1, 1.2},
        {"words left over after the sub-packets", {Chained(LM1Packet(0, 147, 900), 9) + b}, 2, 1.1},
    };
    for (const StreamCase& c : cases) {
        TLM1 lm;
        for (const QByteArray& chunk : c.Chunks)
            lm.Receive(chunk);
        EXPECT_EQ(lm.Packets(), c.Packets) << c.Name;
        EXPECT_TRUE(Same(lm.Lambda(), c.Lambda)) << c.Name;
        EXPECT_LE(lm.Pending(), 2 + 2 * 255) << c.Name;
    }
}

// Line noise of every byte value between the packets: every reading is one the device
// sent, and no packet is lost to a noise byte with bit 7 set.
TEST(Innovate, NoiseOfEveryByteValueNeverMakesAReading)
{
    const QByteArray lm1 = LM1Packet(0, 147, 380, 3, 600, {100, 200, 300, 400, 500});
    const double lambda = 0.88, volts = 600 * 15.0 / 1023;
    for (bool fixedBits : {false, true}) {
        GFixedBits = fixedBits;
        const QByteArray chain = Chained(LC1Packet(0, 147, 380) + LM1Packet(0, 147, 380, 3, 600) +
                                         AuxWord(700));
        for (int noise = 0; noise < 256; ++noise) {
            for (const QByteArray& packet : {lm1, chain}) {
                SCOPED_TRACE(testing::Message() << "noise 0x" << std::hex << noise
                                                << (packet == lm1 ? " LM-1" : " chain")
                                                << (fixedBits ? " framed" : ""));
                TLM1 lm;
                int seen = 0;
                for (int i = 0; i < 6 + 40; ++i) {
                    // Noise before each of six packets, in the same read or a read of its
                    // own; then clean ones, as many as the longest chain could hold.
                    const QByteArray n(i < 6 ? 1 + (i % 3) : 0, char(noise));
                    if (i % 2) {
                        lm.Receive(n);
                        lm.Receive(packet);
                    } else {
                        lm.Receive(n + packet);
                    }
                    if (lm.Packets() == seen) continue;
                    seen = lm.Packets();
                    ASSERT_EQ(lm.Status(), 0);
                    ASSERT_DOUBLE_EQ(lm.Lambda(), lambda);
                    ASSERT_DOUBLE_EQ(lm.AFR(), lambda * 14.7);
                    ASSERT_TRUE(std::isnan(lm.O2()));
                    ASSERT_DOUBLE_EQ(lm.AfrMult(), 14.7);
                    ASSERT_DOUBLE_EQ(lm.BatVolts(), volts);
                    if (packet == chain) {
                        ASSERT_DOUBLE_EQ(lm.LcLambda(), lambda);
                        ASSERT_EQ(lm.GetMtsAux(0), 700);
                    } else {
                        ASSERT_EQ(lm.GetLmAux(4), 500);
                    }
                }
                // Noise that looks like a chained header can hold packets back while it
                // is told apart from them, but none is lost.
                EXPECT_EQ(lm.Packets(), 6 + 40);
            }
        }
    }
    GFixedBits = false;
}

TEST(Innovate, RandomBytesNeitherStallNorGrowTheBuffer)
{
    std::mt19937 rng(14);
    TLM1 lm;
    for (int i = 0; i < 2000; ++i) {
        QByteArray chunk(int(rng() % 40), '\0');
        for (char& c : chunk)
            c = char(rng());
        lm.Receive(chunk);
        ASSERT_LE(lm.Pending(), 2 + 2 * 255);
    }
    // Whatever it held, a clean stream gets through after at most one longest packet.
    const QByteArray good = LM1Packet(0, 147, 500);
    const int before = lm.Packets();
    for (int i = 0; i < 40; ++i)
        lm.Receive(good);
    EXPECT_GT(lm.Packets(), before);
    EXPECT_DOUBLE_EQ(lm.Lambda(), 1.0);
}

} // namespace
