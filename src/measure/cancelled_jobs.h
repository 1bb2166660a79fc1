// Background jobs cancelled in a window (SM37), from table TBTCO read
// through RFC_READ_TABLE.
//
// TBTCO is the job overview; STATUS 'A' is "cancelled" (aborted): the
// status values are the constants btc_running 'R', btc_ready 'Y',
// btc_scheduled 'P', btc_released 'S', btc_aborted 'A', btc_finished 'F',
// btc_put_active 'Z', btc_unknown_state 'X' (quoted from SAP's include
// in check_sap_health's BackgroundjobSubsystem.pm). A job is in the window
// by its ENDDATE (DATS 8) and ENDTIME (TIMS 6), the system's local time;
// JOBNAME is C32.
#ifndef TOLVARAN_MEASURE_CANCELLED_JOBS_H_
#define TOLVARAN_MEASURE_CANCELLED_JOBS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvaran {

struct CancelledJobSummary {
  // How many of the newest names the text names.
  static constexpr std::size_t kNamed = 3;

  std::uint32_t jobs = 0;

  // One row: JOBNAME, ENDDATE and ENDTIME.
  void Add(std::string_view jobName, std::string_view endDate, std::string_view endTime);
  // The newest names, newest first (a later end first; of jobs that ended
  // in the same second, the first by name), at most kNamed.
  std::vector<std::string> Newest() const;

 private:
  struct Ended {
    std::string stamp;  // ENDDATE and ENDTIME: compares in time order
    std::string name;
  };
  std::vector<Ended> newest_;
};

class Measurement;
// MEASURE=JOBS.
const Measurement& CancelledJobsMeasurement();

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_CANCELLED_JOBS_H_
