// The lock table (SM12), from ENQUEUE_READ.
//
// ENQUEUE_READ (function group SENQ): imports GCLIENT (the client),
// GNAME (the lock object's table, blank for all), GUNAME (the user); table
// ENQ of SEQG3 rows. GUNAME = '*' for every user is what a cloud monitor
// passes (Azure/AzureMonitorForSAPSolutions, rfcclient.py,
// _rfcReadEnqueueLog); GCLIENT = '*' for every client is this program's
// reading of SM12's selection and is NOT CONFIRMED from a public source.
// A lock's time is GTDATE (DATS 8) and GTTIME (TIMS 6), when it was taken,
// in the system's local time (the same monitor reads them so).
#ifndef TOLVARAN_MEASURE_LOCK_ENTRIES_H_
#define TOLVARAN_MEASURE_LOCK_ENTRIES_H_

#include <cstdint>
#include <string_view>

#include "measure/sap_clock.h"

namespace tolvaran {

struct LockSummary {
  std::uint32_t locks = 0;
  // Whole minutes since the oldest lock was taken, by the system's clock;
  // 0 without locks. A lock whose time cannot be read counts, but gives
  // no age.
  std::uint32_t oldestMinutes = 0;

  void Add(std::string_view gtDate, std::string_view gtTime, SapInstant now);
};

class Measurement;
// MEASURE=LOCKS.
const Measurement& LockEntriesMeasurement();

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_LOCK_ENTRIES_H_
