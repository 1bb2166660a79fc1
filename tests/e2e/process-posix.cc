#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "process.h"

extern char** environ;

namespace tolvaran_e2e {

namespace {

using Clock = std::chrono::steady_clock;

// What the child sends back when it cannot get as far as exec.
struct ChildFailure {
  int stage;  // index into kStages
  int error;  // errno
};

constexpr const char* kStages[] = {"cannot change to the scratch directory",
                                   "cannot open /dev/null", "cannot set up standard streams",
                                   "cannot execute"};

class Fd {
 public:
  Fd() = default;
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Close(); }
  int get() const { return fd_; }
  int* put() { return &fd_; }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// Both ends close on exec, so the program inherits only what dup2 gives it.
// They are created so (pipe2), not marked afterwards: a child forked by
// another thread in between would otherwise keep them open.
bool MakePipe(Fd* read_end, Fd* write_end) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  *read_end->put() = fds[0];
  *write_end->put() = fds[1];
  return true;
}

// Reads what is there without blocking; closes `fd` at its end.
void ReadAvailable(Fd* fd, std::string* into) {
  char buffer[65536];
  while (fd->get() >= 0) {
    ssize_t n = read(fd->get(), buffer, sizeof buffer);
    if (n > 0) {
      into->append(buffer, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return;
    } else {
      fd->Close();  // end of file, or an error that will not go away
    }
  }
}

[[noreturn]] void ChildFail(int report_fd, int stage) {
  ChildFailure failure{stage, errno};
  ssize_t ignored = write(report_fd, &failure, sizeof failure);
  (void)ignored;
  _exit(127);
}

// Between fork and exec only async-signal-safe calls are allowed, so
// everything is prepared by the parent.
[[noreturn]] void Child(char* const* argv, char* const* envp, const char* directory, int in_fd,
                        int out_fd, int err_fd, int report_fd, bool sigchld_ignored) {
  // Its own process group, so that a timeout also kills whatever it (or a
  // launcher such as Wine) started.
  setpgid(0, 0);
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigaction(SIGPIPE, &default_action, nullptr);
  sigset_t mask;
  sigemptyset(&mask);
  if (sigchld_ignored) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGCHLD, &ignore, nullptr);
    sigaddset(&mask, SIGCHLD);
  }
  sigprocmask(SIG_SETMASK, &mask, nullptr);

  if (chdir(directory) != 0) ChildFail(report_fd, 0);
  int null_fd = in_fd >= 0 ? in_fd : open("/dev/null", O_RDONLY);
  if (null_fd < 0) ChildFail(report_fd, 1);
  if (dup2(null_fd, 0) < 0 || dup2(out_fd, 1) < 0 || dup2(err_fd, 2) < 0) {
    ChildFail(report_fd, 2);
  }
  execvpe(argv[0], argv, envp);
  ChildFail(report_fd, 3);
}

void Decode(int status, ProcessResult* result) {
  if (WIFEXITED(status)) {
    result->exited = true;
    result->exit_status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result->signal = WTERMSIG(status);
  }
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& directory,
                         std::chrono::milliseconds timeout,
                         const std::vector<std::string>& environment, const StartOptions& options) {
  ProcessResult result;
  if (argv.empty()) {
    result.start_error = "nothing to run";
    return result;
  }
  std::vector<std::string> args = argv;  // owned copies for the char* array
  std::vector<char*> pointers;
  for (std::string& arg : args) pointers.push_back(arg.data());
  pointers.push_back(nullptr);

  // The harness's environment with `environment` put over it.
  std::vector<std::string> variables = environment;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    std::string_view entry(*variable);
    std::string_view name = entry.substr(0, entry.find('='));
    bool replaced = std::any_of(environment.begin(), environment.end(), [&](const std::string& e) {
      return e.compare(0, e.find('='), name) == 0;
    });
    if (!replaced) variables.emplace_back(entry);
  }
  std::vector<char*> env_pointers;
  for (std::string& variable : variables) env_pointers.push_back(variable.data());
  env_pointers.push_back(nullptr);

  Fd in_read, in_write, out_read, out_write, err_read, err_write, report_read, report_write;
  if (!MakePipe(&out_read, &out_write) || !MakePipe(&err_read, &err_write) ||
      !MakePipe(&report_read, &report_write) ||
      (options.stdin_piped && !MakePipe(&in_read, &in_write))) {
    result.start_error = std::string("cannot create a pipe: ") + std::strerror(errno);
    return result;
  }
  if (options.stdin_piped) {
    // Written whole before the start: a pipe holds this much unread.
    if (options.stdin_bytes.size() > kMaxStdinBytes ||
        write(in_write.get(), options.stdin_bytes.data(), options.stdin_bytes.size()) !=
            static_cast<ssize_t>(options.stdin_bytes.size())) {
      result.start_error = "cannot write the standard input";
      return result;
    }
    if (!options.stdin_kept_open) in_write.Close();
  }
  // Gone before the program can write: its first write finds no reader.
  if (options.stdout_closed) out_read.Close();

  pid_t pid = fork();
  if (pid < 0) {
    result.start_error = std::string("cannot fork: ") + std::strerror(errno);
    return result;
  }
  if (pid == 0) {
    Child(pointers.data(), env_pointers.data(), directory.c_str(), in_read.get(), out_write.get(),
          err_write.get(), report_write.get(), options.sigchld_ignored);
  }
  in_read.Close();
  out_write.Close();
  err_write.Close();
  report_write.Close();

  // The report pipe closes on a successful exec, or carries the failure.
  ChildFailure failure{};
  ssize_t got;
  do {
    got = read(report_read.get(), &failure, sizeof failure);
  } while (got < 0 && errno == EINTR);
  if (got == static_cast<ssize_t>(sizeof failure)) {
    int status;
    waitpid(pid, &status, 0);
    result.start_error = std::string(kStages[failure.stage]) + " \"" +
                         (failure.stage == 0 ? directory : argv[0]) +
                         "\": " + std::strerror(failure.error);
    return result;
  }
  result.started = true;

  fcntl(out_read.get(), F_SETFL, fcntl(out_read.get(), F_GETFL) | O_NONBLOCK);
  fcntl(err_read.get(), F_SETFL, fcntl(err_read.get(), F_GETFL) | O_NONBLOCK);

  const Clock::time_point deadline = Clock::now() + timeout;
  int status = 0;
  while (true) {
    // Finish as soon as the program itself has ended, not when the pipes
    // close: a helper it started (wineserver, say) may hold them open long
    // after. Whatever the program wrote is already in the pipes by then.
    pid_t reaped;
    do {
      reaped = waitpid(pid, &status, WNOHANG);
    } while (reaped < 0 && errno == EINTR);
    if (reaped == pid) {
      ReadAvailable(&out_read, &result.out);
      ReadAvailable(&err_read, &result.err);
      Decode(status, &result);
      break;
    }
    Clock::time_point now = Clock::now();
    if (now >= deadline) {
      kill(-pid, SIGKILL);
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      ReadAvailable(&out_read, &result.out);
      ReadAvailable(&err_read, &result.err);
      result.timed_out = true;
      Decode(status, &result);
      break;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    pollfd fds[2];
    nfds_t count = 0;
    for (Fd* fd : {&out_read, &err_read}) {
      if (fd->get() >= 0) fds[count++] = pollfd{fd->get(), POLLIN, 0};
    }
    // With the pipes open, data or their end wakes us; once both are
    // closed only the exit remains to be seen, so look more often.
    int wait_ms = static_cast<int>(std::min<long long>(left + 1, count > 0 ? 50 : 5));
    poll(count > 0 ? fds : nullptr, count, wait_ms);
    ReadAvailable(&out_read, &result.out);
    ReadAvailable(&err_read, &result.err);
  }
  return result;
}

}  // namespace tolvaran_e2e
