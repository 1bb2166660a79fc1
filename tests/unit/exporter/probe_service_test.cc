// The probe handler on a scripted runner: what a check's end becomes, the
// back-off after a refused logon, and probes at once (shared answers,
// targets kept apart, the worker limit, the queue and 503).
#include "exporter/probe_service.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "exporter/exposition.h"

namespace tolvaran {
namespace {

const char kPrdUp[] =
    "# TYPE tolvaran_up gauge\n"
    "tolvaran_up{system=\"PRD\"} 1\n"
    "# TYPE tolvaran_sessions gauge\n"
    "tolvaran_sessions{system=\"PRD\"} 9\n"
    "# EOF\n";

RunOutcome Answered(std::string output) {
  RunOutcome outcome;
  outcome.kind = RunOutcome::Kind::kAnswered;
  outcome.output = std::move(output);
  return outcome;
}

// Answers by script; with `hold`, each check waits until released.
class FakeRunner : public ProbeRunner {
 public:
  std::function<RunOutcome(const std::vector<std::string>&)> script = [](const auto&) {
    return Answered(kPrdUp);
  };
  bool hold = false;

  RunOutcome Run(const std::vector<std::string>& arguments, Deadline deadline) override {
    std::unique_lock<std::mutex> lock(mutex_);
    calls.push_back(arguments);
    ++running_;
    maxRunning = std::max(maxRunning, running_);
    int& same = byTarget_[arguments[0]];
    maxSameTarget = std::max(maxSameTarget, ++same);
    changed_.notify_all();
    if (hold) {
      changed_.wait_until(
          lock,
          std::chrono::steady_clock::now() + std::chrono::milliseconds(deadline.RemainingMs()),
          [&] { return released_ || stopped_; });
    }
    --running_;
    --same;
    if (stopped_) {
      RunOutcome stopped;
      stopped.kind = RunOutcome::Kind::kStopped;
      return stopped;
    }
    if (hold && !released_) {
      RunOutcome late;
      late.kind = RunOutcome::Kind::kDeadline;
      return late;
    }
    return script(arguments);
  }

  void Stop() override {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

  void WaitRunning(int n) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return running_ >= n; });
  }

  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

  std::size_t Calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls.size();
  }

  std::vector<std::vector<std::string>> calls;
  int maxRunning = 0;
  int maxSameTarget = 0;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int running_ = 0;
  std::map<std::string, int> byTarget_;
  bool released_ = false;
  bool stopped_ = false;
};

// Waits for a state another thread reaches; fails after ten seconds.
template <typename Predicate>
void Eventually(Predicate predicate) {
  for (int i = 0; i < 10000 && !predicate(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(predicate());
}

ProbeQuery Target(const std::string& name, const std::string& client = "") {
  ProbeQuery query;
  query.target = name;
  query.client = client;
  return query;
}

bool Has(const std::string& body, const std::string& text) {
  return body.find(text) != std::string::npos;
}

class ProbeServiceTest : public ::testing::Test {
 protected:
  ProbeService& Service(ServiceSettings settings = {}) {
    service_ = std::make_unique<ProbeService>(
        runner_, settings, [this](const std::string& line) { log_.push_back(line); },
        [this] { return now_.load(); });
    return *service_;
  }

  FakeRunner runner_;
  std::atomic<std::int64_t> now_{1000000};
  std::vector<std::string> log_;
  std::unique_ptr<ProbeService> service_;
};

TEST_F(ProbeServiceTest, EveryEndOfACheckIsA200WithTheCheckUpOrDown) {
  ProbeService& service = Service();
  ProbeAnswer ok = service.Probe(Target("PRD"), ExpositionFormat::kOpenMetrics, 20000);
  EXPECT_EQ(ok.status, 200);
  EXPECT_EQ(ok.result, ProbeResult::kSuccess);
  EXPECT_TRUE(Has(ok.body, "tolvaran_sessions{system=\"PRD\"} 9\n"));
  EXPECT_TRUE(Has(ok.body, "tolvaran_probe_success 1\n"));
  EXPECT_TRUE(Has(ok.contentType, "openmetrics"));
  // The check's TIMEOUT= ends half a second before the probe's deadline.
  EXPECT_EQ(runner_.calls.back()[3], "TIMEOUT=19");
  EXPECT_TRUE(log_.empty());

  struct Case {
    RunOutcome outcome;
    ProbeResult result;
    int code;
  };
  RunOutcome deadline, crashed, missing;
  deadline.kind = RunOutcome::Kind::kDeadline;
  crashed.kind = RunOutcome::Kind::kAbnormal;
  crashed.exitStatus = 11;
  missing.kind = RunOutcome::Kind::kNotStarted;
  missing.detail = "cannot execute";
  const Case cases[] = {
      {Answered(FailedCheckExposition("PRD", 1002, "missing")), ProbeResult::kFailure, 1002},
      {Answered(FailedCheckExposition("PRD", 1016, "late")), ProbeResult::kDeadline, 1016},
      {deadline, ProbeResult::kDeadline, 1016},
      {crashed, ProbeResult::kError, 1015},
      {missing, ProbeResult::kError, 1015},
      {Answered("<Prtg><Error>1</Error></Prtg>\n"), ProbeResult::kError, 1015},
  };
  for (const Case& c : cases) {
    runner_.script = [&](const auto&) { return c.outcome; };
    ProbeAnswer answer = service.Probe(Target("PRD"), ExpositionFormat::kPrometheusText, 5000);
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.result, c.result);
    EXPECT_TRUE(Has(answer.body, "tolvaran_up{system=\"PRD\"} 0\n")) << answer.body;
    EXPECT_TRUE(Has(answer.body, "tolvaran_probe_success 0\n"));
    EXPECT_TRUE(Has(answer.body, "tolvaran_probe_error_info{code=\"" + std::to_string(c.code)))
        << answer.body;
    EXPECT_FALSE(Has(answer.body, "# EOF"));
  }
  EXPECT_EQ(log_.size(), std::size(cases));
  EXPECT_TRUE(Has(log_.back(), "probe target=PRD result=error code=1015"));
  EXPECT_EQ(service.metrics().Count(ProbeResult::kError), 3u);
}

TEST_F(ProbeServiceTest, ARefusedLogonIsNotTriedAgainWithinTheBackoff) {
  ServiceSettings settings;
  settings.backoffMs = 300000;
  ProbeService& service = Service(settings);
  runner_.script = [](const auto& args) {
    return Answered(args[0] == "DEV" ? FailedCheckExposition("DEV", 1011, "refused")
                                     : FailedCheckExposition(args[0], 1014, "broken"));
  };
  EXPECT_EQ(service.Probe(Target("DEV"), ExpositionFormat::kOpenMetrics, 5000).result,
            ProbeResult::kFailure);
  now_ += 299000;
  // Another spelling and other parameters are the same profile and user.
  ProbeAnswer again = service.Probe(Target("dev", "100"), ExpositionFormat::kOpenMetrics, 5000);
  EXPECT_EQ(runner_.Calls(), 1u);
  EXPECT_EQ(again.status, 200);
  EXPECT_EQ(again.result, ProbeResult::kBackoff);
  EXPECT_TRUE(Has(again.body, "tolvaran_error_info{system=\"DEV\",code=\"1011\"} 1\n"));
  EXPECT_TRUE(Has(again.body, "299 s ago"));
  EXPECT_TRUE(Has(again.body, "for another 1 s"));
  // Other targets, and other errors, are not held back.
  service.Probe(Target("QAS"), ExpositionFormat::kOpenMetrics, 5000);
  service.Probe(Target("QAS"), ExpositionFormat::kOpenMetrics, 5000);
  EXPECT_EQ(runner_.Calls(), 3u);
  now_ += 1000;
  service.Probe(Target("DEV"), ExpositionFormat::kOpenMetrics, 5000);
  EXPECT_EQ(runner_.Calls(), 4u);
}

TEST_F(ProbeServiceTest, ProbesOfOneTargetNeverRunSideBySide) {
  ProbeService& service = Service();
  runner_.hold = true;
  std::vector<ProbeAnswer> answers(4);
  std::vector<std::thread> threads;
  threads.emplace_back(
      [&] { answers[0] = service.Probe(Target("PRD"), ExpositionFormat::kOpenMetrics, 20000); });
  runner_.WaitRunning(1);
  // The same check shares the running one's answer; another client of the
  // same target waits for it; another target runs beside it.
  threads.emplace_back(
      [&] { answers[1] = service.Probe(Target("prd"), ExpositionFormat::kPrometheusText, 20000); });
  threads.emplace_back([&] {
    answers[2] = service.Probe(Target("PRD", "100"), ExpositionFormat::kOpenMetrics, 20000);
  });
  threads.emplace_back(
      [&] { answers[3] = service.Probe(Target("QAS"), ExpositionFormat::kOpenMetrics, 20000); });
  runner_.WaitRunning(2);
  Eventually([&] { return service.WaitingForTarget() == 2; });
  runner_.Release();
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(runner_.Calls(), 3u);  // PRD, QAS, then PRD with CLIENT=100
  EXPECT_EQ(runner_.maxSameTarget, 1);
  EXPECT_EQ(runner_.maxRunning, 2);
  for (const ProbeAnswer& answer : answers) EXPECT_EQ(answer.result, ProbeResult::kSuccess);
  EXPECT_FALSE(Has(answers[1].body, "# EOF"));  // shared, in its own format
}

TEST_F(ProbeServiceTest, BeyondTheWorkersProbesWaitAndBeyondTheQueueAre503) {
  ServiceSettings settings;
  settings.maxProbes = 2;
  settings.maxQueued = 1;
  ProbeService& service = Service(settings);
  runner_.hold = true;
  std::vector<ProbeAnswer> answers(3);
  std::vector<std::thread> threads;
  for (int i = 0; i < 3; ++i) {
    threads.emplace_back([&, i] {
      answers[i] =
          service.Probe(Target("SYS" + std::to_string(i)), ExpositionFormat::kOpenMetrics, 20000);
    });
  }
  runner_.WaitRunning(2);
  Eventually([&] { return service.Queued() == 1; });
  ProbeAnswer rejected = service.Probe(Target("SYS9"), ExpositionFormat::kOpenMetrics, 20000);
  EXPECT_EQ(rejected.status, 503);
  EXPECT_EQ(service.Busy(), 2);
  runner_.Release();
  for (std::thread& t : threads) t.join();
  for (const ProbeAnswer& answer : answers) EXPECT_EQ(answer.status, 200);
  EXPECT_EQ(runner_.maxRunning, 2);
  EXPECT_EQ(service.metrics().Count(ProbeResult::kRejected), 1u);
}

TEST_F(ProbeServiceTest, StoppingEndsTheChecksAndAnswersTheWaiting503) {
  ServiceSettings settings;
  settings.maxProbes = 1;
  ProbeService& service = Service(settings);
  runner_.hold = true;
  ProbeAnswer running, waiting;
  std::thread a(
      [&] { running = service.Probe(Target("PRD"), ExpositionFormat::kOpenMetrics, 60000); });
  runner_.WaitRunning(1);
  std::thread b(
      [&] { waiting = service.Probe(Target("QAS"), ExpositionFormat::kOpenMetrics, 60000); });
  Eventually([&] { return service.Queued() == 1; });
  service.Stop();
  a.join();
  b.join();
  EXPECT_EQ(running.status, 503);
  EXPECT_EQ(waiting.status, 503);
  EXPECT_EQ(service.Probe(Target("PRD"), ExpositionFormat::kOpenMetrics, 1000).status, 503);
}

}  // namespace
}  // namespace tolvaran
