#include "rfc/trace_file.h"

#include "platform/host.h"
#include "platform/text_reader.h"

namespace tolvaran {

namespace {

// One file: the library writes "dev_rfc.trc"; on file systems that mind case
// it is found whatever case it was written in.
std::string TraceFilePath(Host& host) { return host.FindIgnoringCase("Dev_Rfc.Trc"); }

}  // namespace

void DeleteTraceFile(Host& host) { host.RemoveFile(TraceFilePath(host)); }

std::string TraceDetailOf(std::string_view bytes) {
  std::string detail;
  TextReader reader{std::string(bytes)};
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
  return detail.empty() ? " - Please Check Trace-File !" : " - " + detail;
}

std::string TraceFileDetail(Host& host) {
  std::string path = TraceFilePath(host);
  std::string bytes;
  if (!host.ReadFile(path, &bytes)) return " - Please Check Trace-File";
  host.RemoveFile(path);
  return TraceDetailOf(bytes);
}

}  // namespace tolvaran
