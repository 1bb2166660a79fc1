// The system listing: one value of every listed system, streamed as
// channels, with a closing summary.
#ifndef TOLVARAN_DRIVER_LISTING_H_
#define TOLVARAN_DRIVER_LISTING_H_

#include "driver/run_state.h"

namespace tolvaran {

// Walks rs.serverListing and returns the exit status (0).
int RunListing(RunState& rs);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_LISTING_H_
