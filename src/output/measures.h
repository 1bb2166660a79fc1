// The six measured values of the system-usage evaluation, in the order of
// the summary text, the channels and the listing, with the names each
// dialect gives them.
#ifndef TOLVARAN_OUTPUT_MEASURES_H_
#define TOLVARAN_OUTPUT_MEASURES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tolvaran {

struct Measure {
  const char* channelName;  // the keyed-text key; the plugin's perfdata label
  const char* displayName;  // the XML channel; ITEM= names a value by it
  const char* metricName;   // the OpenMetrics family
  const char* help;         // its # HELP text
};

constexpr std::size_t kMeasureCount = 6;

constexpr Measure kMeasures[kMeasureCount] = {
    {"Active_Users", "Active User(s)", "tolvaran_active_users", "Distinct users logged on."},
    {"Act_Tran_Codes", "Act Tran-Codes", "tolvaran_transaction_codes",
     "Sessions running a transaction."},
    {"Act_Terminals", "Act Terminals", "tolvaran_terminals", "Distinct terminals logged on."},
    {"No_of_Sessions", "Session(s)", "tolvaran_sessions", "User sessions."},
    {"External_Modi", "External Modi", "tolvaran_external_modes",
     "External modes of all sessions."},
    {"Internal_Modi", "Internal Modi", "tolvaran_internal_modes",
     "Internal modes of all sessions."},
};

// The six values, indexed as kMeasures.
using MeasureValues = std::array<std::uint32_t, kMeasureCount>;

// The index of the value ITEM= names by its display name, exactly as
// written; -1 when it names none of them.
inline int MeasureIndex(std::string_view displayName) {
  for (std::size_t i = 0; i < kMeasureCount; ++i) {
    if (displayName == kMeasures[i].displayName) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_MEASURES_H_
