// tavrinel: asks for a resolution, opens the full-screen window, sets the show up from the data in
// the working directory and plays it until the last scene ends it, Escape or a close request.
// With --studio (and its options) it is the studio instead; the player itself takes no arguments.
#include <cstring>
#include <iostream>
#include <string>

#include "platform/sound.h"
#include "platform/window.h"
#include "scenes/show_state.h"
#include "shell/console.h"
#include "shell/gl_window.h"
#include "shell/main_loop.h"
#include "shell/show.h"
#include "studio/studio.h"

namespace {

int runStudio(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::cout << "tavrinel\n  Plays the show in the working directory: asks for a resolution, "
                   "then full screen; Escape ends it.\n"
                << tav::studio::usage();
      return 0;
    }
  }
  tav::studio::Options options;
  std::string error;
  if (!tav::studio::parseOptions(argc, argv, options, error)) {
    std::cerr << "tavrinel: " << error << "\nusage:\n  tavrinel\n  " << tav::studio::usage();
    return 2;
  }
  return tav::studio::run(options, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tav;
  if (argc > 1) return runStudio(argc, argv);
  ShowState state;
  Resolution resolution = askResolution(std::cin, std::cout);

  platform::Window platformWindow(platform::VideoBackend::Display);
  GLWindow window(state, platformWindow, GLWindow::SentMessages::AtOnce);
  if (!window.create("tavrinel", resolution.width, resolution.height, 32, true)) return 1;

  platform::SoundOutput sound;
  Show show(state, sound, std::cout, std::cerr);
  setUpShow(show, window, std::cerr);

  if (!window.escapePressed()) {
    LoopParts parts{state, window, show.music, show.sync, show.engine, show.scenes};
    runMainLoop(parts);
  }
  show.music.stop();
  show.music.close();
  return 0;
}
