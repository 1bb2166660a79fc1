// The OpenMetrics 1.0 text exposition, as Prometheus scrapes it or the
// node exporter's textfile collector reads it from a *.prom file:
//
//   # TYPE tolvaran_up gauge
//   # HELP tolvaran_up ...
//   tolvaran_up{system="PRD"} 1
//   # TYPE tolvaran_active_users gauge
//   ...
//   tolvaran_active_users{system="PRD",client="100"} 3
//   ...
//   # EOF
#ifndef TOLVARAN_OUTPUT_OPENMETRICS_H_
#define TOLVARAN_OUTPUT_OPENMETRICS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "output/check_report.h"

namespace tolvaran {

// `text` as an OpenMetrics label value, quotes included: "\" as "\\",
// '"' as '\"', a line feed as "\n"; bytes that are not UTF-8 taken as
// Windows-1252 as in the XML dialects.
std::string LabelValue(std::string_view text);

// A value in the base unit OpenMetrics wants: a percentage as a ratio,
// milliseconds and minutes as seconds.
std::string BaseUnitValue(const ValueDefinition& definition, std::int64_t value);

// The exposition for `report`; the exit status is always 0.
//
// Every system checked gets `tolvaran_up{system}`: 1 when its counts were
// had, with a gauge per value of the measurement (its metric name) labelled system and,
// with CLIENT=, client (values that share a family told apart by their
// label, `type="dialog"`; `# UNIT` where the base unit has a name); 0 when not, with
// `tolvaran_error_info{system,code}` 1 (an info metric) saying which error
// it was, and no other sample. A listing has one label set per system of
// ShownSystems, `system` their name; a single run's and an error's
// `system` is the report's. Families without samples are left out.
RenderedOutput RenderOpenMetrics(const CheckReport& report);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_OPENMETRICS_H_
