#include <cstdio>

#include "exporter/exporter_service.h"

namespace tolvaran {

int RunServiceCommand(const std::vector<std::string>&, const ServeFunction&) {
  std::fputs(
      "tolvaran-exporter: \"service\" is for Windows; on Linux run it from the systemd unit "
      "(docs/exporter.md)\n",
      stderr);
  return 2;
}

}  // namespace tolvaran
