// The parts of worker_process.h that need no operating system of their own:
// the clock, the watchdog and the quoting of Windows command lines.
#include "platform/worker_process.h"

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

std::string QuoteWindowsArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
    return argument;
  }
  // Backslashes are literal except before a quote, where each pair gives
  // one backslash; so every run before a quote (ours at the end included)
  // is doubled, and a quote of the argument itself gets one more.
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      quoted.append(backslashes * 2 + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

}  // namespace tolvaran
