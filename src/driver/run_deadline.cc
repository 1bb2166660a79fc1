#include "driver/run_deadline.h"

#include <utility>

#include "driver/error_exit.h"
#include "driver/monitor_report.h"
#include "output/result_document.h"
#include "platform/worker_process.h"

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

Deadline RunDeadline(std::int64_t startMs, const Parameters& params) {
  if (params.timeoutSeconds <= 0) return Deadline::Never();
  return Deadline::At(startMs + std::int64_t{1000} * params.timeoutSeconds);
}

void StartRunDeadline(Host& host, std::shared_ptr<RfcBackend> backend, std::int64_t startMs,
                      const Parameters& params, const ReportSettings& report,
                      const std::string& subject) {
  if (params.timeoutSeconds <= 0 || RunWatchdog()) return;
  Host* out = &host;
  const std::string message = TimeoutMessage(subject, params.timeoutSeconds);
  // What goes out at the deadline is made now: the main thread may be
  // anywhere then.
  PreparedReport timeout;
  if (report.chosen()) {
    timeout = PrepareReport(report, CheckReport::Failure(subject, ErrorOfMessage(message)));
  } else {
    timeout.bytes = ErrorDocumentText(message);
    timeout.status = 2;
  }
  RunWatchdog() = std::make_unique<Watchdog>(
      RunDeadline(startMs, params), [out, backend = std::move(backend), timeout] {
        // The library may be blocked holding its own locks: the process ends
        // without unloading it, once what other checks wait for is released
        // and the document is out.
        backend->ReleaseAtDeadline();
        ExitProcessWithoutCleanup(DeliverReport(*out, timeout));
      });
  // Without its thread the deadline could not end a check blocked in the
  // library: the run says so rather than run without the deadline asked
  // for, or abort without a document.
  if (!RunWatchdog()->Started()) {
    RunWatchdog().reset();
    FatalError(NoDeadlineThreadText());
  }
}

std::string NoDeadlineThreadText() {
  return "Error 1033: TIMEOUT= cannot be kept: no thread can be started !";
}

bool ClaimOutput() {
  std::unique_ptr<Watchdog>& watchdog = RunWatchdog();
  return !watchdog || watchdog->Cancel();
}

}  // namespace tolvaran
