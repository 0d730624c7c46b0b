#include "Clock.h"
#include "Paths.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

TEST(Clock, CountsMilliseconds)
{
    const uint32_t before = GetTickCount();
    QTest::qSleep(120);
    const uint32_t elapsed = GetTickCount() - before; // unsigned: right across a wrap too
    EXPECT_GE(elapsed, 115u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(Paths, FoldersLiveInTheDataDir)
{
    TPaths::SetDataDir("/data/quillon");
    EXPECT_EQ(TPaths::DataDir(), "/data/quillon");
    EXPECT_EQ(TPaths::LogsDir(), "/data/quillon/Logs");
    EXPECT_EQ(TPaths::DashScreensDir(), "/data/quillon/InCarDashScreens");
    TPaths::SetDataDir(QString());
    EXPECT_EQ(TPaths::DataDir(),
              QCoreApplication::applicationDirPath()); // the build tree is writable
}
