// A finished run, described for the dialects that render it whole once it
// is over (Script v2 JSON, the monitoring-plugin line, OpenMetrics): what
// was measured, or which error ended the run, in plain values. The driver
// fills one; output/script_v2.h, output/plugin_output.h and
// output/openmetrics.h turn it into bytes.
#ifndef TOLVARAN_OUTPUT_CHECK_REPORT_H_
#define TOLVARAN_OUTPUT_CHECK_REPORT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "measure/measurement.h"
#include "measure/registry.h"

namespace tolvaran {

// What kind of fault ended a run (or a listed system's check); the plugin
// line and the monitors that act on it treat them differently.
enum class ErrorClass {
  kConfiguration,  // the command line, a profile, the library: nothing was asked of a system
  kUnreachable,    // the system could not be reached or its call failed
  kDeadline,       // TIMEOUT= passed before the system answered
};

struct RunError {
  // The number of the message ("Error 1011: ..." has 1011). A fault
  // without a number of its own (the RFC failure report) carries the
  // number the driver gives it; 0 is written as it is.
  int number = 0;
  // The message as the error document would carry it, before any escaping.
  std::string text;
  ErrorClass errorClass = ErrorClass::kConfiguration;
};

// A listed system's outcome: the listing's "Processed", "Not Found" and
// "Rfc Failure".
enum class SystemState {
  kOk,           // measured, and the item is one of its values
  kNoItemValue,  // measured, but the item names none of its values
  kFailed,       // its profile was unusable, or its connection or a query failed
};

// SERVERS=ALL: how many of the system's application servers were counted.
// A total of 0 is a check over its one connection only.
struct ServerCount {
  std::uint32_t counted = 0;
  std::uint32_t total = 0;
  // Some servers were left out: the counts are the answering ones' only.
  bool partial() const { return counted < total; }
};

struct ListedSystem {
  // The profile name as the listing gives it ("PRD.P00"): what identifies
  // the system from run to run.
  std::string profile;
  // What the listing labels the system with (profile, alias, host or SID).
  std::string label;
  SystemState state = SystemState::kFailed;
  MeasuredValues reading;  // unless kFailed
  ServerCount servers;     // unless kFailed
  RunError error;          // kFailed only
};

struct ListingResult {
  const Measurement* measurement = nullptr;  // what every system was measured for
  std::string itemName;                      // ITEM= as given
  ValueRef item;                             // the value it names; none found when it names none
  std::vector<ListedSystem> systems;         // in listing order
  // The listing's summary, "(***) <item>: NoSystems=..., Processed=..., Failed=...".
  std::string summary;
  // Listed profiles that are missing (no file of that name, or a name no
  // file can have), each once, in listing order: never checked, so neither
  // processed nor failed.
  std::vector<std::string> missing;
};

struct CheckReport {
  enum class Kind { kSingle, kListing, kError };

  Kind kind = Kind::kError;
  // kSingle and kError: the system the run was about (the destination, or
  // what is known of it when the run ended early; may be empty).
  std::string system;
  // kSingle and kListing: CLIENT= (empty: every client).
  std::string client;
  // kSingle: what was measured and its values.
  const Measurement* measurement = nullptr;
  MeasuredValues reading;
  ServerCount servers;    // kSingle
  std::string text;       // kSingle: the summary, "(PRD) System-Usage: Active Users=..."
  ListingResult listing;  // kListing
  RunError error;         // kError

  static CheckReport Single(std::string system, std::string client, const Measurement& measurement,
                            MeasuredValues reading, std::string text);
  static CheckReport Listing(std::string client, ListingResult listing);
  static CheckReport Failure(std::string system, RunError error);
};

// A dialect's rendering of a report: the bytes for standard output (or
// OUT=) and the exit status that goes with them.
struct RenderedOutput {
  std::string bytes;
  int exitStatus = 0;
};

// The systems of a listing that the dialects show, each with a name that
// is unique among them: a profile listed again is the same system and
// only its first entry counts (profile names compared ignoring ASCII case,
// as they name files on Windows). `name` is the label, or, where two
// systems share a label, "label [profile]"; should even that be taken,
// "~2", "~3", ... is added.
struct ShownSystem {
  const ListedSystem* system;
  std::string name;
};
std::vector<ShownSystem> ShownSystems(const ListingResult& listing);

// Appends "; <title> <name>, <name>, ..." to `text`; nothing when `names`
// is empty.
void AppendNames(std::string_view title, const std::vector<std::string>& names, std::string* text);

// What a listing lacks although no check failed: the systems whose values
// cover only some of their servers (`partial`, SERVERS=ALL) and the listed
// profiles that are missing. Names them in `text`; true when there is any,
// for the dialects that have a warning to give it.
bool AppendShortfalls(const ListingResult& listing, const std::vector<std::string>& partial,
                      std::string* text);

// True when the system has a value for the listing's item.
bool HasItemValue(const ListingResult& listing, const ListedSystem& system);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_CHECK_REPORT_H_
