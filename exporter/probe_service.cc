#include "exporter/probe_service.h"

#include <algorithm>
#include <chrono>

#include "exporter/exposition.h"

namespace tolvaran {

namespace {

// The check is given TIMEOUT= this much before the probe's deadline, so
// that it writes its own deadline exposition before the exporter has to
// end it.
constexpr std::int64_t kCheckTimeoutMarginMs = 500;
// A check's exposition is a few kilobytes; more is no exposition.
constexpr std::size_t kOutputLimit = 4u << 20;

std::chrono::steady_clock::time_point TimePoint(Deadline deadline) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(deadline.RemainingMs());
}

std::string Joined(const std::vector<std::string>& words) {
  std::string out;
  for (const std::string& word : words) out += word + ' ';
  return out;
}

// Whole seconds, rounded up (`up`) or down.
std::string SecondsText(std::int64_t ms, bool up) {
  return std::to_string((ms + (up ? 999 : 0)) / 1000) + " s";
}

}  // namespace

struct ProbeService::Flight {
  std::string parameters;
  bool done = false;
  Verdict verdict;
};

struct ProbeService::TargetState {
  std::shared_ptr<Flight> flight;  // the check running now, if any
  std::int64_t backoffSince = 0;
  std::int64_t backoffUntil = 0;  // 0: none
  Verdict refusal;                // the check that began the back-off
};

ProbeService::ProbeService(ProbeRunner& runner, ServiceSettings settings, Log log, Clock clock)
    : runner_(runner), settings_(settings), log_(std::move(log)), clock_(std::move(clock)) {}

ProbeService::~ProbeService() = default;

int ProbeService::Busy() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return busy_;
}

int ProbeService::Queued() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queued_;
}

int ProbeService::WaitingForTarget() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return waitingForTarget_;
}

void ProbeService::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  runner_.Stop();
}

ProbeService::Verdict ProbeService::Rejected(const std::string& why) const {
  Verdict verdict;
  verdict.status = 503;
  verdict.result = ProbeResult::kRejected;
  verdict.text = why;
  return verdict;
}

void ProbeService::Forget(const std::string& key) {
  auto it = targets_.find(key);
  if (it != targets_.end() && !it->second->flight && it->second->backoffUntil <= clock_()) {
    targets_.erase(it);
  }
}

ProbeService::Verdict ProbeService::RunCheck(const ProbeQuery& query, Deadline deadline) {
  std::int64_t timeout = (deadline.RemainingMs() - kCheckTimeoutMarginMs) / 1000;
  timeout = std::clamp<std::int64_t>(timeout, 1, 900);
  RunOutcome outcome = runner_.Run(CheckArguments(query, static_cast<int>(timeout)), deadline);
  Verdict verdict;
  auto failed = [&](ProbeResult result, int code, std::string text) {
    verdict.result = result;
    verdict.code = code;
    verdict.text = std::move(text);
    verdict.exposition = FailedCheckExposition(query.target, code, verdict.text);
  };
  switch (outcome.kind) {
    case RunOutcome::Kind::kAnswered: {
      CheckSummary summary = SummarizeCheck(outcome.output);
      if (!summary.wellFormed || outcome.output.size() > kOutputLimit) {
        failed(ProbeResult::kError, kNoAnswerCode,
               "the check gave no exposition (exit status " + std::to_string(outcome.exitStatus) +
                   ")");
        break;
      }
      verdict.exposition = std::move(outcome.output);
      if (summary.up) break;
      verdict.code = summary.errorCode;
      verdict.result =
          summary.errorCode == kDeadlineCode ? ProbeResult::kDeadline : ProbeResult::kFailure;
      verdict.text = CheckErrorText(summary.errorCode);
      break;
    }
    case RunOutcome::Kind::kDeadline:
      failed(ProbeResult::kDeadline, kDeadlineCode,
             "the probe's deadline passed before the check ended; it was ended");
      break;
    case RunOutcome::Kind::kAbnormal:
      failed(ProbeResult::kError, kNoAnswerCode,
             "the check ended abnormally (code " + std::to_string(outcome.exitStatus) + ")");
      break;
    case RunOutcome::Kind::kNotStarted:
      failed(ProbeResult::kError, kNoAnswerCode,
             "the check could not be started: " + outcome.detail);
      break;
    case RunOutcome::Kind::kStopped:
      verdict = Rejected("the exporter is stopping");
      break;
  }
  return verdict;
}

ProbeAnswer ProbeService::Answer(const Verdict& verdict, ExpositionFormat format,
                                 std::int64_t started, const std::string& target) {
  ProbeAnswer answer;
  const double seconds = static_cast<double>(clock_() - started) / 1000.0;
  answer.status = verdict.status;
  answer.result = verdict.result;
  if (verdict.status != 200) {
    answer.contentType = "text/plain; charset=utf-8";
    answer.body = verdict.text + "\n";
  } else {
    ProbeFacts facts;
    facts.success = verdict.result == ProbeResult::kSuccess;
    facts.seconds = seconds;
    facts.code = verdict.code;
    facts.text = verdict.text;
    answer.contentType = ContentType(format);
    answer.body = InFormat(WithProbeFacts(verdict.exposition, facts), format);
  }
  metrics_.Record(answer.result, seconds);
  if (answer.result != ProbeResult::kSuccess && log_) {
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.3f", seconds);
    std::string line = "probe target=" + target + " result=" + ProbeResultName(answer.result);
    if (verdict.code != 0) line += " code=" + std::to_string(verdict.code);
    log_(line + " seconds=" + duration + ": " + verdict.text);
  }
  return answer;
}

ProbeAnswer ProbeService::Probe(const ProbeQuery& query, ExpositionFormat format,
                                std::int64_t deadlineMs) {
  const std::int64_t started = clock_();
  const Deadline deadline = Deadline::After(deadlineMs);
  const auto until = TimePoint(deadline);
  const std::string key = TargetKey(query.target);
  ProbeQuery shape = query;
  shape.target = key;
  const std::string parameters = Joined(CheckArguments(shape, 0));

  std::unique_lock<std::mutex> lock(mutex_);
  TargetState* state = nullptr;
  for (;;) {
    if (stopping_) return Answer(Rejected("the exporter is stopping"), format, started, key);
    auto it = targets_.find(key);
    state = it == targets_.end() ? nullptr : it->second.get();
    const std::int64_t now = clock_();
    if (state && state->backoffUntil > now) {
      Verdict verdict = state->refusal;
      verdict.result = ProbeResult::kBackoff;
      verdict.text = "error " + std::to_string(verdict.code) + " " +
                     SecondsText(now - state->backoffSince, false) + " ago (" + verdict.text +
                     "); not tried again for another " +
                     SecondsText(state->backoffUntil - now, true);
      return Answer(verdict, format, started, key);
    }
    if (!state || !state->flight) break;
    std::shared_ptr<Flight> flight = state->flight;
    ++waitingForTarget_;
    changed_.wait_until(lock, until, [&] { return flight->done || stopping_; });
    --waitingForTarget_;
    if (flight->done && flight->parameters == parameters) {
      return Answer(flight->verdict, format, started, key);
    }
    if (stopping_) continue;
    if (!flight->done) {
      Verdict verdict;
      verdict.result = ProbeResult::kDeadline;
      verdict.code = kDeadlineCode;
      verdict.text = "the probe's deadline passed while another probe of the target was running";
      verdict.exposition = FailedCheckExposition(query.target, verdict.code, verdict.text);
      return Answer(verdict, format, started, key);
    }
    // Another check of the target ended: look again (a back-off may have
    // begun).
  }

  if (!state) state = (targets_[key] = std::make_unique<TargetState>()).get();
  auto flight = std::make_shared<Flight>();
  flight->parameters = parameters;
  state->flight = flight;

  Verdict verdict;
  bool slot = false;
  if (busy_ < settings_.maxProbes) {
    slot = true;
  } else if (queued_ < settings_.maxQueued) {
    ++queued_;
    slot = changed_.wait_until(lock, until, [&] {
      return busy_ < settings_.maxProbes || stopping_;
    }) && !stopping_;
    --queued_;
    if (!slot) {
      verdict = Rejected(stopping_ ? "the exporter is stopping"
                                   : "no worker became free before the probe's deadline");
    }
  } else {
    verdict = Rejected("every worker is busy and " + std::to_string(settings_.maxQueued) +
                       " probes are waiting");
  }
  if (slot) {
    ++busy_;
    lock.unlock();
    verdict = RunCheck(query, deadline);
    lock.lock();
    --busy_;
  }
  if (verdict.result == ProbeResult::kFailure && verdict.code == kOpenFailedCode &&
      settings_.backoffMs > 0) {
    state->backoffSince = clock_();
    state->backoffUntil = state->backoffSince + settings_.backoffMs;
    state->refusal = verdict;
  }
  flight->verdict = verdict;
  flight->done = true;
  state->flight.reset();
  Forget(key);
  lock.unlock();
  changed_.notify_all();
  return Answer(verdict, format, started, key);
}

}  // namespace tolvaran
