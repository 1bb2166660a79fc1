// Which monitor's dialect a run renders whole at its end (FORMAT=), and
// the parameters that go with it. Chosen at start-up; a listing takes its
// ranges and file from the parameters it runs with.
#ifndef TOLVARAN_DRIVER_REPORT_SETTINGS_H_
#define TOLVARAN_DRIVER_REPORT_SETTINGS_H_

#include <string>

#include "output/plugin_output.h"

namespace tolvaran {

// kNone: the dialect of the executable's name (the result document).
enum class ReportDialect { kNone, kScriptV2, kPlugin, kOpenMetrics };

struct ReportSettings {
  ReportDialect dialect = ReportDialect::kNone;
  PluginThresholds thresholds;  // WARN=, CRIT= (the plugin line only)
  std::string outFile;          // OUT= (OpenMetrics only); empty: standard output

  bool chosen() const { return dialect != ReportDialect::kNone; }
};

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_REPORT_SETTINGS_H_
