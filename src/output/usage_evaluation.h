// The system-usage evaluation: the user list reduced to six measured values,
// written as a document, as one listing channel, or as the check listing.
#ifndef TOLVARAN_OUTPUT_USAGE_EVALUATION_H_
#define TOLVARAN_OUTPUT_USAGE_EVALUATION_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "driver/run_state.h"
#include "output/measures.h"
#include "output/name_list.h"
#include "rfc/backend.h"

namespace tolvaran {

struct UsageCounts {
  std::uint32_t activeUsers = 0;
  std::uint32_t tranCodes = 0;
  std::uint32_t terminals = 0;
  std::uint32_t sessions = 0;
  std::uint32_t externalModes = 0;
  std::uint32_t internalModes = 0;
  bool usersAtLeast = false;      // the user names outgrew 8000 characters
  bool terminalsAtLeast = false;  // likewise the terminal names
};

// The counts in the order of kMeasures.
MeasureValues ValuesInOrder(const UsageCounts& counts);

// Counts the sessions of a user list. Distinct names are kept as sets with a running
// length: a name counts once, and names stop being recorded once the
// recorded names with one separator each exceed 8000 characters.
class UsageCounter final : public SessionSink {
 public:
  explicit UsageCounter(std::string_view client);
  void Add(const Session& session) override;
  UsageCounts Counts() const;

 private:
  std::string client_;
  UsageCounts counts_;
  NameList<sizeof(Session::bname)> users_;
  NameList<sizeof(Session::term)> terminals_;
};

// Fetches the user list over `connection` and counts it for `client`
// (empty: every client); the counts are valid when the outcome is 0.
QueryResult CountSessions(RfcBackend& backend, ConnectionId connection, std::string_view client,
                          UsageCounts* counts);

// The summary of a single run's counts: "(PRD) System-Usage: Active
// Users=6, ...", with CLIENT= "(PRD) Sys-Usage Client[100]: ...", a count
// that stopped at the name lists' limit as "Active Users now >= 728".
std::string UsageSummary(const RunState& rs, const UsageCounts& counts);

// Writes counted values into the result buffer in the mode the run asks
// for: the check listing, the item's channel (a listing), or the document.
void WriteUsage(RunState& rs, const UsageCounts& counts);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_USAGE_EVALUATION_H_
