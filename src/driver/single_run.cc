#include "driver/single_run.h"

#include <string>

#include "driver/command_line.h"
#include "driver/error_exit.h"
#include "driver/monitor_report.h"
#include "driver/rfc_access.h"
#include "driver/run_deadline.h"
#include "driver/system_profile.h"
#include "output/usage_evaluation.h"
#include "rfc/library_config.h"
#include "rfc/trace_file.h"

namespace tolvaran {

namespace {

// The parameters as shown in a progress line: the text before any marker.
std::string ParameterDisplay(std::string_view raw) {
  std::string display(raw);
  for (char marker : {'#', '@', '$'}) {
    std::size_t at = display.find(marker);
    if (at != std::string::npos) display.resize(at);
  }
  if (display == "(Parameters " || display == "(No ") display.clear();
  if (display.empty()) display = "(No Parameters)";
  return display;
}

}  // namespace

std::string SystemProgressLine(RunState& rs, const std::string& time) {
  const SystemProfile& p = rs.profile;
  return "* " + time + " " + rs.profileName.str() + ", " + p.hostname.str() + ", " +
         p.destination.str() + ", " + p.systemNumber.str() + ", " + p.logonClient.str();
}

void PrintProgressLine(RunState& rs, std::string_view text, std::string_view suffix) {
  // Progress lines are built in the header line's buffer. What does not fit
  // is cut from the text, so that the state at the end stays readable.
  const std::size_t room = decltype(RunState::headerLine)::kCapacity;
  rs.headerLine.Set(text.substr(0, suffix.size() < room ? room - suffix.size() : 0));
  rs.headerLine.Append(suffix);
  rs.host->WriteOut(rs.headerLine.str() + "\n");
}

void PrintProcessedLine(RunState& rs) {
  rs.host->WriteOut("\n* " + rs.host->TimeOfDay() + " SAP " + kProgramName + " now processed...\n");
}

int RunSingleSystem(RunState& rs) {
  ReadProfile(rs);
  StartRunDeadline(
      rs, rs.profile.destination.empty() ? rs.profileName.str() : rs.profile.destination.str());
  UseDestinationConfig(*rs.host, rs.profile.destination.view());
  RequireRfcBackend(rs);
  InstallLibraryErrorHandler(rs);

  rs.resultBuffer.Clear();
  rs.runStatus = RunStatus::kErr;

  if (rs.verbose) {
    rs.host->WriteOut(HeaderLine(rs) + "\n");
    std::string time = rs.host->TimeOfDay();
    PrintProgressLine(rs, SystemProgressLine(rs, time), " State=Processing");
    PrintProgressLine(
        rs, "* " + time + " " + kProgramName + " - " + ParameterDisplay(rs.params.raw.view()),
        " State=Executing");
  }

  ConnectionId connection = OpenSystemConnection(rs);
  if (connection == 0) {
    std::string refusal = rs.backend->OpenRefusal();
    FatalError(rs, "Error 1011: RFC-Open for " + rs.profile.destination.str() + " failed !" +
                       (refusal.empty() ? "" : " - " + refusal));
  }

  UsageCounts counts;
  QueryResult result = CountSessions(*rs.backend, connection, rs.client.view(), &counts);
  if (result.aborted) EndWithFailureReport(rs, result.report);
  TakeQueryOutcome(rs, result);
  if (rs.runStatus == RunStatus::kOk) WriteUsage(rs, counts);
  rs.backend->Close(connection);

  if (rs.runStatus == RunStatus::kOk && WantsReport(rs)) {
    int status =
        FinishWithReport(rs, CheckReport::Single(rs.profile.destination.str(), rs.client.str(),
                                                 ValuesInOrder(counts), UsageSummary(rs, counts)));
    DeleteTraceFile(*rs.host);
    return status;
  }
  if (rs.runStatus == RunStatus::kOk) {
    if (!ClaimOutput()) return 2;
    rs.host->WriteOut(rs.resultBuffer.view());
    DeleteTraceFile(*rs.host);
    if (rs.verbose) {
      PrintProcessedLine(rs);
      return 0;
    }
    return rs.runResult;
  }

  rs.resultBuffer.Append(rs.backend->FailureDetail());
  FatalError(rs, rs.resultBuffer.str());
}

}  // namespace tolvaran
