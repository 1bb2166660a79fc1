// A single run with MEASURE=: the measurements named, over one connection,
// as one document in the run's dialect.
#ifndef TOLVARAN_DRIVER_HEALTH_RUN_H_
#define TOLVARAN_DRIVER_HEALTH_RUN_H_

#include <string>
#include <vector>

#include "driver/invocation.h"
#include "driver/report_settings.h"
#include "measure/measurement.h"
#include "platform/host.h"
#include "profile/system_profile.h"
#include "rfc/backend.h"

namespace tolvaran {

// The measurements MEASURE= names ("WP+DUMPS", "ALL"), in the registry's
// order, each once; false with `bad` the first name that is none.
bool SelectMeasurements(const std::string& measure, std::vector<const Measurement*>* selected,
                        std::string* bad);

// Whether the run takes this path: MEASURE= names another measurement than
// the user list alone, or WARN=/CRIT= name the value they judge. Without
// them the user list's run keeps its documents byte for byte.
bool IsHealthRun(const Invocation& inv, const ReportSettings& report);

// Opens the connection, measures, closes, writes the document; returns the
// exit status. Every failure ends the run as the single run's do.
int RunHealthCheck(Host& host, const Invocation& inv, const ReportSettings& report,
                   SystemProfile& profile, RfcBackend& backend);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_HEALTH_RUN_H_
