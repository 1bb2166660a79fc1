#include "driver/listing.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>

#include "driver/check_outcome.h"
#include "driver/connection_request.h"
#include "driver/failure_report.h"
#include "driver/listed_check.h"
#include "driver/monitor_report.h"
#include "driver/profile_location.h"
#include "driver/progress.h"
#include "driver/run_deadline.h"
#include "driver/server_fanout.h"
#include "driver/system_check.h"
#include "output/measurement_document.h"
#include "output/result_document.h"
#include "platform/worker_scheduler.h"
#include "profile/system_profile.h"
#include "rfc/library_config.h"
#include "text/ascii_text.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

struct ListingTallies {
  std::uint32_t systems = 0;
  std::uint32_t counted = 0;  // systems whose check gave counts
  std::uint32_t processed = 0;
  std::uint32_t failed = 0;
  std::uint32_t partial = 0;  // SERVERS=ALL: processed with instances missing
};

// The name a listed system's channel shows.
std::string SystemLabel(LabelKind kind, std::string_view name, const SystemProfile& profile) {
  FixedText<144> label;
  switch (kind) {
    case LabelKind::kAlias:
      // A name too short to carry an extension is shown whole.
      label.Set(name.size() >= 4 ? name.substr(0, name.size() - 4) : name);
      break;
    case LabelKind::kHost:
      label.Set(profile.hostname.view());
      break;
    case LabelKind::kDestination:
      label.Set(profile.destination.view());
      break;
    case LabelKind::kProfile:
      label.Set(name);
      break;
  }
  return label.str();
}

// The listed systems are the scheduler's jobs, one per listed name in the
// listing's order; the window holds the ones not yet written.
class Listing : public WorkerJobs {
 public:
  Listing(Host& host, const Invocation& inv, const ProfileSource& source, const ListingPlan& plan,
          ResultDocument& document)
      : host_(host),
        inv_(inv),
        source_(source),
        plan_(plan),
        document_(document),
        deadline_(RunDeadline(inv.startMs, plan.params)) {
    result_.itemName = plan.itemName.str();
    // The value ITEM= names, among every measurement's, and so what every
    // listed system is measured for, looked up once; an item that names
    // none is looked for in the user list (each system "Not Found").
    result_.item = FindValue(Measurements(), plan.itemName.view());
    result_.measurement = result_.item.found() ? result_.item.measurement : &UserList();
  }

  void Run(WorkerRunner& runner) {
    RunWorkers(runner, *this, static_cast<std::size_t>(plan_.params.jobs), deadline_);
  }

  bool More() const override { return offset_ < plan_.listing.size(); }

  std::optional<WorkerLaunch> Begin(std::size_t) override { return ReadNext(); }

  // A worker that cannot be started is that system's failure.
  void NotStarted(std::size_t job, const std::string& error) override {
    ListedCheck& system = Job(job);
    system.done = true;
    system.workerFault = error;
  }

  void Finished(std::size_t job, const WorkerResult& result) override {
    ListedCheck& system = Job(job);
    system.done = true;
    system.answered = DecodeOutcome(result.output, *result_.measurement, &system.outcome);
    // A worker ends by itself at the run's deadline (status 3), at the same
    // moment as this wait: it has timed out, not failed.
    if (!system.answered && result.end == WorkerEnd::kExited &&
        (result.code == 3 || deadline_.HasPassed())) {
      system.timedOut = true;
    }
  }

  // At the deadline every system still without an outcome has timed out.
  void KilledAtDeadline(const std::vector<std::size_t>& jobs) override {
    for (std::size_t job : jobs) Job(job).done = Job(job).timedOut = true;
    // A worker ended from outside may have been writing SapRfc.ini.
    if (!jobs.empty()) RemoveLibraryConfigLeftovers(host_);
  }

  // Writes the systems settled so far, in listing order.
  void Settled() override {
    while (!window_.empty() && window_.front().done) {
      Emit(window_.front());
      window_.pop_front();
      ++written_;
    }
  }

  const ListingTallies& tallies() const { return tallies_; }
  // What a monitor's dialect renders, system by system in listing order.
  ListingResult& result() { return result_; }
  // What the last system that was not skipped left before the summary.
  const std::string& textBeforeSummary() const { return textBeforeSummary_; }

 private:
  // Takes the next profile name off the listing into `entry`. False when
  // the name cannot be a profile this program can open (longer than the
  // field).
  bool TakeNextEntry(std::string* entry) {
    const std::string& listing = plan_.listing;
    std::size_t hash = listing.find('#', offset_);
    std::size_t end = hash == std::string::npos ? listing.size() : hash;
    entry->assign(listing, offset_, end - offset_);
    offset_ = hash == std::string::npos ? listing.size() : hash + 1;
    if (entry->size() > decltype(name_)::kCapacity) return false;
    name_.Set(*entry);
    return true;
  }

  ListedCheck& Job(std::size_t job) { return window_[job - written_]; }

  // Reads the next listed profile, exactly as one after the other: its
  // fields carry over to the next one. Returns its worker's launch when it
  // needs one.
  std::optional<WorkerLaunch> ReadNext() {
    ++tallies_.systems;
    ListedCheck system;
    name_.Clear();
    std::string bytes;
    std::string path;
    std::string entry;
    if (TakeNextEntry(&entry)) path = source_.dir.str() + name_.str();
    const bool fits = !path.empty() && path.size() <= decltype(ProfileSource::path)::kCapacity;
    const bool read = fits && host_.ReadFile(path, &bytes);
    if (fits && !read) {
      // A profile that is there but cannot be read is a failed system,
      // labelled by its name: no field of it is known.
      std::string why = host_.ReadFailure(path);
      if (!why.empty()) {
        system.profile = name_.str();
        system.label = SystemLabel(
            plan_.labelKind == LabelKind::kProfile ? LabelKind::kProfile : LabelKind::kAlias,
            name_.view(), profile_);
        system.profileFault = ProfileUnreadableText(name_.view(), why);
        system.profileFailed = system.done = true;
        window_.push_back(std::move(system));
        return std::nullopt;
      }
    }
    if (!read) {
      system.profile = entry;
      system.skipped = system.done = true;
      window_.push_back(std::move(system));
      return std::nullopt;
    }
    system.profile = name_.str();
    system.profileFault = ReadListedProfile(inv_.keyTable, name_.view(), bytes, &profile_);
    const bool sound = system.profileFault.empty();
    system.label = SystemLabel(plan_.labelKind, name_.view(), profile_);
    system.destination = profile_.destination.str();
    system.profileFailed = !sound;
    if (inv_.verbose)
      system.progress = SystemProgressLine(host_.TimeOfDay(), name_.view(), profile_);

    // A profile that failed its checks may hold the previous system's
    // password: it is never sent to this system's host.
    system.connect = sound;
    std::optional<WorkerLaunch> launch;
    if (!system.connect) {
      system.done = true;
    } else if (deadline_.HasPassed()) {
      system.done = system.timedOut = true;
    } else {
      SystemTask task;
      task.request = ConnectionRequestFor(profile_, plan_.params);
      task.client = plan_.params.client;
      task.windowMinutes = plan_.params.windowMinutes;
      // SERVERS=ALL: the worker counts the user list over the system's
      // instances; another measurement asks every server over its one
      // connection, as the single run does.
      task.measurement = result_.measurement;
      const bool fanOut = plan_.params.allServers && result_.measurement == &UserList();
      task.serverList = plan_.params.allServers;
      task.keepRows = fanOut && KeepsRows(*result_.measurement);
      task.fanOutJobs = fanOut ? plan_.params.jobs : 0;
      task.remainingMs = deadline_.RemainingMs();
      // The launch's input is the only copy left: the scheduler wipes it
      // once the worker has it.
      WipeOnExit wipe(&task.request.password, &profile_.password);
      launch.emplace();
      launch->executable = host_.ExecutablePath();
      launch->arguments = {kWorkerFlag};
      launch->input = EncodeTask(task);
    }
    window_.push_back(std::move(system));
    return launch;
  }

  // Writes one system's channel and state line, in listing order.
  void Emit(const ListedCheck& system) {
    if (system.skipped) {
      NoteMissing(system.profile);
      return;
    }
    // A monitor's dialect is rendered from the counts: no check listing then.
    Judgement j = Judge(system, *result_.measurement, result_.item,
                        plan_.params.check && !plan_.report.chosen());
    textBeforeSummary_ = j.textBeforeSummary;
    if (j.counted) ++tallies_.counted;
    if (j.processed) {
      ++tallies_.processed;
      if (j.partial) ++tallies_.partial;
    } else {
      ++tallies_.failed;
    }
    const SystemOutcome& o = system.outcome;
    if (inv_.verbose && j.outcomeShown && o.configNote) {
      host_.WriteOut(ConfigFileNote(system.destination));
    }
    // A monitor's dialect is rendered whole at the end.
    if (plan_.report.chosen()) {
      Record(system, j);
    } else if (j.hasChannel) {
      host_.WriteOut(document_.AddChannel(j.channel));
    } else if (!j.checkListing.empty()) {
      host_.WriteOut(DocumentText(inv_.dialect,
                                  " * System.........: " + system.label + "\n" + j.checkListing));
    }
    // A person watching sees an abort's report among the system's progress
    // lines.
    if (inv_.verbose && j.outcomeShown && o.aborted) host_.WriteOut(FailureReportText(o.report));
    if (inv_.verbose) host_.WriteOut(StateLine(system.progress, j.state));
  }

  // Why a system that was read has no value, for a monitor's dialect.
  RunError Fault(const ListedCheck& system) const {
    if (system.timedOut) {
      return ErrorOfMessage(
          TimeoutMessage(system.destination.empty() ? system.label : system.destination,
                         plan_.params.timeoutSeconds));
    }
    if (system.profileFailed) return ErrorOfMessage(system.profileFault);
    if (!system.answered) {
      return ErrorOfMessage("Error 1015: Other Failure raised ! - " +
                            (system.workerFault.empty()
                                 ? std::string("the check ended without an answer")
                                 : "the check could not be started: " + system.workerFault));
    }
    const SystemOutcome& o = system.outcome;
    if (o.aborted) return ErrorOfFailureReport(o.report);
    if (o.fannedOut && !o.systemFailure.empty()) return ErrorOfMessage(o.systemFailure);
    if (!o.fannedOut && o.serverListDone && o.serverList.outcome != kOutcomeOk) {
      return ErrorOfMessage(ServerListFailure(system.destination, o.serverList));
    }
    if (!o.opened) {
      return ErrorOfMessage(OpenFailureText(system.destination));
    }
    const QueryResult& failed = o.cpuDone && o.cpu.outcome != kOutcomeOk ? o.cpu : o.usage;
    const std::string known = &failed == &o.usage ? result_.measurement->FailureText(failed) : "";
    return ErrorOfMessage(known.empty() ? OutcomeText(failed, RunKind::kSingle) : known);
  }

  // A missing profile has no state line; a monitor's dialect names it once
  // (profile names compared ignoring ASCII case, as in ShownSystems).
  void NoteMissing(const std::string& profile) {
    if (!missingSeen_.insert(AsciiUpper(profile)).second) return;
    result_.missing.push_back(profile.empty() ? "\"\"" : profile);
  }

  void Record(const ListedCheck& system, const Judgement& j) {
    ListedSystem listed;
    listed.profile = system.profile;
    listed.label = system.label;
    if (j.counted) {
      listed.state = result_.item.found() ? SystemState::kOk : SystemState::kNoItemValue;
      listed.reading = system.outcome.reading;
      if (system.outcome.fannedOut) {
        listed.servers = {system.outcome.instancesCounted, system.outcome.instancesTotal};
      }
    } else {
      listed.state = SystemState::kFailed;
      listed.error = Fault(system);
    }
    result_.systems.push_back(std::move(listed));
  }

  Host& host_;
  const Invocation& inv_;
  const ProfileSource& source_;
  const ListingPlan& plan_;
  ResultDocument& document_;
  Deadline deadline_;
  std::size_t offset_ = 0;  // where the next name of the listing starts
  FixedText<64> name_;      // the listed profile being read
  SystemProfile profile_;   // carried from one listed profile to the next
  ListingTallies tallies_;
  std::string textBeforeSummary_;
  std::deque<ListedCheck> window_;
  std::size_t written_ = 0;  // the jobs written and taken off the window
  ListingResult result_;
  std::set<std::string> missingSeen_;  // upper-cased names in result_.missing
};

std::string ListingSummary(const ListingPlan& plan, const ListingTallies& t) {
  return "(***) " + plan.itemName.str() + ": NoSystems=" + std::to_string(t.systems) +
         ", Processed=" + std::to_string(t.processed) + ", Failed=" + std::to_string(t.failed) +
         (plan.params.allServers ? ", Partial=" + std::to_string(t.partial) : "");
}

// A listing in which no listed system gave counts (every profile missing,
// unreadable or failed) checked nothing: it is an error, never a success.
std::string NothingCheckedText(const std::string& summary) {
  return "Error 1032: No listed system could be checked ! - " + summary;
}

}  // namespace

int RunListing(Host& host, const Invocation& inv, const ProfileSource& source,
               const ListingPlan& plan, WorkerRunner& runner) {
  ResultDocument document(inv.dialect, {plan.params.hasChannel, plan.params.displayChannel},
                          ResultDocument::Layout::kListing);
  Listing listing(host, inv, source, plan, document);

  if (plan.report.chosen()) {
    const std::string subject = ReportSubject(inv.args, source.name.view(), "");
    listing.Run(runner);
    ListingResult result = std::move(listing.result());
    result.summary = ListingSummary(plan, listing.tallies());
    if (listing.tallies().counted == 0) {
      return FinishWithReport(
          host, plan.report,
          CheckReport::Failure(subject, ErrorOfMessage(NothingCheckedText(result.summary))));
    }
    CheckReport report = CheckReport::Listing(plan.params.client, std::move(result));
    // Who an error of the delivery itself (OUT=) is about: the listing's file.
    report.system = subject;
    return FinishWithReport(host, plan.report, report);
  }

  if (inv.verbose) {
    host.WriteOut(inv.headerLine.str() + "\n");
    const std::string start_time = inv.headerLine.str().substr(2, 8);
    host.WriteOut(
        ProgressLine("* " + start_time + " " + DisplayText(plan.params), " State=Executing"));
  }
  host.WriteOut(document.Opening());
  listing.Run(runner);

  // The last system's failure text stays in front of the summary. It holds
  // the library's exception name, which must not break the document either.
  document.SetLeadingText(listing.textBeforeSummary());
  const bool nothingChecked = listing.tallies().counted == 0;
  const std::string summary = ListingSummary(plan, listing.tallies());
  if (nothingChecked) document.MarkError();
  document.SetText(nothingChecked ? NothingCheckedText(summary) : summary);
  host.WriteOut(document.Closing());

  if (inv.verbose) host.WriteOut(ProcessedLine(host));
  return nothingChecked ? 2 : 0;
}

}  // namespace tolvaran
