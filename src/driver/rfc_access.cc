#include "driver/rfc_access.h"

#include <string>

#include "driver/error_exit.h"
#include "driver/monitor_report.h"
#include "driver/run_deadline.h"
#include "output/result_document.h"
#include "rfc/library_loader.h"
#include "text/ascii_text.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

// The library's error handler has no parameter for the run: this is the
// one place that keeps what it needs, from InstallLibraryErrorHandler on.
Host* handler_host = nullptr;
ReportSettings handler_report;
std::string handler_subject;

void OnLibraryAbort(const FailureReport& report) {
  if (!handler_host) ExitProcessNow(1);
  if (handler_report.dialect != ReportDialect::kNone) {
    int status = 2;
    // Nothing may unwind into the library: memory that runs out here ends
    // the process without a word, as a write that fails would.
    try {
      status = DeliverFailureReport(*handler_host, handler_report, handler_subject, report);
    } catch (...) {
    }
    ExitProcessNow(status);
  }
  PrintFailureReport(*handler_host, report);
  ExitProcessNow(1);
}

// "a, b or c".
std::string NamesLookedFor(const RfcLibrarySearch& search) {
  std::string names;
  for (std::size_t i = 0; i < search.names.size(); ++i) {
    if (i > 0) names += i + 1 == search.names.size() ? " or " : ", ";
    names += search.names[i];
  }
  return names;
}

}  // namespace

void RequireRfcBackend(RunState& rs) {
  if (rs.backend) return;
  RfcLibrarySearch search = FindRfcLibrary(*rs.host);
  if (!search.backend) FatalError(rs, LibraryLoadFailure(search));
  rs.backend = std::move(search.backend);
}

std::string LibraryLoadFailure(const RfcLibrarySearch& search) {
  // The error document's message holds 127 characters.
  constexpr std::size_t kMessageMax = 127;
  const std::string tail = " !";
  if (!search.refused.empty()) {
    const RefusedRfcLibrary& first = search.refused.front();
    std::string head = "Error 1010: RFC library " + first.name + " could not be loaded: ";
    std::string reason = first.reason;
    std::size_t room =
        kMessageMax > head.size() + tail.size() ? kMessageMax - head.size() - tail.size() : 0;
    if (reason.size() > room) reason.resize(room);
    return (head + reason + tail).substr(0, kMessageMax);
  }
  return ("Error 1010: RFC library librfc32 could not be loaded: no " + NamesLookedFor(search) +
          " found" + tail)
      .substr(0, kMessageMax);
}

std::string LibraryVersionLines(const RfcLibrarySearch& search) {
  std::string lines;
  if (search.backend) {
    lines = "RFC library: " + search.file + " (" + search.backend->Describe() + ")\n";
    for (const LibraryCompanion& companion : search.companions) {
      lines += "  with " + companion.name + ": " + companion.path + "\n";
    }
  } else if (search.refused.empty()) {
    lines = "RFC library: none found (" + NamesLookedFor(search) + ")\n";
  }
  for (const RefusedRfcLibrary& refused : search.refused) {
    lines += "RFC library: " + refused.file + " found but not loadable: " + refused.reason;
    if (search.netweaver && !refused.netweaver) lines += "; the NetWeaver library is used";
    lines += "\n";
  }
  return lines;
}

void InstallLibraryErrorHandler(RunState& rs) {
  handler_host = rs.host;
  handler_report = rs.report;
  handler_subject = ReportSubject(rs);
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
  request.deadline = RunDeadline(rs);
  return request;
}

ConnectionId OpenSystemConnection(RunState& rs) {
  ConnectionRequest request = ConnectionRequestFor(rs);
  // Nothing after the logon needs the password.
  WipeOnExit wipe(&request.password, &rs.profile.password);
  // Standard output is the monitor's document: the note only goes to a
  // person watching the progress lines.
  auto note = [&rs, &request] {
    if (rs.verbose) rs.host->WriteOut(ConfigFileNote(request.destination));
  };
  return rs.backend->Open(request, note);
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
  if (WantsReport(rs)) EndWithFailureReportIn(rs, report);
  PrintFailureReport(*rs.host, report);
  throw RunEnd{1, false};
}

}  // namespace tolvaran
