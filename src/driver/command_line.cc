#include "driver/command_line.h"

#include <string>

#include "driver/error_exit.h"
#include "driver/monitor_report.h"
#include "driver/profile_location.h"

namespace tolvaran {

void CheckRunLimits(const Parameters& params) {
  if (params.badTimeout) {
    FatalError("Error 1017: Invalid TIMEOUT= value (1 to " +
               std::to_string(Parameters::kMaxTimeoutSeconds) + " seconds) !");
  }
  if (params.badServers) FatalError("Error 1018: Invalid SERVERS= value !");
  if (params.badJobs) {
    FatalError("Error 1021: Invalid JOBS= value (1 to " + std::to_string(Parameters::kMaxJobs) +
               ") !");
  }
}

void CheckParameters(const Parameters& params, ReportSettings* settings) {
  CheckRunLimits(params);
  *settings = TakeReportParameters(settings->dialect, params);
}

Invocation StartUp(Host& host, const std::vector<std::string>& args, std::int64_t startMs) {
  Invocation inv;
  inv.args = args;
  inv.startMs = startMs;
  inv.keyTable = BuildKeyTable();

  if (args.size() < 2) FatalError("Error 1001: Parameter for Profile-Name is missing !");

  inv.profileName.Set(args[1]);

  std::string params;
  // A monitor splits its parameter field at blanks: every piece counts,
  // or a TIMEOUT= in the fourth would be dropped without a word.
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (i > 2) params += ' ';
    params += args[i];
  }
  inv.params = ParseParameters(params);
  inv.report.dialect = ChooseReportDialect(inv.params);

  if (inv.params.hasItem) {
    inv.itemMode = true;
    inv.itemName.Set(inv.params.item);
    inv.profileName.Set("Dalvenor.Prf");
  }
  // A monitor's dialect is the monitor's alone: no progress lines in it.
  inv.verbose = inv.params.verbose && !inv.report.chosen();
  // Only a run that shows progress lines reads the time zone.
  if (inv.verbose) {
    inv.headerLine.Set("* " + host.TimeOfDay() + " SAP " + kProgramName + " " + kVersionText);
  }
  inv.dialect = FlavourFromProgramName(host.InvokedProgramPath(args[0]));
  return inv;
}

}  // namespace tolvaran
