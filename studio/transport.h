#pragma once
// The studio's transport as values: which key does what, and where each command takes the show's
// time. The studio applies the moves (a seek, play or pause); nothing here touches the show.
//
//   Space          play / pause (the music with it)
//   Left, Right    1 s back, forward; with Shift 10 s
//   Home           to the start
//   , and .        one frame back, forward (while paused)
//   Page Up, Down  the previous, next sync event
//   [ and ]        the loop region's start, end at the show's time; \ clears it
//   Tab            the overlay on or off
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tav::studio {

enum class Command {
  TogglePlay,
  Back,
  Forward,
  BackFar,
  ForwardFar,
  Start,
  FrameBack,
  FrameForward,
  PreviousEvent,
  NextEvent,
  LoopStart,
  LoopEnd,
  LoopClear,
  ToggleOverlay,
};

// Virtual-key codes the studio knows beyond the show's own.
namespace keys {
inline constexpr int kTab = 0x09;
inline constexpr int kShift = 0x10;
inline constexpr int kSpace = 0x20;
inline constexpr int kPageUp = 0x21;
inline constexpr int kPageDown = 0x22;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kRight = 0x27;
inline constexpr int kComma = 0xBC;
inline constexpr int kPeriod = 0xBE;
inline constexpr int kOpenBracket = 0xDB;
inline constexpr int kBackslash = 0xDC;
inline constexpr int kCloseBracket = 0xDD;
}  // namespace keys

// The command of a key pressed with or without Shift; none for keys the studio leaves alone.
std::optional<Command> commandFor(int key, bool shift);

struct LoopRegion {
  std::optional<std::int64_t> startMs;
  std::optional<std::int64_t> endMs;
  // Plays round only with both ends set, the end after the start.
  bool active() const { return startMs && endMs && *endMs > *startMs; }
};

// Where the show stands when a command comes: the time it was last sent to (or plays at), and
// the frame on screen on the timeline of `fps` frames a second (frame k at k × 1000 / fps ms,
// the first at or after that time). Seeks by seconds go from the time, so that they add up
// exactly; frame steps and event jumps go by the frame.
struct Position {
  std::int64_t timeMs = 0;
  std::int64_t frame = 1;
  int fps = 60;
  bool playing = false;
};

// What a command does: where the show's time goes, whether play starts or stops, the overlay.
struct Move {
  std::optional<std::int64_t> seekMs;
  std::optional<bool> play;
  bool toggleOverlay = false;
};

class Transport {
 public:
  // `eventTimes`: the sync events' times, in any order.
  void setEvents(std::span<const std::int32_t> eventTimes);
  Move apply(Command command, const Position& at);

  const LoopRegion& loop() const { return loop_; }
  void setLoop(const LoopRegion& loop) { loop_ = loop; }
  // While playing round a loop: the show time to go back to once `nowMs` reaches its end.
  std::optional<std::int64_t> loopBack(std::int64_t nowMs) const;

 private:
  std::vector<std::int64_t> events_;  // sorted, each time once
  LoopRegion loop_;
};

}  // namespace tav::studio
