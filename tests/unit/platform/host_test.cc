#include "platform/host.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "../scratch_host.h"

namespace tolvaran {
namespace {

#ifndef _WIN32
TEST(MapWindowsPathTest, DrivesAreDroppedAndBackslashesBecomeSlashes) {
  EXPECT_EQ("/PRTG_Path.Txt", MapWindowsPath("C:\\PRTG_Path.Txt", ""));
  EXPECT_EQ("/Program Files/X", MapWindowsPath("\\Program Files\\X", ""));
  EXPECT_EQ("SYS1.P00", MapWindowsPath("SYS1.P00", ""));
  EXPECT_EQ("sub/SYS1.P00", MapWindowsPath("sub\\SYS1.P00", ""));
  EXPECT_EQ("/scratch/Monitor/X", MapWindowsPath("d:\\Monitor\\X", "/scratch"));
  EXPECT_EQ("rel/X", MapWindowsPath("C:rel\\X", "/scratch"));
}
#endif

using HostTest = ScratchDirTest;

TEST_F(HostTest, ReadFileRefusesMissingFilesAndDirectories) {
  Write("a.txt", "bytes\r\n");
  std::string bytes;
  EXPECT_TRUE(host_->ReadFile("a.txt", &bytes));
  EXPECT_EQ("bytes\r\n", bytes);  // raw: no line-end translation
  EXPECT_FALSE(host_->ReadFile("missing.txt", &bytes));
  std::filesystem::create_directory("dir.P00");
  EXPECT_FALSE(host_->ReadFile("dir.P00", &bytes));
}

TEST_F(HostTest, ReplaceFileLeavesOnlyTheNewFile) {
  Write("SapRfc.ini", "old");
  ASSERT_TRUE(host_->ReplaceFile("SapRfc.ini", "new contents"));
  std::string bytes;
  ASSERT_TRUE(host_->ReadFile("SapRfc.ini", &bytes));
  EXPECT_EQ("new contents", bytes);
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(1, entries);
}

TEST_F(HostTest, FindIgnoringCaseFindsTheFileWhateverItsCase) {
  Write("dev_rfc.trc", "x");
  EXPECT_TRUE(host_->RemoveFile(host_->FindIgnoringCase("Dev_Rfc.Trc")));
  EXPECT_FALSE(std::filesystem::exists("dev_rfc.trc"));
  EXPECT_EQ("Dev_Rfc.Trc", host_->FindIgnoringCase("Dev_Rfc.Trc"));
}

TEST_F(HostTest, LockIsExclusiveTimesOutAndLeavesNoFile) {
  auto first = host_->Lock("SapRfc.ini.lock", 1);
  ASSERT_TRUE(first);
  EXPECT_FALSE(host_->Lock("SapRfc.ini.lock", 0));
  first.reset();
  EXPECT_FALSE(std::filesystem::exists("SapRfc.ini.lock"));
  auto second = host_->Lock("SapRfc.ini.lock", 0);
  EXPECT_TRUE(second);
  second.reset();
  EXPECT_FALSE(std::filesystem::exists("SapRfc.ini.lock"));
}

}  // namespace
}  // namespace tolvaran
