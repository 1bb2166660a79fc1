#include "driver/run_deadline.h"

#include <memory>

#include "driver/monitor_report.h"
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
  const std::string message = TimeoutMessage(subject, rs.params.timeoutSeconds);
  // What goes out at the deadline is made now: the main thread may be
  // anywhere then, the run record in use.
  PreparedReport timeout;
  if (WantsReport(rs)) {
    timeout =
        PrepareReport(rs.report, CheckReport::Failure(ReportSubject(rs), ErrorOfMessage(message)));
  } else {
    timeout.bytes = ErrorDocumentText(message);
    timeout.status = 2;
  }
  RunWatchdog() = std::make_unique<Watchdog>(RunDeadline(rs), [host, timeout] {
    // The library may be blocked holding its own locks: the process ends
    // without unloading it, once the lock of the configuration file is
    // released and the document is out.
    ReleaseLibraryConfigLock();
    ExitProcessWithoutCleanup(DeliverReport(*host, timeout));
  });
}

bool ClaimOutput() {
  std::unique_ptr<Watchdog>& watchdog = RunWatchdog();
  return !watchdog || watchdog->Cancel();
}

}  // namespace tolvaran
