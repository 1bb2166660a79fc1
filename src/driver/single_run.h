// The single-system run: one connection, one result document.
#ifndef TOLVARAN_DRIVER_SINGLE_RUN_H_
#define TOLVARAN_DRIVER_SINGLE_RUN_H_

#include <string_view>

#include "driver/invocation.h"
#include "driver/report_settings.h"
#include "platform/host.h"
#include "profile/system_profile.h"
#include "rfc/backend.h"

namespace tolvaran {

// Checks the system of `profile` (read from the profile `profileName`) and
// returns the exit status; the document, or with FORMAT= the `report`'s
// dialect, goes to standard output.
int RunSingleSystem(Host& host, const Invocation& inv, const ReportSettings& report,
                    std::string_view profileName, SystemProfile& profile, RfcBackend& backend);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_SINGLE_RUN_H_
