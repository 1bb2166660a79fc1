#include "measure/host_cpu.h"

#include <cstdio>
#include <cstdlib>

namespace tolvaran {

std::int32_t HostCpu::BusyPercent() const {
  const std::int32_t busy = 100 - idlePercent;
  return busy < 0 ? 0 : busy > 100 ? 100 : busy;
}

void LoadText(std::int32_t hundredths, char (&text)[16]) {
  const long long value = hundredths;
  std::snprintf(text, sizeof text, "%s%lld.%02lld", value < 0 ? "-" : "", std::llabs(value) / 100,
                std::llabs(value) % 100);
}

}  // namespace tolvaran
