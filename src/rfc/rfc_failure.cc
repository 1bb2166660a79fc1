#include "rfc/rfc_failure.h"

#include <cstring>
#include <memory>
#include <string>

#include "output/result_document.h"
#include "platform/text_reader.h"

namespace tolvaran {

namespace {

// The library's error handler has no parameter for the run record; this is
// the one place that keeps it, from InstallRfcEnvironment on.
RunState* handler_run = nullptr;

std::string FieldText(const char* field, std::size_t size) {
  return std::string(field, strnlen(field, size));
}

// Everything of the report that is printed, for both ways it is reached.
void PrintRfcFailure(RunState& rs, const char* operation) {
  Host& host = *rs.host;
  host.WriteOut("RFC error\n");
  WriteLabelledLine(host, "operation/code", 0, 15, operation ? operation : "");
  ErrorInfo info;
  std::memset(&info, 0, sizeof info);
  if (rs.rfc.loaded && rs.rfc.lib.RfcLastError) rs.rfc.lib.RfcLastError(&info);
  WriteLabelledLine(host, "key", 0, 15, FieldText(info.key, sizeof info.key));
  WriteLabelledLine(host, "status", 0, 15, FieldText(info.status, sizeof info.status));
  WriteLabelledLine(host, "message", 0, 15, FieldText(info.message, sizeof info.message));
  WriteLabelledLine(host, "internal status", 0, 15, FieldText(info.intstat, sizeof info.intstat));
  host.WriteOut("\n");
  if (rs.rfc.loaded && rs.rfc.lib.RfcClose) rs.rfc.lib.RfcClose(0);
  host.WriteOut("* Programm aborted...\n");
  // The abort log and the end-of-output file are never configured in a run:
  // no abort log line, and creating the unnamed end-of-output file fails.
  host.WriteOut("* Error at EoXput-File...\n");
}

extern "C" void RFC_CALL OnRfcLibraryError(char* operation) {
  // Called from inside the library: never return into it, and never unwind
  // through its frames. The process ends here.
  if (handler_run) {
    handler_run->heldLock.reset();
    PrintRfcFailure(*handler_run, operation);
  }
  ExitProcessNow(1);
}

// One file: the library writes "dev_rfc.trc"; on file systems that mind case
// it is found whatever case it was written in.
std::string TraceFilePath(RunState& rs) { return rs.host->FindIgnoringCase("Dev_Rfc.Trc"); }

}  // namespace

void ReportRfcFailure(RunState& rs, const char* operation) {
  PrintRfcFailure(rs, operation);
  throw RunEnd{1, false};
}

void InstallRfcEnvironment(RunState& rs) {
  handler_run = &rs;
  rs.rfc.environment.errorhandler = &OnRfcLibraryError;
  rs.rfc.environment.allocate = nullptr;
  rs.rfc.lib.RfcEnvironment(&rs.rfc.environment);
}

void DeleteTraceFile(RunState& rs) { rs.host->RemoveFile(TraceFilePath(rs)); }

void AppendTraceDetail(RunState& rs) {
  std::string detail;
  std::string path = TraceFilePath(rs);
  // The trace grows with every failed check in the directory: it is read in
  // pieces, never whole.
  std::unique_ptr<FileReader> file = rs.host->OpenReader(path);
  if (!file) {
    rs.resultBuffer.Append(" - Please Check Trace-File");
    return;
  }
  TextReader reader([&file](std::string* chunk) { return file->Read(chunk); });
  std::string piece;
  while (reader.ReadPiece(99, &piece)) {
    if (piece.compare(0, 11, "**** ERROR ") == 0) detail.clear();
    if (piece.compare(0, 6, "ERROR ") == 0) detail = piece.size() > 12 ? piece.substr(12) : "";
    if (piece.size() >= 15 && piece.compare(7, 8, "======> ") == 0) detail = piece.substr(15);
    if (!detail.empty()) {
      if (detail.back() == '\r') detail.pop_back();
      if (!detail.empty() && detail.back() == '\n') detail.pop_back();
    }
  }
  rs.host->RemoveFile(path);
  if (detail.empty()) {
    rs.resultBuffer.Append(" - Please Check Trace-File !");
  } else {
    rs.resultBuffer.Append(" - ");
    rs.resultBuffer.Append(detail);
  }
}

void TraceLine(RunState& rs, RfcHandle handle, std::string_view event, std::string_view detail) {
  // The trace stream is opened by no step of a run, so nothing is written;
  // the hook marks the points a trace would show.
  (void)rs;
  (void)handle;
  (void)event;
  (void)detail;
}

}  // namespace tolvaran
