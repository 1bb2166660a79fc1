#include "driver/system_check.h"

#include <algorithm>
#include <climits>
#include <string>
#include <utility>

#include "driver/parameters.h"
#include "output/result_document.h"
#include "platform/standard_input.h"
#include "platform/wire.h"
#include "platform/worker_process.h"
#include "rfc/library_config.h"
#include "rfc/library_loader.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

// A task is a few hundred bytes; anything much larger is not one.
constexpr std::size_t kMaxTaskBytes = 1 << 20;

// How long before the parent's deadline a worker ends by itself: more than
// a worker takes to start, so that its own deadline comes first.
constexpr std::int64_t kWorkerDeadlineLeadMs = 100;
// The pool writes the task at a worker's start. A run in worker mode that
// has none by then was started by someone else (a monitor given the hidden
// argument): it must neither wait forever nor end without a word.
constexpr std::int64_t kTaskWaitMs = 2000;
constexpr const char* kNotATask = "Error 1028: Not a valid worker request !";

// The longest a run lasts: a task's deadline beyond it is none the parent
// could have set.
constexpr std::int64_t kMaxRemainingMs = std::int64_t{1000} * Parameters::kMaxTimeoutSeconds;

std::int64_t Clamped(std::int64_t value, std::int64_t low, std::int64_t high) {
  return value < low ? low : value > high ? high : value;
}

void AddQuery(WireWriter& out, const char* prefix, const QueryResult& result) {
  std::string p(prefix);
  out.AddNumber(p + "_outcome", result.outcome);
  out.Add(p + "_exception", result.exceptionText);
}

bool TakeText(const WireMessage& in, const std::string& key, std::string* value) {
  const std::string* found = in.Find(key);
  if (!found) return false;
  *value = *found;
  return true;
}

bool TakeNumber(const WireMessage& in, const std::string& key, std::int64_t* value) {
  return in.FindNumber(key, value);
}

bool TakeFlag(const WireMessage& in, const std::string& key, bool* value) {
  std::int64_t number = 0;
  if (!in.FindNumber(key, &number)) return false;
  *value = number != 0;
  return true;
}

bool TakeCount(const WireMessage& in, const std::string& key, std::uint32_t* value) {
  std::int64_t number = 0;
  if (!in.FindNumber(key, &number) || number < 0 || number > 0xFFFFFFFFLL) return false;
  *value = static_cast<std::uint32_t>(number);
  return true;
}

bool TakeQuery(const WireMessage& in, const char* prefix, QueryResult* result) {
  std::string p(prefix);
  std::int64_t outcome = 0;
  if (!TakeNumber(in, p + "_outcome", &outcome) || outcome < -2147483647LL - 1 ||
      outcome > 2147483647LL) {
    return false;
  }
  result->outcome = static_cast<int>(outcome);
  return TakeText(in, p + "_exception", &result->exceptionText);
}

// The worker's record of how far its check got, for the library's error
// handler, which has no parameter for it.
SystemOutcome* worker_outcome = nullptr;
Host* worker_host = nullptr;

void OnWorkerAbort(const FailureReport& report) {
  if (worker_outcome && worker_host) {
    worker_outcome->aborted = true;
    worker_outcome->report = report;
    worker_host->WriteOut(EncodeOutcome(*worker_outcome));
  }
  ExitProcessNow(1);
}

}  // namespace

std::string EncodeTask(const SystemTask& task) {
  const ConnectionRequest& r = task.request;
  WireWriter out;
  out.Add("destination", r.destination);
  out.Add("client", r.client);
  out.Add("user", r.user);
  out.Add("password", r.password);
  out.Add("language", r.language);
  out.Add("mode", r.mode);
  out.Add("hostname", r.hostname);
  out.AddNumber("system_number", r.systemNumber);
  out.Add("gateway_host", r.gatewayHost);
  out.Add("gateway_service", r.gatewayService);
  out.Add("snc_mode", r.snc.mode);
  out.Add("snc_partner", r.snc.partner);
  out.Add("snc_qop", r.snc.qop);
  out.Add("snc_myname", r.snc.myname);
  out.Add("snc_library", r.snc.library);
  out.Add("count_client", task.client);
  out.AddNumber("remaining_ms", task.remainingMs);
  return out.Finish();
}

bool DecodeTask(std::string_view bytes, SystemTask* task) {
  WireMessage in;
  if (!in.Parse(bytes)) return false;
  ConnectionRequest& r = task->request;
  std::int64_t number = 0;
  std::int64_t remaining = 0;
  bool ok = TakeText(in, "destination", &r.destination) && TakeText(in, "client", &r.client) &&
            TakeText(in, "user", &r.user) && TakeText(in, "password", &r.password) &&
            TakeText(in, "language", &r.language) && TakeText(in, "mode", &r.mode) &&
            TakeText(in, "hostname", &r.hostname) && TakeText(in, "gateway_host", &r.gatewayHost) &&
            TakeText(in, "gateway_service", &r.gatewayService) &&
            TakeText(in, "count_client", &task->client) &&
            TakeNumber(in, "remaining_ms", &remaining) && TakeNumber(in, "system_number", &number);
  // Every number within what the parent can send, whatever the bytes say:
  // any negative deadline is none, as -1 is.
  r.systemNumber = static_cast<int>(Clamped(number, INT_MIN, INT_MAX));
  task->remainingMs = remaining < 0 ? -1 : Clamped(remaining, 0, kMaxRemainingMs);
  // SNC is optional in a task: a profile without it sends none.
  const std::pair<const char*, std::string*> snc[] = {{"snc_mode", &r.snc.mode},
                                                      {"snc_partner", &r.snc.partner},
                                                      {"snc_qop", &r.snc.qop},
                                                      {"snc_myname", &r.snc.myname},
                                                      {"snc_library", &r.snc.library}};
  for (const auto& [key, field] : snc) {
    if (const std::string* found = in.Find(key)) *field = *found;
  }
  return ok;
}

std::string EncodeOutcome(const SystemOutcome& o) {
  WireWriter out;
  out.AddNumber("config_note", o.configNote);
  out.AddNumber("opened", o.opened);
  out.AddNumber("cpu_done", o.cpuDone);
  AddQuery(out, "cpu", o.cpu);
  out.AddNumber("usage_done", o.usageDone);
  AddQuery(out, "usage", o.usage);
  out.AddNumber("active_users", o.counts.activeUsers);
  out.AddNumber("tran_codes", o.counts.tranCodes);
  out.AddNumber("terminals", o.counts.terminals);
  out.AddNumber("sessions", o.counts.sessions);
  out.AddNumber("external_modes", o.counts.externalModes);
  out.AddNumber("internal_modes", o.counts.internalModes);
  out.AddNumber("users_at_least", o.counts.usersAtLeast);
  out.AddNumber("terminals_at_least", o.counts.terminalsAtLeast);
  out.AddNumber("aborted", o.aborted);
  out.Add("operation", o.report.operation);
  out.Add("key", o.report.key);
  out.Add("status", o.report.status);
  out.Add("message", o.report.message);
  out.Add("internal_status", o.report.internalStatus);
  return out.Finish();
}

bool DecodeOutcome(std::string_view bytes, SystemOutcome* o) {
  WireMessage in;
  if (!in.Parse(bytes)) return false;
  UsageCounts& c = o->counts;
  FailureReport& r = o->report;
  return TakeFlag(in, "config_note", &o->configNote) && TakeFlag(in, "opened", &o->opened) &&
         TakeFlag(in, "cpu_done", &o->cpuDone) && TakeQuery(in, "cpu", &o->cpu) &&
         TakeFlag(in, "usage_done", &o->usageDone) && TakeQuery(in, "usage", &o->usage) &&
         TakeCount(in, "active_users", &c.activeUsers) &&
         TakeCount(in, "tran_codes", &c.tranCodes) && TakeCount(in, "terminals", &c.terminals) &&
         TakeCount(in, "sessions", &c.sessions) &&
         TakeCount(in, "external_modes", &c.externalModes) &&
         TakeCount(in, "internal_modes", &c.internalModes) &&
         TakeFlag(in, "users_at_least", &c.usersAtLeast) &&
         TakeFlag(in, "terminals_at_least", &c.terminalsAtLeast) &&
         TakeFlag(in, "aborted", &o->aborted) && TakeText(in, "operation", &r.operation) &&
         TakeText(in, "key", &r.key) && TakeText(in, "status", &r.status) &&
         TakeText(in, "message", &r.message) && TakeText(in, "internal_status", &r.internalStatus);
}

SystemOutcome CheckSystem(RfcBackend& backend, SystemTask& task) {
  SystemOutcome outcome;
  worker_outcome = &outcome;
  ConnectionId connection = backend.Open(task.request, [&outcome] { outcome.configNote = true; });
  WipeSecret(&task.request.password);
  outcome.opened = connection != 0;
  if (!outcome.opened) return outcome;

  outcome.cpu = backend.ProbeCpu(connection);
  outcome.cpuDone = true;
  if (outcome.cpu.aborted) {
    outcome.aborted = true;
    outcome.report = outcome.cpu.report;
    return outcome;
  }
  if (outcome.cpu.outcome == kOutcomeOk) {
    outcome.usage = CountSessions(backend, connection, task.client, &outcome.counts);
    outcome.usageDone = true;
    if (outcome.usage.aborted) {
      outcome.aborted = true;
      outcome.report = outcome.usage.report;
      return outcome;
    }
  }
  backend.Close(connection);
  return outcome;
}

int RunCheckWorker(Host& host) {
  const std::string refusal = ErrorDocumentText(kNotATask);
  std::string input;
  SystemTask task;
  bool valid;
  {
    Watchdog waiting(Deadline::After(kTaskWaitMs), [&host, &refusal] {
      host.WriteOut(refusal);
      ExitProcessWithoutCleanup(2);
    });
    valid = ReadStandardInput(&input, kMaxTaskBytes) && DecodeTask(input, &task);
    // Past this point the watchdog has either been stopped or ended the
    // process.
    waiting.Cancel();
  }
  WipeSecret(&input);
  if (!valid) {
    host.WriteOut(refusal);
    return 2;
  }
  UseDestinationConfig(host, task.request.destination);
  std::unique_ptr<RfcBackend> backend = LoadRfcBackend(host, nullptr);
  if (!backend) return 2;

  // The worker ends by itself a little before the run's deadline, when the
  // parent would end it from outside: an installation of the configuration
  // file in progress is finished first, so that no temporary file is left.
  std::unique_ptr<Watchdog> watchdog;
  if (task.remainingMs >= 0) {
    task.request.deadline =
        Deadline::After(std::max<std::int64_t>(0, task.remainingMs - kWorkerDeadlineLeadMs));
    watchdog = std::make_unique<Watchdog>(task.request.deadline, [] {
      ReleaseLibraryConfigLock();
      ExitProcessWithoutCleanup(3);
    });
  }

  worker_host = &host;
  backend->InstallErrorHandler(&OnWorkerAbort);
  SystemOutcome outcome = CheckSystem(*backend, task);
  worker_outcome = nullptr;
  if (watchdog && !watchdog->Cancel()) return 3;
  host.WriteOut(EncodeOutcome(outcome));
  return 0;
}

}  // namespace tolvaran
