#include "Settings.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Key = QStringLiteral("SOFTWARE/Morvane/Quillon");

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        file = dir.filePath(QStringLiteral("settings.ini"));
        store.Open(file);
    }
    QTemporaryDir dir;
    QString file;
    TSettingsStore& store = TSettingsStore::Instance();
};

TEST_F(SettingsTest, TypedValuesRoundTripThroughTheFile)
{
    const QByteArray binary("\x00\x01\xFF\x80\x7F\x00\x10\x20", 8);
    store.WriteString(Key, "Text", QStringLiteral("a, b = \"c\" 20\u00B0C\r\nnext"));
    store.WriteString(Key, "Empty", QString());
    store.WriteInteger(Key, "Int", -123456);
    store.WriteBool(Key, "On", true);
    store.WriteBool(Key, "Off", false);
    store.WriteBinary(Key, "Bin", binary);
    store.WriteDouble(Key, "Dbl", -1234.5678e-3);

    // A second store on the same file sees what the first wrote.
    TSettingsStore other;
    other.Open(file);
    EXPECT_EQ(other.ReadString(Key, "Text"), QStringLiteral("a, b = \"c\" 20\u00B0C\r\nnext"));
    EXPECT_TRUE(other.ValueExists(Key, "Empty"));
    EXPECT_EQ(other.ReadString(Key, "Empty", "def"), QString(""));
    EXPECT_EQ(other.ReadInteger(Key, "Int"), -123456);
    EXPECT_TRUE(other.ReadBool(Key, "On"));
    EXPECT_FALSE(other.ReadBool(Key, "Off", true));
    EXPECT_EQ(other.ReadBinary(Key, "Bin"), binary);
    EXPECT_EQ(other.ReadDouble(Key, "Dbl"), -1234.5678e-3);
    // Doubles are 8-byte little-endian IEEE values.
    EXPECT_EQ(other.ReadBinary(Key, "Dbl").size(), 8);
    store.WriteDouble(Key, "One", 1.0);
    EXPECT_EQ(other.ReadBinary(Key, "One"), QByteArray("\0\0\0\0\0\0\xF0\x3F", 8));
    // Written through at once: the file already holds the key.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("[SOFTWARE]"));
}

TEST_F(SettingsTest, MissingOrUnreadableValuesGiveTheDefault)
{
    store.WriteString(Key, "Word", "abc");
    store.WriteString(Key, "Num", " 42 ");
    store.WriteBinary(Key, "Bin", QByteArray("\1\2\3", 3));
    store.WriteInteger(Key, "Int", 7);

    EXPECT_EQ(store.ReadString(Key, "Missing", "def"), "def");
    EXPECT_EQ(store.ReadString("SOFTWARE/Nowhere", "Word", "def"), "def");
    EXPECT_EQ(store.ReadInteger(Key, "Missing", 5), 5);
    EXPECT_EQ(store.ReadInteger(Key, "Word", 5), 5);
    EXPECT_EQ(store.ReadInteger(Key, "Bin", 5), 5);
    EXPECT_EQ(store.ReadInteger(Key, "Num", 5), 42);
    EXPECT_TRUE(store.ReadBool(Key, "Missing", true));
    EXPECT_TRUE(store.ReadBool(Key, "Word", true));
    EXPECT_TRUE(store.ReadBool(Key, "Int")); // a non-zero integer is true
    EXPECT_EQ(store.ReadString(Key, "Bin", "def"), "def");
    EXPECT_EQ(store.ReadString(Key, "Int"), "7");
    EXPECT_TRUE(store.ReadBinary(Key, "Word").isEmpty());
    EXPECT_TRUE(store.ReadBinary(Key, "Missing").isEmpty());
    EXPECT_EQ(store.ReadDouble(Key, "Bin", 2.5), 2.5); // not 8 bytes
    EXPECT_EQ(store.ReadDouble(Key, "Word", 2.5), 2.5);
    EXPECT_EQ(store.ReadDouble(Key, "Missing", 2.5), 2.5);
}

TEST_F(SettingsTest, KeyPathsAcceptBackslashesAndAnyCase)
{
    store.WriteInteger("\\SOFTWARE\\Morvane\\Quillon", "Interval", 3);
    EXPECT_EQ(store.ReadInteger(Key, "Interval"), 3);
    EXPECT_EQ(store.ReadInteger("software/morvane/QUILLON/", "interval"), 3);
    store.WriteInteger("Software\\Morvane\\Quillon", "INTERVAL", 4); // same value
    EXPECT_EQ(store.ValueNames(Key), QStringList{"Interval"});
    EXPECT_EQ(store.ReadInteger(Key, "Interval"), 4);
    EXPECT_EQ(store.KeyNames("SOFTWARE"), QStringList{"Morvane"});
}

TEST_F(SettingsTest, ListingAndDeletingKeepValuesAndSubKeysApart)
{
    store.WriteString(Key, "A", "1");
    store.WriteString(Key, "km/h\\x 100%", "2"); // names may hold separators
    store.WriteString(Key, "Graphs", "value beside a sub-key of the same name");
    store.WriteString(Key + "/Graphs", "Colour", "3");
    store.WriteString(Key + "/Graphs/Deep", "X", "4");
    store.WriteString(Key + "/Other", "Y", "5");

    QStringList values = store.ValueNames(Key);
    values.sort();
    EXPECT_EQ(values, (QStringList{"A", "Graphs", "km/h\\x 100%"}));
    QStringList keys = store.KeyNames(Key);
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"Graphs", "Other"}));
    EXPECT_EQ(store.ReadString(Key, "km/h\\x 100%"), "2");

    store.DeleteValue(Key, "Graphs");
    EXPECT_FALSE(store.ValueExists(Key, "Graphs"));
    EXPECT_EQ(store.ReadString(Key + "/Graphs/Deep", "X"), "4");

    store.WriteString(Key, "Graphs", "again");
    store.DeleteKey("\\" + Key + "\\Graphs");
    EXPECT_EQ(store.KeyNames(Key), QStringList{"Other"});
    EXPECT_FALSE(store.ValueExists(Key + "/Graphs/Deep", "X"));
    EXPECT_EQ(store.ReadString(Key, "Graphs"), "again");

    store.DeleteValue(Key, "Missing"); // nothing to do
    store.DeleteKey("SOFTWARE/Nowhere");
    EXPECT_EQ(store.ReadString(Key + "/Other", "Y"), "5");
}

TEST(SettingsFile, InMemoryStoreKeepsValuesAndWritesNothing)
{
    // Run as root, a store behind a made-up folder would create it and take its lock.
    TSettingsStore& store = TSettingsStore::Instance();
    store.OpenInMemory();
    store.WriteString(Key, "Text", QStringLiteral("kept"));
    store.WriteDouble(Key, "Ratio", 2.5);
    store.Flush();
    EXPECT_EQ(store.ReadString(Key, "Text"), "kept");
    EXPECT_EQ(store.ReadDouble(Key, "Ratio"), 2.5);
    const QFileInfo file(store.FileName());
    EXPECT_FALSE(file.exists());
    EXPECT_FALSE(QFileInfo(file.absolutePath()).exists());
    store.OpenInMemory(); // a fresh one is empty
    EXPECT_FALSE(store.ValueExists(Key, "Text"));
}

TEST(SettingsFile, ReadOnlyStoreReadsTheFileAndNeverChangesIt)
{
    // A file written by hand, in an order QSettings would not keep, with every kind of value.
    QTemporaryDir dir;
    const QString path = dir.filePath("Quillon.ini");
    const QByteArray text = "[Zeta]\nlast=1\n\n[SOFTWARE]\nMorvane\\EcuInterface\\ComPort=/dev/ttyUSB0\n"
                            "Morvane\\EcuInterface\\x8Baud=true\nMorvane\\Quillon\\Ratio=@ByteArray(\\0\\0\\0\\0\\0\\0\\x4@)\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    TSettingsStore& store = TSettingsStore::Instance();
    store.OpenReadOnly(path);
    EXPECT_EQ(store.FileName(), path);
    EXPECT_EQ(store.ReadString("software\\morvane\\ecuinterface", "comport"), "/dev/ttyUSB0");
    EXPECT_TRUE(store.ReadBool("SOFTWARE/Morvane/EcuInterface", "x8Baud"));
    EXPECT_EQ(store.ReadDouble(Key, "Ratio"), 2.5);
    // What a part writes when it ends is read back within the process, and goes no further.
    store.WriteString("SOFTWARE/Morvane/EcuInterface", "ComPort", "/dev/pts/2");
    store.DeleteKey("Zeta");
    store.Flush();
    EXPECT_EQ(store.ReadString("SOFTWARE/Morvane/EcuInterface", "ComPort"), "/dev/pts/2");
    store.OpenInMemory();  // the read-only store is dropped
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), text);
}

TEST(SettingsFile, DefaultFileComesFromTheEnvironment)
{
    qputenv("QUILLON_SETTINGS", "/tmp/quillon-test.ini");
    EXPECT_EQ(TSettingsStore::DefaultFileName(), "/tmp/quillon-test.ini");
    qunsetenv("QUILLON_SETTINGS");
    EXPECT_TRUE(TSettingsStore::DefaultFileName().endsWith("/Morvane/Quillon.ini"));
}

} // namespace
