// The library's trace file "dev_rfc.trc" in the current directory.
//
// The program under test reads the text of a failure back from this file,
// so each failure is written as an error block the way the classic library
// lays one out:
//
//   **** Trace file opened at 20261208 140359 UTC, SAP-REL 640,0,7 RFC-VER 3 SIM
//   **** ERROR file opened at 20261208 140359 UTC
//   LOCATION    SAP-Gateway on host prdhost / sapgw00
//   ERROR       Name or password is incorrect (repeat logon)
//   TIME        Tue Dec 08 14:03:59 2026
//   NOTE        unknown outcome 'maybe' taken as failure
//   RFCRECV======> Exception USER_NOT_FOUND
//
// The first line only when the file is new; NOTE and "======>" only when the
// block has them. Label lines put their text at character 13 and the
// "======> " marker sits at characters 8 to 15, the text at 16: the program
// reads the text from exactly those positions.
#ifndef TOLVARAN_SIM_SIM_TRACE_H_
#define TOLVARAN_SIM_SIM_TRACE_H_

#include <ctime>
#include <string>

namespace rfcsim {

struct TraceBlock {
  std::string location;
  std::string error;
  std::string note;    // empty: no NOTE line
  std::string detail;  // empty: no "======>" line
};

// The block's text with line feeds; the header times are UTC, the TIME line
// is local time, as the classic library writes them.
std::string FormatTraceBlock(const TraceBlock& block, std::time_t now, bool newFile);

// Appends the block to the trace file, creating it when missing. A file that
// cannot be written is passed over: tracing never fails an operation.
void AppendTraceBlock(const TraceBlock& block);

}  // namespace rfcsim

#endif  // TOLVARAN_SIM_SIM_TRACE_H_
