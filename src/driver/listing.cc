#include "driver/listing.h"

#include <string>

#include "driver/ascii_text.h"
#include "driver/single_run.h"
#include "driver/system_profile.h"
#include "output/result_document.h"
#include "output/usage_evaluation.h"
#include "rfc/connection.h"
#include "rfc/queries.h"
#include "rfc/rfc_failure.h"
#include "rfc/rfc_library.h"

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

void CheckSystem(RunState& rs) {
  InstallRfcEnvironment(rs);
  rs.resultBuffer.Clear();
  rs.runStatus = RunStatus::kErr;

  // A profile that failed its checks may hold the previous system's
  // password: it is never sent to this system's host.
  RfcHandle handle = 0;
  if (!rs.failFlag) {
    handle = OpenConnection(rs);
    rs.rfcHandle = handle;
    if (handle == 0) rs.failFlag = true;
  }
  if (handle != 0 && !rs.failFlag) {
    rs.runResult = QueryCpu(rs, handle);
    if (rs.runStatus != RunStatus::kOk) rs.failFlag = true;
  }
  if (handle != 0 && !rs.failFlag) {
    rs.runStatus = RunStatus::kErr;
    rs.runResult = EvaluateSystemUsage(rs, handle);
    if (rs.runStatus != RunStatus::kOk) rs.failFlag = true;
  }
  if (handle != 0) {
    rs.rfc.lib.RfcClose(handle);
    rs.rfcHandle = 0;
  }
}

}  // namespace

int RunListing(RunState& rs) {
  // Loaded before anything is written, so that a missing library's error
  // document is the whole output.
  RequireRfcLibrary(rs);

  if (rs.verbose) rs.host->WriteOut(rs.headerLine.str() + "\n");
  std::string start_time = rs.headerLine.str().substr(2, 8);
  std::string raw = ColonsAsBlanks(rs.paramRaw.view());
  std::size_t at = raw.find(" @");
  if (at != std::string::npos) raw.resize(at);
  rs.paramRaw.Set(raw);
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

  // The last system's failure text stays in front of the summary. It holds
  // the library's exception name, which must not break the document either.
  std::string stray = rs.resultBuffer.str();
  rs.resultBuffer.Clear();
  AppendDocumentText(rs, stray);
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
