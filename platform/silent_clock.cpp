#include "platform/silent_clock.h"

#include <algorithm>

#include "platform/clock.h"

namespace tav::platform {

void SilentClock::restart(std::int64_t fromMs, std::int64_t limitMs) {
  before_ = static_cast<std::uint32_t>(fromMs);
  running_ = false;
  limitMs_ = limitMs;
}

void SilentClock::run() {
  if (running_) return;
  since_ = clock::nowMs();
  running_ = true;
}

void SilentClock::hold() {
  before_ = static_cast<std::uint32_t>(ms());
  running_ = false;
}

std::int64_t SilentClock::ms() const {
  std::int64_t ms = before_;
  // Unsigned differences stay right across the clock's wrap.
  if (running_) ms += static_cast<std::uint32_t>(clock::nowMs() - since_);
  if (limitMs_ >= 0) ms = std::min(ms, limitMs_);
  return ms;
}

}  // namespace tav::platform
