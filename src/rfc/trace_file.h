// The classic RFC library's trace file "Dev_Rfc.Trc" in the current
// directory: read after a failed query for its last error, and deleted.
#ifndef TOLVARAN_RFC_TRACE_FILE_H_
#define TOLVARAN_RFC_TRACE_FILE_H_

#include <string>
#include <string_view>

namespace tolvaran {

class Host;

// Deletes the trace file (a missing file is no error).
void DeleteTraceFile(Host& host);

// The last error text that follows the last "**** ERROR " line of the
// trace file, as " - <text>"; " - Please Check Trace-File !" when it has
// none, " - Please Check Trace-File" when there is no file. The file is
// deleted after reading.
std::string TraceFileDetail(Host& host);

// The same over the file's text, for callers that have it already.
std::string TraceDetailOf(std::string_view bytes);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_TRACE_FILE_H_
