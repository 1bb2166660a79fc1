// The threshold ranges of the monitoring-plugin guidelines, as WARN= and
// CRIT= give them: "10" (alert outside 0..10), "10:" (below 10), "~:10"
// (above 10), "10:20" (outside 10..20), "@10:20" (inside 10..20, ends
// included).
#ifndef TOLVARAN_OUTPUT_THRESHOLD_RANGE_H_
#define TOLVARAN_OUTPUT_THRESHOLD_RANGE_H_

#include <optional>
#include <string>
#include <string_view>

namespace tolvaran {

struct ThresholdRange {
  bool fromMinusInfinity = false;  // "~" as the start
  double start = 0;
  bool toInfinity = false;  // no end after the ":"
  double end = 0;
  bool inside = false;  // "@": alert inside the range instead of outside
  std::string text;     // as given, for the perfdata
};

// Parses `text`, the value of the parameter `key` ("WARN", "CRIT"). On a
// text that is no range: nullopt, and `error` says so in a sentence that
// names the parameter and what is wrong.
std::optional<ThresholdRange> ParseThresholdRange(std::string_view key, std::string_view text,
                                                  std::string* error);

// True when `value` raises the alert the range stands for.
bool RangeAlerts(const ThresholdRange& range, double value);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_THRESHOLD_RANGE_H_
