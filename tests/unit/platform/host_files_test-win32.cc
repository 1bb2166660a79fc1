// The real Windows host's files where they are not what the program
// expects: a profile held by another process, a device or folder named as
// the published file.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "platform/host.h"
#include "support/scratch_host.h"

namespace tolvaran {
namespace {

namespace fs = std::filesystem;

using HostFilesWin32Test = ScratchDirTest;

TEST_F(HostFilesWin32Test, AProfileHeldByAnotherProcessSaysWhy) {
  Write("PRD.P00", "Destination: PRD\n");
  // Shared with no one, as an editor or a scanner may hold it.
  HANDLE held = CreateFileA("PRD.P00", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string bytes;
  EXPECT_FALSE(host_->ReadFile("PRD.P00", &bytes));
  EXPECT_EQ(host_->ReadFailure("PRD.P00"), "in use by another process");
  CloseHandle(held);
  EXPECT_EQ(host_->ReadFailure("PRD.P00"), "");  // readable again
  EXPECT_EQ(host_->ReadFailure("absent.P00"), "");
  EXPECT_EQ(host_->ReadFailure("NUL"), "");
}

TEST_F(HostFilesWin32Test, OnlyARegularFileOrNoneIsPublishedOver) {
  fs::create_directory("sap.prom");
  EXPECT_FALSE(host_->PublishFile("sap.prom", "tolvaran_up 1\n# EOF\n"));
  EXPECT_TRUE(fs::is_directory("sap.prom"));
  EXPECT_FALSE(host_->PublishFile("NUL", "tolvaran_up 1\n# EOF\n"));
  EXPECT_FALSE(host_->PublishFile("con.prom", "tolvaran_up 1\n# EOF\n"));
  EXPECT_FALSE(host_->PublishFile("\\\\.\\pipe\\tolvaran-test", "tolvaran_up 1\n# EOF\n"));
  ASSERT_TRUE(host_->PublishFile("new.prom", "tolvaran_up 1\n# EOF\n"));
  EXPECT_TRUE(host_->PublishFile("new.prom", "tolvaran_up 0\n# EOF\n"));
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace tolvaran
