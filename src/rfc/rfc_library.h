// Loading the RFC library at run time.
#ifndef TOLVARAN_RFC_RFC_LIBRARY_H_
#define TOLVARAN_RFC_RFC_LIBRARY_H_

#include "driver/run_state.h"

namespace tolvaran {

// Loads the library once, first from the executable's own directory, then
// by the system's search. When it cannot be loaded or lacks an entry point,
// the run ends with "Error 1010: RFC library librfc32 could not be loaded !".
void RequireRfcLibrary(RunState& rs);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_RFC_LIBRARY_H_
