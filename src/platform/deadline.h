// The program's clock and its deadlines: a point on a monotonic clock, and
// a watchdog that acts once on a thread of its own when one passes.
#ifndef TOLVARAN_PLATFORM_DEADLINE_H_
#define TOLVARAN_PLATFORM_DEADLINE_H_

#include <cstdint>
#include <functional>
#include <memory>

namespace tolvaran {

// Milliseconds on a monotonic clock from an arbitrary origin: deadlines must
// not move when the administrator or NTP sets the wall clock.
std::int64_t MonotonicMilliseconds();

// A point on the monotonic clock, or none at all.
class Deadline {
 public:
  // No deadline: waits block until something happens.
  static Deadline Never() { return Deadline(kNever); }
  static Deadline At(std::int64_t monotonic_ms) { return Deadline(monotonic_ms); }
  // `ms` from now, any value: the sum saturates, so a deadline too far to
  // be written is the farthest one (never Never), one too far back passed.
  static Deadline After(std::int64_t ms);

  bool IsNever() const { return at_ == kNever; }
  std::int64_t At() const { return at_; }
  bool HasPassed() const { return !IsNever() && MonotonicMilliseconds() >= at_; }
  // Milliseconds left, at least 0; -1 for no deadline (poll()'s "forever").
  std::int64_t RemainingMs() const;

 private:
  static constexpr std::int64_t kNever = INT64_MAX;
  explicit Deadline(std::int64_t at) : at_(at) {}
  std::int64_t at_;
};

// Calls a function once, on a thread of its own, when a deadline passes,
// unless cancelled first. The run deadline: the function writes the timeout
// document and calls ExitProcessWithoutCleanup, wherever the main thread is
// blocked.
class Watchdog {
 public:
  Watchdog(Deadline deadline, std::function<void()> on_deadline);
  // Cancels and waits for the thread.
  ~Watchdog();
  // False when no thread could be made for it: it will never act.
  bool Started() const;
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // True when the function will never run. When it has begun, waits for it
  // to return and gives false. Call it before writing the normal result:
  // since the function ends the process, the result and the timeout document
  // are then never both written.
  bool Cancel();

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_DEADLINE_H_
