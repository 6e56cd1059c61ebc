#pragma once
// Play with no sound to hear: the position runs on the platform clock, holds while paused, and
// stops at the stream's end when there is one. Both sound backends fall back to it.
#include <cstdint>

namespace tav::platform {

class SilentClock {
 public:
  // Held at `fromMs`; `limitMs` is the stream's length, or -1 for none.
  void restart(std::int64_t fromMs, std::int64_t limitMs);
  void run();
  void hold();
  bool running() const { return running_; }
  std::int64_t ms() const;

 private:
  std::uint32_t before_ = 0;  // run before `since_`
  std::uint32_t since_ = 0;
  bool running_ = false;
  std::int64_t limitMs_ = -1;
};

}  // namespace tav::platform
