#include "driver/rfc_access.h"

#include <string>

#include "driver/error_exit.h"
#include "output/result_document.h"
#include "rfc/library_loader.h"
#include "text/ascii_text.h"
#include "text/secure_wipe.h"

namespace tolvaran {

namespace {

// What the error document holds of a message.
constexpr std::size_t kDocumentTextMax = 127;

// The library's error handler has no parameter for the run: this is the
// one place that keeps what it needs, from InstallLibraryErrorHandler on.
Host* handler_host = nullptr;

void OnLibraryAbort(const FailureReport& report) {
  if (handler_host) PrintFailureReport(*handler_host, report);
  ExitProcessNow(1);
}

}  // namespace

void RequireRfcBackend(RunState& rs) {
  if (rs.backend) return;
  LibraryReport report;
  rs.backend = LoadRfcBackend(*rs.host, &report);
  if (rs.backend) return;
  if (report.unloadable.empty()) {
    FatalError(rs, "Error 1010: RFC library librfc32 could not be loaded !");
  }
  // The reason is cut, not the end of the message, when the document's 127
  // characters do not hold it all.
  const std::string head =
      "Error 1010: RFC library " + report.unloadable + " could not be loaded: ";
  const std::string tail = " !";
  std::string reason = report.reason;
  if (head.size() + reason.size() + tail.size() > kDocumentTextMax) {
    reason.resize(kDocumentTextMax > head.size() + tail.size()
                      ? kDocumentTextMax - head.size() - tail.size()
                      : 0);
  }
  FatalError(rs, head + reason + tail);
}

std::string RfcLibraryLines(Host& host) {
  LibraryReport report;
  std::unique_ptr<RfcBackend> backend = LoadRfcBackend(host, &report);
  if (!backend) {
    return report.unloadable.empty() ? "RFC library: none found\n"
                                     : "RFC library: " + report.unloadable +
                                           " found but not loadable: " + report.reason + "\n";
  }
  std::string lines = "RFC library: " + report.file + " (" + backend->Describe() + ")\n";
  for (const LibraryCompanion& companion : report.companions) {
    lines += "  with " + companion.name + ": " + companion.path + "\n";
  }
  return lines;
}

void InstallLibraryErrorHandler(RunState& rs) {
  handler_host = rs.host;
  rs.backend->InstallErrorHandler(&OnLibraryAbort);
}

ConnectionRequest ConnectionRequestFor(RunState& rs) {
  const SystemProfile& p = rs.profile;
  ConnectionRequest request;
  request.destination = p.destination.str();
  request.client = p.logonClient.str();
  request.user = p.user.str();
  request.password = p.password.str();
  request.language = p.language.str();
  request.mode = p.mode.str();
  request.hostname = p.hostname.str();
  request.gatewayHost = p.gatewayHost.str();
  request.gatewayService = p.gatewayService.str();
  request.snc = {p.sncMode.str(), p.sncPartner.str(), p.sncQop.str(), p.sncMyname.str(),
                 p.sncLibrary.str()};
  std::string systemNumber = p.systemNumber.str();
  if (rs.params.hostOverride) request.hostname = rs.hostOverride.str();
  if (rs.params.numberOverride) systemNumber = rs.systemNumberOverride.str();
  // A profile without a system number uses the one before it.
  if (!systemNumber.empty()) rs.lastSystemNumber = LeadingNumber(systemNumber);
  request.systemNumber = rs.lastSystemNumber;
  return request;
}

ConnectionId OpenSystemConnection(RunState& rs) {
  ConnectionRequest request = ConnectionRequestFor(rs);
  // Standard output is the monitor's document: the note only goes to a
  // person watching the progress lines.
  auto note = [&rs, &request] {
    if (rs.verbose) rs.host->WriteOut(ConfigFileNote(request.destination));
  };
  ConnectionId connection = rs.backend->Open(request, note);
  SecureWipe(&request.password);
  return connection;
}

std::string ConfigFileNote(std::string_view destination) {
  return "* SapRfc.Ini.......: " + std::string(destination) + "<\n";
}

void TakeQueryOutcome(RunState& rs, const QueryResult& result) {
  rs.runResult = result.outcome;
  if (result.outcome == kOutcomeOk) {
    rs.runStatus = RunStatus::kOk;
  } else {
    rs.resultBuffer.Append(QueryFailureText(result, rs.itemMode));
  }
}

void PrintFailureReport(Host& host, const FailureReport& report) {
  host.WriteOut("RFC error\n");
  WriteLabelledLine(host, "operation/code", 0, 15, report.operation);
  WriteLabelledLine(host, "key", 0, 15, report.key);
  WriteLabelledLine(host, "status", 0, 15, report.status);
  WriteLabelledLine(host, "message", 0, 15, report.message);
  WriteLabelledLine(host, "internal status", 0, 15, report.internalStatus);
  host.WriteOut("\n");
  host.WriteOut("* Programm aborted...\n");
  // The abort log and the end-of-output file are never configured in a run:
  // no abort log line, and creating the unnamed end-of-output file fails.
  host.WriteOut("* Error at EoXput-File...\n");
}

void EndWithFailureReport(RunState& rs, const FailureReport& report) {
  PrintFailureReport(*rs.host, report);
  throw RunEnd{1, false};
}

}  // namespace tolvaran
