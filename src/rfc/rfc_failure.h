// RFC failures: the report that ends a run with status 1, the library's
// error handler, the trace-file check and the diagnostic trace hook.
#ifndef TOLVARAN_RFC_RFC_FAILURE_H_
#define TOLVARAN_RFC_RFC_FAILURE_H_

#include <string_view>

#include "driver/run_state.h"

namespace tolvaran {

// Prints the "RFC error" block with the library's last error and ends the
// run with status 1; no result document is written.
[[noreturn]] void ReportRfcFailure(RunState& rs, const char* operation);

// Installs ReportRfcFailure as the library's error handler and calls
// RfcEnvironment. The library must be loaded.
void InstallRfcEnvironment(RunState& rs);

// Deletes the library's trace file "Dev_Rfc.Trc" (a missing file is no
// error).
void DeleteTraceFile(RunState& rs);

// Appends the last error text of the library's trace file "Dev_Rfc.Trc" to
// the result buffer and deletes the file.
void AppendTraceDetail(RunState& rs);

// The trace hook at fixed points of a run. Writes only to an open trace
// stream, and a run opens none.
void TraceLine(RunState& rs, RfcHandle handle, std::string_view event, std::string_view detail);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_RFC_FAILURE_H_
