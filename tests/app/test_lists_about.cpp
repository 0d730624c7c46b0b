#include "AboutForm.h"
#include "CodeListForm.h"
#include "CodeLists.h"
#include "SupportedEcuForm.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QStringList Items(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

bool IsSorted(const QStringList& list)
{
    return std::is_sorted(list.begin(), list.end(), NaturalLess);
}

} // namespace

TEST(CodeLists, NaturalOrder)
{
    struct Case {
        const char* A;
        const char* B;
        bool Less;
    };
    const Case cases[] = {
        {"2 Speed sensor", "10 Knock sensor", true},  // by value, not by character
        {"10 Knock sensor", "2 Speed sensor", false},
        {"11 Crank", "11 crank angle", true},         // shorter prefix first
        {"impreza", "Legacy", true},                  // case does not decide
        {"Legacy 2.0", "Legacy 2.5", true},
        {"P0100", "P0101", true},
        {"07 x", "7 x", true},                        // equal values: a fixed order
        {"7 x", "07 x", false},
        {"same", "same", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NaturalLess(c.A, c.B), c.Less) << c.A << " < " << c.B;
}

TEST(CodeLists, SupportedEcusSkipEmptySlotsAndUnlistedRecords)
{
    std::vector<TEcuIdent> ids(5);
    ids[0].Description = "Legacy 2.5 RS";
    ids[1].Description = "";           // empty slot
    ids[2].Description = "Impreza WRX";
    ids[3].Description = "Forester";  // unlisted
    ids[4].Description = "forester S";
    EXPECT_EQ(SupportedEcuList(ids, {3}),
              (QStringList{"forester S", "Impreza WRX", "Legacy 2.5 RS"}));

    // The shipped table: every described record but 72 and 73, and the caption names the
    // table's size.
    int described = 0;
    for (size_t i = 0; i < EcuIds.size(); ++i)
        described += !EcuIds[i].Description.isEmpty() && i != 72 && i != 73;
    const QStringList list = SupportedEcuList();
    EXPECT_EQ(list.size(), described);
    EXPECT_GT(described, 0);
    EXPECT_TRUE(IsSorted(list));
    EXPECT_EQ(SupportedEcuCaption(), "269 Supported ECUs");
}

TEST(CodeLists, NonObdCodesAreTheNumberedTexts)
{
    std::vector<TNonObdCode> codes(6);
    codes[0].Text = "21 Coolant temperature sensor";
    codes[1].Text = "";
    codes[2].Text = "Spare";
    codes[3].Text = " 13 leading space";
    codes[4].Text = "3 Single digit";
    codes[5].Text = "11 Crank angle sensor";
    EXPECT_EQ(NonObdCodeList(codes),
              (QStringList{"3 Single digit", "11 Crank angle sensor",
                           "21 Coolant temperature sensor"}));
    EXPECT_EQ(NonObdCodeCaption(3), "3 Supported Non-OBD Trouble Codes");

    const QStringList list = NonObdCodeList();
    EXPECT_FALSE(list.isEmpty());
    EXPECT_LE(list.size(), NonObdCodeCount);
    for (const QString& text : list)
        EXPECT_TRUE(text.front().isDigit()) << text.toStdString();
}

TEST(CodeLists, ObdCodesArePCodesCutAt90Characters)
{
    std::vector<TObdCode> codes(5);
    codes[0] = {"P0130", 0, 0, "O2 Sensor Circuit"};
    codes[1] = {"B1234", 0, 0, "Body code"};
    codes[2] = {"P0100", 0, 0, QString(100, QLatin1Char('x'))};
    codes[3] = {"p0200", 0, 0, "lower-case is not a P code"};
    codes[4] = {"", 0, 0, "no code"};
    const QStringList list = ObdCodeList(codes);
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0], QStringLiteral("P0100: ") + QString(90 - 7, QLatin1Char('x')));
    EXPECT_EQ(list[0].size(), 90);
    EXPECT_EQ(list[1], "P0130: O2 Sensor Circuit");
    EXPECT_EQ(ObdCodeCaption(2), "2 Supported OBD Trouble Codes");

    const QStringList shipped = ObdCodeList();
    EXPECT_FALSE(shipped.isEmpty());
    for (const QString& line : shipped) {
        EXPECT_TRUE(line.startsWith('P')) << line.toStdString();
        EXPECT_LE(line.size(), ObdCodeLineLength);
    }
}

TEST(ListWindows, ShowTheListsWithTheirCounts)
{
    TfrmCodeList codes;
    EXPECT_TRUE(codes.isModal());
    codes.FillNonObdCodes();
    const QStringList nonObd = Items(codes.lstCodes);
    ASSERT_EQ(nonObd.size(), 75);
    EXPECT_EQ(nonObd.front(), "11 Crank Angle Sensor (No Signal)");
    EXPECT_EQ(nonObd.back(), "94 Accelerator Position Signal");
    EXPECT_EQ(codes.windowTitle(), "75 Supported Non-OBD Trouble Codes");

    codes.FillObdCodes();  // the same window, refilled
    const QStringList obd = Items(codes.lstCodes);
    ASSERT_EQ(obd.size(), 482);
    EXPECT_EQ(obd.front(), "P0010: Intake Camshaft Position Actuator Circuit (Bank 1)");
    EXPECT_EQ(obd.back(), "P2441: Secondary Air Injection System Switching Valve Stuck Closed (Bank 1)");
    EXPECT_EQ(codes.windowTitle(), "482 Supported OBD Trouble Codes");

    TfrmSupportedEcus ecus;
    EXPECT_TRUE(ecus.isModal());
    EXPECT_EQ(ecus.pgcEcus->tabText(0), "269 Supported ECUs");
    const QStringList shown = Items(ecus.lstEcus);
    ASSERT_EQ(shown.size(), 255);
    EXPECT_EQ(shown.front(), "1996 Impreza 1.6 GL (JDM)");
    EXPECT_EQ(shown[1], "1996 Impreza 1.6 TS (EU)");
    EXPECT_EQ(shown.back(), "2005 Outback 3.0 H6 (JDM)");
}

TEST(AboutBox, ShowsProductVersionLinksAndPicture)
{
    TfrmAbout about;
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_TRUE(about.isModal());
    EXPECT_FALSE(about.imgPicture->pixmap().isNull());  // the JPEG decodes
    EXPECT_TRUE(about.imgPicture->hasScaledContents());

    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_EQ(about.lblProduct->text(), "Morvane Quillon");
    EXPECT_EQ(about.lblVersion->text(), "Demo v2.00.156");
    EXPECT_TRUE(about.lblWebSite->text().contains(MorvaneWebSite));
    EXPECT_TRUE(about.lblEmail->text().contains(QStringLiteral("mailto:") + MorvaneSalesEmail));
    EXPECT_TRUE(about.lblWebSite->openExternalLinks());
    EXPECT_EQ(about.lblWebSite->parentWidget(), about.pnlLinks);

    // Fixed size, centred on the screen.
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    const QPoint screenCentre = about.screen()->availableGeometry().center();
    EXPECT_LE((about.frameGeometry().center() - screenCentre).manhattanLength(), 2);

    QTest::mouseClick(about.btnOK, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}
