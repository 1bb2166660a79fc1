// The run's side of the RFC library: loading it, the connection request
// from the current profile, and the failure report that ends a run.
#ifndef TOLVARAN_DRIVER_RFC_ACCESS_H_
#define TOLVARAN_DRIVER_RFC_ACCESS_H_

#include "driver/run_state.h"
#include "rfc/backend.h"

namespace tolvaran {

// Loads the library once. When none can be loaded, the run ends with
// "Error 1010: RFC library librfc32 could not be loaded !", or, when one is
// there but does not load, "Error 1010: RFC library <file> could not be
// loaded: <reason> !" (cut to fit the document's 127 characters).
void RequireRfcBackend(RunState& rs);

// What --version says of the library: "RFC library: <path> (<kind>)" and,
// for the NetWeaver library, a line per companion file and where it came
// from; "RFC library: <file> found but not loadable: <reason>" or "RFC
// library: none found" when none loads.
std::string RfcLibraryLines(Host& host);

// Prepares the library for one system's check; errors it reports by itself
// end the process with the failure report (status 1).
void InstallLibraryErrorHandler(RunState& rs);

// The connection data of the current profile, with the system number
// carried over from an earlier profile when this one has none.
ConnectionRequest ConnectionRequestFor(RunState& rs);

// Opens the current profile's system; 0 when no connection was opened.
// With progress lines, a note says that a per-destination configuration
// file is used.
ConnectionId OpenSystemConnection(RunState& rs);

// The note, with progress lines, that a per-destination configuration file
// is used for `destination`.
std::string ConfigFileNote(std::string_view destination);

// A query's outcome on the run record: the run status, the outcome code,
// and on failure its text in the result buffer (in a listing a system
// exception has none).
void TakeQueryOutcome(RunState& rs, const QueryResult& result);

// Prints the "RFC error" report.
void PrintFailureReport(Host& host, const FailureReport& report);

// Prints the report and ends the run with status 1; nothing else is
// written.
[[noreturn]] void EndWithFailureReport(RunState& rs, const FailureReport& report);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_RFC_ACCESS_H_
