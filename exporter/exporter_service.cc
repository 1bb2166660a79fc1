#include "exporter/exporter_service.h"

namespace tolvaran {

std::vector<std::string> ServiceFlags(const std::vector<std::string>& flags,
                                      const std::string& exporter) {
  std::size_t slash = exporter.find_last_of("\\/");
  std::string dir = slash == std::string::npos ? "." : exporter.substr(0, slash);
  bool profileDir = false, logFile = false;
  for (std::size_t i = 0; i < flags.size(); ++i) {
    profileDir = profileDir || flags[i].rfind("--profile-dir", 0) == 0;
    logFile = logFile || flags[i].rfind("--log-file", 0) == 0;
  }
  std::vector<std::string> out = flags;
  if (!profileDir) out.push_back("--profile-dir=" + dir);
  const char separator = slash == std::string::npos ? '/' : exporter[slash];
  if (!logFile) out.push_back("--log-file=" + dir + separator + "tolvaran-exporter.log");
  return out;
}

}  // namespace tolvaran
