// The system-usage evaluation: the user list reduced to six measured values,
// written as a document, as one listing channel, or as the check listing.
#ifndef TOLVARAN_OUTPUT_USAGE_EVALUATION_H_
#define TOLVARAN_OUTPUT_USAGE_EVALUATION_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "driver/run_state.h"
#include "output/name_list.h"

namespace tolvaran {

// Row layout of the user list (UINFO), as the library hands rows back.
constexpr unsigned kUinfoRowLength = 92;

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

// Counts user-list rows. Distinct names are kept as sets with a running
// length: a name counts once, and names stop being recorded once the
// recorded names with one separator each exceed 8000 characters.
class UsageCounter {
 public:
  explicit UsageCounter(std::string_view client);
  void AddRow(const unsigned char* row);
  UsageCounts Counts() const;

 private:
  std::string client_;
  UsageCounts counts_;
  NameList users_;
  NameList terminals_;
};

// Fetches and evaluates the user list over `handle`; returns the query's
// outcome (0 success). Sets runStatus to kOk on success, or appends the
// failure text to the result buffer.
int EvaluateSystemUsage(RunState& rs, RfcHandle handle);

// Writes counted values in the mode the run asks for (check, item or
// normal).
void WriteUsage(RunState& rs, const UsageCounts& counts);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_USAGE_EVALUATION_H_
