#include "Errors.h"
#include "GenFuncs.h"
#include "Settings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
const TByteArray Five = {0x16, 0x44, 0x50, 0x04, 0x05};
}

TEST(GenFuncs, HexDumpGroups)
{
    EXPECT_EQ(HexDump(Five, 1), "16 44 50 04 05 ");
    EXPECT_EQ(HexDump(Five, 2), "1644 5004 "); // the partial group is left out
    EXPECT_EQ(HexDump(Five, 4), "16445004 ");
    EXPECT_EQ(HexDump(Five, 8), "");
    EXPECT_EQ(HexDump({0xAB, 0xcd}), "AB CD ");
}

TEST(GenFuncs, HexDumpWithAddresses)
{
    TByteArray bytes;
    for (int i = 0; i < 20; ++i)
        bytes.push_back(uint8_t(i));
    EXPECT_EQ(HexDumpAddr(bytes, 1, 16, 0),
              "$0000    00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \r\n"
              "$0010    10 11 12 13 ");
    // The address counts groups from start, four hex digits at least.
    EXPECT_EQ(HexDumpAddr(Five, 2, 1, 0xFFFF), "$FFFF    1644 \r\n$10000    5004 ");
    EXPECT_EQ(HexDumpAddr(TByteArray(32, 0xEE), 1, 32, 0x1A0).left(14), "$01A0    EE EE");
    EXPECT_EQ(HexDumpAddr({}, 1, 16), "");
}

TEST(GenFuncs, BitsAndSwaps)
{
    EXPECT_TRUE(BitTest(0x80, 7));
    EXPECT_FALSE(BitTest(0x7F, 7));
    EXPECT_TRUE(BitTest(0x01, 0));
    uint8_t b = 0x0F;
    BitSet(b, 7, true);
    BitSet(b, 0, false);
    EXPECT_EQ(b, 0x8E);
    BitSet(b, 7, true); // already set
    EXPECT_EQ(b, 0x8E);
    EXPECT_EQ(Swap16(0x1234), 0x3412);
    EXPECT_EQ(Swap32(0x12345678u), 0x78563412u);
    EXPECT_EQ(Swap32(0xFF000001u), 0x010000FFu);
}

TEST(GenFuncs, AddressStrings)
{
    EXPECT_EQ(AddrToString(0x12ABCD), (TByteArray{0x12, 0xAB, 0xCD}));
    EXPECT_EQ(AddrToString(0xFF000061), (TByteArray{0x00, 0x00, 0x61})); // 24 bits only
    EXPECT_EQ(StringToAddr({0x12, 0xAB, 0xCD}), 0x12ABCDu);
    for (const TByteArray& bad : {TByteArray{}, TByteArray{1, 2}, TByteArray{1, 2, 3, 4}}) {
        try {
            StringToAddr(bad);
            ADD_FAILURE() << "no error for " << bad.size() << " bytes";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "StringToAddr: String must be 3 chars long.");
        }
    }
}

TEST(GenFuncs, BytesAndBuffers)
{
    const uint32_t word = 0x11223344;
    const TByteArray bytes = BufferToBytes(&word, 4);
    ASSERT_EQ(bytes.size(), 4u);
    uint32_t back = 0;
    BytesToBuffer(bytes, &back, 4);
    EXPECT_EQ(back, word);
    uint8_t small[2] = {0, 0xEE};
    BytesToBuffer(bytes, small, 1); // only n bytes are copied
    EXPECT_EQ(small[1], 0xEE);
    EXPECT_TRUE(BufferToBytes(&word, 0).empty());
}

TEST(GenFuncs, ReadBoolSettingDefaultsToFalse)
{
    QTemporaryDir dir;
    TSettingsStore::Instance().Open(dir.filePath("s.ini"));
    const QString key = "SOFTWARE/Morvane/Quillon";
    TSettingsStore::Instance().WriteBool(key, "Yes", true);
    TSettingsStore::Instance().WriteString(key, "Junk", "maybe");
    EXPECT_TRUE(ReadBoolSetting(key, "Yes"));
    EXPECT_FALSE(ReadBoolSetting(key, "Junk"));
    EXPECT_FALSE(ReadBoolSetting(key, "Missing"));
}
