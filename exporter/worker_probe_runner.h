// The real probe runner: each check is the `tolvaran` program started in a
// worker process (platform/worker_process.h), in the exporter's working
// directory, which is its profile directory. The check reads its profile
// and password itself, so no secret is on a command line, in an
// environment or on a pipe; a library call that hangs or crashes ends that
// worker only, and a worker never outlives its deadline or the exporter.
#ifndef TOLVARAN_EXPORTER_WORKER_PROBE_RUNNER_H_
#define TOLVARAN_EXPORTER_WORKER_PROBE_RUNNER_H_

#include <atomic>
#include <string>

#include "exporter/probe_runner.h"

namespace tolvaran {

class WorkerProbeRunner : public ProbeRunner {
 public:
  // `program`: the native path of the `tolvaran` executable.
  explicit WorkerProbeRunner(std::string program) : program_(std::move(program)) {}

  RunOutcome Run(const std::vector<std::string>& arguments, Deadline deadline) override;
  void Stop() override { stopping_ = true; }

 private:
  std::string program_;
  std::atomic<bool> stopping_{false};
};

}  // namespace tolvaran

#endif  // TOLVARAN_EXPORTER_WORKER_PROBE_RUNNER_H_
