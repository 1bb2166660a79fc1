#include "driver/command_line.h"

#include <string>

#include "driver/error_exit.h"
#include "driver/monitor_report.h"
#include "driver/password.h"
#include "platform/worker_process.h"

namespace tolvaran {

void CheckRunLimits(RunState& rs) {
  if (rs.params.badTimeout) {
    FatalError(rs, "Error 1017: Invalid TIMEOUT= value (1 to " +
                       std::to_string(Parameters::kMaxTimeoutSeconds) + " seconds) !");
  }
  if (rs.params.badJobs) {
    FatalError(rs, "Error 1021: Invalid JOBS= value (1 to " + std::to_string(Parameters::kMaxJobs) +
                       ") !");
  }
  TakeReportParameters(rs);
}

void SetParameters(RunState& rs, std::string_view typed) {
  rs.params = ParseParameters(typed);
  rs.client.Set(rs.params.client);
}

std::string HeaderLine(RunState& rs) {
  if (rs.headerLine.empty()) {
    rs.headerLine.Set("* " + rs.host->TimeOfDay() + " SAP " + kProgramName + " " + kVersionText);
  }
  return rs.headerLine.str();
}

void StartUp(RunState& rs) {
  rs.keyTable = BuildKeyTable();
  rs.channelCounter = 0;
  rs.client.Clear();

  if (rs.args.size() < 2) FatalError(rs, "Error 1001: Parameter for Profile-Name is missing !");

  rs.profileName.Set(rs.args[1]);

  // A monitor splits its parameter field at blanks: every piece counts,
  // or a TIMEOUT= in the fourth would be dropped without a word.
  std::string params;
  for (std::size_t i = 2; i < rs.args.size(); ++i) {
    if (i > 2) params += ' ';
    params += rs.args[i];
  }
  SetParameters(rs, params);
  ChooseReportDialect(rs);
  CheckRunLimits(rs);
  // A check lives for a few milliseconds, and its first reading of the
  // clock or of the time zone costs page faults and system calls: each is
  // read only when the run needs it (the time of day in HeaderLine).
  if (rs.params.timeoutSeconds > 0) rs.startMs = MonotonicMilliseconds();

  rs.itemName.Clear();
  rs.itemMode = false;
  if (rs.params.hasItem) {
    rs.itemMode = true;
    rs.itemName.Set(rs.params.item);
    rs.profileName.Set("Dalvenor.Prf");
  }
}

}  // namespace tolvaran
