#include "driver/listing.h"

#include <deque>
#include <string>

#include "driver/command_line.h"
#include "driver/monitor_report.h"
#include "driver/rfc_access.h"
#include "driver/run_deadline.h"
#include "driver/single_run.h"
#include "driver/system_check.h"
#include "driver/system_profile.h"
#include "output/result_document.h"
#include "output/usage_evaluation.h"
#include "platform/worker_process.h"
#include "rfc/library_config.h"
#include "text/ascii_text.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

// One listed system from the reading of its profile to its channel and
// state line.
struct ListingEntry {
  bool skipped = false;      // the profile could not be opened: no state line
  bool connect = false;      // the profile is sound: a worker checks the system
  bool failFlag = false;     // the profile failed its checks
  std::string profileFault;  // the message of that, when it has one
  std::string profile;       // the name the listing gives
  std::string workerFault;   // why no worker could be started
  std::string label;
  std::string destination;
  std::string progress;  // the system's progress line, without its state
  WorkerId worker = 0;
  bool done = false;
  bool timedOut = false;
  bool answered = false;  // the worker gave back a whole outcome
  SystemOutcome outcome;
};

// Takes the next profile name off the listing. False when the name cannot
// be a profile this program can open (longer than the field).
bool TakeNextEntry(RunState& rs) {
  std::size_t hash = rs.serverListing.find('#', rs.listingOffset);
  std::size_t end = hash == std::string::npos ? rs.serverListing.size() : hash;
  std::string_view entry(rs.serverListing.data() + rs.listingOffset, end - rs.listingOffset);
  rs.listingOffset = hash == std::string::npos ? rs.serverListing.size() : hash + 1;
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

// Why a worker's check of a system gave no counts.
RunError OutcomeError(const SystemOutcome& o, const std::string& destination) {
  if (o.aborted) return ErrorOfFailureReport(o.report);
  if (!o.opened) return ErrorOfMessage("Error 1011: RFC-Open for " + destination + " failed !");
  const QueryResult& failed = o.cpuDone && o.cpu.outcome != kOutcomeOk ? o.cpu : o.usage;
  return ErrorOfMessage(QueryFailureText(failed, false));
}

class Listing {
 public:
  explicit Listing(RunState& rs) : rs_(rs), deadline_(RunDeadline(rs)) {
    result_.itemName = rs.itemName.str();
    result_.item = MeasureIndex(rs.itemName.view());
  }

  ListingResult TakeResult() { return std::move(result_); }

  void Run() {
    for (;;) {
      while (rs_.listingOffset < rs_.serverListing.size() &&
             pool_.Running() < static_cast<std::size_t>(rs_.params.jobs)) {
        ReadNext();
      }
      while (!window_.empty() && window_.front().done) {
        Emit(window_.front());
        window_.pop_front();
      }
      if (window_.empty() && rs_.listingOffset >= rs_.serverListing.size()) return;
      if (!window_.empty() && !window_.front().done) Collect();
    }
  }

 private:
  // Reads the next listed profile, exactly as one after the other: its
  // fields carry over to the next one.
  void ReadNext() {
    ++rs_.systemCount;
    ListingEntry system;
    rs_.profileName.Clear();
    std::string bytes;
    std::string path;
    if (TakeNextEntry(rs_)) path = rs_.profileDir.str() + rs_.profileName.str();
    if (path.empty() || path.size() > decltype(RunState::profilePath)::kCapacity ||
        !rs_.host->ReadFile(path, &bytes)) {
      system.skipped = system.done = true;
      window_.push_back(std::move(system));
      return;
    }
    rs_.profilePath.Set(path);
    rs_.failFlag = false;
    system.profile = rs_.profileName.str();
    system.profileFault = ReadListedProfile(rs_, bytes);
    SetLabel(rs_);
    system.label = rs_.systemLabel.str();
    system.destination = rs_.profile.destination.str();
    system.failFlag = rs_.failFlag;
    if (rs_.verbose) system.progress = SystemProgressLine(rs_, rs_.host->TimeOfDay());

    // A profile that failed its checks may hold the previous system's
    // password: it is never sent to this system's host.
    system.connect = !system.failFlag;
    if (!system.connect) {
      system.done = true;
    } else if (deadline_.HasPassed()) {
      system.done = system.timedOut = true;
    } else {
      SystemTask task;
      task.request = ConnectionRequestFor(rs_);
      task.client = rs_.client.str();
      task.remainingMs = deadline_.RemainingMs();
      WorkerLaunch launch;
      // The pool has its own copy of the input: ours are no longer needed.
      WipeOnExit wipe(&task.request.password, &launch.input, &rs_.profile.password);
      launch.executable = rs_.host->ExecutablePath();
      launch.arguments = {kWorkerFlag};
      launch.input = EncodeTask(task);
      std::string error;
      system.worker = pool_.Start(launch, &error);
      // A worker that cannot be started is that system's failure.
      if (system.worker == 0) {
        system.done = true;
        system.workerFault = error;
      }
    }
    window_.push_back(std::move(system));
  }

  // Waits for workers; at the deadline every system still without an
  // outcome has timed out.
  void Collect() {
    std::vector<WorkerResult> results = pool_.Wait(deadline_);
    for (WorkerResult& result : results) {
      for (ListingEntry& system : window_) {
        if (system.worker != result.id || system.done) continue;
        system.done = true;
        system.answered = DecodeOutcome(result.output, &system.outcome);
        // A worker ends by itself at the run's deadline (status 3), at the
        // same moment as this wait: it has timed out, not failed.
        if (!system.answered && result.end == WorkerEnd::kExited &&
            (result.code == 3 || deadline_.HasPassed())) {
          system.timedOut = true;
        }
      }
    }
    if (results.empty() && deadline_.HasPassed()) {
      bool killed = false;
      for (ListingEntry& system : window_) {
        if (system.done) continue;
        pool_.Kill(system.worker);
        system.done = system.timedOut = killed = true;
      }
      // A worker ended from outside may have been writing SapRfc.ini.
      if (killed) RemoveLibraryConfigLeftovers(*rs_.host);
    }
  }

  void ApplyOutcome(const ListingEntry& system) {
    const SystemOutcome& o = system.outcome;
    if (rs_.verbose && o.configNote) {
      rs_.host->WriteOut(ConfigFileNote(system.destination));
    }
    if (!o.opened) rs_.failFlag = true;
    if (o.cpuDone && !o.cpu.aborted) {
      TakeQueryOutcome(rs_, o.cpu);
      if (rs_.runStatus != RunStatus::kOk) rs_.failFlag = true;
    }
    // A check that ended inside the user list's reading counted only the
    // rows before the failure: the system has failed and gets no channel.
    if (o.usageDone && !o.aborted && !rs_.failFlag) {
      rs_.runStatus = RunStatus::kErr;
      TakeQueryOutcome(rs_, o.usage);
      if (rs_.runStatus == RunStatus::kOk) {
        WriteUsage(rs_, o.counts);
        // The item's channel goes out at once; a check listing stays in
        // the buffer, and a monitor's dialect is rendered at the end.
        if (!rs_.params.check && !report_) {
          rs_.host->WriteOut(rs_.resultBuffer.view());
          rs_.resultBuffer.Clear();
        }
      } else {
        rs_.failFlag = true;
      }
    }
    // A library abort ends this system's check only; a person watching
    // sees its report among the system's progress lines.
    if (o.aborted) {
      rs_.failFlag = true;
      if (rs_.verbose) PrintFailureReport(*rs_.host, o.report);
    }
  }

  // Why a system that was read has no value, for a monitor's dialect.
  RunError Fault(const ListingEntry& system) const {
    if (system.timedOut) {
      return ErrorOfMessage(
          TimeoutMessage(system.destination.empty() ? system.label : system.destination,
                         rs_.params.timeoutSeconds));
    }
    if (system.failFlag && !system.profileFault.empty()) return ErrorOfMessage(system.profileFault);
    if (!system.answered) {
      return ErrorOfMessage("Error 1015: Other Failure raised ! - " +
                            (system.workerFault.empty()
                                 ? std::string("the check ended without an answer")
                                 : "the check could not be started: " + system.workerFault));
    }
    return OutcomeError(system.outcome, system.destination);
  }

  void Record(const ListingEntry& system, bool ok) {
    ListedSystem listed;
    listed.profile = system.profile;
    listed.label = system.label;
    if (ok) {
      listed.state = result_.item >= 0 ? SystemState::kOk : SystemState::kPartial;
      listed.values = ValuesInOrder(system.outcome.counts);
    } else {
      listed.state = SystemState::kFailed;
      listed.error = Fault(system);
    }
    result_.systems.push_back(std::move(listed));
  }

  // Writes one system's channel and state line, in listing order.
  void Emit(const ListingEntry& system) {
    if (system.skipped) return;
    rs_.foundFlag = false;
    rs_.failFlag = system.failFlag;
    rs_.systemLabel.Set(system.label);
    rs_.resultBuffer.Clear();
    rs_.runStatus = RunStatus::kErr;
    if (system.connect && !system.timedOut) {
      if (system.answered) {
        ApplyOutcome(system);
      } else {
        rs_.failFlag = true;
      }
    }
    bool ok = !system.timedOut && !rs_.failFlag && rs_.runStatus == RunStatus::kOk;
    if (ok && rs_.foundFlag) {
      ++rs_.processedCount;
    } else {
      ++rs_.failedCount;
    }
    const char* state = system.timedOut ? "Timeout"
                        : !ok           ? "Rfc Failure"
                        : rs_.foundFlag ? "Processed"
                                        : "Not Found";
    if (report_) Record(system, ok);
    if (rs_.verbose) {
      rs_.headerLine.Set(system.progress);
      rs_.host->WriteOut("\n" + rs_.headerLine.str() + " State=" + state + "\n");
    }
  }

  RunState& rs_;
  Deadline deadline_;
  WorkerPool pool_;
  std::deque<ListingEntry> window_;
  const bool report_ = WantsReport(rs_);
  // What a monitor's dialect renders, system by system in listing order.
  ListingResult result_;
};

std::string ListingSummary(const RunState& rs) {
  return "(***) " + rs.itemName.str() + ": NoSystems=" + std::to_string(rs.systemCount) +
         ", Processed=" + std::to_string(rs.processedCount) +
         ", Failed=" + std::to_string(rs.failedCount);
}

}  // namespace

int RunListing(RunState& rs) {
  // Loaded before anything is written, so that a missing library's error
  // document is the whole output.
  RequireRfcBackend(rs);

  if (WantsReport(rs)) {
    // The listing's file; the listing reads other profiles under that name.
    const std::string subject = ReportSubject(rs);
    Listing listing(rs);
    listing.Run();
    ListingResult result = listing.TakeResult();
    result.summary = ListingSummary(rs);
    CheckReport report = CheckReport::Listing(rs.client.str(), std::move(result));
    // Who an error of the delivery itself (OUT=) is about.
    report.system = subject;
    return FinishWithReport(rs, report);
  }

  const std::string header = HeaderLine(rs);
  if (rs.verbose) rs.host->WriteOut(header + "\n");
  std::string start_time = header.substr(2, 8);
  std::string raw = ColonsAsBlanks(rs.params.raw.view());
  std::size_t at = raw.find(" @");
  if (at != std::string::npos) raw.resize(at);
  // The typed copy, as shown, changes; the run's limits do not.
  Parameters display = ParseParameters(rs.params.upper.view(), raw);
  display.jobs = rs.params.jobs;
  display.timeoutSeconds = rs.params.timeoutSeconds;
  rs.params = display;
  if (rs.verbose) PrintProgressLine(rs, "* " + start_time + " " + raw, " State=Executing");

  OpenDocument(rs);
  rs.host->WriteOut(rs.resultBuffer.str() + "\n");
  rs.resultBuffer.Clear();

  Listing(rs).Run();

  // The last system's failure text stays in front of the summary. It holds
  // the library's exception name, which must not break the document either.
  std::string stray = rs.resultBuffer.str();
  rs.resultBuffer.Clear();
  AppendDocumentText(rs, stray);
  // A failure text is no line yet; a check listing ends its own last line.
  if (stray.empty() || stray.back() != '\n') rs.resultBuffer.Append("\n");
  OpenText(rs);
  AppendDocumentText(rs, ListingSummary(rs));
  CloseText(rs);
  CloseDocument(rs);
  rs.host->WriteOut(rs.resultBuffer.str() + "\n");
  rs.resultBuffer.Clear();

  if (rs.verbose) PrintProcessedLine(rs);
  return 0;
}

}  // namespace tolvaran
