#include "studio/show_clock.h"

#include <algorithm>

namespace tav::studio {

ShowClock::ShowClock(std::function<std::optional<std::int64_t>()> heard,
                     std::function<Steady::time_point()> steadyNow)
    : heard_(std::move(heard)), steadyNow_(std::move(steadyNow)) {}

void ShowClock::play(std::int64_t fromMs) {
  playing_ = true;
  anchorMs_ = fromMs;
  anchorAt_ = steadyNow_();
}

void ShowClock::hold(std::int64_t atMs) {
  playing_ = false;
  anchorMs_ = atMs;
}

std::int64_t ShowClock::nowMs() {
  if (!playing_) return anchorMs_;
  const Steady::time_point now = steadyNow_();
  if (std::optional<std::int64_t> heard = heard_()) {
    // Never behind what was already shown: a device's position holds while it catches up.
    anchorMs_ = std::max(*heard, anchorMs_);
  } else {
    anchorMs_ += std::chrono::duration_cast<std::chrono::milliseconds>(now - anchorAt_).count();
    // Whole milliseconds only: the remainder stays in the anchor's time.
    anchorAt_ += std::chrono::duration_cast<std::chrono::milliseconds>(now - anchorAt_);
    return anchorMs_;
  }
  anchorAt_ = now;
  return anchorMs_;
}

}  // namespace tav::studio
