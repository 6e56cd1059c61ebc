#pragma once
// The show as a timeline on the virtual clock, as tavrinel-capture plays it: frame k at
// k × 1000 / fps ms of show time, the clock at kShowClockBase plus that, the music position the
// same (held at the music's end, as silent play holds it). Any frame can be reached exactly without
// drawing the frames before it: a seek puts back the nearest snapshot of the show's state at or
// before it and plays on from there with nothing drawn, keeping snapshots as it goes, so that the
// state it reaches is the state playing every frame from the start reaches.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>

#include "shell/main_loop.h"
#include "shell/show_snapshot.h"

namespace tav {

// Where the virtual clock stands at show time 0, as it would at any boot time.
inline constexpr std::uint32_t kShowClockBase = 1000;

// On a timeline of `fps` frames a second (frame k at k × 1000 / fps ms, rounded down): the first
// frame at or after show time `ms`, and the last at or before it; frame 1 at the earliest either
// way (frame 0 is the set-up's black frame).
std::int64_t firstFrameAt(std::int64_t ms, int fps);
std::int64_t lastFrameBy(std::int64_t ms, int fps);

class Timeline {
 public:
  struct Settings {
    int fps = 60;
    // Snapshots are kept this far apart while their memory stays under the limit; past it, every
    // other one goes and the spacing doubles.
    std::int64_t snapshotEveryMs = 1000;
    std::size_t memoryLimit = std::size_t{64} << 20;
    // No frame past this show time is ever played: a show that never ends stops here.
    std::int64_t limitMs = 30 * 60 * 1000;
  };

  // Made right after the show's set-up: the state then is where every seek may start.
  Timeline(LoopParts parts, Show& show, const Settings& settings);

  // firstFrameAt at this rate, and the show time of frame k.
  std::int64_t frameAt(std::int64_t ms) const { return firstFrameAt(ms, settings_.fps); }
  std::int64_t timeOf(std::int64_t frame) const { return frame * 1000 / settings_.fps; }

  // Stands the show just before the frame at `ms` (the last frame within the limit at the most),
  // or before its last frame when the show has ended sooner: every frame before it played on the
  // virtual clock, none drawn, and the OpenGL context holding the state they leave. The next step
  // plays that frame. Pixels a frame does not draw hold whatever the frames before it drew there;
  // those were not drawn when frames were skipped, so the picture is then cleared to black first,
  // and every way to a frame gives it the same picture.
  void seek(std::int64_t ms);
  // Plays the next frame at its time, drawn or not; false, playing nothing, once the show has
  // ended (the quit flag set) or the limit is reached.
  bool step(bool draw, FrameInfo* info = nullptr);
  // The show was played off the timeline (in real time): its state is no frame's, and the next
  // seek starts from a snapshot.
  void leave() { onTimeline_ = false; }
  // The show's sync table or music changed: every snapshot but the first (taken before any frame
  // read either) no longer holds, nor does the end found.
  void forgetPlayed();
  // The sync table changed from frame `frame` on (the frames before it play as they did): the
  // snapshots after it no longer hold, nor does an end found from it on.
  void forgetFrom(std::int64_t frame);

  std::int64_t nextFrame() const { return next_; }
  // The frame whose play ended the show, once a seek or a step has reached it.
  std::optional<std::int64_t> endFrame() const { return endFrame_; }
  int fps() const { return settings_.fps; }
  std::size_t snapshotCount() const { return snapshots_.size(); }
  // The latest frame a seek can start from without playing the frames before it.
  std::int64_t lastSnapshotFrame() const { return std::prev(snapshots_.end())->first; }
  std::size_t snapshotBytes() const { return snapshotBytes_; }
  std::int64_t snapshotSpacingMs() const { return everyFrames_ * 1000 / settings_.fps; }

 private:
  void seekFrame(std::int64_t frame);
  void keepSnapshot();

  LoopParts parts_;
  Show& show_;
  Settings settings_;
  std::int64_t next_ = 1;
  bool onTimeline_ = true;
  std::optional<std::int64_t> endFrame_;
  std::int64_t everyFrames_ = 1;
  std::map<std::int64_t, ShowSnapshot> snapshots_;
  std::size_t snapshotBytes_ = 0;
};

}  // namespace tav
