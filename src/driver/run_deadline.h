// The deadline of a run (TIMEOUT=): a single run that has not written its
// result when it passes ends with error 1016, wherever the RFC library is
// blocked; a listing's systems still unanswered then have timed out.
#ifndef TOLVARAN_DRIVER_RUN_DEADLINE_H_
#define TOLVARAN_DRIVER_RUN_DEADLINE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "driver/parameters.h"
#include "driver/report_settings.h"
#include "platform/deadline.h"
#include "platform/host.h"
#include "rfc/backend.h"

namespace tolvaran {

// The run's deadline: TIMEOUT= seconds after the program's start, or none.
Deadline RunDeadline(std::int64_t startMs, const Parameters& params);

// Starts the deadline's watch when the parameters set one; `subject` names
// the system in the timeout document, or in `report`'s dialect when one was
// chosen. At the deadline `backend` releases what other checks would wait
// for, the document is written and the process ends.
void StartRunDeadline(Host& host, std::shared_ptr<RfcBackend> backend, std::int64_t startMs,
                      const Parameters& params, const ReportSettings& report,
                      const std::string& subject);

// Called before the run writes its document: true when the run may write
// it. After a false the timeout document is being written and the process
// is ending; the caller must write nothing.
bool ClaimOutput();

// Error 1033's text: the deadline's watch could not get a thread of its
// own (a process limit reached).
std::string NoDeadlineThreadText();

// The error document's message at the deadline.
std::string TimeoutMessage(const std::string& subject, int seconds);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_RUN_DEADLINE_H_
