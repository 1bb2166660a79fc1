// Dates and times as an SAP system writes them, and the window a health
// measurement looks at.
//
// A window is always taken from the system's own clock, never the
// monitoring host's: the rows it is compared with (SNAP-DATUM/UZEIT,
// TBTCO-ENDDATE/ENDTIME, ENQ-GTDATE/GTTIME) are written in the system's
// local date and time, and a host in another time zone, or with a clock
// that drifted, would move the window away from them.
#ifndef TOLVARAN_MEASURE_SAP_CLOCK_H_
#define TOLVARAN_MEASURE_SAP_CLOCK_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvaran {

// One point of the system's local time, to the second. Days count from
// 1970-01-01 in the proleptic Gregorian calendar, as ABAP's type D does,
// so that a window across midnight, a month's or a year's end is plain
// arithmetic.
struct SapInstant {
  std::int64_t seconds = 0;  // since 1970-01-01 00:00:00 local

  // "YYYYMMDD" (ABAP type D, DATS) and "HHMMSS" (type T, TIMS); nothing
  // for a text that is not a valid date and time (an initial "00000000").
  static std::optional<SapInstant> Parse(std::string_view dats, std::string_view tims);

  SapInstant MinusMinutes(std::int64_t minutes) const { return {seconds - minutes * 60}; }
  std::string Date() const;  // "YYYYMMDD"
  std::string Time() const;  // "HHMMSS"
  // "YYYY-MM-DD HH:MM:SS", for a text a person reads.
  std::string Readable() const;
};

// Whole minutes from `earlier` to `later`, 0 when `earlier` is not earlier
// (a lock taken a moment after the clock was read).
std::int64_t MinutesBetween(SapInstant earlier, SapInstant later);

// The last `minutes` up to `now`, both ends included.
struct SapWindow {
  SapInstant from;
  SapInstant to;
  static SapWindow Last(SapInstant now, int minutes) { return {now.MinusMinutes(minutes), now}; }
};

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_SAP_CLOCK_H_
