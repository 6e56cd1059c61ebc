#include "shell/main_loop.h"

#include "shell/gl_window.h"
#include "shell/music_stream.h"
#include "shell/show_state.h"
#include "shell/sync_track.h"

namespace tav {

bool runFrame(LoopParts& parts) {
  int selector = parts.state.sceneSelector;
  if (selector >= 1 && selector <= 9) {
    std::int32_t event = parts.sync.next(parts.music.positionMs());
    if (Scene* scene = parts.scenes[static_cast<std::size_t>(selector - 1)]) {
      scene->frame(parts.engine, event);
    }
  }
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
