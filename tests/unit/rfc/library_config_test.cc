// SapRfc.ini's lock over real files: how long a check waits for it, and
// what the parent of killed checks clears away.
#include "rfc/library_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/scratch_host.h"

namespace tolvaran {
namespace {

namespace fs = std::filesystem;

using LibraryConfigTest = ScratchDirTest;

TEST_F(LibraryConfigTest, TheWaitForABusyLockEndsBeforeTheDeadline) {
  Write("SapRfc.PRD", "DEST=PRD\n");
  std::unique_ptr<FileLock> other = host_->Lock("SapRfc.ini.lock", 0);
  ASSERT_TRUE(other);
  std::string bytes;
  std::string refusal;
  const std::int64_t start = MonotonicMilliseconds();
  EXPECT_FALSE(InstallLibraryConfig(*host_, "PRD", Deadline::After(1900), &bytes, &refusal));
  const std::int64_t waited = MonotonicMilliseconds() - start;
  EXPECT_EQ(refusal, "SapRfc.ini busy");
  EXPECT_GE(waited, 1000);
  EXPECT_LT(waited, 1900);
  EXPECT_FALSE(fs::exists("SapRfc.ini"));
}

TEST_F(LibraryConfigTest, LeftoversOfKilledChecksGoOnlyWhenTheLockIsFree) {
  Write("SapRfc.ini.tmpk1lled", "half a copy");
  {
    std::unique_ptr<FileLock> other = host_->Lock("SapRfc.ini.lock", 0);
    ASSERT_TRUE(other);
    RemoveLibraryConfigLeftovers(*host_);
    EXPECT_TRUE(fs::exists("SapRfc.ini.tmpk1lled")) << "its holder may be writing it";
  }
  Write("SapRfc.ini.lock", "");  // left by a check killed while holding it
  RemoveLibraryConfigLeftovers(*host_);
  EXPECT_FALSE(fs::exists("SapRfc.ini.tmpk1lled"));
  EXPECT_FALSE(fs::exists("SapRfc.ini.lock"));
}

}  // namespace
}  // namespace tolvaran
