#include "driver/command_line.h"

#include <string>

#include "driver/error_exit.h"
#include "driver/profile_location.h"

namespace tolvaran {

void CheckTimeoutValue(const Parameters& params) {
  if (params.badTimeout) FatalError("Error 1017: Invalid TIMEOUT= value !");
}

Invocation StartUp(Host& host, const std::vector<std::string>& args, std::int64_t startMs) {
  Invocation inv;
  inv.args = args;
  inv.startMs = startMs;
  inv.headerLine.Set("* " + host.TimeOfDay() + " SAP " + kProgramName + " " + kVersionText);
  inv.keyTable = BuildKeyTable();

  if (args.size() < 2) FatalError("Error 1001: Parameter for Profile-Name is missing !");

  inv.profileName.Set(args[1]);

  std::string params;
  if (args.size() > 2) params = args[2];
  if (args.size() > 3) params += " " + args[3];
  inv.params = ParseParameters(params);
  CheckTimeoutValue(inv.params);

  if (inv.params.hasItem) {
    inv.itemMode = true;
    inv.itemName.Set(inv.params.item);
    inv.profileName.Set("Dalvenor.Prf");
  }
  inv.verbose = inv.params.verbose;
  inv.dialect = FlavourFromProgramName(host.InvokedProgramPath(args[0]));
  return inv;
}

}  // namespace tolvaran
