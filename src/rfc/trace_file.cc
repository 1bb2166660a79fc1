#include "rfc/trace_file.h"

#include <memory>

#include "platform/host.h"
#include "platform/text_reader.h"

namespace tolvaran {

namespace {

// One file: the library writes "dev_rfc.trc"; on file systems that mind case
// it is found whatever case it was written in.
std::string TraceFilePath(Host& host) { return host.FindIgnoringCase("Dev_Rfc.Trc"); }

}  // namespace

void DeleteTraceFile(Host& host) { host.RemoveFile(TraceFilePath(host)); }

namespace {

std::string DetailOf(TextReader& reader) {
  std::string detail;
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

}  // namespace

std::string TraceDetailOf(std::string_view bytes) {
  TextReader reader{std::string(bytes)};
  return DetailOf(reader);
}

std::string TraceFileDetail(Host& host) {
  std::string path = TraceFilePath(host);
  // The trace grows with every failed check in the directory: it is read in
  // pieces, never whole.
  std::unique_ptr<FileReader> file = host.OpenReader(path);
  if (!file) return " - Please Check Trace-File";
  TextReader reader([&file](std::string* chunk) { return file->Read(chunk); });
  std::string detail = DetailOf(reader);
  file.reset();
  host.RemoveFile(path);
  return detail;
}

}  // namespace tolvaran
