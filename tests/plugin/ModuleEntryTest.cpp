// The use counting of the module entry points, with the module
// initialisation observed through this test's own InitModule.
#include "platform/ModuleEntry.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
int initCalls = 0;
int deinitCalls = 0;
}  // namespace

namespace Steinberg {
bool InitModule() {
  ++initCalls;
  return true;
}
bool DeinitModule() {
  ++deinitCalls;
  return true;
}
}  // namespace Steinberg

namespace {

class ModuleEntryTest : public ::testing::Test {
protected:
  void SetUp() override { initCalls = deinitCalls = 0; }
};

TEST_F(ModuleEntryTest, InitialisesOnFirstUseAndDeinitialisesOnLast) {
  EXPECT_TRUE(InitDll());
  EXPECT_TRUE(InitDll());
  EXPECT_EQ(initCalls, 1);
  EXPECT_TRUE(ExitDll());
  EXPECT_EQ(deinitCalls, 0);
  EXPECT_TRUE(ExitDll());
  EXPECT_EQ(deinitCalls, 1);
}

TEST_F(ModuleEntryTest, ExitWithoutUseFailsAndLeavesTheModuleUsable) {
  EXPECT_FALSE(ExitDll());
  EXPECT_EQ(deinitCalls, 0);
  EXPECT_TRUE(InitDll());
  EXPECT_EQ(initCalls, 1);
  EXPECT_TRUE(ExitDll());
  EXPECT_EQ(deinitCalls, 1);
}

TEST_F(ModuleEntryTest, LinuxEntryPointsShareTheCounter) {
  int marker = 0;
  EXPECT_TRUE(ModuleEntry(&marker));
  EXPECT_EQ(Steinberg::getModuleHandle(), &marker);
  EXPECT_TRUE(InitDll());
  EXPECT_TRUE(ModuleExit());
  EXPECT_EQ(deinitCalls, 0);
  EXPECT_TRUE(ExitDll());
  EXPECT_EQ(initCalls, 1);
  EXPECT_EQ(deinitCalls, 1);
}

TEST_F(ModuleEntryTest, KnowsTheFolderOfItsFile) {
  const char* folder = Steinberg::getModuleFolder();
  ASSERT_GT(std::strlen(folder), 0u);
  EXPECT_EQ(folder[std::strlen(folder) - 1], '/');
}

}  // namespace
