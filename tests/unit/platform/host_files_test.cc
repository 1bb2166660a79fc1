// The real host's files where they are not what the program expects: too
// large, FIFOs, directories and links in their place, leftovers of a check
// that was killed.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

#include "platform/host.h"
#include "support/scratch_host.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tolvaran {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

double SecondsFor(const std::function<void()>& step) {
  auto start = std::chrono::steady_clock::now();
  step();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

using HostFilesTest = ScratchDirTest;

TEST_F(HostFilesTest, ReadFileStopsAtItsLimitAndTheReaderReadsEverything) {
  std::string big(kFileReadLimit + 100000, 'x');
  big.back() = 'y';
  Write("big.P00", big);
  std::string bytes;
  ASSERT_TRUE(host_->ReadFile("big.P00", &bytes));
  EXPECT_EQ(bytes.size(), kFileReadLimit);
  auto reader = host_->OpenReader("big.P00");
  ASSERT_TRUE(reader);
  std::string all, chunk;
  while (reader->Read(&chunk)) all += chunk;
  EXPECT_EQ(all, big);
  EXPECT_FALSE(host_->OpenReader("missing"));
  fs::create_directory("dir");
  EXPECT_FALSE(host_->OpenReader("dir"));
  EXPECT_FALSE(host_->IsRegularFile("dir"));
  EXPECT_TRUE(host_->IsRegularFile("big.P00"));
}

TEST_F(HostFilesTest, ALockThatCanNeverBeHadFailsAtOnce) {
  // A directory where the lock file would be: no waiting for it to go.
  fs::create_directory("SapRfc.ini.lock");
  std::unique_ptr<FileLock> lock;
  double seconds = SecondsFor([&] { lock = host_->Lock("SapRfc.ini.lock", 30); });
  EXPECT_FALSE(lock);
  EXPECT_LT(seconds, 10.0);
  EXPECT_TRUE(fs::is_directory("SapRfc.ini.lock"));
  // A directory that is not there cannot hold a lock file either.
  seconds = SecondsFor([&] { lock = host_->Lock("no-such-dir\\SapRfc.ini.lock", 30); });
  EXPECT_FALSE(lock);
  EXPECT_LT(seconds, 10.0);
}

TEST_F(HostFilesTest, CopyFileReplacesAtomicallyAndLeavesNothingElse) {
  Write("SapRfc.PRD", "DEST=PRD\nTYPE=A\n");
  Write("SapRfc.ini", "old");
  ASSERT_TRUE(host_->CopyFile("SapRfc.PRD", "SapRfc.ini", 100));
  EXPECT_EQ(Slurp("SapRfc.ini"), "DEST=PRD\nTYPE=A\n");
  EXPECT_FALSE(host_->CopyFile("missing", "SapRfc.ini", 100));
  EXPECT_EQ(Slurp("SapRfc.ini"), "DEST=PRD\nTYPE=A\n");
  // One byte over the bound: nothing is copied.
  Write("SapRfc.PRD", std::string(200001, 'x'));
  EXPECT_FALSE(host_->CopyFile("SapRfc.PRD", "SapRfc.ini", 200000));
  EXPECT_EQ(Slurp("SapRfc.ini"), "DEST=PRD\nTYPE=A\n");
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(".")) {
    static_cast<void>(entry);
    ++entries;
  }
  EXPECT_EQ(entries, 2);
}

TEST_F(HostFilesTest, StaleTemporariesOfTheOwnPatternAreRemoved) {
  Write("SapRfc.ini.tmp4242", "left by a killed check");
  Write("SapRfc.ini.tmpa1b2c3d4e5f6a7b8", "left by a killed check");
  Write("SapRfc.ini.tmp-other", "not ours");
  Write("SapRfc.ini.tmp", "not ours");
  Write("Other.ini.tmp12", "not ours");
  fs::create_directory("SapRfc.ini.tmp77");
  host_->RemoveStaleTemporaries("SapRfc.ini");
  EXPECT_FALSE(fs::exists("SapRfc.ini.tmp4242"));
  EXPECT_FALSE(fs::exists("SapRfc.ini.tmpa1b2c3d4e5f6a7b8"));
  EXPECT_TRUE(fs::exists("SapRfc.ini.tmp-other"));
  EXPECT_TRUE(fs::exists("SapRfc.ini.tmp"));
  EXPECT_TRUE(fs::exists("Other.ini.tmp12"));
  EXPECT_TRUE(fs::is_directory("SapRfc.ini.tmp77"));
}

TEST_F(HostFilesTest, PublishingRemovesOnlyTemporariesLeftAMinuteAgo) {
  // A run killed between writing and renaming left the first; a run still
  // writing holds the second.
  Write("sap.prom.tmp0123456789abcdef", "left by a killed run");
  Write("sap.prom.tmpfedcba9876543210", "being written");
  fs::last_write_time("sap.prom.tmp0123456789abcdef",
                      fs::file_time_type::clock::now() - std::chrono::minutes(5));
  ASSERT_TRUE(host_->PublishFile("sap.prom", "tolvaran_up 1\n# EOF\n"));
  EXPECT_FALSE(fs::exists("sap.prom.tmp0123456789abcdef"));
  EXPECT_TRUE(fs::exists("sap.prom.tmpfedcba9876543210"));
  EXPECT_EQ(Slurp("sap.prom"), "tolvaran_up 1\n# EOF\n");
}

TEST(IsOwnTemporaryNameTest, TheTargetDotTmpAndLettersOrDigits) {
  EXPECT_TRUE(IsOwnTemporaryName("SapRfc.ini.tmp1", "SapRfc.ini"));
  EXPECT_TRUE(IsOwnTemporaryName("SapRfc.ini.tmpZz09", "SapRfc.ini"));
  EXPECT_FALSE(IsOwnTemporaryName("SapRfc.ini.tmp", "SapRfc.ini"));
  EXPECT_FALSE(IsOwnTemporaryName("SapRfc.ini.tmp.1", "SapRfc.ini"));
  EXPECT_FALSE(IsOwnTemporaryName("SapRfc.ini.tmp" + std::string(33, '1'), "SapRfc.ini"));
  EXPECT_FALSE(IsOwnTemporaryName("SapRfc.inx.tmp1", "SapRfc.ini"));
}

#ifndef _WIN32
// FIFOs and links need POSIX calls to lay out.

TEST_F(HostFilesTest, AFifoIsNeverWaitedFor) {
  ASSERT_EQ(mkfifo("PRD.P00", 0600), 0);
  std::string bytes;
  double seconds = SecondsFor([&] {
    EXPECT_FALSE(host_->ReadFile("PRD.P00", &bytes));
    EXPECT_FALSE(host_->OpenReader("PRD.P00"));
    EXPECT_FALSE(host_->IsRegularFile("PRD.P00"));
    EXPECT_FALSE(host_->CopyFile("PRD.P00", "SapRfc.ini", 100));
    EXPECT_EQ(host_->ReadFailure("PRD.P00"), "");  // no regular file: missing
  });
  EXPECT_LT(seconds, 10.0);
  EXPECT_FALSE(fs::exists("SapRfc.ini"));
  ASSERT_EQ(mkfifo("SapRfc.ini.lock", 0600), 0);
  EXPECT_FALSE(host_->Lock("SapRfc.ini.lock", 30));
}

TEST_F(HostFilesTest, TheLockNeverFollowsALink) {
  fs::create_symlink("elsewhere.lock", "SapRfc.ini.lock");
  EXPECT_FALSE(host_->Lock("SapRfc.ini.lock", 30));
  EXPECT_FALSE(fs::exists("elsewhere.lock"));
}

TEST_F(HostFilesTest, ALinkAtTheOldTemporaryNameIsNeverWrittenThrough) {
  // The temporary name used to be the target's plus ".tmp" and the process
  // id: a link planted there was opened and truncated.
  Write("victim.txt", "precious");
  const std::string planted = "SapRfc.ini.tmp" + std::to_string(getpid());
  fs::create_symlink("victim.txt", planted);
  ASSERT_TRUE(host_->ReplaceFile("SapRfc.ini", "DEST=PRD\n"));
  Write("SapRfc.PRD", "DEST=PRD\n");
  ASSERT_TRUE(host_->CopyFile("SapRfc.PRD", "SapRfc.ini", 100));
  EXPECT_EQ(Slurp("victim.txt"), "precious");
  EXPECT_EQ(Slurp("SapRfc.ini"), "DEST=PRD\n");
  EXPECT_FALSE(fs::is_symlink("SapRfc.ini"));
  // Removing the stale name removes the link, not what it leads to.
  host_->RemoveStaleTemporaries("SapRfc.ini");
  EXPECT_FALSE(fs::is_symlink(planted));
  EXPECT_EQ(Slurp("victim.txt"), "precious");
}

TEST_F(HostFilesTest, APublishedFileIsReadableByOthersAReplacedOneIsNot) {
  mode_t old_mask = umask(077);
  bool published = host_->PublishFile("sap.prom", "tolvaran_up 1\n# EOF\n");
  bool replaced = host_->ReplaceFile("SapRfc.ini", "DEST=PRD\n");
  umask(old_mask);
  ASSERT_TRUE(published);
  ASSERT_TRUE(replaced);
  EXPECT_EQ(Slurp("sap.prom"), "tolvaran_up 1\n# EOF\n");
  struct stat st;
  ASSERT_EQ(stat("sap.prom", &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  ASSERT_EQ(stat("SapRfc.ini", &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 2);
}

TEST_F(HostFilesTest, AFileWithoutReadPermissionSaysWhy) {
  Write("PRD.P00", "Destination: PRD\n");
  ASSERT_EQ(chmod("PRD.P00", 0), 0);
  if (geteuid() == 0) GTEST_SKIP() << "root reads a file of any mode";
  std::string bytes;
  EXPECT_FALSE(host_->ReadFile("PRD.P00", &bytes));
  EXPECT_EQ(host_->ReadFailure("PRD.P00"), "permission denied");
  EXPECT_EQ(host_->ReadFailure("absent.P00"), "");
}

TEST_F(HostFilesTest, TheCopyGetsTheSourcesPermissionBits) {
  mode_t old_mask = umask(022);
  Write("SapRfc.PRD", "DEST=PRD\n");
  ASSERT_EQ(chmod("SapRfc.PRD", 0640), 0);
  bool copied = host_->CopyFile("SapRfc.PRD", "SapRfc.ini", 100);
  umask(old_mask);
  ASSERT_TRUE(copied);
  struct stat st;
  ASSERT_EQ(stat("SapRfc.ini", &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}
#endif

}  // namespace
}  // namespace tolvaran
