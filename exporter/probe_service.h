// The probe handler: one scrape of /probe from its query to its answer,
// with what keeps the exporter safe towards SAP and towards itself.
//
// - At most `maxProbes` checks run at once; up to `maxQueued` more probes
//   wait for a worker until their deadline; beyond that a probe is
//   answered 503 at once, as is one whose deadline passes in the queue:
//   the scrape fails (Prometheus' `up` 0), which says the exporter is
//   overloaded, not that the system is down.
// - Probes of one target never run side by side. A probe that finds its
//   target's check running with the same parameters shares that check's
//   answer; with other parameters it waits for it to end first.
// - After a check whose exposition reports error 1011 (the logon refused,
//   or the connection not made: the program does not tell them apart), the
//   target is not checked again for `backoffMs`: every failed logon counts
//   against the monitoring user, whom SAP locks after a few
//   (login/fails_to_user_lock). Its probes answer that failure meanwhile.
// - A check that fails, or that the exporter ends at the deadline, still
//   answers 200 with tolvaran_up 0 and the error's number and text.
#ifndef TOLVARAN_EXPORTER_PROBE_SERVICE_H_
#define TOLVARAN_EXPORTER_PROBE_SERVICE_H_

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "exporter/exporter_metrics.h"
#include "exporter/probe_query.h"
#include "exporter/probe_runner.h"

namespace tolvaran {

struct ServiceSettings {
  int maxProbes = 8;
  int maxQueued = 32;
  std::int64_t backoffMs = 300000;
};

struct ProbeAnswer {
  int status = 200;
  std::string contentType;
  std::string body;
  ProbeResult result = ProbeResult::kSuccess;
};

class ProbeService {
 public:
  using Clock = std::function<std::int64_t()>;  // monotonic milliseconds
  using Log = std::function<void(const std::string&)>;

  // `clock` decides back-offs and durations (the tests give their own);
  // `log` gets one line per probe that did not succeed.
  ProbeService(ProbeRunner& runner, ServiceSettings settings, Log log,
               Clock clock = MonotonicMilliseconds);
  ~ProbeService();

  // Answers one probe of `query`, within `deadlineMs` from now.
  ProbeAnswer Probe(const ProbeQuery& query, ExpositionFormat format, std::int64_t deadlineMs);

  // Ends the checks running and answers waiting and later probes 503.
  void Stop();

  int Busy() const;
  int Queued() const;
  // Probes waiting for a check of their target to end (to share its
  // answer, or to run their own after it).
  int WaitingForTarget() const;
  const ServiceSettings& settings() const { return settings_; }
  ExporterMetrics& metrics() { return metrics_; }

 private:
  struct Flight;
  struct TargetState;

  // What one check came to, before the probe's own facts are added.
  struct Verdict {
    int status = 200;
    std::string exposition;  // OpenMetrics, without the probe's facts
    ProbeResult result = ProbeResult::kSuccess;
    int code = 0;
    std::string text;
  };

  Verdict RunCheck(const ProbeQuery& query, Deadline deadline);
  Verdict Rejected(const std::string& why) const;
  ProbeAnswer Answer(const Verdict& verdict, ExpositionFormat format, std::int64_t started,
                     const std::string& target);
  void Forget(const std::string& key);

  ProbeRunner& runner_;
  const ServiceSettings settings_;
  Log log_;
  Clock clock_;
  ExporterMetrics metrics_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, std::unique_ptr<TargetState>> targets_;  // running or backing off
  int busy_ = 0;
  int queued_ = 0;
  int waitingForTarget_ = 0;
  bool stopping_ = false;
};

}  // namespace tolvaran

#endif  // TOLVARAN_EXPORTER_PROBE_SERVICE_H_
