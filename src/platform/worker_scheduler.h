// The one loop that runs jobs in workers: at most so many at once, started
// in order, waited for, and killed at a deadline. The listing runs its
// systems through it, the server fan-out its instances.
//
// A WorkerRunner starts, waits for and kills workers (in the spirit of a
// build tool's command runner): PoolRunner over the real WorkerPool, a fake
// in the tests, so that what a caller decides from its workers' ends can be
// tested without processes.
#ifndef TOLVARAN_PLATFORM_WORKER_SCHEDULER_H_
#define TOLVARAN_PLATFORM_WORKER_SCHEDULER_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/deadline.h"
#include "platform/worker_process.h"

namespace tolvaran {

class WorkerRunner {
 public:
  virtual ~WorkerRunner() = default;
  // As WorkerPool's: 0 with the reason in `error` when not started.
  virtual WorkerId Start(const WorkerLaunch& launch, std::string* error) = 0;
  // The workers finished by `deadline`; empty when it passed first.
  virtual std::vector<WorkerResult> Wait(Deadline deadline) = 0;
  // Ends a worker; it is never reported by Wait.
  virtual void Kill(WorkerId id) = 0;
};

class PoolRunner : public WorkerRunner {
 public:
  WorkerId Start(const WorkerLaunch& launch, std::string* error) override {
    return pool_.Start(launch, error);
  }
  std::vector<WorkerResult> Wait(Deadline deadline) override { return pool_.Wait(deadline); }
  void Kill(WorkerId id) override { pool_.Kill(id); }

 private:
  WorkerPool pool_;
};

// What the scheduler runs: jobs numbered 0, 1, ... in the order they are
// begun. Every job begun is settled by exactly one of Begin returning no
// launch, NotStarted, Finished or KilledAtDeadline.
class WorkerJobs {
 public:
  virtual ~WorkerJobs() = default;
  // Whether a job is left to begin.
  virtual bool More() const = 0;
  // Begins job `job`: the worker it needs, or none when it was settled
  // without one (such as past the deadline).
  virtual std::optional<WorkerLaunch> Begin(std::size_t job) = 0;
  // Its worker could not be started, for `error`.
  virtual void NotStarted(std::size_t job, const std::string& error) = 0;
  // Its worker ended by itself.
  virtual void Finished(std::size_t job, const WorkerResult& result) = 0;
  // The deadline passed with these jobs' workers running: they were killed,
  // in the order of their starts.
  virtual void KilledAtDeadline(const std::vector<std::size_t>& jobs) = 0;
  // After every round of starts and ends: a caller that writes in job order
  // writes what is settled.
  virtual void Settled() {}
};

// Runs `jobs` until none is left to begin and none is running, at most
// `parallel` (at least 1) workers at once. A launch's input is wiped once
// its worker has it.
void RunWorkers(WorkerRunner& runner, WorkerJobs& jobs, std::size_t parallel, Deadline deadline);

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_WORKER_SCHEDULER_H_
