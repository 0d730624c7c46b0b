#pragma once

// Lets a test give a parameter definition the size or decimals its case needs; the
// tables are restored afterwards so other tests see the shipped ones.
#include "EcuConstData.h"

#include <gtest/gtest.h>

class TableOverride : public ::testing::Test {
  protected:
    void TearDown() override { RestoreDefinitionTables(); }
};
