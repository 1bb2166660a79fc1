// The user list (THUSRINFO) reduced to six values: distinct users, sessions
// running a transaction, distinct terminals, sessions, and the external and
// internal modes of all sessions.
#ifndef TOLVARAN_MEASURE_USER_LIST_H_
#define TOLVARAN_MEASURE_USER_LIST_H_

#include <cstddef>

#include "measure/measurement.h"

namespace tolvaran {

// The values' indexes in the user list's definitions.
enum UserListValue : std::size_t {
  kActiveUsers = 0,
  kTranCodes = 1,
  kTerminals = 2,
  kSessions = 3,
  kExternalModes = 4,
  kInternalModes = 5,
};

// The fields each row of USR_TABL is asked for, in this order.
enum UserListField : std::size_t {
  kFieldClient = 0,
  kFieldUser = 1,
  kFieldTransaction = 2,
  kFieldTerminal = 3,
  kFieldExternalModes = 4,
  kFieldInternalModes = 5,
};

const Measurement& UserListMeasurement();

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_USER_LIST_H_
