// How a run ends when its output cannot be written or its memory runs out.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "driver/run.h"
#include "support/fake_host.h"
#include "support/scratch_host.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tolvaran {
namespace {

// Standard output that takes nothing: a full disk, a closed descriptor.
class UnwritableHost : public FakeHost {
 public:
  void WriteOut(std::string_view bytes) override {
    FakeHost::WriteOut(bytes);
    failed_ = true;
  }
  bool WriteFailed() const override { return failed_; }

 private:
  bool failed_ = false;
};

TEST(RunLimitsTest, AnUnwrittenDocumentEndsWithStatus2) {
  UnwritableHost host;
  EXPECT_EQ(RunProgram(host, {"tolvaran", "--version"}), 2);
  UnwritableHost other;
  // Without a profile the run writes its error document: still 2.
  EXPECT_EQ(RunProgram(other, {"tolvaran"}), 2);
  FakeHost fine;
  EXPECT_EQ(RunProgram(fine, {"tolvaran", "--version"}), 0);
}

// Memory that runs out while a file is read.
class ExhaustedHost : public FakeHost {
 public:
  bool ReadFile(const std::string&, std::string*) override { throw std::bad_alloc(); }
};

TEST(RunLimitsTest, ExhaustedMemoryGivesAnErrorDocument) {
  ExhaustedHost host;
  EXPECT_EQ(RunProgram(host, {"tolvaran", "PRD"}), 2);
  EXPECT_EQ(host.out,
            "<Prtg>\n<Error>1</Error>\n<Text>Error 1099: Not enough memory !</Text>\n</Prtg>\n");
}

TEST(RunLimitsTest, ExhaustedMemoryGivesTheChosenDialectsError) {
  ExhaustedHost host;
  EXPECT_EQ(RunProgram(host, {"tolvaran", "PRD", "FORMAT=PLUGIN"}), 3);
  EXPECT_EQ(host.out, "TOLVARAN UNKNOWN - Error 1099: Not enough memory !\n");
}

#ifndef _WIN32
// The real host's standard output, pointed at `target` for one write.
bool WriteFailsTo(const char* target) {
  std::fflush(stdout);
  int saved = dup(1);
  int fd = target ? open(target, O_WRONLY) : -1;
  if (fd >= 0) {
    dup2(fd, 1);
    close(fd);
  } else {
    close(1);
  }
  auto host = MakeRealHost();
  host->WriteOut("<Prtg>\n</Prtg>\n");
  bool failed = host->WriteFailed();
  dup2(saved, 1);
  close(saved);
  std::clearerr(stdout);
  return failed;
}

TEST(RunLimitsTest, TheRealHostNoticesAFullDiskAndAClosedOutput) {
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_TRUE(WriteFailsTo("/dev/full"));
  }
  EXPECT_TRUE(WriteFailsTo(nullptr));
  EXPECT_FALSE(WriteFailsTo("/dev/null"));
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOLVARAN_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TOLVARAN_SANITIZED 1
#endif

using RunMemoryTest = ScratchDirTest;

// A 100 MB profile in a process of at most 120 MB of address space: the
// run reads a bounded part of it and ends with its error document.
TEST_F(RunMemoryTest, AHugeProfileUnderAnAddressSpaceLimit) {
#ifdef TOLVARAN_SANITIZED
  GTEST_SKIP() << "the sanitizers reserve terabytes of address space";
#else
  {
    std::ofstream out("PRD.P00", std::ios::binary);
    std::string line(1023, 'x');
    line += '\n';
    for (int i = 0; i < 100 * 1024; ++i) out << line;
  }
  std::fflush(nullptr);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    struct rlimit limit = {120u << 20, 120u << 20};
    setrlimit(RLIMIT_AS, &limit);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    _exit(RunProgram(*host_, {"tolvaran", "PRD", "@"}));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
#endif
}
#endif

}  // namespace
}  // namespace tolvaran
