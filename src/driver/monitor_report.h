// The run's side of the other monitors' dialects (FORMAT=): choosing one,
// turning whatever ends the run (its result, an error, the library's
// failure report, the deadline) into a CheckReport, and delivering the
// rendering to standard output or, for OpenMetrics with OUT=, to a file.
//
// Once a dialect is chosen, no end of the run writes the result document
// or plain text: every end comes through here.
#ifndef TOLVARAN_DRIVER_MONITOR_REPORT_H_
#define TOLVARAN_DRIVER_MONITOR_REPORT_H_

#include <string>
#include <string_view>
#include <vector>

#include "driver/invocation.h"
#include "driver/parameters.h"
#include "driver/report_settings.h"
#include "output/check_report.h"
#include "platform/host.h"
#include "rfc/backend.h"

namespace tolvaran {

// The number the library's failure report, which has none of its own,
// carries in these dialects: it is an RFC failure, as 1014 is.
constexpr int kFailureReportNumber = 1014;

// FORMAT= of the command line: the dialect it chooses, kNone without it.
// Another value ends the run with "Error 1020: Invalid FORMAT= value !" in
// the error document.
ReportDialect ChooseReportDialect(const Parameters& params);

// WARN=, CRIT= and OUT= of `params` for `dialect`: a range that is none
// ends the run with error 1022, an OUT= value cut with the parameter text
// with error 1023.
ReportSettings TakeReportParameters(ReportDialect dialect, const Parameters& params);

// The error that a message of the error document stands for: its number
// from "Error NNNN:" (0 for none), its class from the number.
RunError ErrorOfMessage(std::string_view message);

// The library's failure report as an error of its own (kFailureReportNumber).
RunError ErrorOfFailureReport(const FailureReport& report);

// Who an error of the run is about, the one rule for every end of it, as
// far as the run has got: a listing's file (ITEM= or a global sensor
// file) once it is known; else the destination once the profile gave one;
// else the profile as named on the command line (`args[1]`).
std::string ReportSubject(const std::vector<std::string>& args, std::string_view listingFile,
                          std::string_view destination);

// A rendering ready to go out, prepared in advance where it must go out
// from a thread of its own or from inside the library.
struct PreparedReport {
  std::string bytes;
  int status = 0;
  std::string outFile;    // empty: standard output
  std::string unwritten;  // written to standard output when outFile fails
};

PreparedReport PrepareReport(const ReportSettings& settings, const CheckReport& report);

// Writes a prepared report and returns the run's exit status: 2 when the
// OUT= file could not be replaced (error 1023 then goes to standard
// output). The caller has claimed the output (ClaimOutput).
int DeliverReport(Host& host, const PreparedReport& prepared);

// The run's end in the chosen dialect: claims the output, delivers
// `report`, returns the exit status.
int FinishWithReport(Host& host, const ReportSettings& settings, const CheckReport& report);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_MONITOR_REPORT_H_
