// The process's figures on Windows: CPU time and handles, in the names the
// Prometheus client libraries give them.
#include <cstdio>
#include <string>

#include "exporter/exporter_metrics.h"
#include "platform/win32_io.h"

namespace tolvaran {

namespace {

double Seconds(const FILETIME& t) {
  ULARGE_INTEGER v;
  v.LowPart = t.dwLowDateTime;
  v.HighPart = t.dwHighDateTime;
  return static_cast<double>(v.QuadPart) / 1e7;  // 100 ns units
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
  FILETIME created, exited, kernel, user;
  if (GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
    Gauge(&out, "process_cpu_seconds", "counter", "User and system CPU time spent in seconds.",
          "process_cpu_seconds_total", Seconds(kernel) + Seconds(user));
    // FILETIME counts from 1601; the Unix epoch is 11644473600 s later.
    Gauge(&out, "process_start_time_seconds", "gauge",
          "Start time of the process since the Unix epoch in seconds.",
          "process_start_time_seconds", Seconds(created) - 11644473600.0);
  }
  DWORD handles = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &handles)) {
    Gauge(&out, "process_handles", "gauge", "Number of open handles.", "process_handles", handles);
  }
  return out;
}

}  // namespace tolvaran
