#include "platform/play_position.h"

#include <algorithm>
#include <limits>

namespace tav::platform {

PlayPosition::PlayPosition(int rate, std::int64_t latencyFrames, std::uint64_t counterHz)
    : rate_(rate), latency_(latencyFrames), counterHz_(counterHz) {}

void PlayPosition::reset() {
  handedTotal_ = handedBefore_ = 0;
  callbackCounter_ = 0;
  started_ = false;
  fromDevice_ = fromFrame_ = streamHanded_ = 0;
  heard_ = 0;
}

std::int64_t PlayPosition::takeOver(std::int64_t frames, std::int64_t endFrames) {
  reset();
  heard_ = fromFrame_ = frames;
  // As if the device had played up to `frames` and still held `latency_` more, as it does.
  fromDevice_ = -latency_;
  streamHanded_ =
      endFrames >= 0 ? std::clamp<std::int64_t>(endFrames - frames, 0, latency_) : latency_;
  return frames + streamHanded_;
}

void PlayPosition::seek(std::int64_t frame) {
  fromDevice_ = handedTotal_;
  fromFrame_ = heard_ = frame;
  streamHanded_ = 0;
}

void PlayPosition::handed(std::int64_t frames, std::int64_t streamFrames, std::uint64_t counter) {
  handedBefore_ = handedTotal_;
  handedTotal_ += frames;
  streamHanded_ += streamFrames;
  callbackCounter_ = counter;
  started_ = true;
}

std::int32_t PlayPosition::ms(std::uint64_t counter) {
  if (started_) {
    // When the device asks for more, it still holds `latency_` frames it has not played.
    std::uint64_t ticks = counter > callbackCounter_ ? counter - callbackCounter_ : 0;
    auto since = static_cast<std::int64_t>(static_cast<long double>(ticks) * rate_ /
                                           static_cast<long double>(counterHz_));
    std::int64_t device = std::min(handedBefore_ - latency_ + since, handedBefore_);
    std::int64_t heard =
        fromFrame_ + std::clamp<std::int64_t>(device - fromDevice_, 0, streamHanded_);
    heard_ = std::max(heard_, heard);
  }
  std::int64_t ms = heard_ * 1000 / rate_;
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(ms, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace tav::platform
