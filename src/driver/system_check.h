// One listed system's check, as a value: what a worker process is given and
// what it gives back.
//
// A listing hands every system that is to be connected to a worker: a
// process of its own (the program in a hidden mode), so that a library that
// hangs or aborts takes only that system with it. The task travels to the
// worker over a pipe, the password included, and never on a command line.
#ifndef TOLVARAN_DRIVER_SYSTEM_CHECK_H_
#define TOLVARAN_DRIVER_SYSTEM_CHECK_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "output/usage_evaluation.h"
#include "platform/host.h"
#include "rfc/backend.h"

namespace tolvaran {

// The argument that starts the program as a worker.
constexpr const char* kWorkerFlag = "--check-worker";

struct SystemTask {
  ConnectionRequest request;
  std::string client;  // the client counted (empty: every client)
  // Milliseconds the worker has left before the run's deadline; -1 for no
  // deadline.
  std::int64_t remainingMs = -1;
};

struct SystemOutcome {
  bool configNote = false;  // a per-destination configuration file was used
  bool opened = false;
  bool cpuDone = false;  // the CPU probe ran
  QueryResult cpu;
  bool usageDone = false;  // the user list was fetched
  QueryResult usage;
  UsageCounts counts;
  // The library reported an error by itself, or an operation around a call
  // failed: the check ended there, and `report` says why.
  bool aborted = false;
  FailureReport report;
};

std::string EncodeTask(const SystemTask& task);
bool DecodeTask(std::string_view bytes, SystemTask* task);
std::string EncodeOutcome(const SystemOutcome& outcome);
bool DecodeOutcome(std::string_view bytes, SystemOutcome* outcome);

// Opens the system, probes its CPU, counts its user list and closes, in
// that order, each step only after the one before succeeded. The task's
// password is wiped once the opening has returned.
SystemOutcome CheckSystem(RfcBackend& backend, SystemTask& task);

// The worker's whole run: the task from standard input, the outcome to
// standard output. Returns the exit status.
int RunCheckWorker(Host& host);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_SYSTEM_CHECK_H_
