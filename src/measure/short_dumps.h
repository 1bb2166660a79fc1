// ABAP short dumps (ST22) of a window, from table SNAP read through
// RFC_READ_TABLE.
//
// SNAP holds a dump as several rows that share DATUM, UZEIT, AHOST, UNAME,
// MANDT and MODNO and differ in SEQNO; the first, SEQNO '000', carries the
// dump's header, so counting rows with SEQNO = '000' counts dumps (the
// selection check_sap_health makes, SNAP.pm). Fields read: DATUM (DATS 8),
// UZEIT (TIMS 6), both the system's local time, and FLIST (C200), the
// header's list of entries. FLIST is a run of entries, each a two-letter
// id, a three-digit length and that many characters; the entry "FC" is the
// runtime error's name (check_sap_health reads the name from position 5 up
// to the next entry, "AP"; we read the length the entry gives, and fall
// back to the text up to "AP0" where the length is not digits).
// /SDF/GET_DUMP_LOG would answer the same, but it comes with the ST-PI
// add-on, which not every system has.
#ifndef TOLVARAN_MEASURE_SHORT_DUMPS_H_
#define TOLVARAN_MEASURE_SHORT_DUMPS_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace tolvaran {

// The runtime error's name in a dump's FLIST; empty when there is none.
std::string RuntimeErrorName(std::string_view flist);

struct ShortDumpSummary {
  std::uint32_t dumps = 0;
  std::map<std::string, std::uint32_t> byError;

  void Add(std::string_view flist);
  // The most frequent runtime error and its count; of equally frequent
  // ones the first by name, so that the text does not change from run to
  // run for the same rows. Empty and 0 without dumps.
  std::string TopError() const;
  std::uint32_t TopCount() const;
};

class Measurement;
// MEASURE=DUMPS.
const Measurement& ShortDumpsMeasurement();

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_SHORT_DUMPS_H_
