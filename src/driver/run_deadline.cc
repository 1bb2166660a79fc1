#include "driver/run_deadline.h"

#include <memory>

#include "output/result_document.h"
#include "platform/worker_process.h"
#include "rfc/library_config.h"

namespace tolvaran {

namespace {

// One per process: a run has one deadline, and its watch runs on a thread
// of its own.
std::unique_ptr<Watchdog>& RunWatchdog() {
  static std::unique_ptr<Watchdog> watchdog;
  return watchdog;
}

}  // namespace

std::string TimeoutMessage(const std::string& subject, int seconds) {
  return "Error 1016: RFC-Timeout for " + subject + " after " + std::to_string(seconds) + " s !";
}

Deadline RunDeadline(const RunState& rs) {
  if (rs.params.timeoutSeconds <= 0) return Deadline::Never();
  return Deadline::At(rs.startMs + std::int64_t{1000} * rs.params.timeoutSeconds);
}

void StartRunDeadline(RunState& rs, const std::string& subject) {
  if (rs.params.timeoutSeconds <= 0 || RunWatchdog()) return;
  Host* host = rs.host;
  std::string document = ErrorDocumentText(TimeoutMessage(subject, rs.params.timeoutSeconds));
  RunWatchdog() = std::make_unique<Watchdog>(RunDeadline(rs), [host, document] {
    // The library may be blocked holding its own locks: the process ends
    // without unloading it, once the lock of the configuration file is
    // released and the document is out.
    ReleaseLibraryConfigLock();
    host->WriteOut(document);
    ExitProcessWithoutCleanup(2);
  });
}

bool ClaimOutput() {
  std::unique_ptr<Watchdog>& watchdog = RunWatchdog();
  return !watchdog || watchdog->Cancel();
}

}  // namespace tolvaran
