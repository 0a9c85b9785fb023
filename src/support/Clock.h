#pragma once
#include <chrono>

namespace torvelle::support {

// Where the program learns the time. Everything that asks "what day is it"
// (today's tasks, the overdue view, a new task's time) goes through one of
// these, so tests set the time instead of waiting for it.
class Clock {
 public:
  using TimePoint = std::chrono::system_clock::time_point;
  virtual ~Clock() = default;
  virtual TimePoint now() const = 0;

  // The operating system's clock; lives as long as the program.
  static const Clock& system();
};

// A clock that stands where it is put.
class SettableClock : public Clock {
 public:
  explicit SettableClock(TimePoint at = {}) : at_(at) {}
  TimePoint now() const override { return at_; }
  void set(TimePoint at) { at_ = at; }
  void advance(std::chrono::milliseconds by) { at_ += by; }

 private:
  TimePoint at_;
};

}  // namespace torvelle::support
