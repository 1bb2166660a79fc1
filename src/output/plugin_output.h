// The monitoring-plugin line, as the monitoring-plugins developer
// guidelines define it and Icinga, Naemon, Checkmk and Nagios read it:
//
//   TOLVARAN <STATE> - <text> | 'label'=value;warn;crit;min; ...
//
// one line, the state OK / WARNING / CRITICAL / UNKNOWN also the exit
// status 0 / 1 / 2 / 3.
#ifndef TOLVARAN_OUTPUT_PLUGIN_OUTPUT_H_
#define TOLVARAN_OUTPUT_PLUGIN_OUTPUT_H_

#include <optional>
#include <string>
#include <string_view>

#include "output/check_report.h"
#include "output/threshold_range.h"

namespace tolvaran {

enum class PluginState { kOk = 0, kWarning = 1, kCritical = 2, kUnknown = 3 };

const char* PluginStateName(PluginState state);

// WARN= and CRIT=, parsed (ParseThresholdRange); either may be absent.
struct PluginThresholds {
  std::optional<ThresholdRange> warn;
  std::optional<ThresholdRange> crit;
  // The perfdata label of the value each applies to when WARN= or CRIT=
  // names one ("WARN=Short_Dumps=10"); empty: Active Users.
  std::string warnLabel;
  std::string critLabel;
};

// The state an error ends a run with: a configuration error is UNKNOWN,
// an unreachable system and a passed deadline are CRITICAL.
PluginState ErrorState(ErrorClass errorClass);

// The plugin's line: state, text (made one line without "|") and perfdata
// (each entry after a blank), ended by a line end.
std::string PluginLine(PluginState state, std::string_view text, const std::string& perfdata);

// A perfdata label: in single quotes, a quote in it doubled.
std::string PerfdataLabel(std::string_view label);

// The line for `report`, with its exit status.
//
// A single run: the thresholds apply to Active Users; CRITICAL when CRIT=
// alerts, else WARNING when WARN= alerts, else OK; the text is the summary,
// after the breach when there is one; perfdata for all six values (the
// channel names as labels, min 0, the thresholds on Active Users).
// A listing: one perfdata label per system with a value for the item (the
// names of ShownSystems), the thresholds on each. The state is the worst
// (CRITICAL, WARNING, UNKNOWN, OK in that order) of the breaches, a failed
// system (CRITICAL) and a system without the item (UNKNOWN); the text is
// the summary followed by who breached, failed or lacks the item.
// An error: ErrorState of its class, its message as the text, no perfdata.
//
// The text is one line: control characters become blanks, and "|", which
// would start the perfdata, becomes "/".
RenderedOutput RenderPlugin(const CheckReport& report, const PluginThresholds& thresholds);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_PLUGIN_OUTPUT_H_
