#include "driver/single_run.h"

#include <string>

#include "driver/check_outcome.h"
#include "driver/command_line.h"
#include "driver/connection_request.h"
#include "driver/error_exit.h"
#include "driver/failure_report.h"
#include "driver/progress.h"
#include "driver/run_deadline.h"
#include "driver/server_fanout.h"
#include "driver/system_check.h"
#include "output/usage_evaluation.h"

namespace tolvaran {

namespace {

// The characters of the label's list of failed servers: the summary text
// stays one the monitor shows whole.
constexpr std::size_t kServersLabelRoom = 120;

// SERVERS=ALL: every other instance of the server list is checked, and the
// system's counts written.
int WriteSystemUsage(Host& host, const Invocation& inv, const SystemProfile& profile,
                     RfcBackend& backend, const SystemTask& task, const SystemOutcome& own) {
  const std::string destination = profile.destination.str();
  std::vector<InstanceCheck> instances;
  SystemUsage usage;
  std::string failure = CountAllServers(host, task, own, inv.params.jobs, &instances, &usage);
  if (!failure.empty()) FatalError(failure);
  const bool partial = usage.counted < usage.total;
  std::string result =
      inv.params.check
          ? CheckListingText(usage.counts) + InstanceLines(usage)
          : UsageDocument(usage.counts, ServersLabel(destination, usage, kServersLabelRoom),
                          inv.params.client, inv.dialect,
                          {inv.params.hasChannel, inv.params.channel}, partial)
                .Render();
  if (!ClaimOutput()) return 2;
  host.WriteOut(result);
  backend.DiscardTrace();
  if (inv.verbose) host.WriteOut(ProcessedLine(host));
  return 0;
}

}  // namespace

int RunSingleSystem(Host& host, const Invocation& inv, std::string_view profileName,
                    SystemProfile& profile, RfcBackend& backend) {
  // An error the library reports by itself ends the process with the
  // report (status 1).
  backend.InstallErrorHandler(
      [&host](const FailureReport& report) { host.WriteOut(FailureReportText(report)); });

  if (inv.verbose) {
    host.WriteOut(inv.headerLine.str() + "\n");
    std::string time = host.TimeOfDay();
    host.WriteOut(
        ProgressLine(SystemProgressLine(time, profileName, profile), " State=Processing"));
    host.WriteOut(ProgressLine(
        "* " + time + " " + kProgramName + " - " + ParameterDisplay(inv.params.raw.view()),
        " State=Executing"));
  }

  SystemTask task;
  task.request = ConnectionRequestFor(profile, inv.params);
  // Bounds the wait for the configuration file's lock.
  task.request.deadline = RunDeadline(inv.startMs, inv.params);
  task.client = inv.params.client;
  task.probeCpu = false;
  task.serverList = task.keepSessions = inv.params.allServers;
  // Standard output is the monitor's document: the note only goes to a
  // person watching the progress lines.
  SystemOutcome outcome;
  CheckSystem(backend, task, outcome, [&] {
    if (inv.verbose) host.WriteOut(ConfigFileNote(task.request.destination));
  });

  if (!outcome.opened) {
    std::string refusal = backend.OpenRefusal();
    FatalError("Error 1011: RFC-Open for " + profile.destination.str() + " failed !" +
               (refusal.empty() ? "" : " - " + refusal));
  }
  if (outcome.aborted) throw RunEnd{1, FailureReportText(outcome.report)};
  if (outcome.usage.outcome != kOutcomeOk) {
    FatalError(OutcomeText(outcome.usage, RunKind::kSingle) + backend.FailureDetail());
  }

  if (inv.params.allServers) {
    return WriteSystemUsage(host, inv, profile, backend, task, outcome);
  }

  std::string result = inv.params.check ? CheckListingText(outcome.counts)
                                        : UsageDocument(outcome.counts, profile.destination.view(),
                                                        inv.params.client, inv.dialect,
                                                        {inv.params.hasChannel, inv.params.channel})
                                              .Render();
  if (!ClaimOutput()) return 2;
  host.WriteOut(result);
  backend.DiscardTrace();
  if (inv.verbose) host.WriteOut(ProcessedLine(host));
  return 0;
}

}  // namespace tolvaran
