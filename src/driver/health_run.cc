#include "driver/health_run.h"

#include <algorithm>

#include "driver/check_outcome.h"
#include "driver/connection_request.h"
#include "driver/error_exit.h"
#include "driver/failure_report.h"
#include "driver/monitor_report.h"
#include "driver/progress.h"
#include "driver/run_deadline.h"
#include "driver/server_fanout.h"
#include "measure/registry.h"
#include "output/health_document.h"
#include "platform/deadline.h"
#include "rfc/server_list.h"

namespace tolvaran {

bool SelectMeasurements(const std::string& measure, std::vector<const Measurement*>* selected,
                        std::string* bad) {
  std::vector<bool> chosen(Measurements().size(), false);
  std::size_t begin = 0;
  while (begin <= measure.size()) {
    std::size_t end = measure.find('+', begin);
    if (end == std::string::npos) end = measure.size();
    const std::string name = measure.substr(begin, end - begin);
    bool found = false;
    for (std::size_t i = 0; i < Measurements().size(); ++i) {
      if (name == "ALL" || name == Measurements()[i]->Key()) {
        chosen[i] = true;
        found = true;
      }
    }
    if (!found) {
      *bad = name;
      return false;
    }
    begin = end + 1;
  }
  selected->clear();
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    if (chosen[i]) selected->push_back(Measurements()[i]);
  }
  return true;
}

bool IsHealthRun(const Invocation& inv, const ReportSettings& report) {
  if (!report.thresholds.warnLabel.empty() || !report.thresholds.critLabel.empty()) return true;
  return inv.params.hasMeasure && inv.params.measure != "USERS";
}

int RunHealthCheck(Host& host, const Invocation& inv, const ReportSettings& report,
                   SystemProfile& profile, RfcBackend& backend) {
  std::vector<const Measurement*> selected = {&UserList()};
  std::string bad;
  if (inv.params.hasMeasure && !SelectMeasurements(inv.params.measure, &selected, &bad)) {
    FatalError("Error 1040: Invalid MEASURE= value " + bad + " !");
  }
  if (inv.params.badWindow) FatalError("Error 1041: Invalid WINDOW= value (1 to 1440 minutes) !");

  ConnectionRequest request = ConnectionRequestFor(profile, inv.params);
  request.deadline = RunDeadline(inv.startMs, inv.params);
  const std::int64_t start = MonotonicMilliseconds();
  const ConnectionId connection = backend.Open(request, [&] {
    if (inv.verbose) host.WriteOut(ConfigFileNote(request.destination));
  });
  const std::int64_t opened = MonotonicMilliseconds() - start;
  if (!connection) {
    const std::string refusal = backend.OpenRefusal();
    FatalError(OpenFailureText(profile.destination.view()) +
               (refusal.empty() ? "" : " - " + refusal));
  }

  MeasureContext context;
  context.client = inv.params.client;
  context.windowMinutes = inv.params.windowMinutes;
  context.openMilliseconds = opened;
  // SERVERS=ALL: the work processes of every server of the list, asked
  // over this one connection.
  std::vector<ServerEntry> servers;
  if (inv.params.allServers) {
    const QueryResult list = FetchServerList(backend, connection, &servers);
    if (list.aborted) {
      throw RunEnd{1, FailureReportText(list.report), ErrorOfFailureReport(list.report)};
    }
    if (list.outcome != kOutcomeOk) {
      backend.Close(connection);
      FatalError(ServerListFailure(profile.destination.view(), list));
    }
    context.servers = &servers;
  }

  HealthReport result;
  result.system = profile.destination.str();
  result.client = inv.params.client;
  for (const Measurement* m : selected) {
    MeasuredPart part;
    part.measurement = m;
    const QueryResult measured = MeasureOver(backend, connection, *m, context, &part.reading);
    if (measured.aborted) {
      throw RunEnd{1, FailureReportText(measured.report), ErrorOfFailureReport(measured.report)};
    }
    if (measured.outcome != kOutcomeOk) {
      part.failure = m->FailureText(measured);
      if (part.failure.empty()) {
        part.failure = OutcomeText(measured, RunKind::kSingle) + backend.FailureDetail();
      }
    }
    result.parts.push_back(std::move(part));
  }
  backend.Close(connection);

  const bool anyMeasured = std::any_of(result.parts.begin(), result.parts.end(),
                                       [](const MeasuredPart& p) { return p.failure.empty(); });
  if (!anyMeasured) FatalError(result.parts.front().failure);

  int status = 0;
  if (report.chosen()) {
    RenderedOutput rendered;
    if (report.dialect == ReportDialect::kScriptV2) rendered = HealthScriptV2(result);
    if (report.dialect == ReportDialect::kPlugin) {
      rendered = HealthPlugin(result, report.thresholds);
    }
    if (report.dialect == ReportDialect::kOpenMetrics) rendered = HealthOpenMetrics(result);
    // The failure that OUT= may meet is the one of every dialect's run.
    PreparedReport prepared =
        PrepareReport(report, CheckReport::Failure(result.system, RunError{}));
    prepared.bytes = rendered.bytes;
    prepared.status = rendered.exitStatus;
    if (!ClaimOutput()) return 2;
    status = DeliverReport(host, prepared);
  } else {
    std::string out;
    if (inv.params.check) {
      for (const MeasuredPart& part : result.parts) {
        out += part.failure.empty() ? part.measurement->CheckListing(part.reading)
                                    : " * " + std::string(part.measurement->Key()) +
                                          " failed: " + part.failure + "\n";
      }
    } else {
      out = HealthDocument(inv.dialect, {inv.params.hasChannel, inv.params.channel}, result);
    }
    if (!ClaimOutput()) return 2;
    host.WriteOut(out);
  }
  backend.DiscardTrace();
  if (inv.verbose) host.WriteOut(ProcessedLine(host));
  return status;
}

}  // namespace tolvaran
