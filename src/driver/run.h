// One run of the program, from the command line to the exit status.
#ifndef TOLVARAN_DRIVER_RUN_H_
#define TOLVARAN_DRIVER_RUN_H_

#include <string>
#include <vector>

#include "platform/host.h"

namespace tolvaran {

// Runs the program with `args` (argument 0 is the program's path as
// invoked) and returns the exit status. Every way a run ends comes back
// here; only the RFC library's error handler ends the process itself.
int RunProgram(Host& host, const std::vector<std::string>& args);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_RUN_H_
