// System profile files: the keyed lines that describe one SAP system.
#ifndef TOLVARAN_DRIVER_SYSTEM_PROFILE_H_
#define TOLVARAN_DRIVER_SYSTEM_PROFILE_H_

#include <string>
#include <string_view>

#include "driver/run_state.h"

namespace tolvaran {

// Single run: reads the profile left open by the location step into
// rs.profile and checks it. Every fault ends the run through the error exit.
void ReadProfile(RunState& rs);

// Listing: reads `bytes` (a profile file's contents) into rs.profile and
// checks it; a fault sets rs.failFlag and the reading goes on.
void ReadListedProfile(RunState& rs, const std::string& bytes);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_SYSTEM_PROFILE_H_
