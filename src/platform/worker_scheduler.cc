#include "platform/worker_scheduler.h"

#include <utility>

#include "text/secret_wipe.h"

namespace tolvaran {

void RunWorkers(WorkerRunner& runner, WorkerJobs& jobs, std::size_t parallel, Deadline deadline) {
  if (parallel == 0) parallel = 1;
  struct Running {
    std::size_t job;
    WorkerId worker;
  };
  std::vector<Running> running;  // in the order of their starts
  std::size_t next = 0;
  for (;;) {
    while (jobs.More() && running.size() < parallel) {
      const std::size_t job = next++;
      std::optional<WorkerLaunch> launch = jobs.Begin(job);
      if (!launch) continue;
      // The runner has its own copy of the input (it holds the password).
      WipeOnExit wipe(&launch->input);
      std::string error;
      const WorkerId worker = runner.Start(*launch, &error);
      if (worker == 0) {
        jobs.NotStarted(job, error);
      } else {
        running.push_back({job, worker});
      }
    }
    jobs.Settled();
    if (running.empty()) {
      if (!jobs.More()) return;
      continue;
    }
    const std::vector<WorkerResult> results = runner.Wait(deadline);
    for (const WorkerResult& result : results) {
      for (std::size_t r = 0; r < running.size(); ++r) {
        if (running[r].worker != result.id) continue;
        const std::size_t job = running[r].job;
        running.erase(running.begin() + static_cast<std::ptrdiff_t>(r));
        jobs.Finished(job, result);
        break;
      }
    }
    if (results.empty() && deadline.HasPassed()) {
      std::vector<std::size_t> killed;
      for (const Running& r : running) {
        runner.Kill(r.worker);
        killed.push_back(r.job);
      }
      running.clear();
      jobs.KilledAtDeadline(killed);
    }
  }
}

}  // namespace tolvaran
