#pragma once
// Where playback is, as heard: the frames handed to the output device minus what its buffer still
// holds, carried forward between device callbacks by a high-resolution counter. Not thread-safe:
// the owner guards it with the device lock.
#include <cstdint>

namespace tav::platform {

class PlayPosition {
 public:
  // `latencyFrames`: what the device still holds, unheard, when it asks for more.
  PlayPosition(int rate, std::int64_t latencyFrames, std::uint64_t counterHz);

  void reset();
  // As reset, for a device that takes over, at its first callback, a position that was running
  // on without it: `frames` are heard by then and the position runs on from there at once. What
  // the device is handed now is heard only after what it holds, so the stream goes on from that
  // far ahead (at most from `endFrames`, the stream's length when known, else -1): the frame
  // returned, where the owner seeks.
  std::int64_t takeOver(std::int64_t frames, std::int64_t endFrames);
  // The stream jumps to `frame` for what the device is handed from now on. What it already holds
  // still plays first, so the position answers `frame` at once and holds there until that is
  // heard; it may go back here, and nowhere else.
  void seek(std::int64_t frame);
  // The device took `frames` more frames at `counter`; the first `streamFrames` of them are the
  // stream's (the rest is silence after its end).
  void handed(std::int64_t frames, std::int64_t streamFrames, std::uint64_t counter);
  // Milliseconds heard at `counter`. Never beyond what was handed before the latest callback nor
  // beyond the stream's frames, and never less than the previous answer.
  std::int32_t ms(std::uint64_t counter);

 private:
  int rate_;
  std::int64_t latency_;
  std::uint64_t counterHz_;
  std::int64_t handedTotal_ = 0;   // device frames
  std::int64_t handedBefore_ = 0;  // handed before the latest callback
  std::uint64_t callbackCounter_ = 0;
  bool started_ = false;
  // The stream as heard since the latest seek: stream frame `fromFrame_` is heard at device frame
  // `fromDevice_`, and `streamHanded_` of its frames have been handed since.
  std::int64_t fromDevice_ = 0;
  std::int64_t fromFrame_ = 0;
  std::int64_t streamHanded_ = 0;
  std::int64_t heard_ = 0;  // stream frames
};

}  // namespace tav::platform
