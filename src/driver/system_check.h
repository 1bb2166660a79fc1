// One system's check, as a value: what it is given and what it gives back.
// The single run checks its system in the process; a listing hands every
// system that is to be connected to a worker: a process of its own (the
// program in a hidden mode), so that a library that hangs or aborts takes
// only that system with it. The task travels to the worker over a pipe, the
// password included, and never on a command line.
#ifndef TOLVARAN_DRIVER_SYSTEM_CHECK_H_
#define TOLVARAN_DRIVER_SYSTEM_CHECK_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "measure/measurement.h"
#include "platform/host.h"
#include "rfc/backend.h"

namespace tolvaran {

// The argument that starts the program as a worker.
constexpr const char* kWorkerFlag = "--check-worker";

struct SystemTask {
  const Measurement* measurement = nullptr;  // what is measured; the user list when null
  ConnectionRequest request;
  std::string client;  // the client counted (empty: every client)
  // WINDOW=: the minutes back from the system's clock that a measurement
  // of events looks.
  int windowMinutes = 60;
  // Milliseconds the worker has left before the run's deadline; -1 for no
  // deadline.
  std::int64_t remainingMs = -1;
  // The CPU probe before the user list: a listed system has it, the single
  // run does not, nor an instance of a system counted over all its servers.
  bool probeCpu = true;
  // SERVERS=ALL: after the CPU probe the system's server list and the
  // connection's own instance are fetched, and the measurement's rows are
  // given back whole when its values are combined from them.
  bool serverList = false;
  bool keepRows = false;
  // A listed system with SERVERS=ALL: its worker then checks every other
  // instance of the server list too, this many at once, and gives back the
  // system's counts; 0 for none.
  int fanOutJobs = 0;
};

struct SystemOutcome {
  bool configNote = false;  // a per-destination configuration file was used
  bool opened = false;
  bool cpuDone = false;  // the CPU probe ran
  QueryResult cpu;
  bool usageDone = false;  // the measurement's calls were made
  QueryResult usage;
  MeasuredValues reading;
  bool serverListDone = false;  // the server list was fetched
  QueryResult serverList;
  std::vector<ServerEntry> servers;
  std::string instanceName;   // the connection's own instance; empty: unknown
  std::vector<KeptRow> rows;  // with `keepRows`, every row of the measurement
  // With `fanOutJobs`: `reading` is the system's over the instances, of
  // which `instancesCounted` of `instancesTotal` answered; when none did,
  // or the server list was not had, `systemFailure` is the message the
  // single run would end with.
  bool fannedOut = false;
  std::uint32_t instancesCounted = 0;
  std::uint32_t instancesTotal = 0;
  std::string systemFailure;
  // The library reported an error by itself, or an operation around a call
  // failed: the check ended there, and `report` says why.
  bool aborted = false;
  FailureReport report;
};

std::string EncodeTask(const SystemTask& task);
bool DecodeTask(std::string_view bytes, SystemTask* task);
// An outcome's values go by `measurement`'s definitions, the one the task
// named.
std::string EncodeOutcome(const SystemOutcome& outcome, const Measurement& measurement);
bool DecodeOutcome(std::string_view bytes, const Measurement& measurement, SystemOutcome* outcome);

// The measurement a task makes.
const Measurement& MeasurementOf(const SystemTask& task);

// Opens the system, probes its CPU (when the task asks for it), counts its
// user list and closes, in that order, each step only after the one before
// succeeded; after an aborted step the connection is left as it is.
// `outcome` is filled as the check goes, so that the library's error
// handler can take it as far as it got. `onConfigFile` is called before a
// per-destination configuration file is installed.
void CheckSystem(RfcBackend& backend, const SystemTask& task, SystemOutcome& outcome,
                 const std::function<void()>& onConfigFile = {});

// The worker's whole run: the task from standard input, the outcome to
// standard output. Returns the exit status.
int RunCheckWorker(Host& host);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_SYSTEM_CHECK_H_
