// The deadline of a single-system run (TIMEOUT=): when it passes before the
// result is written, the run ends with error 1016, wherever the RFC library
// is blocked.
#ifndef TOLVARAN_DRIVER_RUN_DEADLINE_H_
#define TOLVARAN_DRIVER_RUN_DEADLINE_H_

#include <string>

#include "driver/run_state.h"
#include "platform/worker_process.h"

namespace tolvaran {

// The run's deadline: TIMEOUT= seconds after the program's start, or none.
Deadline RunDeadline(const RunState& rs);

// Starts the deadline's watch when the parameters set one; `subject` names
// the system in the timeout document.
void StartRunDeadline(RunState& rs, const std::string& subject);

// Called before the run writes its document: true when the run may write
// it. After a false the timeout document is being written and the process
// is ending; the caller must write nothing.
bool ClaimOutput();

// The error document's message at the deadline.
std::string TimeoutMessage(const std::string& subject, int seconds);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_RUN_DEADLINE_H_
