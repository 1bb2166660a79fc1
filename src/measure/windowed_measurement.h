// A measurement that reads the system's clock first and then makes one
// call that depends on it (a window of events, the age of locks).
#ifndef TOLVARAN_MEASURE_WINDOWED_MEASUREMENT_H_
#define TOLVARAN_MEASURE_WINDOWED_MEASUREMENT_H_

#include <memory>
#include <vector>

#include "measure/health_calls.h"

namespace tolvaran {

// The reduction of such a measurement: told the system's time before the
// second call's rows arrive.
class ClockedReduction : public ReadTableReduction {
 public:
  ClockedReduction() { tableCall_ = 1; }
  void SetNow(SapInstant now) { now_ = now; }

 protected:
  SapInstant now_;
};

class WindowedMeasurement : public Measurement {
 public:
  // Call 0 is the clock; call 1 the query for `now`.
  std::vector<TableCall> Calls(const MeasureContext& context) const override;
  QueryResult Measure(TableCaller& caller, const MeasureContext& context, Reduction& reduction,
                      std::vector<KeptRow>* kept) const override;

 protected:
  virtual TableCall Query(SapInstant now, const MeasureContext& context) const = 0;
};

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_WINDOWED_MEASUREMENT_H_
