#include "exporter/exporter_metrics.h"

#include <cstdio>

namespace tolvaran {

namespace {

std::string Number(double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  return buffer;
}

}  // namespace

const char* ProbeResultName(ProbeResult result) {
  static const char* const kNames[kProbeResultCount] = {"success", "failure",  "deadline", "error",
                                                        "backoff", "rejected", "invalid"};
  return kNames[static_cast<std::size_t>(result)];
}

void ExporterMetrics::Record(ProbeResult result, double seconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++counts_[static_cast<std::size_t>(result)];
  if (result == ProbeResult::kRejected || result == ProbeResult::kInvalid) return;
  ++observed_;
  sum_ += seconds;
  for (std::size_t i = 0; i < kBuckets.size(); ++i) {
    if (seconds <= kBuckets[i]) {
      ++buckets_[i];
      break;
    }
  }
}

std::uint64_t ExporterMetrics::Count(ProbeResult result) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return counts_[static_cast<std::size_t>(result)];
}

std::string ExporterMetrics::Render(const Load& load) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string out =
      "# TYPE tolvaran_exporter_probes counter\n"
      "# HELP tolvaran_exporter_probes Probes answered, by result.\n";
  for (std::size_t i = 0; i < kProbeResultCount; ++i) {
    out += "tolvaran_exporter_probes_total{result=\"";
    out += ProbeResultName(static_cast<ProbeResult>(i));
    out += "\"} " + std::to_string(counts_[i]) + "\n";
  }
  out +=
      "# TYPE tolvaran_exporter_probe_duration_seconds histogram\n"
      "# HELP tolvaran_exporter_probe_duration_seconds How long the probes that were run or "
      "answered from a back-off took.\n";
  std::uint64_t cumulative = 0;
  for (std::size_t i = 0; i < kBuckets.size(); ++i) {
    cumulative += buckets_[i];
    out += "tolvaran_exporter_probe_duration_seconds_bucket{le=\"" + Number(kBuckets[i]) + "\"} " +
           std::to_string(cumulative) + "\n";
  }
  out += "tolvaran_exporter_probe_duration_seconds_bucket{le=\"+Inf\"} " +
         std::to_string(observed_) + "\n";
  out += "tolvaran_exporter_probe_duration_seconds_sum " + Number(sum_) + "\n";
  out += "tolvaran_exporter_probe_duration_seconds_count " + std::to_string(observed_) + "\n";
  out +=
      "# TYPE tolvaran_exporter_workers_busy gauge\n"
      "# HELP tolvaran_exporter_workers_busy Checks running now, each in a worker process.\n"
      "tolvaran_exporter_workers_busy " +
      std::to_string(load.busy) +
      "\n"
      "# TYPE tolvaran_exporter_workers_max gauge\n"
      "# HELP tolvaran_exporter_workers_max The most checks run at once (--max-probes).\n"
      "tolvaran_exporter_workers_max " +
      std::to_string(load.maxProbes) +
      "\n"
      "# TYPE tolvaran_exporter_probes_queued gauge\n"
      "# HELP tolvaran_exporter_probes_queued Probes waiting for a worker now.\n"
      "tolvaran_exporter_probes_queued " +
      std::to_string(load.queued) +
      "\n"
      "# TYPE tolvaran_exporter_probes_waiting_for_target gauge\n"
      "# HELP tolvaran_exporter_probes_waiting_for_target Probes waiting for a check of their "
      "target to end now.\n"
      "tolvaran_exporter_probes_waiting_for_target " +
      std::to_string(load.waitingForTarget) + "\n";
  out += ProcessMetrics();
  out += "# EOF\n";
  return out;
}

}  // namespace tolvaran
