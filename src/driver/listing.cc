#include "driver/listing.h"

#include <string>

#include "driver/rfc_access.h"
#include "driver/single_run.h"
#include "driver/system_profile.h"
#include "output/result_document.h"
#include "output/usage_evaluation.h"
#include "text/ascii_text.h"

namespace tolvaran {

namespace {

// Takes the next profile name off the front of the listing. False when the
// name cannot be a profile this program can open (longer than the field).
bool TakeNextEntry(RunState& rs) {
  std::string listing = rs.serverListing.str();
  std::size_t hash = listing.find('#');
  std::string entry = listing.substr(0, hash);
  rs.serverListing.Set(hash == std::string::npos ? "" : listing.substr(hash + 1));
  if (entry.size() > decltype(RunState::profileName)::kCapacity) return false;
  rs.profileName.Set(entry);
  return true;
}

void SetLabel(RunState& rs) {
  std::string_view name = rs.profileName.view();
  if (rs.labelKind == "2") {
    // A name too short to carry an extension is shown whole.
    rs.systemLabel.Set(name.size() >= 4 ? name.substr(0, name.size() - 4) : name);
  } else if (rs.labelKind == "3") {
    rs.systemLabel.Set(rs.profile.hostname.view());
  } else if (rs.labelKind == "4") {
    rs.systemLabel.Set(rs.profile.destination.view());
  } else {
    rs.systemLabel.Set(name);
  }
}

// The query's outcome on the record: a failure text for the document, and
// the run status; an aborted query ends the run.
void TakeQueryResult(RunState& rs, const QueryResult& result) {
  if (result.aborted) EndWithFailureReport(rs, result.report);
  rs.runResult = result.outcome;
  if (result.outcome == kOutcomeOk) {
    rs.runStatus = RunStatus::kOk;
  } else {
    rs.resultBuffer.Append(QueryFailureText(result, true));
  }
}

void CheckSystem(RunState& rs) {
  InstallLibraryErrorHandler(rs);
  rs.resultBuffer.Clear();
  rs.runStatus = RunStatus::kErr;

  // A profile that failed its checks may hold the previous system's
  // password: it is never sent to this system's host.
  ConnectionId connection = 0;
  if (!rs.failFlag) {
    connection = OpenSystemConnection(rs);
    if (connection == 0) rs.failFlag = true;
  }
  if (connection != 0 && !rs.failFlag) {
    TakeQueryResult(rs, rs.backend->ProbeCpu(connection));
    if (rs.runStatus != RunStatus::kOk) rs.failFlag = true;
  }
  if (connection != 0 && !rs.failFlag) {
    rs.runStatus = RunStatus::kErr;
    UsageCounts counts;
    QueryResult result = CountSessions(*rs.backend, connection, rs.client.view(), &counts);
    TakeQueryResult(rs, result);
    if (rs.runStatus == RunStatus::kOk) {
      WriteUsage(rs, counts);
      // The item's channel goes out as soon as it is known; a check
      // listing stays in the buffer.
      if (!rs.params.check) {
        rs.host->WriteOut(rs.resultBuffer.view());
        rs.resultBuffer.Clear();
      }
    } else {
      rs.failFlag = true;
    }
  }
  if (connection != 0) rs.backend->Close(connection);
}

}  // namespace

int RunListing(RunState& rs) {
  // Loaded before anything is written, so that a missing library's error
  // document is the whole output.
  RequireRfcBackend(rs);

  if (rs.verbose) rs.host->WriteOut(rs.headerLine.str() + "\n");
  std::string start_time = rs.headerLine.str().substr(2, 8);
  std::string raw = ColonsAsBlanks(rs.params.raw.view());
  std::size_t at = raw.find(" @");
  if (at != std::string::npos) raw.resize(at);
  rs.params = ParseParameters(rs.params.upper.view(), raw);
  if (rs.verbose) PrintProgressLine(rs, "* " + start_time + " " + raw, " State=Executing");

  OpenDocument(rs);
  rs.host->WriteOut(rs.resultBuffer.str() + "\n");
  rs.resultBuffer.Clear();

  while (!rs.serverListing.empty()) {
    rs.foundFlag = false;
    rs.profileName.Clear();
    ++rs.systemCount;
    if (!TakeNextEntry(rs)) continue;

    std::string path = rs.profileDir.str() + rs.profileName.str();
    rs.systemLabel.Set(rs.profileName.view());
    std::string bytes;
    if (path.size() > decltype(RunState::profilePath)::kCapacity ||
        !rs.host->ReadFile(path, &bytes)) {
      continue;
    }
    rs.profilePath.Set(path);

    rs.failFlag = false;
    ReadListedProfile(rs, bytes);
    SetLabel(rs);

    if (rs.verbose) rs.headerLine.Set(SystemProgressLine(rs, rs.host->TimeOfDay()));

    CheckSystem(rs);

    bool ok = !rs.failFlag && rs.runStatus == RunStatus::kOk;
    if (ok && rs.foundFlag) {
      ++rs.processedCount;
    } else {
      ++rs.failedCount;
    }
    const char* state = !ok ? "Rfc Failure" : rs.foundFlag ? "Processed" : "Not Found";
    if (rs.verbose) rs.host->WriteOut("\n" + rs.headerLine.str() + " State=" + state + "\n");
  }

  rs.resultBuffer.Append("\n");
  OpenText(rs);
  AppendDocumentText(rs, "(***) " + rs.itemName.str() +
                             ": NoSystems=" + std::to_string(rs.systemCount) +
                             ", Processed=" + std::to_string(rs.processedCount) +
                             ", Failed=" + std::to_string(rs.failedCount));
  CloseText(rs);
  CloseDocument(rs);
  rs.host->WriteOut(rs.resultBuffer.str() + "\n");
  rs.resultBuffer.Clear();

  if (rs.verbose) PrintProcessedLine(rs);
  return 0;
}

}  // namespace tolvaran
