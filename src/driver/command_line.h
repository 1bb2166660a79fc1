// Start-up: the run record's starting state and the command line.
#ifndef TOLVARAN_DRIVER_COMMAND_LINE_H_
#define TOLVARAN_DRIVER_COMMAND_LINE_H_

#include <string>
#include <string_view>

#include "driver/run_state.h"
#include "tolvaran_version.h"

namespace tolvaran {

constexpr const char* kProgramName = "Tolvaran";
constexpr const char* kVersionText = "Vers " TOLVARAN_VERSION " / " TOLVARAN_RELEASE_DATE;

// Builds the key table, and takes the profile name and the parameter text
// (every further argument, joined by one blank) from rs.args. No profile
// name: error 1001. FORMAT= is taken here, from the command line alone.
void StartUp(RunState& rs);

// The header line, with the time of day and the version: built at its first
// use, so that a run that shows none never reads the time zone.
std::string HeaderLine(RunState& rs);

// Parses the typed parameter text into the run record, with the client
// the evaluation counts.
void SetParameters(RunState& rs, std::string_view typed);

// Ends the run with error 1017 when TIMEOUT= is not a number of seconds
// the program takes, with error 1021 when JOBS= is not a number of
// systems it checks at once, with error 1022 or 1023 when the parameters
// of a FORMAT= dialect are not usable.
void CheckRunLimits(RunState& rs);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_COMMAND_LINE_H_
