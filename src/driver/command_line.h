// Start-up: the command line made into the run's Invocation.
#ifndef TOLVARAN_DRIVER_COMMAND_LINE_H_
#define TOLVARAN_DRIVER_COMMAND_LINE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "driver/invocation.h"
#include "platform/host.h"
#include "tolvaran_version.h"

namespace tolvaran {

constexpr const char* kProgramName = "Tolvaran";

// The key table, the profile name, the parameters (every argument after
// the profile name, joined by one blank), the dialect the program's name
// designates and the one FORMAT= chooses, and the header line when progress
// lines are shown. No profile name: error 1001; another FORMAT= value:
// error 1020. The parameters' other faults are for CheckParameters, once
// the run's end knows the dialect to report them in.
Invocation StartUp(Host& host, const std::vector<std::string>& args, std::int64_t startMs);

// Ends the run with error 1017 when TIMEOUT= is not a number of seconds
// the program takes, with error 1018 for a SERVERS= value that is neither
// ALL nor ONE, with error 1021 when JOBS= is not a number of systems it
// checks at once.
void CheckRunLimits(const Parameters& params);

// CheckRunLimits, then `settings`' dialect's WARN=, CRIT= and OUT= taken
// from `params` (errors 1022, 1023). `settings` is left as it was when an
// error ends the run: its dialect is what the error is reported in.
void CheckParameters(const Parameters& params, ReportSettings* settings);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_COMMAND_LINE_H_
