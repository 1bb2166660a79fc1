// Start-up: the run record's starting state and the command line.
#ifndef TOLVARAN_DRIVER_COMMAND_LINE_H_
#define TOLVARAN_DRIVER_COMMAND_LINE_H_

#include <string_view>

#include "driver/run_state.h"
#include "tolvaran_version.h"

namespace tolvaran {

constexpr const char* kProgramName = "Tolvaran";
constexpr const char* kVersionText = "Vers " TOLVARAN_VERSION " / " TOLVARAN_RELEASE_DATE;

// Builds the header line and the key table, and takes the profile name and
// the parameter text from rs.args. No profile name: error 1001.
void StartUp(RunState& rs);

// The three characters after "CLIENT=" in paramText (fewer at its end).
void TakeClient(RunState& rs);

// The value after `key` in paramText, up to `max` characters, ending at a
// blank or comma; copied from paramRaw with ":" as a blank. False when the
// key does not occur.
bool TakeKeyValue(std::string_view upper, std::string_view raw, std::string_view key,
                  std::size_t max, std::string* value);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_COMMAND_LINE_H_
