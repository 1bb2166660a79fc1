#include "driver/listed_check.h"

#include "driver/check_outcome.h"
#include "driver/server_fanout.h"
#include "output/measurement_document.h"

namespace tolvaran {

Judgement Judge(const ListedCheck& system, const Measurement& measurement, const ValueRef& item,
                bool checkListing) {
  Judgement j;
  bool failed = system.profileFailed;
  bool succeeded = false;  // the last query the check made succeeded
  bool found = false;      // the item is one of the measurement's values
  if (system.connect && !system.timedOut) {
    if (!system.answered) {
      failed = true;
    } else {
      j.outcomeShown = true;
      const SystemOutcome& o = system.outcome;
      if (!o.opened) failed = true;
      if (o.cpuDone && !o.cpu.aborted) {
        succeeded = o.cpu.outcome == kOutcomeOk;
        j.textBeforeSummary += OutcomeText(o.cpu, RunKind::kListing);
        if (!succeeded) failed = true;
      }
      // SERVERS=ALL: a system without counts fails with the single run's
      // text for it.
      if (o.fannedOut && !o.systemFailure.empty() && !failed) {
        j.textBeforeSummary = o.systemFailure;
        failed = true;
      }
      // A measurement asked of every server over the one connection needs
      // the server list.
      if (!o.fannedOut && o.serverListDone && o.serverList.outcome != kOutcomeOk && !failed) {
        j.textBeforeSummary = ServerListFailure(system.destination, o.serverList);
        failed = true;
      }
      // A check that ended inside the user list's reading counted only the
      // rows before the failure: the system has failed and gets no channel.
      if (o.usageDone && !o.aborted && !failed) {
        succeeded = o.usage.outcome == kOutcomeOk;
        if (succeeded) {
          if (checkListing) {
            // A system checked is processed: its listing goes out under
            // its label as the system is done.
            j.checkListing = measurement.CheckListing(o.reading);
            found = true;
          } else {
            found = ItemChannel(item, o.reading, system.label, &j.channel);
            j.hasChannel = found;
            // Servers left out: counted over the instances (the user
            // list), or named by the measurement itself.
            j.partial = o.fannedOut ? o.instancesCounted < o.instancesTotal : o.reading.partial;
            j.channel.warning = j.partial;
          }
        } else {
          // A failure the measurement knows (a missing authorization) is
          // named by it.
          const std::string known = measurement.FailureText(o.usage);
          j.textBeforeSummary += known.empty() ? OutcomeText(o.usage, RunKind::kListing) : known;
          failed = true;
        }
      }
      // A library abort ends this system's check only.
      if (o.aborted) failed = true;
    }
  }
  const bool ok = !system.timedOut && !failed && succeeded;
  j.counted = ok;
  j.processed = ok && found;
  j.partial = j.partial && j.processed;
  j.state = system.timedOut ? "Timeout" : !ok ? "Rfc Failure" : found ? "Processed" : "Not Found";
  return j;
}

}  // namespace tolvaran
