// tavrinel: asks for a resolution, opens the full-screen window, sets the show up from the data in
// the working directory and plays it until the last scene ends it, Escape or a close request.
#include <iostream>

#include "platform/sound.h"
#include "platform/window.h"
#include "scenes/show_state.h"
#include "shell/console.h"
#include "shell/gl_window.h"
#include "shell/main_loop.h"
#include "shell/show.h"

int main() {
  using namespace tav;
  ShowState state;
  Resolution resolution = askResolution(std::cin, std::cout);

  platform::Window platformWindow(platform::VideoBackend::Display);
  GLWindow window(state, platformWindow);
  if (!window.create("tavrinel", resolution.width, resolution.height, 32, true)) return 1;

  platform::SoundOutput sound;
  Show show(state, sound, std::cout, std::cerr);
  setUpShow(show, window, state, std::cerr);

  if (!window.escapePressed()) {
    LoopParts parts{state, window, show.music, show.sync, show.engine, show.scenes};
    runMainLoop(parts);
  }
  show.music.stop();
  show.music.close();
  return 0;
}
