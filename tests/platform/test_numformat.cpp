#include "Colours.h"
#include "Errors.h"
#include "NumFormat.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(NumFormat, FormatFixed)
{
    const struct {
        double value;
        int decimals;
        const char* text;
    } cases[] = {
        {12.3456, 2, "12.35"},
        {799.6, 0, "800"},
        {0.0, 2, "0.00"},
        {-0.0, 0, "0"},
        {-0.001, 2, "0.00"}, // no "-0.00"
        {-12.3456, 1, "-12.3"},
        {0.5, 0, "0"}, // halves go to the even neighbour
        {1.5, 0, "2"},
        {2.5, 0, "2"},
        {-2.5, 0, "-2"},
        {0.125, 2, "0.12"},
        {0.375, 2, "0.38"},
        {4.35, 1, "4.4"}, // the half as printed, though the double is a little below
        {1.015, 2, "1.02"},
        {0.6, 0, "1"},
        {9.996, 2, "10.00"},
        {1234567.0, 0, "1234567"},
        {123456.789, 3, "123456.790"}, // digits past the 8 significant ones are zeros
        {12345678.9, 2, "12345679.00"},
        {0.000123456789, 10, "0.0001234568"},
        {0.1, 3, "0.100"},
        {3.0, 12, "3.000000000000"},
        {12345678900.0, 2, "1.2345679E+10"}, // more than 8 integer digits
        {-1e10, 0, "-1.0000000E+10"},
        {99999999.6, 0, "1.0000000E+08"}, // rounding up adds the ninth digit
        {1e300, 1, "1.0000000E+300"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " / " << c.decimals);
        EXPECT_EQ(FormatFixed(c.value, c.decimals).toStdString(), c.text);
    }
    EXPECT_EQ(FormatFixed(std::nan(""), 2), "NAN");
    EXPECT_EQ(FormatFixed(-INFINITY, 2), "-INF");
}

TEST(NumFormat, StrToIntAndStrToFloat)
{
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt(" -17 "), -17);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("0xff"), 255);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_DOUBLE_EQ(StrToFloat("3.25"), 3.25);
    EXPECT_DOUBLE_EQ(StrToFloat("-.5e2"), -50.0);
    EXPECT_DOUBLE_EQ(StrToFloat(" 7 "), 7.0);

    for (const char* bad :
         {"", "abc", "12a", "1.5", "$", "0x", "2147483648", "$100000000", "1,000"}) {
        SCOPED_TRACE(bad);
        try {
            StrToInt(bad);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, QStringLiteral("'%1' is not a valid integer value").arg(bad));
        }
    }
    for (const char* bad : {"", "x", "1,5", "1.2.3", "nan", "inf", "1e", "1e999", "$10"}) {
        SCOPED_TRACE(bad);
        try {
            StrToFloat(bad);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message,
                      QStringLiteral("'%1' is not a valid floating point value").arg(bad));
        }
    }
}

TEST(NumFormat, FormatPictureOfAxisLabels)
{
    const std::pair<double, const char*> cases[] = {
        {1000000, "1000000"}, {2.5, "2.5"},   {0.125, "0.12"}, {-0.001, "0"},
        {-12.3456, "-12.35"}, {0, "0"},       {99.999, "100"}, {0.05, "0.05"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatPicture(value, 2), QString::fromLatin1(text)) << value;
}

TEST(NumFormat, RoundHalfEven)
{
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(127.5), 128);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
    EXPECT_EQ(RoundHalfEven(1e300), LLONG_MAX);
}

TEST(Colours, RefHoldsRedInTheLowByte)
{
    EXPECT_EQ(ColorToRef(QColor(0x12, 0x34, 0x56)), 0x00563412u);
    const QColor c = ColorFromRef(0x00563412);
    EXPECT_EQ(c, QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(ColorToRef(ColorFromRef(0x000000FF)), 0x000000FFu);
    EXPECT_EQ(ColorFromRef(0x00FF0000), QColor(Qt::blue));
}

TEST(Colours, BlendRoundsHalvesToEven)
{
    EXPECT_EQ(Blend(Qt::red, Qt::blue, 0.5), QColor(128, 0, 128));
    EXPECT_EQ(Blend(QColor(10, 20, 30), QColor(200, 100, 0), 0.0), QColor(10, 20, 30));
    EXPECT_EQ(Blend(QColor(10, 20, 30), QColor(200, 100, 0), 1.0), QColor(200, 100, 0));
    EXPECT_EQ(Blend(QColor(0, 1, 3), QColor(1, 2, 4), 0.5), QColor(0, 2, 4));
    EXPECT_EQ(Blend(QColor(0, 0, 0), QColor(255, 255, 255), 0.25), QColor(64, 64, 64));
}
