// The process's figures from Linux's /proc, in the names the Prometheus
// client libraries give them.
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "exporter/exporter_metrics.h"

namespace tolvaran {

namespace {

std::string ReadSmallFile(const char* path) {
  std::string text;
  if (std::FILE* f = std::fopen(path, "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() < 65536) {
      text.append(buffer, n);
    }
    std::fclose(f);
  }
  return text;
}

void Gauge(std::string* out, const char* name, const char* type, const char* help,
           const std::string& sample, double value) {
  char number[40];
  std::snprintf(number, sizeof number, "%.17g", value);
  *out += std::string("# TYPE ") + name + " " + type + "\n# HELP " + name + " " + help + "\n" +
          sample + " " + number + "\n";
}

}  // namespace

std::string ProcessMetrics() {
  std::string out;
  // /proc/self/stat: the fields after the command's closing parenthesis,
  // the third of which is field 3 (state).
  std::string stat = ReadSmallFile("/proc/self/stat");
  std::size_t paren = stat.rfind(')');
  if (paren == std::string::npos) return out;
  const char* p = stat.c_str() + paren + 2;
  double field[53] = {};
  for (int i = 3; i <= 52 && *p; ++i) {
    char* end;
    field[i] = std::strtod(p, &end);
    p = *end ? end + 1 : end;
  }
  const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
  const double pageSize = static_cast<double>(sysconf(_SC_PAGESIZE));
  Gauge(&out, "process_cpu_seconds", "counter", "User and system CPU time spent in seconds.",
        "process_cpu_seconds_total", (field[14] + field[15]) / ticks);
  Gauge(&out, "process_virtual_memory_bytes", "gauge", "Virtual memory size in bytes.",
        "process_virtual_memory_bytes", field[23]);
  Gauge(&out, "process_resident_memory_bytes", "gauge", "Resident memory size in bytes.",
        "process_resident_memory_bytes", field[24] * pageSize);
  std::string procStat = ReadSmallFile("/proc/stat");
  std::size_t btime = procStat.find("\nbtime ");
  if (btime != std::string::npos) {
    double boot = std::strtod(procStat.c_str() + btime + 7, nullptr);
    Gauge(&out, "process_start_time_seconds", "gauge",
          "Start time of the process since the Unix epoch in seconds.",
          "process_start_time_seconds", boot + field[22] / ticks);
  }
  int fds = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] != '.') ++fds;
    }
    closedir(dir);
    Gauge(&out, "process_open_fds", "gauge", "Number of open file descriptors.", "process_open_fds",
          fds - 1);  // less the directory's own
  }
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
    Gauge(&out, "process_max_fds", "gauge", "Maximum number of open file descriptors.",
          "process_max_fds", static_cast<double>(limit.rlim_cur));
  }
  return out;
}

}  // namespace tolvaran
