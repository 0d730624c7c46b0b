#include "TextCodec.h"

#include <gtest/gtest.h>

TEST(TextCodec, EveryByteSurvivesDecodeAndEncode)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    const QString text = FromWin1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(ToWin1252(text), all);
}

TEST(TextCodec, MapsTheWindowsCharacters)
{
    const struct {
        uint8_t byte;
        char16_t unicode;
    } cases[] = {
        {0x41, u'A'},      {0x80, u'\u20AC'}, {0x81, u'\u0081'},
        {0x8D, u'\u008D'}, {0x92, u'\u2019'}, {0x9F, u'\u0178'},
        {0xA0, u'\u00A0'}, {0xB0, u'\u00B0'}, {0xFF, u'\u00FF'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.byte);
        EXPECT_EQ(FromWin1252(QByteArray(1, char(c.byte))), QString(QChar(c.unicode)));
        EXPECT_EQ(ToWin1252(QString(QChar(c.unicode))), QByteArray(1, char(c.byte)));
    }
    EXPECT_EQ(ToWin1252(QStringLiteral("20°C")), QByteArray("20\xB0"
                                                            "C"));
}

TEST(TextCodec, UnmappableCharactersBecomeQuestionMarks)
{
    // U+0080 has no byte (0x80 is the euro sign); U+1F600 is one character of two units.
    EXPECT_EQ(ToWin1252(QStringLiteral("a\u0080b\u0101c") + QString::fromUcs4(U"\U0001F600")),
              QByteArray("a?b?c?"));
}
