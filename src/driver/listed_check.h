// One listed system from the reading of its profile to its channel and
// state line, and the judgement of it once its check is over.
#ifndef TOLVARAN_DRIVER_LISTED_CHECK_H_
#define TOLVARAN_DRIVER_LISTED_CHECK_H_

#include <string>
#include <string_view>

#include "driver/system_check.h"
#include "measure/registry.h"
#include "output/result_document.h"
#include "platform/worker_process.h"

namespace tolvaran {

struct ListedCheck {
  bool skipped = false;        // the profile could not be opened: no state line
  bool connect = false;        // the profile is sound: a worker checks the system
  bool profileFailed = false;  // the profile failed its checks
  std::string profileFault;    // the message of that, when it has one
  std::string profile;         // the profile's name as the listing gives it
  std::string workerFault;     // why no worker could be started
  std::string label;           // the name of its channel
  std::string destination;
  std::string progress;  // its progress line, without its state
  WorkerId worker = 0;
  bool done = false;
  bool timedOut = false;
  bool answered = false;  // the worker gave back a whole outcome
  SystemOutcome outcome;
};

// What a finished listed system comes to.
struct Judgement {
  std::string checkListing;           // /CHECK: the system's check listing
  const char* state = "Rfc Failure";  // "Processed", "Not Found", "Timeout"
  bool processed = false;             // counted as processed, else as failed
  // SERVERS=ALL: processed, but some of its instances were not counted
  // (its channel carries a warning).
  bool partial = false;
  bool counted = false;     // the system's counts were had
  bool hasChannel = false;  // the item's value, written at once
  Channel channel;
  // What the system leaves in front of the listing's summary when it is the
  // last: its failure text, or with /CHECK its check listing.
  std::string textBeforeSummary;
  // For the progress lines: the system's outcome was had (the note that a
  // configuration file was used, and the report of an abort, go before its
  // state line).
  bool outcomeShown = false;
};

// Judges a finished system that was not skipped, measured for
// `measurement`: `item` is the value the listing shows, `checkListing` is
// /CHECK.
Judgement Judge(const ListedCheck& system, const Measurement& measurement, const ValueRef& item,
                bool checkListing);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_LISTED_CHECK_H_
