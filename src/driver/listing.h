// The system listing: one value of every listed system, streamed as
// channels, with a closing summary.
#ifndef TOLVARAN_DRIVER_LISTING_H_
#define TOLVARAN_DRIVER_LISTING_H_

#include "driver/global_allocation.h"
#include "driver/invocation.h"
#include "driver/profile_location.h"
#include "platform/host.h"
#include "platform/worker_scheduler.h"

namespace tolvaran {

// Walks the plan's listing, the profiles read from the source's directory,
// each system checked in a worker `runner` starts, and returns the exit
// status.
int RunListing(Host& host, const Invocation& inv, const ProfileSource& source,
               const ListingPlan& plan, WorkerRunner& runner);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_LISTING_H_
