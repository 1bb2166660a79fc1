#include "measure/registry.h"

#include "measure/user_list.h"

namespace tolvaran {

const std::vector<const Measurement*>& Measurements() {
  // A new measurement is one more entry here.
  static const std::vector<const Measurement*> all = {
      &UserListMeasurement(),
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
