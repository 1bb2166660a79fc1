// Opening an RFC connection to the system of the current profile.
#ifndef TOLVARAN_RFC_CONNECTION_H_
#define TOLVARAN_RFC_CONNECTION_H_

#include "driver/run_state.h"

namespace tolvaran {

// Returns the connection handle, 0 when no connection was opened.
RfcHandle OpenConnection(RunState& rs);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_CONNECTION_H_
