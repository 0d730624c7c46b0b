#include "Dialogs.h"
#include "Sounds.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(Dialogs, FileFilterTranslation)
{
    struct Case {
        const char* In;
        const char* Out;
    };
    const Case cases[] = {
        {"CSV Log Files|*.CSV", "CSV Log Files (*.CSV *.csv)"},
        {"Dyno Files|*.ddf|All Files|*.*", "Dyno Files (*.ddf *.DDF);;All Files (*)"},
        {"Pictures|*.bmp;*.PNG", "Pictures (*.bmp *.BMP *.PNG *.png)"},
        {"", ""},
        {"Description without patterns", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QtFileFilter(c.In), c.Out) << c.In;
}

TEST(Dialogs, DefaultExtension)
{
    struct Case {
        const char* Name;
        const char* Ext;
        const char* Out;
    };
    const Case cases[] = {
        {"/logs/run1", "CSV", "/logs/run1.CSV"},
        {"/logs/run1.csv", "CSV", "/logs/run1.csv"},
        {"/logs/run1.", "CSV", "/logs/run1.CSV"},
        {"/logs.d/run1", "CSV", "/logs.d/run1.CSV"},  // a dot in the folder is no suffix
        {"/logs/run1", "", "/logs/run1"},
        {"", "CSV", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ApplyDefaultExt(c.Name, c.Ext), c.Out) << c.Name;
}

TEST(Dialogs, RecordingDoubleAnswersAsQueuedThenSafely)
{
    SetApplicationTitle("Morvane Quillon Demonstration Version");
    TScopedRecordingDialogs dialogs;
    ASSERT_EQ(&Dialogs(), &*dialogs);

    dialogs->MessageAnswers = {TMessageResult::Yes, TMessageResult::Ok};
    dialogs->FileAnswers = {QString("/logs/run"), std::nullopt};
    dialogs->ColourAnswers = {QColor(Qt::red)};
    dialogs->InputAnswers = {QString("42")};

    EXPECT_TRUE(Dialogs().Confirm("Reset ECU ?"));
    EXPECT_TRUE(Dialogs().ConfirmOkCancel("Overwrite?"));
    EXPECT_FALSE(Dialogs().Confirm("Again ?"));  // queue empty: No
    EXPECT_FALSE(Dialogs().ConfirmOkCancel("Again?"));
    Dialogs().Warning("There has been a problem");
    Dialogs().Error("Disk full");
    Dialogs().Information("Done");

    const TFileDialogOptions save{"Save Log", "CSV Log Files|*.CSV", "CSV", "/logs", "x"};
    EXPECT_EQ(Dialogs().SaveFile(save), QString("/logs/run.CSV"));
    EXPECT_EQ(Dialogs().OpenFile(save), std::nullopt);
    EXPECT_EQ(Dialogs().OpenFile(save), std::nullopt);
    EXPECT_EQ(Dialogs().ChooseColour(Qt::black), QColor(Qt::red));
    EXPECT_EQ(Dialogs().ChooseColour(Qt::black), std::nullopt);
    EXPECT_EQ(Dialogs().ChooseFolder("Log folder", "/logs"), std::nullopt);
    EXPECT_EQ(Dialogs().InputBox("Cal", "Value", "0"), QString("42"));
    EXPECT_EQ(Dialogs().InputBox("Cal", "Value", "0"), std::nullopt);

    const auto& calls = dialogs->Calls;
    ASSERT_EQ(calls.size(), 15u);
    EXPECT_EQ(calls[0].Kind, TDialogKind::Confirmation);
    EXPECT_EQ(calls[0].Buttons, TMessageButtons::YesNo);
    EXPECT_EQ(calls[0].Caption, "Morvane Quillon Demonstration Version");
    EXPECT_EQ(calls[0].Text, "Reset ECU ?");
    EXPECT_EQ(calls[1].Buttons, TMessageButtons::OkCancel);
    EXPECT_EQ(dialogs->Texts(TDialogKind::Warning), QStringList{"There has been a problem"});
    EXPECT_EQ(dialogs->Texts(TDialogKind::Error), QStringList{"Disk full"});
    EXPECT_EQ(dialogs->Count(TDialogKind::Information), 1);
    EXPECT_EQ(calls[7].Kind, TDialogKind::SaveFile);
    EXPECT_EQ(calls[7].Caption, "Save Log");
    EXPECT_EQ(calls[7].Text, "/logs");
    EXPECT_EQ(calls[7].Filter, "CSV Log Files|*.CSV");
    EXPECT_EQ(calls[7].DefaultExt, "CSV");
    EXPECT_EQ(calls[12].Kind, TDialogKind::Folder);
    EXPECT_EQ(calls[13].DefaultText, "0");
}

TEST(Dialogs, ScopesRestoreWhatWasInstalled)
{
    TDialogs* outer = nullptr;
    {
        TScopedRecordingDialogs a;
        outer = &Dialogs();
        {
            TScopedRecordingDialogs b;
            EXPECT_NE(&Dialogs(), outer);
            Dialogs().Information("inner");
            EXPECT_EQ(b->Count(TDialogKind::Information), 1);
        }
        EXPECT_EQ(&Dialogs(), outer);
        EXPECT_TRUE(a->Calls.empty());
    }
    EXPECT_NE(dynamic_cast<TQtDialogs*>(&Dialogs()), nullptr);
}

TEST(Sounds, RecordingDoubleAndTheBeepThatReplacesAFile)
{
    TScopedRecordingSounds sounds;
    sounds->UnplayableFiles = {"broken.wav"};
    Sounds().PlaySystemSound("SystemAsterisk");
    EXPECT_TRUE(Sounds().PlayFile("on.wav"));
    EXPECT_FALSE(Sounds().PlayFile("broken.wav"));
    Sounds().Beep();

    const auto& calls = sounds->Calls;
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].Kind, TSoundKind::System);
    EXPECT_EQ(calls[0].Name, "SystemAsterisk");
    EXPECT_EQ(calls[2].Name, "broken.wav");
    EXPECT_EQ(calls[3].Kind, TSoundKind::Beep);
    EXPECT_EQ(sounds->Count(TSoundKind::Beep), 2);
    EXPECT_EQ(sounds->Count(TSoundKind::File), 2);
}

TEST(Sounds, QtSoundsRefuseAMissingFileAtOnce)
{
    QTemporaryDir dir;
    TQtSounds sounds;
    EXPECT_FALSE(sounds.PlayFile(dir.filePath("missing.wav")));
    EXPECT_FALSE(sounds.PlayFile(QString()));
    EXPECT_FALSE(sounds.PlayFile(dir.path()));  // a folder is not a sound
}

TEST(Sounds, QtSoundsPlayAWaveFileWithoutBlocking)
{
    // 0.1 s of 8-bit mono silence.
    QTemporaryDir dir;
    const QString name = dir.filePath("lamp.wav");
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const quint32 samples = 800;
    QByteArray wav;
    auto u32 = [&](quint32 v) { for (int i = 0; i < 4; ++i) wav.append(char(v >> (8 * i))); };
    auto u16 = [&](quint16 v) { wav.append(char(v)).append(char(v >> 8)); };
    wav.append("RIFF");
    u32(36 + samples);
    wav.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(8000);
    u16(1);
    u16(8);
    wav.append("data");
    u32(samples);
    wav.append(QByteArray(samples, char(0x80)));
    file.write(wav);
    file.close();

    TQtSounds sounds;
    EXPECT_TRUE(sounds.PlayFile(name));
    EXPECT_TRUE(sounds.PlayFile(name));  // the loaded effect is reused
    QTest::qWait(50);
}
