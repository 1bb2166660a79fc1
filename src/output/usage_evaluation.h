// The system-usage evaluation: the user list reduced to six measured values,
// made into a document, one listing channel, or the check listing.
#ifndef TOLVARAN_OUTPUT_USAGE_EVALUATION_H_
#define TOLVARAN_OUTPUT_USAGE_EVALUATION_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "output/measures.h"
#include "measure/name_list.h"
#include "output/result_document.h"
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

// The summary of one system's counts: "(PRD) System-Usage: Active
// Users=6, ...", with a counted client "(PRD) Sys-Usage Client[100]: ...",
// a count that stopped at the name lists' limit as "Active Users now >= 728".
std::string UsageSummary(const UsageCounts& counts, std::string_view label,
                         std::string_view client);

// The usage document of one system: the summary text for `label` (the
// destination, or with SERVERS=ALL the destination and its servers; with
// the counted `client`, when one is), then the six values, each marked as
// a warning when `warning` is set.
ResultDocument UsageDocument(const UsageCounts& counts, std::string_view label,
                             std::string_view client, OutputFlavour dialect,
                             ChannelSelector selector, bool warning = false);

// The plain check listing that /CHECK asks for instead of a document.
std::string CheckListingText(const UsageCounts& counts);

// The listing's channel for one system: `item`'s value, shown as `label`.
// False, with `channel` untouched, when `item` is none of the six values.
bool ItemChannel(const UsageCounts& counts, std::string_view item, std::string_view label,
                 Channel* channel);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_USAGE_EVALUATION_H_
