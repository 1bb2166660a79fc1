// A system's connection data, from its profile and the run's parameters.
#ifndef TOLVARAN_DRIVER_CONNECTION_REQUEST_H_
#define TOLVARAN_DRIVER_CONNECTION_REQUEST_H_

#include "driver/parameters.h"
#include "profile/system_profile.h"
#include "rfc/backend.h"

namespace tolvaran {

// The connection data of `profile`. A profile without a system number uses
// the one carried over from the profile before it; one with a number
// becomes the one carried over. With ",HOST=" in the parameters the host is
// passed as none, and with ",NO=" the carried-over number is used.
ConnectionRequest ConnectionRequestFor(SystemProfile& profile, const Parameters& params);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_CONNECTION_REQUEST_H_
