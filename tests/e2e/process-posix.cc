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

#include "platform/posix_process.h"
#include "process.h"

extern char** environ;

namespace tolvaran_e2e {

namespace {

using Clock = std::chrono::steady_clock;

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

  Fd in_read, in_write, out_read, out_write, err_read, err_write;
  if (!MakePipe(&out_read, &out_write) || !MakePipe(&err_read, &err_write) ||
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

  // Its own process group, so that a timeout also kills whatever it (or a
  // launcher such as Wine) started.
  tolvaran::PosixLaunch launch;
  launch.argv = argv;
  launch.searchPath = true;
  launch.environment = &variables;
  launch.directory = directory;
  launch.streams[0] = options.stdin_piped ? in_read.get() : tolvaran::kNullStream;
  launch.streams[1] = out_write.get();
  launch.streams[2] = err_write.get();
  launch.ownGroup = true;
  launch.defaultSignals = true;
  launch.childSignalIgnored = options.sigchld_ignored;
  tolvaran::LaunchResult launched = tolvaran::LaunchProcess(launch);
  in_read.Close();
  out_write.Close();
  err_write.Close();
  if (!launched.started) {
    result.start_error = launched.error;
    return result;
  }
  const pid_t pid = launched.pid;
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
