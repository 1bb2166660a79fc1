#include "driver/command_line.h"

#include <string>

#include "driver/error_exit.h"
#include "driver/password.h"
#include "platform/worker_process.h"

namespace tolvaran {

void CheckRunLimits(RunState& rs) {
  if (rs.params.badTimeout) FatalError(rs, "Error 1017: Invalid TIMEOUT= value !");
}

void SetParameters(RunState& rs, std::string_view typed) {
  rs.params = ParseParameters(typed);
  rs.client.Set(rs.params.client);
}

void StartUp(RunState& rs) {
  rs.keyTable = BuildKeyTable();
  rs.channelCounter = 0;
  rs.client.Clear();

  if (rs.args.size() < 2) FatalError(rs, "Error 1001: Parameter for Profile-Name is missing !");

  rs.profileName.Set(rs.args[1]);

  std::string params;
  if (rs.args.size() > 2) params = rs.args[2];
  if (rs.args.size() > 3) params += " " + rs.args[3];
  SetParameters(rs, params);
  CheckRunLimits(rs);
  // A check lives for a few milliseconds, and its first reading of the
  // clock or of the time zone costs page faults and system calls: each is
  // read only when the run shows or needs it.
  if (rs.params.timeoutSeconds > 0) rs.startMs = MonotonicMilliseconds();
  if (rs.params.verbose || rs.params.hasItem) {
    rs.headerLine.Set("* " + rs.host->TimeOfDay() + " SAP " + kProgramName + " " + kVersionText);
  }

  rs.itemName.Clear();
  rs.itemMode = false;
  if (rs.params.hasItem) {
    rs.itemMode = true;
    rs.itemName.Set(rs.params.item);
    rs.profileName.Set("Dalvenor.Prf");
  }
}

}  // namespace tolvaran
