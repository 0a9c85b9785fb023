#include "support/Clock.h"

namespace torvelle::support {

namespace {

class SystemClock : public Clock {
 public:
  TimePoint now() const override { return std::chrono::system_clock::now(); }
};

}  // namespace

const Clock& Clock::system() {
  static const SystemClock clock;
  return clock;
}

}  // namespace torvelle::support
