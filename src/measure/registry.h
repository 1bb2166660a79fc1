// The measurements the program knows, each once. A run looks up what it
// measures here once, by key, and ITEM= by a value's display name.
#ifndef TOLVARAN_MEASURE_REGISTRY_H_
#define TOLVARAN_MEASURE_REGISTRY_H_

#include <cstddef>
#include <string_view>
#include <vector>

#include "measure/measurement.h"

namespace tolvaran {

// Every measurement, in the order documents list them; the user list first.
const std::vector<const Measurement*>& Measurements();

// The measurement with `key` (exactly as written); nullptr when none has it.
const Measurement* FindMeasurement(std::string_view key);

// The user list: what a run measures unless told otherwise.
const Measurement& UserList();

// A value of a measurement, as ITEM= names it.
struct ValueRef {
  const Measurement* measurement = nullptr;  // nullptr: none
  std::size_t index = 0;
  bool found() const { return measurement != nullptr; }
  const ValueDefinition& definition() const { return measurement->Values()[index]; }
};

// The value whose display name is `displayName`, exactly as written, among
// `among`'s (the run's measurements); none found when no value has it.
ValueRef FindValue(const std::vector<const Measurement*>& among, std::string_view displayName);

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_REGISTRY_H_
