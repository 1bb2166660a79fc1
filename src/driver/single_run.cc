#include "driver/single_run.h"

#include <string>

#include "driver/check_outcome.h"
#include "driver/command_line.h"
#include "driver/connection_request.h"
#include "driver/error_exit.h"
#include "driver/failure_report.h"
#include "driver/health_run.h"
#include "driver/monitor_report.h"
#include "driver/progress.h"
#include "driver/run_deadline.h"
#include "driver/server_fanout.h"
#include "driver/system_check.h"
#include "output/measurement_document.h"

namespace tolvaran {

namespace {

// The characters of the label's list of failed servers: the summary text
// stays one the monitor shows whole.
constexpr std::size_t kServersLabelRoom = 120;

// The run's result: the reading of the system labelled `label`, as the
// check listing (followed by `checkLines`), the document or a monitor's
// dialect.
int WriteResult(Host& host, const Invocation& inv, const ReportSettings& report,
                std::string_view destination, RfcBackend& backend, const Measurement& measurement,
                const MeasuredValues& reading, std::string_view label, ServerCount servers,
                const std::string& checkLines) {
  const std::string& client = inv.params.client;
  int status = 0;
  if (report.chosen()) {
    CheckReport single = CheckReport::Single(std::string(destination), client, measurement, reading,
                                             measurement.Summary(reading, label, client));
    single.servers = servers;
    status = FinishWithReport(host, report, single);
  } else {
    std::string result =
        inv.params.check
            ? measurement.CheckListing(reading) + checkLines
            : MeasurementDocument(measurement, reading, label, client, inv.dialect,
                                  {inv.params.hasChannel, inv.params.channel}, servers.partial())
                  .Render();
    if (!ClaimOutput()) return 2;
    host.WriteOut(result);
  }
  backend.DiscardTrace();
  if (inv.verbose) host.WriteOut(ProcessedLine(host));
  return status;
}

// SERVERS=ALL: every other instance of the server list is checked, and the
// system's counts written.
int WriteSystemUsage(Host& host, const Invocation& inv, const ReportSettings& report,
                     const SystemProfile& profile, RfcBackend& backend, const SystemTask& task,
                     const SystemOutcome& own) {
  const std::string destination = profile.destination.str();
  std::vector<InstanceCheck> instances;
  SystemUsage usage;
  std::string failure = CountAllServers(host, task, own, inv.params.jobs, &instances, &usage);
  if (!failure.empty()) FatalError(failure);
  const Measurement& measurement = MeasurementOf(task);
  return WriteResult(host, inv, report, destination, backend, measurement, usage.reading,
                     ServersLabel(destination, usage, kServersLabelRoom),
                     ServerCount{static_cast<std::uint32_t>(usage.counted),
                                 static_cast<std::uint32_t>(usage.total)},
                     InstanceLines(usage, measurement));
}

}  // namespace

int RunSingleSystem(Host& host, const Invocation& inv, const ReportSettings& report,
                    std::string_view profileName, SystemProfile& profile, RfcBackend& backend) {
  // An error the library reports by itself ends the process with the
  // report (status 1), or in a monitor's dialect with that dialect's
  // status. Nothing may unwind into the library: memory that runs out here
  // ends the process without a word, as a write that fails would.
  const std::string subject = ReportSubject(inv.args, "", profile.destination.view());
  backend.InstallErrorHandler([&host, &report, subject](const FailureReport& failure) {
    if (!report.chosen()) {
      host.WriteOut(FailureReportText(failure));
      return;
    }
    int status = 2;
    try {
      status = FinishWithReport(host, report,
                                CheckReport::Failure(subject, ErrorOfFailureReport(failure)));
    } catch (...) {
    }
    ExitProcessNow(status);
  });

  if (inv.verbose) {
    host.WriteOut(inv.headerLine.str() + "\n");
    std::string time = host.TimeOfDay();
    host.WriteOut(
        ProgressLine(SystemProgressLine(time, profileName, profile), " State=Processing"));
    host.WriteOut(ProgressLine(
        "* " + time + " " + kProgramName + " - " + ParameterDisplay(inv.params.raw.view()),
        " State=Executing"));
  }

  if (IsHealthRun(inv, report)) return RunHealthCheck(host, inv, report, profile, backend);

  SystemTask task;
  task.request = ConnectionRequestFor(profile, inv.params);
  // Bounds the wait for the configuration file's lock.
  task.request.deadline = RunDeadline(inv.startMs, inv.params);
  task.client = inv.params.client;
  task.probeCpu = false;
  task.serverList = inv.params.allServers;
  task.keepRows = inv.params.allServers && KeepsRows(MeasurementOf(task));
  // Standard output is the monitor's document: the note only goes to a
  // person watching the progress lines.
  SystemOutcome outcome;
  CheckSystem(backend, task, outcome, [&] {
    if (inv.verbose) host.WriteOut(ConfigFileNote(task.request.destination));
  });

  if (!outcome.opened) {
    std::string refusal = backend.OpenRefusal();
    FatalError(OpenFailureText(profile.destination.view()) +
               (refusal.empty() ? "" : " - " + refusal));
  }
  if (outcome.aborted) {
    throw RunEnd{1, FailureReportText(outcome.report), ErrorOfFailureReport(outcome.report)};
  }
  if (outcome.usage.outcome != kOutcomeOk) {
    FatalError(OutcomeText(outcome.usage, RunKind::kSingle) + backend.FailureDetail());
  }

  if (inv.params.allServers) {
    return WriteSystemUsage(host, inv, report, profile, backend, task, outcome);
  }
  return WriteResult(host, inv, report, profile.destination.view(), backend, MeasurementOf(task),
                     outcome.reading, profile.destination.view(), ServerCount(), "");
}

}  // namespace tolvaran
