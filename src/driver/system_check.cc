#include "driver/system_check.h"

#include <string>

#include "platform/standard_input.h"
#include "platform/wire.h"
#include "platform/worker_process.h"
#include "rfc/library_config.h"
#include "rfc/library_loader.h"

namespace tolvaran {

namespace {

// A task is a few hundred bytes; anything much larger is not one.
constexpr std::size_t kMaxTaskBytes = 1 << 20;

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
  bool ok = TakeText(in, "destination", &r.destination) && TakeText(in, "client", &r.client) &&
            TakeText(in, "user", &r.user) && TakeText(in, "password", &r.password) &&
            TakeText(in, "language", &r.language) && TakeText(in, "mode", &r.mode) &&
            TakeText(in, "hostname", &r.hostname) && TakeText(in, "gateway_host", &r.gatewayHost) &&
            TakeText(in, "gateway_service", &r.gatewayService) &&
            TakeText(in, "snc_mode", &r.snc.mode) && TakeText(in, "snc_partner", &r.snc.partner) &&
            TakeText(in, "snc_qop", &r.snc.qop) && TakeText(in, "snc_myname", &r.snc.myname) &&
            TakeText(in, "snc_library", &r.snc.library) &&
            TakeText(in, "count_client", &task->client) &&
            TakeNumber(in, "remaining_ms", &task->remainingMs) &&
            TakeNumber(in, "system_number", &number) && number >= -2147483647LL - 1 &&
            number <= 2147483647LL;
  r.systemNumber = static_cast<int>(number);
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

SystemOutcome CheckSystem(RfcBackend& backend, const SystemTask& task) {
  SystemOutcome outcome;
  worker_outcome = &outcome;
  ConnectionId connection = backend.Open(task.request, [&outcome] { outcome.configNote = true; });
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
  std::string input;
  SystemTask task;
  if (!ReadStandardInput(&input, kMaxTaskBytes) || !DecodeTask(input, &task)) return 2;
  std::unique_ptr<RfcBackend> backend = LoadRfcBackend(host, nullptr);
  if (!backend) return 2;

  // At the run's deadline the worker ends by itself, releasing the
  // configuration file's lock first, so that the next check is not kept
  // waiting by a library blocked in its opening.
  std::unique_ptr<Watchdog> watchdog;
  if (task.remainingMs >= 0) {
    watchdog = std::make_unique<Watchdog>(Deadline::After(task.remainingMs), [] {
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
