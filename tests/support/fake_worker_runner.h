// A WorkerRunner that starts no process: a test says how each worker ends
// and in which order, and sees what was started and killed.
//
// Workers are numbered by their starts, 1, 2, ...; a start can be refused.
// Wait hands back the scripted ends of running workers, one per call, in
// the order of `finishOrder`; with none of those running it blocks until
// the deadline, as the real runner does, and a wait that could never end
// (no deadline) throws rather than hang the test.
#ifndef TOLVARAN_TESTS_SUPPORT_FAKE_WORKER_RUNNER_H_
#define TOLVARAN_TESTS_SUPPORT_FAKE_WORKER_RUNNER_H_

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/worker_scheduler.h"

namespace tolvaran {

class FakeWorkerRunner : public WorkerRunner {
 public:
  WorkerId Start(const WorkerLaunch& launch, std::string* error) override {
    const WorkerId id = ++starts;
    if (refused.count(id)) {
      *error = "refused by the test";
      return 0;
    }
    inputs[id] = launch.input;
    running.insert(id);
    mostRunning = std::max(mostRunning, running.size());
    return id;
  }

  std::vector<WorkerResult> Wait(Deadline deadline) override {
    for (auto next = finishOrder.begin(); next != finishOrder.end(); ++next) {
      if (!running.count(*next)) continue;
      WorkerResult result = ends[*next];
      result.id = *next;
      running.erase(*next);
      finishOrder.erase(next);
      return {result};
    }
    if (deadline.IsNever()) throw std::logic_error("a wait without a deadline would never end");
    while (!deadline.HasPassed()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return {};
  }

  void Kill(WorkerId id) override {
    running.erase(id);
    killed.push_back(id);
  }

  // How worker `id` ends when its turn in `finishOrder` comes.
  void Answer(WorkerId id, std::string output) { ends[id].output = std::move(output); }
  void End(WorkerId id, WorkerEnd end, int code) {
    ends[id].end = end;
    ends[id].code = code;
  }

  std::vector<WorkerId> finishOrder;
  std::set<WorkerId> refused;
  std::map<WorkerId, WorkerResult> ends;
  std::map<WorkerId, std::string> inputs;  // what each started worker was given
  std::set<WorkerId> running;
  std::vector<WorkerId> killed;
  std::size_t starts = 0;
  std::size_t mostRunning = 0;
};

}  // namespace tolvaran

#endif  // TOLVARAN_TESTS_SUPPORT_FAKE_WORKER_RUNNER_H_
