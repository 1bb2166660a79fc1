// Worker processes: the program started once more in a hidden mode, fed its
// inputs over standard input and read back from standard output.
//
// A listing checks its systems side by side, each in a worker of its own, so
// that a library that hangs or aborts takes only that system with it. The
// inputs include the password: they travel over the pipe, never on a command
// line, where any user of the machine could read them. The parent alone
// writes the program's standard output; a worker's output is only ever a
// value for the parent.
//
// Workers never outlive the parent: on Windows every worker is in one job
// object that kills its processes when the parent's last handle to it goes,
// however the parent ends. On POSIX the pool ends its workers when destroyed,
// at exit() and in ExitProcessWithoutCleanup; on Linux a worker also gets
// SIGKILL from the kernel when the thread that started it ends (so start
// workers from a thread that lives as long as the listing, the main thread).
//
// Not thread-safe: one thread starts, waits for and ends the workers of a
// pool. The watchdog below is the one part meant for another thread.
#ifndef TOLVARAN_PLATFORM_WORKER_PROCESS_H_
#define TOLVARAN_PLATFORM_WORKER_PROCESS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tolvaran {

// Milliseconds on a monotonic clock from an arbitrary origin: deadlines must
// not move when the administrator or NTP sets the wall clock.
std::int64_t MonotonicMilliseconds();

// A point on the monotonic clock, or none at all.
class Deadline {
 public:
  // No deadline: waits block until something happens.
  static Deadline Never() { return Deadline(kNever); }
  static Deadline At(std::int64_t monotonic_ms) { return Deadline(monotonic_ms); }
  // `ms` from now, any value: the sum saturates, so a deadline too far to
  // be written is the farthest one (never Never), one too far back passed.
  static Deadline After(std::int64_t ms);

  bool IsNever() const { return at_ == kNever; }
  std::int64_t At() const { return at_; }
  bool HasPassed() const { return !IsNever() && MonotonicMilliseconds() >= at_; }
  // Milliseconds left, at least 0; -1 for no deadline (poll()'s "forever").
  std::int64_t RemainingMs() const;

 private:
  static constexpr std::int64_t kNever = INT64_MAX;
  explicit Deadline(std::int64_t at) : at_(at) {}
  std::int64_t at_;
};

// What becomes of a worker's standard error. Inherited by default: it is
// where the program's own diagnostics go, and a worker that fails before it
// can answer leaves its reason where the parent's would be. Never read by
// the parent, so a chatty worker cannot fill a pipe nobody empties.
enum class WorkerStderr { kInherit, kDiscard };

struct WorkerLaunch {
  // The native path of the executable: Host::ExecutablePath() for the
  // program itself (ANSI code page on Windows, like every path here).
  std::string executable;
  // The arguments after argument 0, which is `executable`. Never a secret:
  // command lines are readable by every user of the machine.
  std::vector<std::string> arguments;
  // Written to the worker's standard input, which is then closed, so the
  // worker reads to the end and knows it has everything.
  std::string input;
  WorkerStderr stderrMode = WorkerStderr::kInherit;
};

using WorkerId = std::uint64_t;  // 0 is never a worker

enum class WorkerEnd {
  kExited,    // ended by itself: `code` is its exit status
  kAbnormal,  // killed or crashed: `code` is the POSIX signal number, or on
              // Windows the exception code (an exit code of 0xC0000000 and
              // above, such as 0xC0000005 for an access violation);
              // 0 when its end could not be learnt
};

struct WorkerResult {
  WorkerId id = 0;
  WorkerEnd end = WorkerEnd::kExited;
  int code = 0;
  std::string output;  // everything it wrote to standard output
};

class WorkerPool {
 public:
  WorkerPool();
  // Ends every worker still running at once and reaps it: leaving the
  // listing by any path (a return, an exception) leaves no worker behind.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Starts a worker in the parent's working directory. 0 when it could not
  // be started, with the reason in `error` (such as a missing executable):
  // that is the caller's failure to report, not a worker's result.
  WorkerId Start(const WorkerLaunch& launch, std::string* error);

  // Blocks until at least one worker has finished (its output at its end and
  // the process gone) or `deadline` passes, feeding inputs and collecting
  // outputs meanwhile. Returns the finished workers, in the order of their
  // starts; empty when the deadline passed first or no worker is running. A
  // reported worker leaves the pool.
  std::vector<WorkerResult> Wait(Deadline deadline);

  // Ends a worker at once and reaps it; it is never reported by Wait. For
  // the run deadline and for a worker whose answer is no longer wanted.
  void Kill(WorkerId id);

  std::size_t Running() const;

  // The operating system's process id of a running worker (0 if none), for
  // diagnostics and tests.
  std::int64_t ProcessId(WorkerId id) const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// Ends the process at once with `status`: no atexit handlers, no static
// destructors, no unloading of libraries, nothing flushed. For the run
// deadline, when a thread of the RFC library may be blocked holding its own
// locks and an orderly exit could hang on them. Workers of every pool are
// ended first (on Windows the job object does it). Flush what must be
// written before calling it.
[[noreturn]] void ExitProcessWithoutCleanup(int status);

// Calls a function once, on a thread of its own, when a deadline passes,
// unless cancelled first. The run deadline: the function writes the timeout
// document and calls ExitProcessWithoutCleanup, wherever the main thread is
// blocked.
class Watchdog {
 public:
  Watchdog(Deadline deadline, std::function<void()> on_deadline);
  // Cancels and waits for the thread.
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // True when the function will never run. When it has begun, waits for it
  // to return and gives false. Call it before writing the normal result:
  // since the function ends the process, the result and the timeout document
  // are then never both written.
  bool Cancel();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// One argument quoted for a Windows command line so that the C runtime's
// parser (CommandLineToArgvW's rules) gives it back unchanged. Used by the
// Windows implementation; pure, so it is tested everywhere.
std::string QuoteWindowsArgument(const std::string& argument);

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_WORKER_PROCESS_H_
