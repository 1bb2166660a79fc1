#include "driver/server_fanout.h"

#include <optional>
#include <set>
#include <string>
#include <utility>

#include "driver/check_outcome.h"
#include "platform/worker_scheduler.h"
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

// The instances that need a worker, in the list's order: job n is
// `waiting[n]`.
class InstanceJobs : public WorkerJobs {
 public:
  InstanceJobs(Host& host, const SystemTask& base, const SystemOutcome& own,
               const std::vector<std::size_t>& rows, std::string_view destination,
               Deadline deadline, std::vector<std::size_t> waiting,
               std::vector<InstanceCheck>* checks)
      : host_(host),
        base_(base),
        own_(own),
        rows_(rows),
        destination_(destination),
        deadline_(deadline),
        waiting_(std::move(waiting)),
        checks_(*checks) {}

  bool More() const override { return begun_ < waiting_.size(); }

  std::optional<WorkerLaunch> Begin(std::size_t job) override {
    begun_ = job + 1;
    const std::size_t index = waiting_[job];
    if (deadline_.HasPassed()) {
      TimedOut(index);
      return std::nullopt;
    }
    const ServerEntry& server = own_.servers[rows_[index]];
    SystemTask task = base_;
    task.request.server = ServerTarget{server.host, *InstanceSystemNumber(server)};
    task.probeCpu = false;
    task.serverList = false;
    task.keepRows = KeepsRows(MeasurementOf(base_));
    task.fanOutJobs = 0;  // an instance is counted alone
    task.remainingMs = deadline_.RemainingMs();
    WipeOnExit wipe(&task.request.password);
    WorkerLaunch launch;
    launch.executable = host_.ExecutablePath();
    launch.arguments = {kWorkerFlag};
    launch.input = EncodeTask(task);
    return launch;
  }

  void NotStarted(std::size_t job, const std::string&) override {
    InstanceCheck& check = checks_[waiting_[job]];
    check.reason = "not started";
    check.error = OpenFailureText(destination_);
  }

  void Finished(std::size_t job, const WorkerResult& result) override {
    const std::size_t index = waiting_[job];
    SystemOutcome outcome;
    if (DecodeOutcome(result.output, MeasurementOf(base_), &outcome)) {
      TakeOutcome(outcome, MeasurementOf(base_), destination_, &checks_[index]);
    } else if (result.end == WorkerEnd::kExited && (result.code == 3 || deadline_.HasPassed())) {
      // A worker ends by itself at its deadline (status 3).
      TimedOut(index);
    } else {
      // Any other end without an answer is named as it was, never taken
      // for a timeout.
      InstanceCheck& check = checks_[index];
      check.reason = WorkerEndText(result);
      check.error =
          "Error 1015: Other Failure raised ! - the check of " + check.name + " " + check.reason;
    }
  }

  void KilledAtDeadline(const std::vector<std::size_t>& jobs) override {
    for (std::size_t job : jobs) TimedOut(waiting_[job]);
  }

 private:
  void TimedOut(std::size_t index) {
    checks_[index].reason = "Timeout";
    checks_[index].error = "Error 1016: RFC-Timeout for " + std::string(destination_) + " !";
  }

  Host& host_;
  const SystemTask& base_;
  const SystemOutcome& own_;
  const std::vector<std::size_t>& rows_;
  std::string_view destination_;
  Deadline deadline_;
  std::vector<std::size_t> waiting_;
  std::vector<InstanceCheck>& checks_;
  std::size_t begun_ = 0;
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
  std::vector<std::size_t> waiting;
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

  InstanceJobs instances(host, base, own, rows, destination, deadline, std::move(waiting), &checks);
  PoolRunner runner;
  RunWorkers(runner, instances, static_cast<std::size_t>(jobs), deadline);
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
