#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix_process.h"

extern char** environ;

namespace tolvaran {

namespace {

// What the child sends back when it cannot get as far as the exec.
struct ChildFailure {
  int stage;  // index into kStages
  int error;  // errno
};

constexpr const char* kStages[] = {"cannot change to the directory", "cannot open /dev/null",
                                   "cannot set up standard streams", "cannot execute"};

[[noreturn]] void ChildFail(int report_fd, int stage) {
  ChildFailure failure{stage, errno};
  ssize_t ignored = write(report_fd, &failure, sizeof failure);
  static_cast<void>(ignored);
  _exit(127);
}

struct Prepared {
  std::vector<std::string> args;
  std::vector<char*> argv;
  std::vector<std::string> variables;
  std::vector<char*> envp;
};

// Between fork and exec only async-signal-safe calls are allowed (another
// thread may hold the allocator's lock at the moment of the fork), so
// everything the child needs is made before.
[[noreturn]] void Child(const PosixLaunch& launch, Prepared& p, pid_t parent, int report_fd) {
  if (launch.ownGroup) setpgid(0, 0);
  if (launch.endWithParent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // A parent gone before the call above is seen here.
    if (getppid() != parent) _exit(127);
  }
  if (launch.defaultSignals) {
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &default_action, nullptr);
    sigset_t mask;
    sigemptyset(&mask);
    if (launch.childSignalIgnored) {
      struct sigaction ignore {};
      ignore.sa_handler = SIG_IGN;
      sigaction(SIGCHLD, &ignore, nullptr);
      sigaddset(&mask, SIGCHLD);
    }
    sigprocmask(SIG_SETMASK, &mask, nullptr);
  }
  if (!launch.directory.empty() && chdir(launch.directory.c_str()) != 0) ChildFail(report_fd, 0);

  // Every source is first moved above the standard streams: a parent
  // started with one of them closed hands out 0..2 for its own descriptors,
  // and one dup2 would overwrite another's source.
  int sources[3];
  for (int i = 0; i < 3; ++i) {
    int fd = launch.streams[i];
    if (fd == kNullStream) {
      fd = open("/dev/null", i == 0 ? O_RDONLY : O_WRONLY);
      if (fd < 0) ChildFail(report_fd, 1);
    }
    if (fd >= 0) {
      fd = fcntl(fd, F_DUPFD, 3);
      if (fd < 0) ChildFail(report_fd, 2);
    }
    sources[i] = fd;
  }
  for (int i = 0; i < 3; ++i) {
    if (sources[i] >= 0 && dup2(sources[i], i) != i) ChildFail(report_fd, 2);
  }
  // Nothing else of the parent's reaches the child: a descriptor opened
  // without O_CLOEXEC elsewhere (a lock, another child's pipe) would
  // otherwise live as long as the child does.
  close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
  char** envp = launch.environment ? p.envp.data() : environ;
  if (launch.searchPath) {
    execvpe(p.argv[0], p.argv.data(), envp);
  } else {
    execve(p.argv[0], p.argv.data(), envp);
  }
  ChildFail(report_fd, 3);
}

}  // namespace

LaunchResult LaunchProcess(const PosixLaunch& launch, const std::function<void(pid_t)>& onForked) {
  LaunchResult result;
  if (launch.argv.empty()) {
    result.error = "nothing to run";
    return result;
  }
  Prepared p;
  p.args = launch.argv;
  for (std::string& arg : p.args) p.argv.push_back(arg.data());
  p.argv.push_back(nullptr);
  if (launch.environment) {
    p.variables = *launch.environment;
    for (std::string& variable : p.variables) p.envp.push_back(variable.data());
    p.envp.push_back(nullptr);
  }

  // The report pipe closes at a successful exec; only a failure sends
  // anything.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    result.error = std::string("cannot create a pipe: ") + std::strerror(errno);
    return result;
  }
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) {
    result.error = std::string("cannot fork: ") + std::strerror(errno);
    close(report[0]);
    close(report[1]);
    return result;
  }
  if (pid == 0) {
    close(report[0]);
    Child(launch, p, parent, report[1]);
  }
  // Also here, so that the group exists whichever of the two runs first.
  if (launch.ownGroup) setpgid(pid, pid);
  result.pid = pid;
  if (onForked) onForked(pid);
  close(report[1]);
  ChildFailure failure{};
  ssize_t got;
  do {
    got = read(report[0], &failure, sizeof failure);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  if (got == static_cast<ssize_t>(sizeof failure)) {
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const std::string& subject = failure.stage == 0 ? launch.directory : launch.argv[0];
    result.error = std::string(kStages[failure.stage]) + " \"" + subject +
                   "\": " + std::strerror(failure.error);
    return result;
  }
  result.started = true;
  return result;
}

}  // namespace tolvaran
