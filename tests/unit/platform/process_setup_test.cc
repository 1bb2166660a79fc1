// What the program's first call makes of a process that a careless or
// hostile starter prepared.
#include "platform/process_setup.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/scratch_host.h"
#endif

namespace tolvaran {
namespace {

#ifndef _WIN32

// Starts a child as a monitor might: core files allowed up to the hard
// limit, SIGCHLD ignored and blocked, SIGPIPE at its default. The child
// calls PrepareProcess, then `body`, and ends with what `body` returns.
template <typename Body>
int RunPrepared(Body body) {
  pid_t child = fork();
  if (child == 0) {
    struct rlimit core;
    getrlimit(RLIMIT_CORE, &core);
    core.rlim_cur = core.rlim_max;
    setrlimit(RLIMIT_CORE, &core);
    signal(SIGCHLD, SIG_IGN);
    signal(SIGPIPE, SIG_DFL);
    sigset_t chld;
    sigemptyset(&chld);
    sigaddset(&chld, SIGCHLD);
    sigprocmask(SIG_BLOCK, &chld, nullptr);
    PrepareProcess();
    _exit(body());
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  return status;
}

using ProcessSetupTest = ScratchDirTest;

TEST_F(ProcessSetupTest, TheSignalsAreThoseTheProgramReliesOn) {
  int status = RunPrepared([] {
    struct sigaction chld, pipe;
    sigaction(SIGCHLD, nullptr, &chld);
    sigaction(SIGPIPE, nullptr, &pipe);
    sigset_t mask;
    sigprocmask(SIG_BLOCK, nullptr, &mask);
    int wrong = 0;
    if (chld.sa_handler != SIG_DFL) wrong |= 1;
    if (sigismember(&mask, SIGCHLD)) wrong |= 2;
    if (pipe.sa_handler != SIG_IGN) wrong |= 4;
    // A child of ours is a zombie until reaped, its status there to learn.
    pid_t grandchild = fork();
    if (grandchild == 0) _exit(7);
    int got = 0;
    if (waitpid(grandchild, &got, 0) != grandchild || !WIFEXITED(got) || WEXITSTATUS(got) != 7) {
      wrong |= 8;
    }
    return wrong;
  });
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: SIGCHLD not default, 2: SIGCHLD blocked, "
                                       "4: SIGPIPE not ignored, 8: a child's status lost";
}

TEST_F(ProcessSetupTest, ACrashLeavesNoMemoryImage) {
  int status = RunPrepared([] {
    struct rlimit core;
    getrlimit(RLIMIT_CORE, &core);
    if (core.rlim_cur != 0 || core.rlim_max != 0) return 1;
    if (prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0) return 2;
    volatile char password[] = "Tulip7prd";
    static_cast<void>(password[0]);
    std::abort();
  });
  ASSERT_TRUE(WIFSIGNALED(status))
      << "exit status " << WEXITSTATUS(status) << " (1: core files allowed, 2: dumpable)";
  EXPECT_EQ(WTERMSIG(status), SIGABRT);
  EXPECT_FALSE(WCOREDUMP(status));
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    EXPECT_EQ(entry.path().filename().string().rfind("core", 0), std::string::npos) << entry.path();
  }
}

#endif

}  // namespace
}  // namespace tolvaran
