// Global sensor allocation of a listing run: the server listing, the item
// and the label kind, from Dalvenor.Prf or Dalvenor.Gbl.
#ifndef TOLVARAN_DRIVER_GLOBAL_ALLOCATION_H_
#define TOLVARAN_DRIVER_GLOBAL_ALLOCATION_H_

#include "driver/run_state.h"

namespace tolvaran {

// Errors 1024, 10x1, 1029, 1030, 1025 and 1026 end the run.
void AllocateGlobalSensor(RunState& rs);

// A listing checks at most this many systems.
constexpr std::size_t kMaxListedSystems = 10000;

// The number of entries a listing text holds: one per "#"-ended name, and
// one for a name after the last "#".
std::size_t CountListedSystems(std::string_view listing);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_GLOBAL_ALLOCATION_H_
