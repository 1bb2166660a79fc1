// SapRfc.ini's lock over real files: how long a check waits for it, and
// what the parent of killed checks clears away.
#include "rfc/library_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/scratch_host.h"

namespace tolvaran {
namespace {

namespace fs = std::filesystem;

using LibraryConfigTest = ScratchDirTest;

// The real host, with the wait each Lock call asks for written down: the
// wait is decided from the deadline, so the test checks the decision, not a
// stopwatch that a loaded machine would stretch.
class WaitRecordingHost : public ScratchHost {
 public:
  using ScratchHost::ScratchHost;
  std::unique_ptr<FileLock> Lock(const std::string& path, int timeout_seconds) override {
    waits.push_back(timeout_seconds);
    return ScratchHost::Lock(path, timeout_seconds);
  }
  std::vector<int> waits;
};

TEST_F(LibraryConfigTest, TheWaitForABusyLockEndsBeforeTheDeadline) {
  Write("SapRfc.PRD", "DEST=PRD\n");
  WaitRecordingHost host(dir_.string());
  std::unique_ptr<FileLock> other = host.Lock("SapRfc.ini.lock", 0);
  ASSERT_TRUE(other);
  std::string bytes;
  std::string refusal;
  // 1.9 s left: a whole second keeps more than half a second to report
  // why; two seconds would end past the deadline.
  EXPECT_FALSE(InstallLibraryConfig(host, "PRD", Deadline::After(1900), &bytes, &refusal));
  EXPECT_EQ(refusal, "SapRfc.ini busy");
  EXPECT_EQ(host.waits, (std::vector<int>{0, 1}));
  // With less than the room to report left, the lock is tried once.
  EXPECT_FALSE(InstallLibraryConfig(host, "PRD", Deadline::After(400), &bytes, &refusal));
  EXPECT_EQ(refusal, "SapRfc.ini busy");
  EXPECT_EQ(host.waits.back(), 0);
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
