// The single-system run: one connection, one result document.
#ifndef TOLVARAN_DRIVER_SINGLE_RUN_H_
#define TOLVARAN_DRIVER_SINGLE_RUN_H_

#include <string>
#include <string_view>

#include "driver/run_state.h"

namespace tolvaran {

// Reads the open profile, checks the system and returns the exit status.
int RunSingleSystem(RunState& rs);

// Progress lines, shared with the listing.
// "* time profile, host, destination, sysnr, client" of the current system.
std::string SystemProgressLine(RunState& rs, const std::string& time);
// Builds `text` + `suffix` in the header line's buffer and prints it.
void PrintProgressLine(RunState& rs, std::string_view text, std::string_view suffix);
// The closing "* time SAP Tolvaran now processed..." line.
void PrintProcessedLine(RunState& rs);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_SINGLE_RUN_H_
