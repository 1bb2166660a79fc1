#include "measure/windowed_measurement.h"

namespace tolvaran {

std::vector<TableCall> WindowedMeasurement::Calls(const MeasureContext& context) const {
  // The query's window is the clock's at the time of the call; shown here
  // for the epoch.
  return {ClockCall(), Query(SapInstant{}, context)};
}

QueryResult WindowedMeasurement::Measure(TableCaller& caller, const MeasureContext& context,
                                         Reduction& reduction, std::vector<KeptRow>*) const {
  // The rows of system-wide tables are the same from every server: they
  // are combined as maxima and never kept.
  ClockSink clock;
  QueryResult result = caller.Call(ClockCall(), clock);
  if (result.aborted || result.outcome != kOutcomeOk) return result;
  if (!clock.now) {
    // A system that answers with no valid time gives no window.
    result.outcome = kOutcomeSysException + 1;  // "Other Failure"
    return result;
  }
  // Reduce() made this reduction: it is a ClockedReduction.
  auto& clocked = static_cast<ClockedReduction&>(reduction);
  clocked.SetNow(*clock.now);
  reduction.StartCall(1);
  return caller.Call(Query(*clock.now, context), reduction);
}

}  // namespace tolvaran
