#include "driver/system_check.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <utility>

#include "driver/parameters.h"
#include "driver/server_fanout.h"
#include "measure/registry.h"
#include "output/result_document.h"
#include "platform/deadline.h"
#include "platform/standard_input.h"
#include "platform/wire.h"
#include "platform/worker_process.h"
#include "rfc/library_config.h"
#include "rfc/library_loader.h"
#include "rfc/server_list.h"
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

// A listed system's counts over its instances, when its worker gave them.
bool TakeFanOut(const WireMessage& in, SystemOutcome* o) {
  if (!in.Find("instances_total")) return true;
  o->fannedOut = true;
  return TakeCount(in, "instances_counted", &o->instancesCounted) &&
         TakeCount(in, "instances_total", &o->instancesTotal) &&
         TakeText(in, "system_failure", &o->systemFailure);
}

// A server row per line, its three texts separated by tabs: the system's
// names and hosts hold neither.
std::string EncodeServers(const std::vector<ServerEntry>& servers) {
  std::string out;
  for (const ServerEntry& s : servers) out += s.name + '\t' + s.host + '\t' + s.service + '\n';
  return out;
}

bool DecodeServers(std::string_view bytes, std::vector<ServerEntry>* servers) {
  while (!bytes.empty()) {
    std::size_t end = bytes.find('\n');
    if (end == std::string_view::npos) return false;
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end + 1);
    std::size_t first = line.find('\t');
    std::size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
    if (second == std::string_view::npos) return false;
    servers->push_back(ServerEntry{std::string(line.substr(0, first)),
                                   std::string(line.substr(first + 1, second - first - 1)),
                                   std::string(line.substr(second + 1))});
  }
  return true;
}

// At most this many fields a row, and notes an outcome: far more than any
// measurement has; anything beyond is not an outcome.
constexpr std::int64_t kMaxValues = 256;
constexpr std::size_t kMaxNotes = 16;

void PutNumber(std::string* out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Takes `bytes` bytes as a number, least significant first; false when
// fewer are left.
bool GetNumber(std::string_view* in, int bytes, std::uint64_t* value) {
  if (in->size() < static_cast<std::size_t>(bytes)) return false;
  *value = 0;
  for (int i = 0; i < bytes; ++i) {
    *value |= std::uint64_t{static_cast<unsigned char>((*in)[i])} << (8 * i);
  }
  in->remove_prefix(static_cast<std::size_t>(bytes));
  return true;
}

// A kept row as its call's number and its field count, then each field:
// a text as 'T', its length and its bytes; an integer as 'I' and eight
// bytes.
void AppendRow(std::string* out, const KeptRow& row) {
  PutNumber(out, row.call, 4);
  PutNumber(out, row.fields.size(), 2);
  for (const KeptField& field : row.fields) {
    if (field.isText) {
      *out += 'T';
      PutNumber(out, field.text.size(), 4);
      *out += field.text;
    } else {
      *out += 'I';
      PutNumber(out, static_cast<std::uint64_t>(field.integer), 8);
    }
  }
}

bool DecodeRows(std::string_view in, std::vector<KeptRow>* rows) {
  while (!in.empty()) {
    KeptRow row;
    std::uint64_t call = 0, count = 0;
    if (!GetNumber(&in, 4, &call) || !GetNumber(&in, 2, &count) ||
        count > static_cast<std::uint64_t>(kMaxValues)) {
      return false;
    }
    row.call = static_cast<std::uint32_t>(call);
    row.fields.resize(count);
    for (KeptField& field : row.fields) {
      if (in.empty()) return false;
      const char kind = in[0];
      in.remove_prefix(1);
      std::uint64_t value = 0;
      if (kind == 'T') {
        if (!GetNumber(&in, 4, &value) || value > in.size()) return false;
        field.text.assign(in.substr(0, value));
        in.remove_prefix(value);
      } else if (kind == 'I') {
        if (!GetNumber(&in, 8, &value)) return false;
        field.isText = false;
        field.integer = static_cast<std::int64_t>(value);
      } else {
        return false;
      }
    }
    rows->push_back(std::move(row));
  }
  return true;
}

// The values under their definitions' wire names, then the flags of those
// that can be lower bounds, then any notes.
// The rows in pieces of at most one wire value each, whole rows in each:
// "rows", then "rows_2", "rows_3", ... A server with more rows than one
// value holds is counted all the same.
std::string RowsKey(std::size_t piece) {
  return piece == 0 ? "rows" : "rows_" + std::to_string(piece + 1);
}

void AddRowPieces(WireWriter& out, const std::vector<KeptRow>& rows) {
  std::size_t piece = 0;
  std::string bytes;
  for (const KeptRow& row : rows) {
    std::string one;
    AppendRow(&one, row);
    if (!bytes.empty() && bytes.size() + one.size() > kMaxWireValue) {
      out.Add(RowsKey(piece++), bytes);
      bytes.clear();
    }
    bytes += one;
  }
  out.Add(RowsKey(piece), bytes);
}

bool TakeRowPieces(const WireMessage& in, std::vector<KeptRow>* rows) {
  std::string bytes;
  if (!TakeText(in, RowsKey(0), &bytes) || !DecodeRows(bytes, rows)) return false;
  for (std::size_t piece = 1; in.Find(RowsKey(piece)); ++piece) {
    if (!TakeText(in, RowsKey(piece), &bytes) || !DecodeRows(bytes, rows)) return false;
  }
  return true;
}

// A value's key on the wire: its definition's wire name, or where it has
// none its channel name (distinct within a measurement, and a valid key)
// marked so that it meets no other key.
std::string WireKey(const ValueDefinition& value) {
  return *value.wireName ? std::string(value.wireName) : "v_" + std::string(value.channelName);
}

void AddValues(WireWriter& out, const Measurement& measurement, const MeasuredValues& measured) {
  const std::vector<ValueDefinition>& values = measurement.Values();
  for (std::size_t i = 0; i < values.size(); ++i) {
    out.AddNumber(WireKey(values[i]), i < measured.values.size() ? measured.values[i] : 0);
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!values[i].lowerBoundWireName) continue;
    out.AddNumber(values[i].lowerBoundWireName, i < measured.atLeast.size() && measured.atLeast[i]);
  }
  for (std::size_t i = 0; i < measured.notes.size() && i < kMaxNotes; ++i) {
    out.Add("note_" + std::to_string(i), measured.notes[i]);
  }
  // Only a measurement that leaves servers out has it.
  if (measured.partial) out.AddNumber("partial", 1);
}

bool TakeValues(const WireMessage& in, const Measurement& measurement, MeasuredValues* measured) {
  const std::vector<ValueDefinition>& values = measurement.Values();
  measured->values.assign(values.size(), 0);
  measured->atLeast.assign(values.size(), false);
  measured->notes.clear();
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!TakeNumber(in, WireKey(values[i]), &measured->values[i])) return false;
    bool atLeast = false;
    if (values[i].lowerBoundWireName && !TakeFlag(in, values[i].lowerBoundWireName, &atLeast)) {
      return false;
    }
    measured->atLeast[i] = atLeast;
  }
  for (std::size_t i = 0; i < kMaxNotes; ++i) {
    const std::string* note = in.Find("note_" + std::to_string(i));
    if (!note) break;
    measured->notes.push_back(*note);
  }
  measured->partial = false;
  return !in.Find("partial") || TakeFlag(in, "partial", &measured->partial);
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
  out.Add("measure", std::string(MeasurementOf(task).Key()));
  out.Add("count_client", task.client);
  out.AddNumber("window_minutes", task.windowMinutes);
  // Only a check over every server has these: a listed system's task stays
  // as it was.
  if (r.server || task.serverList || task.keepRows || !task.probeCpu) {
    out.AddNumber("server_number", r.server ? r.server->systemNumber : -1);
    out.Add("server_host", r.server ? r.server->host : "");
    out.AddNumber("server_list", task.serverList);
    out.AddNumber("keep_rows", task.keepRows);
    out.AddNumber("probe_cpu", task.probeCpu);
    out.AddNumber("fan_out_jobs", task.fanOutJobs);
  }
  out.AddNumber("remaining_ms", task.remainingMs);
  return out.Finish();
}

bool DecodeTask(std::string_view bytes, SystemTask* task) {
  WireMessage in;
  if (!in.Parse(bytes)) return false;
  ConnectionRequest& r = task->request;
  std::int64_t number = 0;
  std::int64_t remaining = 0;
  // A task that names no measurement is the user list's.
  if (const std::string* measure = in.Find("measure")) {
    task->measurement = FindMeasurement(*measure);
    if (!task->measurement) return false;
  }
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
  // A task without a window has the default one.
  std::int64_t window = Parameters::kDefaultWindowMinutes;
  if (in.Find("window_minutes")) ok = ok && TakeNumber(in, "window_minutes", &window);
  task->windowMinutes = static_cast<int>(Clamped(window, 1, Parameters::kMaxWindowMinutes));
  std::int64_t serverNumber = -1;
  std::int64_t fanOutJobs = 0;
  std::string serverHost;
  // A task without them is a listed system's.
  if (in.Find("server_number")) {
    ok = ok && TakeNumber(in, "server_number", &serverNumber) &&
         TakeText(in, "server_host", &serverHost) &&
         TakeFlag(in, "server_list", &task->serverList) &&
         TakeFlag(in, "keep_rows", &task->keepRows) && TakeFlag(in, "probe_cpu", &task->probeCpu) &&
         TakeNumber(in, "fan_out_jobs", &fanOutJobs);
  }
  task->fanOutJobs = static_cast<int>(Clamped(fanOutJobs, 0, Parameters::kMaxJobs));
  if (serverNumber >= 0) {
    r.server = ServerTarget{serverHost, static_cast<int>(Clamped(serverNumber, 0, 99))};
  }
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

std::string EncodeOutcome(const SystemOutcome& o, const Measurement& measurement) {
  WireWriter out;
  out.AddNumber("config_note", o.configNote);
  out.AddNumber("opened", o.opened);
  out.AddNumber("cpu_done", o.cpuDone);
  AddQuery(out, "cpu", o.cpu);
  out.AddNumber("usage_done", o.usageDone);
  AddQuery(out, "usage", o.usage);
  AddValues(out, measurement, o.reading);
  out.AddNumber("aborted", o.aborted);
  out.Add("operation", o.report.operation);
  out.Add("key", o.report.key);
  out.Add("status", o.report.status);
  out.Add("message", o.report.message);
  out.Add("internal_status", o.report.internalStatus);
  if (o.serverListDone || !o.rows.empty()) {
    out.AddNumber("server_list_done", o.serverListDone);
    AddQuery(out, "server_list", o.serverList);
    out.Add("servers", EncodeServers(o.servers));
    out.Add("instance_name", o.instanceName);
    AddRowPieces(out, o.rows);
  }
  if (o.fannedOut) {
    out.AddNumber("instances_counted", o.instancesCounted);
    out.AddNumber("instances_total", o.instancesTotal);
    out.Add("system_failure", o.systemFailure);
  }
  return out.Finish();
}

bool DecodeOutcome(std::string_view bytes, const Measurement& measurement, SystemOutcome* o) {
  WireMessage in;
  if (!in.Parse(bytes)) return false;
  FailureReport& r = o->report;
  std::string servers;
  return TakeFlag(in, "config_note", &o->configNote) && TakeFlag(in, "opened", &o->opened) &&
         TakeFlag(in, "cpu_done", &o->cpuDone) && TakeQuery(in, "cpu", &o->cpu) &&
         TakeFlag(in, "usage_done", &o->usageDone) && TakeQuery(in, "usage", &o->usage) &&
         TakeValues(in, measurement, &o->reading) && TakeFlag(in, "aborted", &o->aborted) &&
         TakeText(in, "operation", &r.operation) && TakeText(in, "key", &r.key) &&
         TakeText(in, "status", &r.status) && TakeText(in, "message", &r.message) &&
         TakeText(in, "internal_status", &r.internalStatus) &&
         (!in.Find("server_list_done") ||
          (TakeFlag(in, "server_list_done", &o->serverListDone) &&
           TakeQuery(in, "server_list", &o->serverList) && TakeText(in, "servers", &servers) &&
           DecodeServers(servers, &o->servers) && TakeText(in, "instance_name", &o->instanceName) &&
           TakeRowPieces(in, &o->rows))) &&
         TakeFanOut(in, o);
}

const Measurement& MeasurementOf(const SystemTask& task) {
  return task.measurement ? *task.measurement : UserList();
}

void CheckSystem(RfcBackend& backend, const SystemTask& task, SystemOutcome& outcome,
                 const std::function<void()>& onConfigFile) {
  // The logon time is measured only where a measurement other than the
  // user list may take it: the user list's check reads no clock.
  const bool timed = &MeasurementOf(task) != &UserList();
  const std::int64_t start = timed ? MonotonicMilliseconds() : 0;
  ConnectionId connection = backend.Open(task.request, [&outcome, &onConfigFile] {
    outcome.configNote = true;
    if (onConfigFile) onConfigFile();
  });
  outcome.opened = connection != 0;
  if (!outcome.opened) return;
  const std::int64_t openMilliseconds = timed ? MonotonicMilliseconds() - start : -1;

  if (task.probeCpu) {
    outcome.cpu = backend.ProbeCpu(connection);
    outcome.cpuDone = true;
    if (outcome.cpu.aborted) {
      outcome.aborted = true;
      outcome.report = outcome.cpu.report;
      return;
    }
  }
  if (task.serverList && outcome.cpu.outcome == kOutcomeOk) {
    outcome.serverList = FetchServerList(backend, connection, &outcome.servers);
    outcome.serverListDone = true;
    if (outcome.serverList.aborted) {
      outcome.aborted = true;
      outcome.report = outcome.serverList.report;
      return;
    }
    if (outcome.serverList.outcome != kOutcomeOk) {
      backend.Close(connection);
      return;
    }
    // Without its own name the connection is counted as no instance: every
    // instance then gets a connection of its own.
    QueryResult own = backend.FetchInstanceName(connection, &outcome.instanceName);
    if (own.aborted) {
      outcome.aborted = true;
      outcome.report = own.report;
      return;
    }
    if (own.outcome != kOutcomeOk) outcome.instanceName.clear();
  }
  if (outcome.cpu.outcome == kOutcomeOk) {
    MeasureContext context;
    context.client = task.client;
    context.windowMinutes = task.windowMinutes;
    context.openMilliseconds = openMilliseconds;
    context.instanceName = outcome.instanceName;
    if (outcome.serverListDone) context.servers = &outcome.servers;
    outcome.usage = MeasureOver(backend, connection, MeasurementOf(task), context, &outcome.reading,
                                task.keepRows ? &outcome.rows : nullptr);
    outcome.usageDone = true;
    if (outcome.usage.aborted) {
      outcome.aborted = true;
      outcome.report = outcome.usage.report;
      return;
    }
  }
  backend.Close(connection);
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
    RfcBackend* library = backend.get();
    watchdog = std::make_unique<Watchdog>(task.request.deadline, [library] {
      library->ReleaseAtDeadline();
      ExitProcessWithoutCleanup(3);
    });
  }

  // An error the library reports by itself ends the worker: the outcome so
  // far goes to the parent, marked aborted.
  SystemOutcome outcome;
  backend->InstallErrorHandler([&host, &outcome, &task](const FailureReport& report) {
    outcome.aborted = true;
    outcome.report = report;
    host.WriteOut(EncodeOutcome(outcome, MeasurementOf(task)));
  });
  CheckSystem(*backend, task, outcome);
  if (task.fanOutJobs > 0) CountListedSystem(host, task, &outcome);
  if (watchdog && !watchdog->Cancel()) return 3;
  host.WriteOut(EncodeOutcome(outcome, MeasurementOf(task)));
  return 0;
}

}  // namespace tolvaran
