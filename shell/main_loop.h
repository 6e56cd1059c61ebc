#pragma once
// The show's frame loop, from the first scene to Escape or the quit flag.
#include <cstdint>

#include "scenes/scene.h"

namespace tav {

class Engine;
class GLWindow;
class MusicStream;
class SyncTrack;
struct ShowState;

struct LoopParts {
  ShowState& state;
  GLWindow& window;
  MusicStream& music;
  SyncTrack& sync;
  Engine& engine;
  const SceneTable& scenes;
};

// What one pass did: the scene that ran (0 for none), the music position the sync track was asked
// at and the event it gave.
struct FrameInfo {
  int scene = 0;
  std::int32_t positionMs = 0;
  std::int32_t event = -1;
  bool eventTaken = false;
};

// Whether the selector chooses a scene (1 to 9): only then is a sync event taken.
bool sceneSelected(const ShowState& state);

// The show's part of a pass, for a selected scene: the event due at `positionMs` is taken and
// the chosen scene draws with it (an empty entry draws nothing).
FrameInfo playScene(LoopParts& parts, std::int32_t positionMs);

// One pass: for a selector of 1 to 9 the event due at the music position is taken and the chosen
// scene draws with it; any other selector takes no event. Then the frame is presented and one
// window message handled. True when Escape asks to leave.
bool runFrame(LoopParts& parts, FrameInfo* info = nullptr);

// Passes until the quit flag is set (tested before each pass) or Escape.
void runMainLoop(LoopParts& parts);

}  // namespace tav
