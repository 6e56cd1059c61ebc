#include "shell/timeline.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/gl.h"
#include "shell/music_stream.h"

namespace tav {

namespace {

// Far past any show (about 35 years), and far from overflowing once multiplied by a frame rate.
constexpr std::int64_t kLatestMs = std::int64_t{1} << 40;

}  // namespace

std::int64_t firstFrameAt(std::int64_t ms, int fps) {
  return std::max<std::int64_t>((std::clamp<std::int64_t>(ms, 0, kLatestMs) * fps + 999) / 1000, 1);
}

std::int64_t lastFrameBy(std::int64_t ms, int fps) {
  return std::max<std::int64_t>(std::clamp<std::int64_t>(ms, 0, kLatestMs) * fps / 1000, 1);
}

Timeline::Timeline(LoopParts parts, Show& show, const Settings& settings)
    : parts_(parts), show_(show), settings_(settings) {
  settings_.fps = std::max(settings_.fps, 1);
  everyFrames_ = std::max<std::int64_t>(settings_.snapshotEveryMs * settings_.fps / 1000, 1);
  keepSnapshot();
}

bool Timeline::step(bool draw, FrameInfo* info) {
  const std::int64_t t = timeOf(next_);
  if (parts_.state.quit || t > settings_.limitMs) return false;
  platform::clock::setVirtualMs(kShowClockBase + static_cast<std::uint32_t>(t));
  Engine& engine = parts_.engine;
  engine.gl.live = draw;
  FrameInfo done;
  if (sceneSelected(parts_.state)) {
    const std::int64_t musicEnd = parts_.music.lengthMs();
    const std::int64_t position = musicEnd >= 0 ? std::min(t, musicEnd) : t;
    done = playScene(parts_, static_cast<std::int32_t>(position));
  }
  engine.gl.live = true;
  if (info) *info = done;
  ++next_;
  if (parts_.state.quit) {
    if (onTimeline_) endFrame_ = next_ - 1;
  } else if (onTimeline_ && next_ % everyFrames_ == 0) {
    keepSnapshot();
  }
  return true;
}

void Timeline::seek(std::int64_t ms) {
  seekFrame(std::min(frameAt(ms), lastFrameBy(settings_.limitMs, settings_.fps)));
}

void Timeline::seekFrame(std::int64_t frame) {
  if (endFrame_) frame = std::min(frame, *endFrame_);
  // From the nearest snapshot at or before the frame, or from where the show stands if that is
  // nearer and on the timeline.
  auto nearest = std::prev(snapshots_.upper_bound(frame));
  bool skipped = false;
  if (!onTimeline_ || next_ > frame || nearest->first > next_) {
    restoreSnapshot(show_, nearest->second);
    next_ = nearest->first;
    onTimeline_ = true;
    skipped = true;
  }
  while (next_ < frame && step(false)) {
    skipped = true;
    if (endFrame_ && *endFrame_ < frame) return seekFrame(*endFrame_);
  }
  if (skipped) {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  parts_.engine.gl.live = true;
  parts_.engine.gl.apply();
}

void Timeline::forgetPlayed() {
  everyFrames_ = std::max<std::int64_t>(settings_.snapshotEveryMs * settings_.fps / 1000, 1);
  while (snapshots_.size() > 1) {
    snapshotBytes_ -= std::prev(snapshots_.end())->second.bytes();
    snapshots_.erase(std::prev(snapshots_.end()));
  }
  endFrame_.reset();
  onTimeline_ = false;
}

void Timeline::forgetFrom(std::int64_t frame) {
  // A snapshot is the state before its frame plays; the first (frame 1) always stays.
  for (auto it = snapshots_.upper_bound(std::max<std::int64_t>(frame, 1));
       it != snapshots_.end();) {
    snapshotBytes_ -= it->second.bytes();
    it = snapshots_.erase(it);
  }
  if (endFrame_ && *endFrame_ >= frame) endFrame_.reset();
  onTimeline_ = false;
}

void Timeline::keepSnapshot() {
  if (snapshots_.contains(next_)) return;
  const ShowSnapshot& kept = snapshots_.emplace(next_, takeSnapshot(show_, next_)).first->second;
  snapshotBytes_ += kept.bytes();
  // Over the limit: every other one goes (never the first, where every seek may start).
  while (snapshotBytes_ > settings_.memoryLimit && snapshots_.size() > 1) {
    everyFrames_ *= 2;
    for (auto it = std::next(snapshots_.begin()); it != snapshots_.end();) {
      if (it->first % everyFrames_ == 0) {
        ++it;
        continue;
      }
      snapshotBytes_ -= it->second.bytes();
      it = snapshots_.erase(it);
    }
  }
}

}  // namespace tav
