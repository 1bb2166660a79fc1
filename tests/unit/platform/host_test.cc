#include "platform/host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/scratch_host.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

namespace tolvaran {
namespace {

std::string Slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every name in `dir`, to see that nothing was left behind.
std::vector<std::string> Names(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

// The mapping differs by system: POSIX turns Windows paths into its own,
// Windows uses them as they are.
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

#ifdef _WIN32
TEST(MapWindowsPathTest, WindowsKeepsPathsAndPutsDriveRootedOnesBelowTheRoot) {
  EXPECT_EQ("C:\\X\\Y.P00", MapWindowsPath("C:\\X\\Y.P00", ""));
  EXPECT_EQ("R:\\s\\X\\Y.P00", MapWindowsPath("C:\\X\\Y.P00", "R:\\s"));
  EXPECT_EQ("R:\\s\\X\\Y.P00", MapWindowsPath("\\X\\Y.P00", "R:\\s"));
  EXPECT_EQ("R:\\s\\X", MapWindowsPath("d:\\X", "R:\\s"));
  EXPECT_EQ("X\\Y.P00", MapWindowsPath("X\\Y.P00", "R:\\s"));
  EXPECT_EQ("rel\\X", MapWindowsPath("C:rel\\X", "R:\\s"));
}
#endif

TEST(MapWindowsPathTest, OnlyALetterBeforeTheColonIsADrive) {
  EXPECT_EQ("1:X", MapWindowsPath("1:X", "scratch"));
}

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

TEST_F(HostTest, ReadsEveryByteUnchanged) {
  // CR LF, NUL and Ctrl-Z (the end of a file to a text-mode reader on
  // Windows) must all come through.
  const std::string bytes = std::string("a\r\nb\nc\0d\x1a", 9) + "e";
  Write("/Data/A.P00", bytes);
  std::string got;
  ASSERT_TRUE(host_->ReadFile("C:\\Data\\A.P00", &got));
  EXPECT_EQ(bytes, got);
  ASSERT_TRUE(host_->ReadFile("\\Data\\A.P00", &got));
  EXPECT_EQ(bytes, got);
}

TEST_F(HostTest, ReplaceCreatesAndReplacesLeavingNothingElse) {
  std::filesystem::create_directories(dir_ / "Data");
  ASSERT_TRUE(host_->ReplaceFile("C:\\Data\\R.Gbl", "first\r\n"));
  EXPECT_EQ("first\r\n", Slurp(dir_ / "Data" / "R.Gbl"));
  ASSERT_TRUE(host_->ReplaceFile("C:\\Data\\R.Gbl", "second\n"));
  EXPECT_EQ("second\n", Slurp(dir_ / "Data" / "R.Gbl"));
  ASSERT_TRUE(host_->ReplaceFile("C:\\Data\\R.Gbl", ""));
  EXPECT_EQ("", Slurp(dir_ / "Data" / "R.Gbl"));
  EXPECT_EQ(std::vector<std::string>{"R.Gbl"}, Names(dir_ / "Data"));
}

TEST_F(HostTest, FailedReplaceLeavesNothingBehind) {
  std::filesystem::create_directories(dir_ / "Data" / "Dir.Gbl");
  EXPECT_FALSE(host_->ReplaceFile("C:\\Data\\Dir.Gbl", "x"));
  EXPECT_FALSE(host_->ReplaceFile("C:\\Data\\Missing\\R.Gbl", "x"));
  EXPECT_EQ(std::vector<std::string>{"Dir.Gbl"}, Names(dir_ / "Data"));
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "Data" / "Dir.Gbl"));
}

TEST_F(HostTest, RemoveSaysWhetherThereWasAFile) {
  Write("/Data/T.txt", "x");
  EXPECT_TRUE(host_->RemoveFile("C:\\Data\\T.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Data" / "T.txt"));
  EXPECT_FALSE(host_->RemoveFile("C:\\Data\\T.txt"));
}

TEST_F(HostTest, LockExcludesAnotherHostAndIsRemovedWhenReleased) {
  std::filesystem::create_directories(dir_ / "Data");
  auto other = MakeRealHost(dir_.string());
  {
    auto held = host_->Lock("C:\\Data\\X.lock", 0);
    ASSERT_NE(nullptr, held);
    EXPECT_TRUE(std::filesystem::exists(dir_ / "Data" / "X.lock"));
    EXPECT_EQ(nullptr, other->Lock("C:\\Data\\X.lock", 0));
    EXPECT_EQ(nullptr, host_->Lock("C:\\Data\\X.lock", 0));
  }
  EXPECT_TRUE(Names(dir_ / "Data").empty());
  {
    auto again = other->Lock("C:\\Data\\X.lock", 0);
    EXPECT_NE(nullptr, again);
  }
  EXPECT_TRUE(Names(dir_ / "Data").empty());
}

TEST_F(HostTest, LockWaitsUpToItsTimeout) {
  std::filesystem::create_directories(dir_ / "Data");
  auto held = host_->Lock("C:\\Data\\X.lock", 0);
  ASSERT_NE(nullptr, held);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(nullptr, MakeRealHost(dir_.string())->Lock("C:\\Data\\X.lock", 1));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
}

TEST_F(HostTest, TimeOfDayIsHoursMinutesSeconds) {
  std::string t = MakeRealHost()->TimeOfDay();
  ASSERT_EQ(8u, t.size()) << t;
  for (std::size_t i : {0u, 1u, 3u, 4u, 6u, 7u}) EXPECT_TRUE(t[i] >= '0' && t[i] <= '9') << t;
  EXPECT_EQ(':', t[2]);
  EXPECT_EQ(':', t[5]);
  EXPECT_LE(t.substr(0, 2), "23");
  EXPECT_LE(t.substr(3, 2), "59");
}

TEST_F(HostTest, ExecutablePathIsTheRunningTestProgram) {
  std::string exe = MakeRealHost()->ExecutablePath();
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(exe))) << exe;
  EXPECT_NE(std::string::npos, std::filesystem::path(exe).filename().string().find("unit_tests"))
      << exe;
}

TEST(SharedLibraryTest, AMissingLibraryIsNull) {
  // On Windows this must also come back without a message box.
  EXPECT_EQ(nullptr, OpenSharedLibrary("tolvaran-no-such-library-4711"));
  std::string why = "stale";
  EXPECT_EQ(nullptr, OpenSharedLibrary("tolvaran-no-such-library-4711", &why));
  EXPECT_EQ(why, "");
}

TEST_F(HostTest, AFileThatIsNoLibraryHasTheLoadersReason) {
  std::string path = (std::filesystem::current_path() / "librfc32.lib-test").string();
  std::ofstream(path) << "not a library\n";
  std::string why;
  EXPECT_EQ(nullptr, OpenSharedLibrary(path, &why));
  EXPECT_FALSE(why.empty());
  // The caller names the file itself.
  EXPECT_EQ(why.find(path), std::string::npos) << why;
  why = "stale";
  EXPECT_EQ(nullptr, OpenSharedLibrary(path + "-gone", &why));
  EXPECT_EQ(why, "");
}

#ifdef _WIN32
TEST(SharedLibraryTest, ASystemLibraryLoadsAndNamesItsFunctions) {
  void* kernel = OpenSharedLibrary("kernel32.dll");
  ASSERT_NE(nullptr, kernel);
  EXPECT_NE(nullptr, FindLibrarySymbol(kernel, "GetTickCount"));
  EXPECT_EQ(nullptr, FindLibrarySymbol(kernel, "NoSuchFunction4711"));
}

TEST(StandardOutputTest, IsBinaryOnceThereIsAHost) {
  // Text mode would turn each LF of the document into CR LF.
  MakeRealHost();
  std::fflush(stdout);
  EXPECT_EQ(_O_BINARY, _setmode(_fileno(stdout), _O_BINARY));
}
#endif

}  // namespace
}  // namespace tolvaran
