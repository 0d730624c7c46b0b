// The screen file: grammar, filtering, the eight classes and their published properties,
// the writing style, and relative picture names.
#include "BarGauge.h"
#include "DashFile.h"
#include "DashGauge.h"
#include "DashScreen.h"
#include "RoundGauge.h"
#include "TextCodec.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString ScreenWith(const QString& children)
{
    return QStringLiteral("object F: TDashGaugeForm\n  ClientWidth = 200\n  ClientHeight = 100\n") +
           children + QStringLiteral("end\n");
}

QString LoadError(const QString& text)
{
    TDashScreen screen;
    try {
        screen.Load(ParseScreenText(FilterScreenLines(text)));
    } catch (const EDashFileError& e) {
        return e.Message;
    }
    return {};
}

} // namespace

TEST(DashFile, DefaultScreenWrittenAndReadBackEqual)
{
    TDashScreen first;
    first.Load(ParseScreenText(TDashScreen::DefaultDashText()));
    ASSERT_EQ(first.Elements.size(), 12u);
    const QByteArray bytes = WriteScreenFile(first.Save());
    TDashScreen second;
    second.Load(ParseScreenFile(bytes));
    EXPECT_EQ(second.Save(), first.Save());
    EXPECT_EQ(WriteScreenFile(second.Save()), bytes);

    // The writing style: two blanks per level, "name = value", CR LF, defaults left out.
    const QString text = FromWin1252(bytes);
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("object DashDesignForm: TDashGaugeForm\r\n  Left = 0\r\n")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("\r\n  object rgRPM: TRoundGauge\r\n    Left = 89\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("    Transparent = True\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("    Font.Style = [fsBold]\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("    TextDivide = 14.5\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("    DataChannelExternal = lj0\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("    Caption = 'Rear Defog '\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("    Font.Color = clCaptionText\r\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("Density"))); // 0.8 is the default
    EXPECT_TRUE(text.endsWith(QStringLiteral("  end\r\nend\r\n")));

    // The table's bindings survive.
    auto* rpm = dynamic_cast<TRoundGauge*>(second.Elements[4].get());
    ASSERT_NE(rpm, nullptr);
    EXPECT_EQ(rpm->Name, QStringLiteral("rgRPM"));
    EXPECT_EQ(rpm->DataChannelECUAnalogue(), epEngspd);
    EXPECT_TRUE(rpm->Transparent());
    EXPECT_EQ(rpm->BandIndices(), QStringLiteral("0,5500,6500,7200"));
    auto* bar = dynamic_cast<TLedBarGauge*>(second.Elements[3].get());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->SegCount(), 51);
    EXPECT_EQ(bar->SegmentColourIdxs(), QStringLiteral("0,31,36,50"));
}

TEST(DashFile, EventAndCommentLinesAreFilteredOut)
{
    const QString text = QStringLiteral("object F: TDashGaugeForm\n"
                                        "  Color = clRed\n"
                                        "    OnClick = FormClick\n"
                                        "#  Color = clBlue\n"
                                        "  ONKEYDOWN = x y z\n"
                                        "  object T: TDashText\n"
                                        "    Caption = 'x'\n"
                                        "  end\n"
                                        "end\n");
    TDashScreen screen;
    screen.Load(ParseScreenText(FilterScreenLines(text)));
    EXPECT_EQ(screen.Color(), 0x0000FFu);
    EXPECT_EQ(screen.Elements.size(), 1u);
    // A "#" that is not the line's first character is not a comment: here it starts a string.
    EXPECT_EQ(FilterScreenLines(QStringLiteral("  Caption = #65\n")),
              QStringLiteral("  Caption = #65\n"));
}

TEST(DashFile, UnknownClassesAndPropertiesFailWithTheLine)
{
    const struct {
        QString Children;
        QString Expected;
    } cases[] = {
        {QStringLiteral("  object L: TDigiDashGauge\n  end\n"),
         QStringLiteral("Line 4: Class TDigiDashGauge not found")},
        {QStringLiteral("  object R: TRoundGauge\n    MaxVal = 10\n    Invert = True\n  end\n"),
         QStringLiteral("Line 6: Error reading R.Invert: Property Invert does not exist")},
        {QStringLiteral("  object B: TDashBackground\n    Color = clRed\n  end\n"),
         QStringLiteral("Line 5: Error reading B.Color: Property Color does not exist")},
        {QStringLiteral("  object R: TRoundGauge\n    BandIndices = '0,x,9'\n  end\n"),
         QStringLiteral("Line 5: Error reading R.BandIndices:")},
        {QStringLiteral("  object R: TRoundGauge\n    TickCount = 'many'\n  end\n"),
         QStringLiteral("Line 5:")},
        {QStringLiteral("  object R: TRoundGauge\n    Caption = 'open\n  end\n"),
         QStringLiteral("Line 5: Unterminated string")},
        {QStringLiteral("  object R: TRoundGauge\n"), QStringLiteral("'end' expected")},
    };
    for (const auto& c : cases) {
        const QString error = LoadError(ScreenWith(c.Children));
        EXPECT_TRUE(error.startsWith(c.Expected) || error.contains(c.Expected))
            << error.toStdString() << " / expected " << c.Expected.toStdString();
    }
    // Published properties of every element are accepted, unpublished ones are not.
    EXPECT_TRUE(
        LoadError(ScreenWith(QStringLiteral("  object A: TAnalTextGauge\n    Name = 'x'\n  end\n")))
            .contains(QStringLiteral("Property Name does not exist")));
    EXPECT_EQ(LoadError(ScreenWith(QStringLiteral(
                  "  object A: TAnalTextGauge\n    Tag = 3\n    Cursor = crHandPoint\n"
                  "    Hint = 'h'\n    TextOffset = 1.5\n  end\n"))),
              QString());
}

TEST(DashFile, ValuesOfEveryKind)
{
    const QString text = QStringLiteral("inherited F: TDashGaugeForm\n"
                                        "  Caption = 'It''s ' +\n"
                                        "    'a' + #13#10 + 'b'#65\n"
                                        "  Color = $00FF00\n"
                                        "  Left = -12\n"
                                        "  PixelsPerInch = 96\n"
                                        "  object T: TDashText\n"
                                        "    Angle = 1e1\n"
                                        "    Font.Style = [fsBold, fsItalic]\n"
                                        "  end\n"
                                        "end\n");
    TDashScreen screen;
    screen.Load(ParseScreenText(text));
    EXPECT_EQ(screen.Caption, QStringLiteral("It's a\r\nbA"));
    EXPECT_EQ(screen.Color(), 0x00FF00u);
    EXPECT_EQ(screen.Left, -12);
    auto* t = dynamic_cast<TDashText*>(screen.Elements.at(0).get());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Angle(), 10.0);
    EXPECT_TRUE(t->Font().Bold && t->Font().Italic);

    // Binary data, lists and collections parse (no element publishes one, but the grammar has
    // them).
    const TDfmObject obj = ParseScreenText(QStringLiteral(
        "object X: TThing\n  Data = {\n    0A0b\n    FF}\n  L = (1 2.5 'x' (a))\n"
        "  C = <\n    item\n      A = 1\n    end\n    item\n    end>\n  S = []\nend\n"));
    ASSERT_EQ(obj.Props.size(), 4u);
    EXPECT_EQ(obj.Props[0].Value.Bytes, QByteArray::fromHex("0A0BFF"));
    EXPECT_EQ(obj.Props[1].Value.List.size(), 4u);
    EXPECT_EQ(obj.Props[2].Value.Collection.size(), 2u);
    EXPECT_TRUE(obj.Props[3].Value.Items.isEmpty());
    // And they are written back so that they read the same.
    EXPECT_EQ(ParseScreenText(WriteScreenText(obj)), obj);

    // A written string with quotes and control characters reads back unchanged.
    TDfmObject s;
    s.ClassName = QStringLiteral("TDashGaugeForm");
    s.Props.push_back(
        {QStringLiteral("Caption"), TDfmValue::FromString(QStringLiteral("a'b\r\nc")), 0});
    EXPECT_TRUE(WriteScreenText(s).contains(QStringLiteral("Caption = 'a''b'#13#10'c'")));
    EXPECT_EQ(ParseScreenText(WriteScreenText(s)).Props[0].Value.Text, QStringLiteral("a'b\r\nc"));
}

TEST(DashFile, MalformedInputIsRefusedNotFollowed)
{
    const QString bad[] = {
        QString(),
        QStringLiteral("object"),
        QStringLiteral("object F: TDashGaugeForm\n  Color = \nend"),
        QStringLiteral("object F: TDashGaugeForm\n  X = $\nend"),
        QStringLiteral("object F: TDashGaugeForm\n  X = 99999999999999999999999\nend"),
        QStringLiteral("object F: TDashGaugeForm\n  X = {ABC}\nend"),
        QStringLiteral("object F: TDashGaugeForm\n  X = (1 2\n"),
        QStringLiteral("object F: TDashGaugeForm\n  X = 'a' +\nend"),
        QStringLiteral("object F: TDashGaugeForm\nend\nextra"),
        QStringLiteral("object F: TDashGaugeForm\n  X = #99999999\nend"),
        QString(QStringLiteral("object A: T\n")).repeated(200),
        QString(QStringLiteral("object F: TDashGaugeForm\n  X = ")) +
            QString(QStringLiteral("(")).repeated(500),
    };
    for (const QString& text : bad)
        EXPECT_THROW(ParseScreenText(text), EDashFileError) << text.left(60).toStdString();
}

TEST(DashFile, ScreenIsClampedToTheMonitorsPresent)
{
    const int monitors = static_cast<int>(QGuiApplication::screens().size());
    for (const auto& [given, expected] :
         {std::pair{3, std::min(3, monitors - 1)}, {-4, 0}, {0, 0}}) {
        TDashScreen screen;
        screen.Load(ParseScreenText(
            QStringLiteral("object F: TDashGaugeForm\n  Screen = %1\nend\n").arg(given)));
        EXPECT_EQ(screen.Screen(), expected) << given;
    }
}

TEST(DashFile, RelativePictureNamesAreTakenFromTheScreenFolder)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("3"));
    QDir().mkpath(folder);
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    ASSERT_TRUE(picture.save(QDir(folder).filePath(QStringLiteral("back.png"))));
    QFile file(QDir(folder).filePath(QStringLiteral("Form.Cfg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ScreenWith(QStringLiteral(
                              "  object B: TDashBackground\n    BitmapFile = 'back.png'\n  end\n"
                              "  object C: TDashBackground\n    BitmapFile = 'back.jpg'\n  end\n"))
                   .toLatin1());
    file.close();
    const QString cwd = QDir::currentPath();

    TDashScreen screen;
    screen.LoadFile(file.fileName());
    EXPECT_EQ(QDir::currentPath(), cwd); // the process's folder is left alone
    auto* b = dynamic_cast<TDashBackground*>(screen.Elements.at(0).get());
    auto* c = dynamic_cast<TDashBackground*>(screen.Elements.at(1).get());
    ASSERT_TRUE(b && c);
    EXPECT_TRUE(b->PictureLoaded());
    EXPECT_EQ(b->Bounds(), QRect(0, 0, 200, 100)); // a background fills the screen
    EXPECT_FALSE(c->PictureLoaded());              // only .bmp and .png
    EXPECT_EQ(c->NotLoadedText(), QStringLiteral("Background Bitmap Not Loaded: (") +
                                      QFileInfo(folder).absoluteFilePath() +
                                      QStringLiteral(")  back.jpg"));
}

TEST(DashFile, NumberLists)
{
    EXPECT_EQ(IntListToText({16719904, 2105599}, 6, true), QStringLiteral("$FF2020,$2020FF"));
    EXPECT_EQ(TextToIntList(QStringLiteral("0,5,9")), (std::vector<int>{0, 5, 9}));
    EXPECT_EQ(TextToIntList(QStringLiteral("$FF2020,12")), (std::vector<int>{0xFF2020, 12}));
    EXPECT_TRUE(TextToFloatList(QString()).empty());
    EXPECT_EQ(TextToFloatList(QStringLiteral("0,14.5,-2")), (std::vector<double>{0, 14.5, -2}));
    EXPECT_THROW(TextToIntList(QStringLiteral("1,,2")), Exception);
    EXPECT_THROW(TextToFloatList(QStringLiteral("1,2,x")), Exception);
}

TEST(DashFile, EveryElementFixture)
{
    TDashScreen screen;
    screen.LoadFile(QStringLiteral(QUILLON_DASH_FIXTURES "/every_element/Form.Cfg"));
    QStringList classes;
    for (const auto& e : screen.Elements)
        if (!classes.contains(e->ClassName())) classes << e->ClassName();
    EXPECT_EQ(classes.size(), 8);
    auto* back = dynamic_cast<TDashBackground*>(screen.Elements.at(0).get());
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(back->PictureLoaded());
    auto* title = dynamic_cast<TDashText*>(screen.Elements.at(1).get());
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->Caption(), QStringLiteral("Every element!"));
    // Written and read back, it is the same screen.
    TDashScreen again;
    again.SetBaseDirectory(screen.BaseDirectory());
    again.Load(ParseScreenFile(WriteScreenFile(screen.Save())));
    EXPECT_EQ(again.Save(), screen.Save());
}
