// The run's side of the RFC library: loading it, the connection request
// from the current profile, and the failure report that ends a run.
#ifndef TOLVARAN_DRIVER_RFC_ACCESS_H_
#define TOLVARAN_DRIVER_RFC_ACCESS_H_

#include "driver/run_state.h"
#include "rfc/backend.h"
#include "rfc/library_loader.h"

namespace tolvaran {

// Loads the library once. When none can be loaded, the run ends with
// error 1010 (LibraryLoadFailure).
void RequireRfcBackend(RunState& rs);

// The message of error 1010 for a search that loaded nothing: the first
// file that is there and why it did not load, or the names looked for.
// At most 127 characters, the loader's message cut to fit.
std::string LibraryLoadFailure(const RfcLibrarySearch& search);

// What --version says about the library after the program's own line: the
// one loaded (or that none was found), for the NetWeaver library a line per
// companion file ("  with libsapucum.dll: <where>"), then each file that is
// there but did not load, and why. Every line ends with a line feed.
std::string LibraryVersionLines(const RfcLibrarySearch& search);

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
