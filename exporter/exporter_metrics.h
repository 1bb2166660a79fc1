// The exporter's own metrics, served on /metrics: probes by result, the
// probes' durations as a histogram, the workers busy and the probes
// waiting for one, and the process's own figures where the platform gives
// them. Thread-safe.
#ifndef TOLVARAN_EXPORTER_EXPORTER_METRICS_H_
#define TOLVARAN_EXPORTER_EXPORTER_METRICS_H_

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace tolvaran {

enum class ProbeResult {
  kSuccess,   // every system of the check was counted
  kFailure,   // the check answered, with a system not counted
  kDeadline,  // the exporter ended the check at the probe's deadline
  kError,     // the check crashed, could not be started or gave no exposition
  kBackoff,   // not run: the target is in its back-off after a refused logon
  kRejected,  // not run: every worker busy and the queue full (503)
  kInvalid,   // not run: a malformed request (400)
};
constexpr std::size_t kProbeResultCount = 7;
const char* ProbeResultName(ProbeResult result);

class ExporterMetrics {
 public:
  // Upper bounds of the duration histogram's buckets, in seconds.
  static constexpr std::array<double, 10> kBuckets = {0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30, 60};

  void Record(ProbeResult result, double seconds);

  // The probe service's figures at the moment of a scrape.
  struct Load {
    int busy = 0;
    int maxProbes = 0;
    int queued = 0;
    int waitingForTarget = 0;
  };

  // The exposition of /metrics, OpenMetrics text.
  std::string Render(const Load& load) const;

  std::uint64_t Count(ProbeResult result) const;

 private:
  mutable std::mutex mutex_;
  std::array<std::uint64_t, kProbeResultCount> counts_{};
  std::array<std::uint64_t, kBuckets.size()> buckets_{};  // not cumulative
  std::uint64_t observed_ = 0;
  double sum_ = 0;
};

// The process's own metrics in the client libraries' names
// (process_cpu_seconds_total, process_resident_memory_bytes,
// process_open_fds, ...), as OpenMetrics families; empty where the
// platform gives none. process_metrics-posix.cc reads Linux's /proc.
std::string ProcessMetrics();

}  // namespace tolvaran

#endif  // TOLVARAN_EXPORTER_EXPORTER_METRICS_H_
