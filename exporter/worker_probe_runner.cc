#include "exporter/worker_probe_runner.h"

#include <algorithm>

#include "platform/worker_process.h"

namespace tolvaran {

namespace {

// How often a waiting probe looks whether the exporter is stopping: the
// longest a stop waits for a check to be ended.
constexpr std::int64_t kStopPollMs = 100;

}  // namespace

RunOutcome WorkerProbeRunner::Run(const std::vector<std::string>& arguments, Deadline deadline) {
  RunOutcome outcome;
  if (stopping_) {
    outcome.kind = RunOutcome::Kind::kStopped;
    return outcome;
  }
  // A pool per probe: a pool is used by one thread, and this thread lives
  // as long as the server, so that the kernel's end-with-parent signal
  // (tied to the starting thread on Linux) does not come early.
  WorkerPool pool;
  WorkerLaunch launch;
  launch.executable = program_;
  launch.arguments = arguments;
  // The check's standard error is the exporter's log: the program's own
  // diagnostics, never a password.
  launch.stderrMode = WorkerStderr::kInherit;
  std::string error;
  WorkerId id = pool.Start(launch, &error);
  if (id == 0) {
    outcome.detail = error;
    return outcome;
  }
  for (;;) {
    std::int64_t slice = std::min<std::int64_t>(deadline.RemainingMs(), kStopPollMs);
    if (deadline.IsNever()) slice = kStopPollMs;
    std::vector<WorkerResult> done = pool.Wait(Deadline::After(slice));
    if (!done.empty()) {
      WorkerResult& result = done.front();
      outcome.kind = result.end == WorkerEnd::kExited ? RunOutcome::Kind::kAnswered
                                                      : RunOutcome::Kind::kAbnormal;
      outcome.exitStatus = result.code;
      outcome.output = std::move(result.output);
      return outcome;
    }
    if (stopping_ || deadline.HasPassed()) {
      pool.Kill(id);
      outcome.kind = stopping_ ? RunOutcome::Kind::kStopped : RunOutcome::Kind::kDeadline;
      return outcome;
    }
  }
}

}  // namespace tolvaran
