#pragma once
// The show's time while the studio plays it: the music's position while a device plays the music
// (what is heard is the master clock, as in the show), else a steady clock, picked up where the
// other left off so that the time never jumps when the device comes or goes or the music ends.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace tav::studio {

class ShowClock {
 public:
  using Steady = std::chrono::steady_clock;
  // `heard`: the music's position when a device plays it, or nothing.
  explicit ShowClock(std::function<std::optional<std::int64_t>()> heard,
                     std::function<Steady::time_point()> steadyNow = &Steady::now);

  void play(std::int64_t fromMs);
  void hold(std::int64_t atMs);
  bool playing() const { return playing_; }
  std::int64_t nowMs();

 private:
  std::function<std::optional<std::int64_t>()> heard_;
  std::function<Steady::time_point()> steadyNow_;
  bool playing_ = false;
  std::int64_t anchorMs_ = 0;
  Steady::time_point anchorAt_{};
};

}  // namespace tav::studio
