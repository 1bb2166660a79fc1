#include "measure/registry.h"

#include "measure/cancelled_jobs.h"
#include "measure/host_cpu.h"
#include "measure/lock_entries.h"
#include "measure/logon_time.h"
#include "measure/short_dumps.h"
#include "measure/update_errors.h"
#include "measure/user_list.h"
#include "measure/work_processes.h"

namespace tolvaran {

const std::vector<const Measurement*>& Measurements() {
  // A new measurement is one more entry here.
  static const std::vector<const Measurement*> all = {
      &UserListMeasurement(),      &WorkProcessesMeasurement(), &ShortDumpsMeasurement(),
      &CancelledJobsMeasurement(), &UpdateErrorsMeasurement(),  &LockEntriesMeasurement(),
      &HostCpuMeasurement(),       &LogonTimeMeasurement(),
  };
  return all;
}

const Measurement* FindMeasurement(std::string_view key) {
  for (const Measurement* m : Measurements()) {
    if (m->Key() == key) return m;
  }
  return nullptr;
}

const Measurement& UserList() { return UserListMeasurement(); }

ValueRef FindValue(const std::vector<const Measurement*>& among, std::string_view displayName) {
  for (const Measurement* m : among) {
    const std::vector<ValueDefinition>& values = m->Values();
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (displayName == values[i].displayName) return ValueRef{m, i};
    }
  }
  return ValueRef{};
}

}  // namespace tolvaran
