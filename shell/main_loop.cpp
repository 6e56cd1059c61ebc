#include "shell/main_loop.h"

#include "scenes/show_state.h"
#include "shell/gl_window.h"
#include "shell/music_stream.h"
#include "shell/sync_track.h"

namespace tav {

bool runFrame(LoopParts& parts, FrameInfo* info) {
  FrameInfo done;
  int selector = parts.state.sceneSelector;
  if (selector >= 1 && selector <= 9) {
    done.positionMs = parts.music.positionMs();
    done.event = parts.sync.next(done.positionMs);
    done.eventTaken = true;
    if (Scene* scene = parts.scenes[static_cast<std::size_t>(selector - 1)]) {
      done.scene = selector;
      scene->frame(parts.engine, done.event);
    }
  }
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
