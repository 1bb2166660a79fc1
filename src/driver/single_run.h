// The single-system run: one connection, one result document.
#ifndef TOLVARAN_DRIVER_SINGLE_RUN_H_
#define TOLVARAN_DRIVER_SINGLE_RUN_H_

#include "driver/run_state.h"

namespace tolvaran {

// Prints the "hh:mm:ss" time of a progress line.
std::string ProgressTime(RunState& rs);

// Reads the open profile, checks the system and returns the exit status.
int RunSingleSystem(RunState& rs);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_SINGLE_RUN_H_
