#include "driver/server_fanout.h"

#include <deque>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "driver/check_outcome.h"
#include "platform/worker_process.h"
#include "rfc/server_list.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

// Fills `check` from an instance's outcome: counted, or why not.
void TakeOutcome(const SystemOutcome& o, const Measurement& measurement,
                 std::string_view destination, InstanceCheck* check) {
  if (!o.opened) {
    check->reason = "RFC-Open failed";
    check->error = OpenFailureText(destination);
  } else if (o.aborted) {
    check->reason = "RFC library error";
    check->error = "Error 1015: Other Failure raised !";
  } else if (!o.usageDone || o.usage.outcome != kOutcomeOk) {
    const std::vector<TableCall> calls = measurement.Calls(MeasureContext{});
    check->reason =
        (calls.empty() ? std::string(measurement.Key()) : calls.front().function) + " failed";
    check->error = OutcomeText(o.usage, RunKind::kSingle);
  } else {
    check->counted = true;
    check->reading = o.reading;
    check->rows = o.rows;
  }
}

// How a worker ended without an answer, for an instance's reason.
std::string WorkerEndText(const WorkerResult& result) {
  if (result.end == WorkerEnd::kAbnormal) {
    return result.code == 0 ? std::string("ended abnormally")
                            : "ended abnormally (" + std::to_string(result.code) + ")";
  }
  return "ended without an answer (status " + std::to_string(result.code) + ")";
}

struct Pending {
  std::size_t index;
  WorkerId worker;
};

}  // namespace

SystemUsage CombineInstances(const std::vector<InstanceCheck>& instances,
                             const Measurement& measurement, std::string_view client) {
  SystemUsage usage;
  usage.total = instances.size();
  std::vector<const MeasuredValues*> readings;
  std::vector<const std::vector<KeptRow>*> rows;
  for (const InstanceCheck& instance : instances) {
    if (!instance.counted) {
      usage.failed.push_back(&instance);
      continue;
    }
    ++usage.counted;
    readings.push_back(&instance.reading);
    rows.push_back(&instance.rows);
    usage.perInstance.push_back({instance.name, instance.reading});
  }
  MeasureContext context;
  context.client = std::string(client);
  usage.reading = CombineReadings(measurement, context, readings, rows);
  return usage;
}

std::string ServersLabel(std::string_view destination, const SystemUsage& usage, std::size_t room) {
  std::string label = std::string(destination) + ", " + std::to_string(usage.counted) + " of " +
                      std::to_string(usage.total) + " servers";
  for (std::size_t i = 0; i < usage.failed.size(); ++i) {
    const InstanceCheck& f = *usage.failed[i];
    std::string part = (i == 0 ? "; " : ", ") + f.name + ": " + f.reason;
    if (label.size() + part.size() > room) break;
    label += part;
  }
  return label;
}

std::string InstanceLines(const SystemUsage& usage, const Measurement& measurement) {
  std::string lines;
  for (const SystemUsage::Line& line : usage.perInstance) {
    lines += measurement.ServerLine(line.name, line.reading);
  }
  // The servers left out are named too, with why: a listing of the counted
  // ones alone would read as the whole system.
  for (const InstanceCheck* failed : usage.failed) {
    lines += " * Server.........: " + failed->name + " not counted: " + failed->reason + "\n";
  }
  return lines;
}

std::string ServerListFailure(std::string_view destination, const QueryResult& result) {
  if (result.outcome == kOutcomeOk) return "";
  // A plain RFC failure names no exception: the text says what it was.
  std::string why = result.outcome == kOutcomeFailure ? "RFC-Failure" : result.exceptionText;
  if (why.empty()) why = result.outcome == kOutcomeSysException ? "Sys-Exception" : "Failure";
  return "Error 1019: Server list of " + std::string(destination) + " not available: " + why + " !";
}

std::vector<InstanceCheck> CheckInstances(Host& host, const SystemTask& base,
                                          const SystemOutcome& own, std::string_view destination,
                                          Deadline deadline, int jobs) {
  // A server list may name an instance twice: it is one instance, counted
  // once, under its first row.
  std::vector<std::size_t> rows;
  std::set<std::string> seen;
  for (std::size_t i = 0; i < own.servers.size(); ++i) {
    if (seen.insert(own.servers[i].name).second) rows.push_back(i);
  }
  std::vector<InstanceCheck> checks(rows.size());
  std::deque<std::size_t> waiting;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ServerEntry& server = own.servers[rows[i]];
    InstanceCheck& check = checks[i];
    check.name = server.name;
    if (!own.instanceName.empty() && server.name == own.instanceName) {
      TakeOutcome(own, MeasurementOf(base), destination, &check);
    } else if (!InstanceSystemNumber(server)) {
      check.reason = "no system number";
      check.error = OpenFailureText(destination);
    } else {
      waiting.push_back(i);
    }
  }

  WorkerPool pool;
  std::vector<Pending> running;
  auto timedOut = [&](std::size_t index) {
    checks[index].reason = "Timeout";
    checks[index].error = "Error 1016: RFC-Timeout for " + std::string(destination) + " !";
  };
  while (!waiting.empty() || !running.empty()) {
    while (!waiting.empty() && running.size() < static_cast<std::size_t>(jobs)) {
      std::size_t index = waiting.front();
      waiting.pop_front();
      if (deadline.HasPassed()) {
        timedOut(index);
        continue;
      }
      const ServerEntry& server = own.servers[rows[index]];
      SystemTask task = base;
      task.request.server = ServerTarget{server.host, *InstanceSystemNumber(server)};
      task.probeCpu = false;
      task.serverList = false;
      task.keepRows = KeepsRows(MeasurementOf(base));
      task.fanOutJobs = 0;  // an instance is counted alone
      task.remainingMs = deadline.RemainingMs();
      WorkerLaunch launch;
      // The pool has its own copy of the input: ours are no longer needed.
      WipeOnExit wipe(&task.request.password, &launch.input);
      launch.executable = host.ExecutablePath();
      launch.arguments = {kWorkerFlag};
      launch.input = EncodeTask(task);
      std::string error;
      WorkerId worker = pool.Start(launch, &error);
      if (worker == 0) {
        checks[index].reason = "not started";
        checks[index].error = OpenFailureText(destination);
        continue;
      }
      running.push_back({index, worker});
    }
    if (running.empty()) continue;
    std::vector<WorkerResult> results = pool.Wait(deadline);
    for (const WorkerResult& result : results) {
      for (std::size_t r = 0; r < running.size(); ++r) {
        if (running[r].worker != result.id) continue;
        SystemOutcome outcome;
        const std::size_t index = running[r].index;
        if (DecodeOutcome(result.output, MeasurementOf(base), &outcome)) {
          TakeOutcome(outcome, MeasurementOf(base), destination, &checks[index]);
        } else if (result.end == WorkerEnd::kExited && (result.code == 3 || deadline.HasPassed())) {
          // A worker ends by itself at its deadline (status 3).
          timedOut(index);
        } else {
          // Any other end without an answer is named as it was, never
          // taken for a timeout.
          checks[index].reason = WorkerEndText(result);
          checks[index].error = "Error 1015: Other Failure raised ! - the check of " +
                                checks[index].name + " " + checks[index].reason;
        }
        running.erase(running.begin() + static_cast<std::ptrdiff_t>(r));
        break;
      }
    }
    if (results.empty() && deadline.HasPassed()) {
      for (const Pending& p : running) {
        pool.Kill(p.worker);
        timedOut(p.index);
      }
      running.clear();
    }
  }
  return checks;
}

std::string CountAllServers(Host& host, const SystemTask& task, const SystemOutcome& own, int jobs,
                            std::vector<InstanceCheck>* instances, SystemUsage* usage) {
  const std::string& destination = task.request.destination;
  std::string unavailable = ServerListFailure(destination, own.serverList);
  if (!unavailable.empty()) return unavailable;

  // The instances' workers end before the check does, so that the answers
  // had by then are written rather than the timeout.
  Deadline deadline = task.request.deadline;
  if (!deadline.IsNever()) deadline = Deadline::At(deadline.At() - kFanOutMarginMs);
  *instances = CheckInstances(host, task, own, destination, deadline, jobs);
  *usage = CombineInstances(*instances, MeasurementOf(task), task.client);
  if (usage->counted > 0) return "";
  return usage->failed.empty()
             ? "Error 1019: Server list of " + destination + " not available: empty !"
             : usage->failed.front()->error;
}

void TakeSystemUsage(const SystemUsage& usage, std::string failure, SystemOutcome* outcome) {
  outcome->fannedOut = true;
  outcome->reading = usage.reading;
  outcome->instancesCounted = static_cast<std::uint32_t>(usage.counted);
  outcome->instancesTotal = static_cast<std::uint32_t>(usage.total);
  outcome->systemFailure = std::move(failure);
  // The parent needs the counts only.
  outcome->rows.clear();
  outcome->servers.clear();
}

void CountListedSystem(Host& host, const SystemTask& task, SystemOutcome* outcome) {
  if (!outcome->serverListDone || outcome->aborted) return;
  const bool ownCounted = outcome->usageDone && outcome->usage.outcome == kOutcomeOk;
  if (outcome->serverList.outcome == kOutcomeOk && !ownCounted) return;
  std::vector<InstanceCheck> instances;
  SystemUsage usage;
  std::string failure = CountAllServers(host, task, *outcome, task.fanOutJobs, &instances, &usage);
  TakeSystemUsage(usage, std::move(failure), outcome);
}

}  // namespace tolvaran
