// Conversions, ECU lookup, identification adjustments and the table loader's errors.
#include "EcuConstData.h"
#include "EcuConstFuncs.h"

#include "Errors.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Raw value as the link assembles it: the byte at the lowest address is the lowest byte.
uint32_t RawInAddressOrder(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3)
{
    return b0 | b1 << 8 | b2 << 16 | uint32_t(b3) << 24;
}

// Identification changes the address fields in place; every test here starts and ends
// with the tables as restored at program start.
class EcuAdjustments : public ::testing::Test {
  protected:
    void SetUp() override { RestoreDefinitionTables(); }
    void TearDown() override { RestoreDefinitionTables(); }
};

} // namespace

TEST(ScaleParam, IntegerAndFloatValues)
{
    ASSERT_EQ(ParamDefs[epEngLoad2004].Size, 4);
    ASSERT_EQ(ParamDefs[epEngLoad2004].Offset, 0);
    ASSERT_EQ(ParamDefs[epEngLoad2004].Multiplier, 1.0);
    struct {
        TEcuParam p;
        uint32_t raw;
        double value;
    } cases[] = {
        {epEngspd, 0x0C80, 800}, // 3200 * 0.25
        {epAirTemp, 100, 60},    // offset -40
        {epCooltemp, 0, -40},
        {epEngLoad2004, RawInAddressOrder(0x42, 0xC8, 0x00, 0x00), 100}, // IEEE 100.0f
        {epEngLoad2004, RawInAddressOrder(0x3E, 0xB3, 0x33, 0x33),
         0.35f}, // the emulator's RAM pattern
        {epEngLoad2004, RawInAddressOrder(0xC2, 0xC8, 0x00, 0x00), -100},
        {epEngLoad2004, RawInAddressOrder(0x7F, 0xC0, 0x00, 0x00), -1}, // NaN
        {epEngLoad2004, RawInAddressOrder(0x7F, 0x80, 0x00, 0x00), -1}, // +inf
        {epEngLoad2004, RawInAddressOrder(0xFF, 0x80, 0x00, 0x00), -1}, // -inf
        {epBoostErr2004, RawInAddressOrder(0x42, 0xC8, 0x00, 0x00), 100 * 0.01933677},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(ScaleParam(c.p, c.raw), c.value)
            << ParamDefs[c.p].Name.toStdString() << " raw " << c.raw;
}

TEST(ParamValueText, DecimalsSignificantDigitsAndHalves)
{
    ASSERT_EQ(ParamDefs[epMap].Decimals, 2);
    ASSERT_EQ(ParamDefs[epEngspd].Decimals, 0);
    ASSERT_EQ(ParamDefs[epIgntim].Decimals, 1);
    struct {
        TEcuParam p;
        double value;
        const char* text;
    } cases[] = {
        {epMap, 12.3456, "12.35"},
        {epEngspd, 799.6, "800"},
        {epMap, 14.7, "14.70"},
        {epEngspd, 2.5, "2"}, // halves go to the even neighbour
        {epEngspd, 3.5, "4"},
        {epIgntim, -2.25, "-2.2"},
        {epIgntim, -0.04, "0.0"},
        {epMap, 123456.789, "123456.79"},   // 8 significant digits
        {epMap, 1234567.891, "1234567.90"}, // the ninth digit becomes 0
        {epMap, 0.000123456789, "0.00"},
        {epEngspd, 99999999.4, "99999999"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParamValueText(c.p, c.value), QString::fromLatin1(c.text)) << c.value;
    EXPECT_TRUE(ParamValueText(epEngspd, 123456789.0).contains('E'));
}

TEST(FindEcu, ExactFiveByteMatchOnly)
{
    int index = -1;
    const TByteArray id = EcuIds[DefaultDemoEcu].RomId;
    ASSERT_TRUE(FindEcu(id, index));
    EXPECT_EQ(index, DefaultDemoEcu);

    TByteArray other = id;
    other[4] ^= 0x01;
    index = -7;
    EXPECT_FALSE(FindEcu(other, index));
    EXPECT_EQ(index, -7);
    EXPECT_FALSE(FindEcu(TByteArray(id.begin(), id.begin() + 4), index));
    EXPECT_FALSE(FindEcu({}, index)); // empty slots have no ROM id and match nothing
}

TEST_F(EcuAdjustments, QuotedOverrideRowsMoveTheAddressAndMakeTheParameterSupported)
{
    struct {
        int ecu;
        TEcuParam p;
        bool two;
        int address;
    } rows[] = {
        {52, epTDBoostErr2002, false, 0x020C46},     {124, epTDBoostErr2002, false, 0x020C46},
        {59, epTDBoostErr2002, false, 0x020C04},     {118, epTDBoostErr2002, false, 0x020C04},
        {58, epBoostErr2002, true, 0x020E88},        {108, epBoostErr2002, true, 0x020E88},
        {207, epBoostErr2004, false, 0xFF6400},      {239, epBoostErr2004, false, 0xFF6400},
        {227, epBoostErr2004, false, 0xFF63C4},      {237, epBoostErr2004, false, 0xFF63C4},
        {81, epWgTDProp2002, true, 0x020E16},        {81, epWgTDIntNeg2002, true, 0x020E2C},
        {81, epWgTDIntPos2002, true, 0x020E2E},      {81, epFuelLookup2002, true, 0x020B94},
        {15, epFuelLookupFinal2002, true, 0x020B42}, {79, epFuelLookupFinal2002, true, 0x020B8E},
        {188, epIgnMergeK, false, 0xFF61C4},         {213, epIgnMergeK, false, 0xFF750C},
        {214, epIgnMergeK, false, 0xFF750C},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message()
                     << "ECU " << r.ecu << " " << ParamDefs[r.p].Name.toStdString());
        RestoreDefinitionTables();
        const int highBefore = ParamDefs[r.p].HighAddress;
        TParamSet supported;
        ApplyEcuAdjustments(r.ecu, supported);
        EXPECT_TRUE(supported.test(r.p));
        if (r.two) {
            EXPECT_EQ(ParamDefs[r.p].HighAddress, r.address);
            EXPECT_EQ(ParamDefs[r.p].LowAddress, r.address + 1);
        } else {
            EXPECT_EQ(ParamDefs[r.p].LowAddress, r.address);
            EXPECT_EQ(ParamDefs[r.p].HighAddress, highBefore);
        }
    }
}

TEST_F(EcuAdjustments, AddressesKeepTheLastIdentifiedEcusValues)
{
    TParamSet supported;
    ApplyEcuAdjustments(79, supported);
    ApplyEcuAdjustments(15, supported);
    EXPECT_EQ(ParamDefs[epFuelLookupFinal2002].HighAddress, 0x020B42);
    EXPECT_EQ(ParamDefs[epFuelLookupFinal2002].LowAddress, 0x020B43);

    TParamSet fresh;
    ApplyEcuAdjustments(DefaultDemoEcu, fresh); // no entry for this parameter
    EXPECT_FALSE(fresh.test(epFuelLookupFinal2002));
    EXPECT_EQ(ParamDefs[epFuelLookupFinal2002].HighAddress, 0x020B42);

    RestoreDefinitionTables();
    EXPECT_NE(ParamDefs[epFuelLookupFinal2002].HighAddress, 0x020B8E)
        << "restore brings the original back";
    ApplyEcuAdjustments(79, supported);
    const int after79 = ParamDefs[epFuelLookupFinal2002].HighAddress;
    RestoreDefinitionTables();
    EXPECT_NE(ParamDefs[epFuelLookupFinal2002].HighAddress, after79);
}

TEST_F(EcuAdjustments, ExtraSupportedParameterLists)
{
    auto supportedFor = [](int e) {
        TParamSet s;
        ApplyEcuAdjustments(e, s);
        return s;
    };
    for (int e : {0, 6, 13, 86}) {
        const TParamSet s = supportedFor(e);
        EXPECT_TRUE(s.test(epMap) && s.test(epThrotAn)) << e;
    }
    for (int e : {59, 79, 81, 118}) {
        const TParamSet s = supportedFor(e);
        for (int p = epGearManTS; p <= epUC4TS; ++p)
            EXPECT_TRUE(s.test(p)) << e << " " << p;
    }
    const TParamSet none = supportedFor(DefaultDemoEcu);
    EXPECT_FALSE(none.test(epMap) || none.test(epThrotAn) || none.test(epGearManTS) ||
                 none.test(epUC4TS));
    EXPECT_TRUE(supportedFor(-1).none());
    EXPECT_TRUE(supportedFor(EcuIdCount).none());

    // an ECU that is in neither list and has no override changes nothing
    TParamSet untouched;
    untouched.set(epEngspd);
    ApplyEcuAdjustments(72, untouched);
    EXPECT_EQ(untouched.count(), 1u);
}

// A hand edit that breaks a file must be reported with the file and line, and must leave
// the tables as they were.
TEST_F(EcuAdjustments, MalformedTablesAreRejectedWithFileAndLine)
{
    struct {
        const char* file;
        const char* find;
        const char* replace;
        const char* message;
    } cases[] = {
        {"params.tsv", "epAfc\t", "epAfc2\t", "identifier epAfc expected"},
        {"params.tsv", "\t0.25\t", "\tquarter\t", "not a valid number"},
        {"params.tsv", "\t700\t7000", "\t7000\t700", "minimum must be below maximum"},
        {"params.tsv", "\t0x0E\t0x0F", "\t-\t0x0F", "high-byte address"},
        {"switches.tsv", "\t0x121\t", "\t0x122\t", "outside"},
        {"ecuids.tsv", "\tDevTestUnitA", "\tDev Test Unit A", "no blanks or slashes"},
        {"ecuinit.tsv", "\tA1 10 11", "\tA1 10 1G", "hex bytes"},
        {"nonobdcodes.tsv", "11\t1\t3\t", "11\t1\t4\t", "byte 1 bit 3"},
        {"obdcodes.tsv", "\tP0100\t", "\tP0100\textra\t", "5 columns expected"},
        {"adjustments.tsv", "\tepBoostErr2002\tpair", "\tepBoostErr2002\tlow", "kind pair"},
        {"adjustments.tsv", "52,58,60", "52,58,600", "not an ECU index"},
        {"adjustments.tsv", "\tepTDBoostErr2002\t", "\tepNoSuchThing\t",
         "unknown parameter epNoSuchThing"},
    };
    const QString nameBefore = ParamDefs[epAfc].Name;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const QString file = QString::fromLatin1(c.file);
        const QByteArray original = ReadBuiltInTable(file);
        const qsizetype at = original.indexOf(c.find);
        ASSERT_GE(at, 0);
        const int line = int(original.left(at + 1).count('\n')) + 1;
        QByteArray broken = original;
        broken.replace(at, qsizetype(strlen(c.find)), c.replace);
        try {
            RestoreDefinitionTables([&](const QString& name) {
                return name == file ? broken : ReadBuiltInTable(name);
            });
            ADD_FAILURE() << "accepted";
        } catch (const Exception& e) {
            EXPECT_TRUE(e.Message.contains(file + QStringLiteral(", line %1:").arg(line)))
                << e.Message.toStdString();
            EXPECT_TRUE(e.Message.contains(QLatin1String(c.message))) << e.Message.toStdString();
        }
        EXPECT_EQ(ParamDefs[epAfc].Name, nameBefore);
    }

    // a missing row is a count error
    QByteArray shortObd = ReadBuiltInTable("obdcodes.tsv");
    shortObd.chop(1);
    shortObd.truncate(shortObd.lastIndexOf('\n') + 1);
    EXPECT_THROW(RestoreDefinitionTables([&](const QString& name) {
                     return name == "obdcodes.tsv" ? shortObd : ReadBuiltInTable(name);
                 }),
                 Exception);
    EXPECT_THROW(ReadBuiltInTable("nosuch.tsv"), Exception);
}
