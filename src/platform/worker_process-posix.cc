// Workers on POSIX (Linux): fork and exec, pipes read and written without
// blocking under one poll(), the exit seen through a pidfd.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/worker_process.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

// Every running worker of every pool, for the ways out of the process that
// run no destructor: exit() from anywhere, and ExitProcessWithoutCleanup.
// Never destroyed, so that it is still there for the atexit handler.
struct LiveWorkers {
  std::mutex mutex;
  std::vector<pid_t> pids;
};

void KillLiveWorkers();

LiveWorkers& Live() {
  static LiveWorkers* live = [] {
    auto* l = new LiveWorkers;
    std::atexit(KillLiveWorkers);
    return l;
  }();
  return *live;
}

// Each worker leads a process group of its own: whatever it starts is ended
// with it. Until the child has made its group, only the pid itself is there.
void KillWorkerProcess(pid_t pid) {
  kill(-pid, SIGKILL);
  kill(pid, SIGKILL);
}

void KillLiveWorkers() {
  LiveWorkers& live = Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  for (pid_t pid : live.pids) KillWorkerProcess(pid);
}

void AddLive(pid_t pid) {
  LiveWorkers& live = Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  live.pids.push_back(pid);
}

void RemoveLive(pid_t pid) {
  LiveWorkers& live = Live();
  std::lock_guard<std::mutex> lock(live.mutex);
  live.pids.erase(std::remove(live.pids.begin(), live.pids.end(), pid), live.pids.end());
}

void CloseFd(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

// A descriptor the child will dup2 onto 0, 1 or 2 must not itself be one of
// those: a parent started with a standard stream closed would hand out 0..2
// for the pipes, and one dup2 would overwrite another's source.
int AboveStandardStreams(int fd) {
  if (fd < 0 || fd > 2) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
}

bool MakePipe(int fds[2]) {
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  fds[0] = AboveStandardStreams(fds[0]);
  fds[1] = AboveStandardStreams(fds[1]);
  return fds[0] >= 0 && fds[1] >= 0;
}

// A write into a pipe whose reader is gone raises SIGPIPE, which would end
// the parent. It is blocked around the write and a SIGPIPE the write raised
// is taken back, so that only EPIPE remains; the process's disposition for
// SIGPIPE stays the caller's.
ssize_t WriteWithoutSigpipe(int fd, const char* data, std::size_t size) {
  sigset_t pipe_only, old_mask, pending;
  sigemptyset(&pipe_only);
  sigaddset(&pipe_only, SIGPIPE);
  sigpending(&pending);
  bool was_pending = sigismember(&pending, SIGPIPE) == 1;
  pthread_sigmask(SIG_BLOCK, &pipe_only, &old_mask);
  ssize_t n = write(fd, data, size);
  int saved = errno;
  if (n < 0 && saved == EPIPE && !was_pending) {
    struct timespec zero = {0, 0};
    while (sigtimedwait(&pipe_only, nullptr, &zero) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
  errno = saved;
  return n;
}

struct Worker {
  WorkerId id = 0;
  pid_t pid = -1;
  int pidfd = -1;  // readable once the process has ended; -1 on old kernels
  int in = -1;     // our end of its standard input, until all is written
  int out = -1;    // our end of its standard output, until its end
  std::string input;
  std::size_t written = 0;
  std::string output;
  bool exited = false;
  bool status_lost = false;
  int status = 0;

  ~Worker() {
    WipeSecret(&input);
    CloseFd(&in);
    CloseFd(&out);
    CloseFd(&pidfd);
  }

  void WriteSome() {
    while (in >= 0 && written < input.size()) {
      ssize_t n = WriteWithoutSigpipe(in, input.data() + written, input.size() - written);
      if (n > 0) {
        written += static_cast<std::size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else if (n < 0 && errno == EAGAIN) {
        return;
      } else {
        break;  // it closed its input: the rest is not wanted
      }
    }
    CloseFd(&in);
    WipeSecret(&input);  // it may hold a password
  }

  void ReadSome() {
    for (;;) {
      std::size_t had = output.size();
      output.resize(had + 65536);
      ssize_t n = read(out, &output[had], 65536);
      output.resize(had + (n > 0 ? static_cast<std::size_t>(n) : 0));
      if (n > 0) continue;
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) return;
      CloseFd(&out);  // its end, or an error that no retry mends
      return;
    }
  }

  void Reap(bool block) {
    if (exited) return;
    for (;;) {
      pid_t r = waitpid(pid, &status, block ? 0 : WNOHANG);
      if (r < 0 && errno == EINTR) continue;
      if (r == pid) {
        exited = true;
      } else if (r < 0) {
        // Reaped elsewhere (SIGCHLD ignored): its status is lost, and a lost
        // status must not read as success.
        exited = true;
        status_lost = true;
      }
      break;
    }
    if (exited) {
      RemoveLive(pid);
      CloseFd(&pidfd);
    }
  }

  bool Finished() const { return out < 0 && exited; }
};

}  // namespace

struct WorkerPool::Impl {
  std::vector<std::unique_ptr<Worker>> workers;  // in the order of their starts
  WorkerId last_id = 0;

  Worker* Find(WorkerId id) const {
    for (const auto& w : workers) {
      if (w->id == id) return w.get();
    }
    return nullptr;
  }
};

WorkerPool::WorkerPool() : impl_(std::make_unique<Impl>()) { Live(); }

WorkerPool::~WorkerPool() {
  while (!impl_->workers.empty()) Kill(impl_->workers.front()->id);
}

std::size_t WorkerPool::Running() const { return impl_->workers.size(); }

std::int64_t WorkerPool::ProcessId(WorkerId id) const {
  Worker* w = impl_->Find(id);
  return w ? w->pid : 0;
}

WorkerId WorkerPool::Start(const WorkerLaunch& launch, std::string* error) {
  // Everything the child needs is made before fork: between fork and exec
  // only async-signal-safe calls are allowed (another thread may hold the
  // allocator's lock at the moment of the fork).
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(launch.executable.c_str()));
  for (const std::string& a : launch.arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int in[2] = {-1, -1}, out[2] = {-1, -1}, report[2] = {-1, -1};
  int null_fd = -1;
  auto close_all = [&] {
    for (int* fd : {&in[0], &in[1], &out[0], &out[1], &report[0], &report[1], &null_fd}) {
      CloseFd(fd);
    }
  };
  bool made = MakePipe(in) && MakePipe(out) && MakePipe(report);
  if (made && launch.stderrMode == WorkerStderr::kDiscard) {
    null_fd = AboveStandardStreams(open("/dev/null", O_WRONLY | O_CLOEXEC));
    made = null_fd >= 0;
  }
  if (!made) {
    *error = std::string("cannot make the worker's pipes: ") + std::strerror(errno);
    close_all();
    return 0;
  }

  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) {
    *error = std::string("cannot start a worker: ") + std::strerror(errno);
    close_all();
    return 0;
  }
  if (pid == 0) {
    setpgid(0, 0);
    // The kernel ends the worker when the parent's starting thread ends,
    // even by SIGKILL; a parent gone before this call is seen by getppid.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    bool ok = dup2(in[0], 0) == 0 && dup2(out[1], 1) == 1 && (null_fd < 0 || dup2(null_fd, 2) == 2);
    // Nothing else of the parent's reaches the worker: a descriptor opened
    // without O_CLOEXEC elsewhere (a lock, another worker's pipe) would
    // otherwise live as long as the worker does.
    if (ok) {
      close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
      execv(argv[0], argv.data());
    }
    int failure = errno;
    ssize_t ignored = write(report[1], &failure, sizeof failure);
    static_cast<void>(ignored);
    _exit(127);
  }

  // Also here, so that the group exists whichever of the two runs first.
  setpgid(pid, pid);
  AddLive(pid);
  CloseFd(&in[0]);
  CloseFd(&out[1]);
  CloseFd(&report[1]);
  CloseFd(&null_fd);
  // The report pipe closes at exec; only a failure sends anything.
  int failure = 0;
  ssize_t got;
  do {
    got = read(report[0], &failure, sizeof failure);
  } while (got < 0 && errno == EINTR);
  CloseFd(&report[0]);

  auto worker = std::make_unique<Worker>();
  worker->id = ++impl_->last_id;
  worker->pid = pid;
  worker->in = in[1];
  worker->out = out[0];
  if (got == static_cast<ssize_t>(sizeof failure)) {
    *error = "cannot run " + launch.executable + ": " + std::strerror(failure);
    worker->Reap(true);
    return 0;  // the worker closes our pipe ends
  }
  // By the system call: glibc's own declaration lacks C linkage for C++.
  worker->pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  fcntl(worker->in, F_SETFL, fcntl(worker->in, F_GETFL) | O_NONBLOCK);
  fcntl(worker->out, F_SETFL, fcntl(worker->out, F_GETFL) | O_NONBLOCK);
  worker->input = launch.input;
  // Small inputs fit the pipe: the worker has them before Wait is called.
  worker->WriteSome();
  impl_->workers.push_back(std::move(worker));
  return impl_->last_id;
}

std::vector<WorkerResult> WorkerPool::Wait(Deadline deadline) {
  std::vector<WorkerResult> done;
  auto& workers = impl_->workers;
  bool passed = false;
  for (;;) {
    for (auto it = workers.begin(); it != workers.end();) {
      Worker& w = **it;
      if (!w.Finished()) {
        ++it;
        continue;
      }
      WorkerResult r;
      r.id = w.id;
      if (w.status_lost) {
        r.end = WorkerEnd::kAbnormal;
      } else if (WIFSIGNALED(w.status)) {
        r.end = WorkerEnd::kAbnormal;
        r.code = WTERMSIG(w.status);
      } else {
        r.code = WIFEXITED(w.status) ? WEXITSTATUS(w.status) : 0;
      }
      r.output = std::move(w.output);
      done.push_back(std::move(r));
      it = workers.erase(it);
    }
    // After the deadline the loop runs once more, so that a worker that
    // ended right at it still counts.
    if (!done.empty() || workers.empty() || passed) return done;

    std::vector<pollfd> fds;
    std::vector<Worker*> owners;
    bool tick = false;  // a worker at its end whose exit no pidfd announces
    for (const auto& w : workers) {
      if (w->in >= 0) {
        fds.push_back({w->in, POLLOUT, 0});
        owners.push_back(w.get());
      }
      if (w->out >= 0) {
        fds.push_back({w->out, POLLIN, 0});
        owners.push_back(w.get());
      } else if (!w->exited && w->pidfd >= 0) {
        fds.push_back({w->pidfd, POLLIN, 0});
        owners.push_back(w.get());
      } else if (!w->exited) {
        tick = true;
      }
    }
    std::int64_t left = deadline.RemainingMs();
    if (tick && (left < 0 || left > 10)) left = 10;
    int timeout = left > INT_MAX ? INT_MAX : static_cast<int>(left);
    int n = poll(fds.data(), fds.size(), timeout);
    if (n < 0 && errno != EINTR) return done;  // cannot wait: say nothing finished
    for (std::size_t i = 0; n > 0 && i < fds.size(); ++i) {
      if (fds[i].revents == 0) continue;
      Worker* w = owners[i];
      if (fds[i].fd == w->in) {
        w->WriteSome();
      } else if (fds[i].fd == w->out) {
        w->ReadSome();
      }
      if (w->out < 0) w->Reap(false);
    }
    if (tick) {
      for (const auto& w : workers) {
        if (w->out < 0) w->Reap(false);
      }
    }
    passed = deadline.HasPassed();
  }
}

void WorkerPool::Kill(WorkerId id) {
  auto& workers = impl_->workers;
  for (auto it = workers.begin(); it != workers.end(); ++it) {
    Worker& w = **it;
    if (w.id != id) continue;
    if (!w.exited) {
      KillWorkerProcess(w.pid);
      w.Reap(true);
    }
    workers.erase(it);
    return;
  }
}

void ExitProcessWithoutCleanup(int status) {
  KillLiveWorkers();
  _exit(status);
}

}  // namespace tolvaran
