#include "driver/command_line.h"

#include <string>

#include "driver/error_exit.h"
#include "driver/monitor_report.h"
#include "driver/password.h"

namespace tolvaran {

void CheckRunLimits(RunState& rs) {
  if (rs.params.badTimeout) FatalError(rs, "Error 1017: Invalid TIMEOUT= value !");
  TakeReportParameters(rs);
}

void SetParameters(RunState& rs, std::string_view typed) {
  rs.params = ParseParameters(typed);
  rs.client.Set(rs.params.client);
}

void StartUp(RunState& rs) {
  rs.headerLine.Set("* " + rs.host->TimeOfDay() + " SAP " + kProgramName + " " + kVersionText);
  rs.keyTable = BuildKeyTable();
  rs.channelCounter = 0;
  rs.client.Clear();

  if (rs.args.size() < 2) FatalError(rs, "Error 1001: Parameter for Profile-Name is missing !");

  rs.profileName.Set(rs.args[1]);

  std::string params;
  if (rs.args.size() > 2) params = rs.args[2];
  if (rs.args.size() > 3) params += " " + rs.args[3];
  SetParameters(rs, params);
  ChooseReportDialect(rs);
  CheckRunLimits(rs);

  rs.itemName.Clear();
  rs.itemMode = false;
  if (rs.params.hasItem) {
    rs.itemMode = true;
    rs.itemName.Set(rs.params.item);
    rs.profileName.Set("Dalvenor.Prf");
  }
}

}  // namespace tolvaran
