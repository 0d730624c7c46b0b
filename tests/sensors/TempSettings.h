#pragma once

// Each test gets its own empty settings file.
#include "Settings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

class TempSettings : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        TSettingsStore::Instance().Open(FDir.filePath(QStringLiteral("settings.ini")));
    }
    TSettingsStore& Store() { return TSettingsStore::Instance(); }

  private:
    QTemporaryDir FDir;
};
