#include "platform/deadline.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace tolvaran {

std::int64_t MonotonicMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t Deadline::RemainingMs() const {
  if (IsNever()) return -1;
  std::int64_t left = at_ - MonotonicMilliseconds();
  return left > 0 ? left : 0;
}

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
  s->thread = std::thread([s, deadline, fn = std::move(on_deadline)] {
    std::unique_lock<std::mutex> lock(s->mutex);
    auto not_waiting = [s] { return s->phase != State::kWaiting; };
    if (deadline.IsNever()) {
      s->changed.wait(lock, not_waiting);
    } else {
      std::chrono::steady_clock::time_point at{std::chrono::milliseconds(deadline.At())};
      s->changed.wait_until(lock, at, not_waiting);
    }
    if (s->phase != State::kWaiting) return;
    s->phase = State::kRunning;
    lock.unlock();
    fn();
    lock.lock();
    s->phase = State::kDone;
    s->changed.notify_all();
  });
}

Watchdog::~Watchdog() {
  Cancel();
  state_->thread.join();
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
