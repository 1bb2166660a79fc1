// The CPU of the application server's host (ST06/OS07), from GET_CPU_ALL.
//
// GET_CPU_ALL's table TF_CPU_ALL has CPU_ALL rows, SAP's published DDIC
// layout that the classic backend already declares (rfc/classic/
// classic_layout.h): TYPE, SUBTYPE, SERIALNR (INT2), NBR_CPU, LOAD1_AVG,
// LOAD5_AVG, LOAD15_AVG, INT_SEC, SYSC_SEC, CS_SEC, USR_TOTAL, SYS_TOTAL,
// IDLE_TOTAL (INT4). The values are those of SAP's operating-system
// collector (saposcol):
// - USR_TOTAL, SYS_TOTAL, IDLE_TOTAL are percent of the host's CPU
//   capacity; busy is 100 - IDLE_TOTAL, as public ABAP monitors compute
//   "CPU usage" from CPU_ALL;
// - LOAD1_AVG, LOAD5_AVG, LOAD15_AVG are the load averages in hundredths
//   (OS07 shows 1.25 for 125): NOT CONFIRMED from a public source; the
//   program divides by 100 and says so in its documentation.
// The first row is the host's total; the program reads it alone.
#ifndef TOLVARAN_MEASURE_HOST_CPU_H_
#define TOLVARAN_MEASURE_HOST_CPU_H_

#include <cstdint>

namespace tolvaran {

struct HostCpu {
  std::int32_t cpus = 0;
  std::int32_t load1 = 0;  // hundredths
  std::int32_t load5 = 0;
  std::int32_t load15 = 0;
  std::int32_t userPercent = 0;
  std::int32_t systemPercent = 0;
  std::int32_t idlePercent = 0;

  // 100 - idle, kept within 0 to 100 (a collector's rounding may give
  // an idle of 101).
  std::int32_t BusyPercent() const;
};

class Measurement;
// MEASURE=CPU.
const Measurement& HostCpuMeasurement();

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_HOST_CPU_H_
