#include "studio/transport.h"

#include <algorithm>

#include "shell/timeline.h"

namespace tav::studio {

std::optional<Command> commandFor(int key, bool shift) {
  switch (key) {
    case keys::kSpace:
      return Command::TogglePlay;
    case keys::kLeft:
      return shift ? Command::BackFar : Command::Back;
    case keys::kRight:
      return shift ? Command::ForwardFar : Command::Forward;
    case keys::kHome:
      return Command::Start;
    case keys::kComma:
      return Command::FrameBack;
    case keys::kPeriod:
      return Command::FrameForward;
    case keys::kPageUp:
      return Command::PreviousEvent;
    case keys::kPageDown:
      return Command::NextEvent;
    case keys::kOpenBracket:
      return Command::LoopStart;
    case keys::kCloseBracket:
      return Command::LoopEnd;
    case keys::kBackslash:
      return Command::LoopClear;
    case keys::kTab:
      return Command::ToggleOverlay;
    default:
      return std::nullopt;
  }
}

void Transport::setEvents(std::span<const std::int32_t> eventTimes) {
  events_.assign(eventTimes.begin(), eventTimes.end());
  std::sort(events_.begin(), events_.end());
  events_.erase(std::unique(events_.begin(), events_.end()), events_.end());
}

Move Transport::apply(Command command, const Position& at) {
  const std::int64_t now = at.timeMs;
  Move move;
  auto seekBy = [&](std::int64_t ms) { move.seekMs = std::max<std::int64_t>(now + ms, 0); };
  switch (command) {
    case Command::TogglePlay:
      move.play = !at.playing;
      break;
    case Command::Back:
      seekBy(-1000);
      break;
    case Command::Forward:
      seekBy(1000);
      break;
    case Command::BackFar:
      seekBy(-10000);
      break;
    case Command::ForwardFar:
      seekBy(10000);
      break;
    case Command::Start:
      move.seekMs = 0;
      break;
    case Command::FrameBack:
      // One frame of the timeline, and only while the picture holds still.
      if (!at.playing && at.frame > 1) move.seekMs = (at.frame - 1) * 1000 / at.fps;
      break;
    case Command::FrameForward:
      if (!at.playing) move.seekMs = (at.frame + 1) * 1000 / at.fps;
      break;
    case Command::PreviousEvent:
      // Events are told apart by the frames they fall on: the event the picture stands on is not
      // the previous one.
      for (auto it = events_.rbegin(); it != events_.rend(); ++it) {
        if (firstFrameAt(*it, at.fps) < at.frame) {
          move.seekMs = std::max<std::int64_t>(*it, 0);
          break;
        }
      }
      break;
    case Command::NextEvent:
      for (std::int64_t t : events_) {
        if (firstFrameAt(t, at.fps) > at.frame) {
          move.seekMs = t;
          break;
        }
      }
      break;
    case Command::LoopStart:
      loop_.startMs = now;
      break;
    case Command::LoopEnd:
      loop_.endMs = now;
      break;
    case Command::LoopClear:
      loop_ = {};
      break;
    case Command::ToggleOverlay:
      move.toggleOverlay = true;
      break;
  }
  return move;
}

std::optional<std::int64_t> Transport::loopBack(std::int64_t nowMs) const {
  if (!loop_.active() || nowMs < *loop_.endMs) return std::nullopt;
  return *loop_.startMs;
}

}  // namespace tav::studio
