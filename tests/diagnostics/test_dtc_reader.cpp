// The trouble-code reader's read order and list updates, and the shared code layout.
#include "DtcReader.h"

#include "EcuConstData.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

TLongWordArray Range(uint32_t first, int count)
{
    TLongWordArray list;
    for (int i = 0; i < count; ++i)
        list.push_back(first + uint32_t(i));
    return list;
}
TLongWordArray Join(std::initializer_list<TLongWordArray> parts)
{
    TLongWordArray all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct LayoutCase {
    const char* Name;
    TDtcLayout Layout;
    std::vector<TLongWordArray> Order; // the reads after showing, one full pass and one more
};

TEST(DtcReader, ReadsEachLayoutInItsOrder)
{
    const TLongWordArray nonCur = Range(0x8E, 11), nonHist = Range(0xA4, 11);
    const TLongWordArray stdCur = Range(0x8E, 32), stdHist = Range(0xAE, 32);
    const TLongWordArray g8Cur = Range(0x123, 8), g8Hist = Range(0x12B, 8);
    const TLongWordArray allCur =
        Join({Range(0xF0, 4), g8Cur, Range(0x150, 5), Range(0x160, 5), Range(0x174, 7)});
    const TLongWordArray allHist =
        Join({Range(0xF4, 4), g8Hist, Range(0x155, 5), Range(0x165, 5), Range(0x17B, 7)});
    const LayoutCase cases[] = {
        {"non-OBD", TDtcLayout::NonObd(), {nonHist, nonCur, nonHist, nonCur}},
        {"OBD, no group", TDtcLayout::ObdWith({}), {stdHist, stdCur, stdHist, stdCur}},
        {"OBD, group 8", TDtcLayout::ObdWith({dg8}), {g8Hist, g8Cur, stdHist, stdCur, g8Hist}},
        {"OBD, every group",
         TDtcLayout::ObdWith({dg4, dg8, dg5a, dg5b, dg7}),
         {allHist, allCur, stdHist, stdCur, allHist}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDtcReader r;
        r.PrepareAddressLists(c.Layout);
        for (size_t i = 0; i < c.Order.size(); ++i) {
            EXPECT_EQ(r.ReadNextBlock(), c.Order[i]) << "read " << i;
            EXPECT_EQ(r.ExpectedLength(), int(c.Order[i].size()));
        }
    }
}

TEST(DtcReader, ListsFollowTheBitsInInsertionOrder)
{
    TDtcReader r;
    r.PrepareAddressLists(TDtcLayout::NonObd());
    r.ReadNextBlock(); // historic
    r.ReadNextBlock(); // current
    TByteArray data(11, 0);
    data[1] = 0x08; // bit 3 of the second byte: code 11
    data[0] = 0x01; // code 0
    std::vector<TDtcChange> changes;
    ASSERT_TRUE(r.DtcDataReceived(data, &changes));
    EXPECT_EQ(r.CurrentCodes, (std::vector<int>{0, 11}));
    EXPECT_TRUE(r.HistoricCodes.empty());
    EXPECT_EQ(changes, (std::vector<TDtcChange>{{0, true, true}, {11, true, true}}));
    EXPECT_EQ(DtcEntryText(false, 11), NonObdCodes[11].Text.left(67));

    // A code set twice is listed once; a cleared one goes; one added later goes last.
    data[0] = 0x00;
    data[10] = 0x80; // code 87
    changes.clear();
    ASSERT_TRUE(r.DtcDataReceived(data, &changes));
    EXPECT_EQ(r.CurrentCodes, (std::vector<int>{11, 87}));
    EXPECT_EQ(changes, (std::vector<TDtcChange>{{0, false, true}, {87, true, true}}));
}

TEST(DtcReader, GroupCodesAreFixedAndWrongLengthsRejected)
{
    TDtcReader r;
    r.PrepareAddressLists(TDtcLayout::ObdWith({dg8}));
    r.ReadNextBlock(); // extended historic: 8 bytes, codes 288..351
    EXPECT_FALSE(r.DtcDataReceived(TByteArray(5, 0xFF)));
    EXPECT_TRUE(r.HistoricCodes.empty());
    TByteArray data(8, 0);
    data[0] = 0x01;
    data[7] = 0x80;
    ASSERT_TRUE(r.DtcDataReceived(data));
    EXPECT_EQ(r.HistoricCodes, (std::vector<int>{288, 351}));

    // With every group the last one still starts at 432.
    TDtcLayout all = TDtcLayout::ObdWith({dg4, dg8, dg5a, dg5b, dg7});
    EXPECT_EQ(all.ExtendedCode(22, 0), 432);
    EXPECT_EQ(TDtcLayout::ObdWith({dg7}).ExtendedCode(0, 0), 432);
}

TEST(DtcLayout, EntryTextsKeepTheirLengths)
{
    for (int code = 0; code < ObdCodeCount; ++code) {
        const QString text = DtcEntryText(true, code);
        EXPECT_LE(text.size(), ObdDtcEntryLength);
        if (!ObdCodes[code].Code.isEmpty()) {
            EXPECT_TRUE(text.startsWith(ObdCodes[code].Code + ' ')) << code;
        }
    }
    for (int code = 0; code < NonObdCodeCount; ++code)
        EXPECT_LE(DtcEntryText(false, code).size(), NonObdDtcEntryLength);
    EXPECT_TRUE(DtcEntryText(true, ObdCodeCount).isEmpty());
    EXPECT_TRUE(DtcEntryText(false, -1).isEmpty());
}

TEST(DtcReader, ReportNamesTheEcuAndBothLists)
{
    const QString text = DtcReportText("2004 Impreza", {0x4B, 0x12, 0x44, 0x77, 0x04},
                                       QDateTime(QDate(2026, 3, 4), QTime(9, 5)), TDtcLayout::ObdWith({}), {1}, {});
    EXPECT_TRUE(text.startsWith(
        "Diagnostic Trouble Codes\r\nECU: 2004 Impreza\r\nROM ID: 4B 12 44 77 04\r\n"
        "Date: 2026-03-04 09:05\r\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("\r\nCurrent Trouble Codes\r\n" + DtcEntryText(true, 1) + "\r\n"));
    EXPECT_TRUE(text.endsWith("\r\nHistoric Trouble Codes\r\nNone\r\n"));
    EXPECT_FALSE(text.contains(QRegularExpression("[^\r]\n")));
}

// A set bit the tables have no text for is named by where it is, in its own list's block.
TEST(DtcReader, CodesWithoutATextSayWhereTheirBitIs)
{
    const TDtcLayout nonObd = TDtcLayout::NonObd();
    const TDtcLayout obd = TDtcLayout::ObdWith({dg8});
    EXPECT_EQ(DtcCodeText(nonObd, 11, true), DtcEntryText(false, 11));
    EXPECT_EQ(DtcCodeText(nonObd, 75, true), "Unknown code (address 0x000097, bit 3)");
    EXPECT_EQ(DtcCodeText(nonObd, 87, false), "Unknown code (address 0x0000AE, bit 7)");
    EXPECT_EQ(DtcCodeText(nonObd, 87, true), "Unknown code (address 0x000098, bit 7)");
    for (int code = 75; code <= 87; ++code)
        EXPECT_TRUE(DtcEntryText(false, code).isEmpty()) << code;
    EXPECT_EQ(DtcCodeText(obd, 40, true), DtcEntryText(true, 40));
    // In the report as well.
    const QString text = DtcReportText("ECU", {}, QDateTime(QDate(2026, 3, 4), QTime(9, 5)),
                                       nonObd, {}, {87});
    EXPECT_TRUE(text.endsWith("Historic Trouble Codes\r\nUnknown code (address 0x0000AE, bit 7)\r\n"));
}

} // namespace
