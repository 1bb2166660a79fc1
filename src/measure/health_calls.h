// What the health measurements share: the system's clock, RFC_READ_TABLE
// calls and their rows, and the texts of their failures.
#ifndef TOLVARAN_MEASURE_HEALTH_CALLS_H_
#define TOLVARAN_MEASURE_HEALTH_CALLS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "measure/measurement.h"
#include "measure/read_table.h"
#include "measure/sap_clock.h"

namespace tolvaran {

// The system's own date and time: BDL_GET_CENTRAL_TIMESTAMP, whose exports
// TAG (DATS) and UHRZEIT (TIMS) are the system's local date and time (a
// cloud monitor reads them so to place its windows: Azure/
// AzureMonitorForSAPSolutions, rfcclient.py, _rfcGetSystemTime and
// _parseSystemTimeResult). It has no imports and no table.
TableCall ClockCall();

// Reads the clock call's one row of exports.
class ClockSink final : public RowSink {
 public:
  void Text(std::size_t field, std::string_view bytes) override;
  void Integer(std::size_t, std::int64_t) override {}
  void EndRow() override;
  std::optional<SapInstant> now;

 private:
  std::string date_, time_;
};

// An RFC_READ_TABLE call (see measure/read_table.h) of `table` for the
// fields `fields`, with the WHERE clause `where`: FIELDS is sent and comes
// back as table 0, DATA as table 1.
TableCall ReadTableCall(std::string_view table, const WhereClause& where,
                        const std::vector<std::string>& fields);

// A reduction of RFC_READ_TABLE's answer: the FIELDS rows make the layout,
// each DATA row is handed to Row() with it.
class ReadTableReduction : public Reduction {
 public:
  void StartTable(std::size_t table) override { table_ = table; }
  void StartCall(std::size_t call) override;
  void Text(std::size_t field, std::string_view bytes) override;
  void Integer(std::size_t, std::int64_t) override {}
  void EndRow() override;

 protected:
  virtual void Row(const FieldLayout& layout, std::string_view data) = 0;
  // The call (of the measurement's) that RFC_READ_TABLE's rows come from;
  // the rows of earlier calls (the clock's) are not table rows.
  std::size_t tableCall_ = 0;
  std::size_t call_ = 0;

 private:
  std::size_t table_ = 0;
  FieldLayout layout_;
  std::string name_, offset_, length_, data_;
};

// The failure of a call that read `table` through RFC_READ_TABLE, as the
// administrator needs to hear it: NOT_AUTHORIZED names the authorization
// object (S_TABU_NAM, activity 03, the table), TABLE_NOT_AVAILABLE the
// table; empty for every other failure.
std::string ReadTableFailure(const QueryResult& result, std::string_view table);

// A value's integer as a whole number of `decimals` places: "1.25".
std::string DecimalText(std::int64_t value, int decimals);

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_HEALTH_CALLS_H_
