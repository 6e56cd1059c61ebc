#include "shell/main_loop.h"

#include "scenes/show_state.h"
#include "shell/gl_window.h"
#include "shell/music_stream.h"
#include "shell/sync_track.h"

namespace tav {

bool sceneSelected(const ShowState& state) {
  return state.sceneSelector >= 1 && state.sceneSelector <= 9;
}

FrameInfo playScene(LoopParts& parts, std::int32_t positionMs) {
  FrameInfo done;
  const int selector = parts.state.sceneSelector;
  done.positionMs = positionMs;
  done.event = parts.sync.next(positionMs);
  done.eventTaken = true;
  if (Scene* scene = parts.scenes[static_cast<std::size_t>(selector - 1)]) {
    done.scene = selector;
    scene->frame(parts.engine, done.event);
  }
  return done;
}

bool runFrame(LoopParts& parts, FrameInfo* info) {
  FrameInfo done;
  if (sceneSelected(parts.state)) done = playScene(parts, parts.music.positionMs());
  if (info) *info = done;
  parts.window.swapBuffers();
  parts.window.pumpMessage();
  return parts.window.escapePressed();
}

void runMainLoop(LoopParts& parts) {
  while (!parts.state.quit) {
    if (runFrame(parts)) break;
  }
}

}  // namespace tav
