// Profile location and output dialect: completes the profile name, settles
// the dialect and the profile directory, and opens the profile.
#ifndef TOLVARAN_DRIVER_PROFILE_LOCATION_H_
#define TOLVARAN_DRIVER_PROFILE_LOCATION_H_

#include <string_view>

#include "driver/run_state.h"

namespace tolvaran {

// The dialect an executable's name designates: its file name without
// directory and extension ending in Mirvane, Quillrax, Tembrel or Fandrok
// (any case); otherwise EXEXML.
OutputFlavour FlavourFromProgramName(std::string_view path);

// Leaves the profile open in rs (profileBytes) or ends with error 1002.
void LocateProfile(RunState& rs);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_PROFILE_LOCATION_H_
