#include "platform/deadline.h"

#include <chrono>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace tolvaran {

std::int64_t MonotonicMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Deadline Deadline::After(std::int64_t ms) {
  const std::int64_t now = MonotonicMilliseconds();
  if (ms > 0 && now > kNever - 1 - ms) return Deadline(kNever - 1);
  if (ms < 0 && now < std::numeric_limits<std::int64_t>::min() - ms) {
    return Deadline(std::numeric_limits<std::int64_t>::min());
  }
  return Deadline(now + ms);
}

std::int64_t Deadline::RemainingMs() const {
  if (IsNever()) return -1;
  const std::int64_t now = MonotonicMilliseconds();
  // Compared before subtracting: a deadline far back must not overflow.
  return at_ > now ? at_ - now : 0;
}

namespace {

// The longest single wait of the watchdog: a far deadline is reached in
// steps, since the clock's own time points (nanoseconds) overflow sooner
// than our milliseconds do.
constexpr std::int64_t kLongestWaitMs = std::int64_t{24} * 3600 * 1000;

}  // namespace

struct Watchdog::State {
  enum Phase { kWaiting, kCancelled, kRunning, kDone };
  std::mutex mutex;
  std::condition_variable changed;
  Phase phase = kWaiting;
  std::thread thread;
};

Watchdog::Watchdog(Deadline deadline, std::function<void()> on_deadline)
    : state_(std::make_shared<State>()) {
  State* s = state_.get();
  // No thread may be had (a process limit, a cgroup's pids.max): the
  // watchdog then never acts, and Started() says so, for the caller to
  // report or to do without.
  try {
    s->thread = std::thread([s, deadline, fn = std::move(on_deadline)] {
      std::unique_lock<std::mutex> lock(s->mutex);
      auto not_waiting = [s] { return s->phase != State::kWaiting; };
      if (deadline.IsNever()) {
        s->changed.wait(lock, not_waiting);
      } else {
        while (!not_waiting() && !deadline.HasPassed()) {
          std::int64_t left = deadline.RemainingMs();
          s->changed.wait_for(
              lock, std::chrono::milliseconds(left < kLongestWaitMs ? left : kLongestWaitMs));
        }
      }
      if (s->phase != State::kWaiting) return;
      s->phase = State::kRunning;
      lock.unlock();
      fn();
      lock.lock();
      s->phase = State::kDone;
      s->changed.notify_all();
    });
  } catch (const std::system_error&) {
    s->phase = State::kCancelled;
  }
}

bool Watchdog::Started() const { return state_->thread.joinable(); }

Watchdog::~Watchdog() {
  Cancel();
  if (state_->thread.joinable()) state_->thread.join();
}

bool Watchdog::Cancel() {
  State* s = state_.get();
  std::unique_lock<std::mutex> lock(s->mutex);
  if (s->phase == State::kWaiting) {
    s->phase = State::kCancelled;
    s->changed.notify_all();
  }
  // The function may end the process: then this never returns, which is
  // what keeps the caller from writing its result after the timeout's.
  s->changed.wait(lock, [s] { return s->phase != State::kRunning; });
  return s->phase == State::kCancelled;
}

}  // namespace tolvaran
