// The two function-module queries: the CPU probe (GET_CPU_ALL) and the
// user list (THUSRINFO).
#ifndef TOLVARAN_RFC_QUERIES_H_
#define TOLVARAN_RFC_QUERIES_H_

#include "driver/run_state.h"

namespace tolvaran {

// Probes the system's CPU data; sets runStatus to kOk on success or
// appends the failure text. Returns the call's outcome.
int QueryCpu(RunState& rs, RfcHandle handle);

// Fetches the user list into the caller's table; on an exception leaves
// its name in `exceptionText` (256 bytes). Returns the call's outcome.
int FetchUserList(RunState& rs, RfcHandle handle, RfcTable table, char* exceptionText);

// Appends the failure text of a query outcome other than 0.
void AppendQueryFailure(RunState& rs, int outcome, const char* exceptionText);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_QUERIES_H_
