// tavrinel in the browser: the desktop show's start-up, frame and scenes, with the console
// dialogue on the page's first screen and the music from Web Audio. With stills asked for, each
// is reached by an exact seek on the virtual clock instead, as tavrinel-capture --at does, and
// the page gets each still as a PNG; with --report, the show plays every frame from its start and
// the page gets each scene's median and worst frame time, and every frame's time and GL work. With
// --studio, the studio plays the viewer's folder in the page, its timeline and buttons around it
// (web/studio.js).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <emscripten.h>

#include "platform/clock.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "scenes/show_state.h"
#include "shell/console.h"
#include "shell/gl_window.h"
#include "shell/main_loop.h"
#include "shell/show.h"
#include "shell/timeline.h"
#include "studio/studio.h"
#include "web/frame_report.h"
#include "web/page_bridge.h"
#include "web/studio_bridge.h"

namespace {

using namespace tav;

// The page keeps every still as a PNG in the tab's memory: an address may ask for no more than
// 64 stills and as many pixels as four of the largest size.
constexpr std::size_t kMaxStills = 64;
constexpr std::int64_t kMaxStillPixels = 4LL * 8192 * 8192;

struct StillsOptions {
  std::vector<std::int64_t> at;  // show times in ms, ascending
  int width = 1024;
  int height = 768;
  int fps = 60;
  bool report = false;  // the whole show, timing every frame
};

// The arguments the page passes on from its address: --at=MS,MS... --size=WxH --fps=N.
bool parseStills(int argc, char** argv, StillsOptions& options) {
  bool stills = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--at=", 0) == 0) {
      stills = true;
      for (std::size_t from = 5; from < arg.size();) {
        std::size_t comma = arg.find(',', from);
        if (comma == std::string::npos) comma = arg.size();
        const long long ms = std::atoll(arg.substr(from, comma - from).c_str());
        if (ms >= 0) options.at.push_back(ms);
        from = comma + 1;
      }
    } else if (arg.rfind("--size=", 0) == 0) {
      int w = 0, h = 0;
      if (std::sscanf(arg.c_str() + 7, "%dx%d", &w, &h) == 2 && w >= 16 && h >= 16 && w <= 8192 &&
          h <= 8192) {
        options.width = w;
        options.height = h;
      }
    } else if (arg == "--report") {
      stills = true;
      options.report = true;
    } else if (arg.rfind("--fps=", 0) == 0) {
      const int fps = std::atoi(arg.c_str() + 6);
      if (fps >= 1 && fps <= 1000) options.fps = fps;
    }
  }
  std::sort(options.at.begin(), options.at.end());
  return stills;
}

// The page's line when the window could not be made: what the browser lacks. A refused full
// screen declined by the viewer leaves no such line, only the boxes.
void sayWindowFailure(const platform::Window& window) {
  if (!window.lastError().empty()) {
    web::say(("The show's window could not be made: " + window.lastError() + ".").c_str());
  }
}

// The stills: frame k at k × 1000 / fps ms, the music position the same, frame 0 the black one
// the set-up presents; each still is the first frame at or after its time.
int playStills(const StillsOptions& options) {
  const std::int64_t pixels =
      static_cast<std::int64_t>(options.at.size()) * options.width * options.height;
  if (options.at.size() > kMaxStills || pixels > kMaxStillPixels) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "The address asks for %zu stills of %dx%d, %.1f megapixels in all: the page "
                  "makes at most %zu stills and %.1f megapixels in all.",
                  options.at.size(), options.width, options.height, pixels / 1e6, kMaxStills,
                  kMaxStillPixels / 1e6);
    web::say(text);
    web::publish("ended", 0, 0, 0);
    return 1;
  }
  ShowState state;
  platform::Window platformWindow(platform::VideoBackend::Headless);
  platformWindow.setHeadlessSize({options.width, options.height});
  GLWindow window(state, platformWindow);
  // The largest 4:3 picture inside the frame, letterboxed as a capture's is.
  const Viewport picture = pictureViewport({0, 0}, {options.width, options.height}, 0, 0);
  if (!window.create("tavrinel", picture.width, picture.height, 32, true)) {
    sayWindowFailure(platformWindow);
    web::publish("ended", 0, 0, 0);
    return 1;
  }
  platform::clock::setVirtualMs(kShowClockBase);
  platform::SoundOutput sound(platform::SoundMode::Silent);
  Show show(state, sound, std::cout, std::cerr);
  setUpShow(show, window, std::cerr);

  std::size_t next = 0;
  auto take = [&](std::int64_t t) {
    if (next >= options.at.size() || options.at[next] > t) return;
    platform::Size size;
    std::vector<std::uint8_t> rgb = platformWindow.readPixelsRgb(size);
    for (; next < options.at.size() && options.at[next] <= t; ++next)
      web::addStill(rgb, size.width, size.height);
  };
  take(0);
  LoopParts parts{state, window, show.music, show.sync, show.engine, show.scenes};
  if (!options.report) {
    Timeline timeline(parts, show, {.fps = options.fps});
    while (next < options.at.size()) {
      const std::int64_t wanted = options.at[next];
      timeline.seek(wanted);
      const std::int64_t k = timeline.nextFrame(), t = timeline.timeOf(k);
      if (!timeline.step(true)) break;
      window.swapBuffers();
      take(t);
      web::publish("loading", state.sceneSelector, static_cast<std::int32_t>(t), k);
      if (t < wanted) break;  // the show ended first
      emscripten_sleep(0);
    }
    web::notePrograms(gl11::programsMadeWhileDrawing());
    web::publish("stills", state.sceneSelector, show.music.positionMs(), 0);
    return 0;
  }
  std::vector<web::FrameRecord> frames;
  double lastTurn = emscripten_get_now();
  bool turned = false;
  for (std::int64_t k = 1; !state.quit; ++k) {
    const std::int64_t t = k * 1000 / options.fps;
    platform::clock::setVirtualMs(kShowClockBase + static_cast<std::uint32_t>(t));
    FrameInfo info;
    web::FrameRecord& f = frames.emplace_back();
    const gl11::Work before = gl11::work();
    const double begun = emscripten_get_now();
    runFrame(parts, &info);
    const double drawn = emscripten_get_now();
    web::waitForGpu();
    const double done = emscripten_get_now();
    f.frame = k;
    f.showMs = t;
    f.scene = info.scene;
    f.ms = done - begun;
    f.drawMs = drawn - begun;
    f.gpuMs = done - drawn;
    f.afterTurn = turned;
    f.work = gl11::work() - before;
    turned = false;
    take(t);
    web::publish("loading", state.sceneSelector, info.positionMs, k);
    // The page gets a turn now and then, between frames: what the browser does in it (compositing
    // the canvas, answering its tests) is finished before the next frame is timed.
    if (const double now = emscripten_get_now(); now - lastTurn > 250.0) {
      emscripten_sleep(0);
      web::waitForGpu();
      lastTurn = emscripten_get_now();
      turned = true;
    }
  }
  for (const web::SceneTimes& times : web::sceneTimes(frames))
    web::addSceneTime(times);
  web::addFrames(frames);
  web::notePrograms(gl11::programsMadeWhileDrawing());
  web::publish("stills", state.sceneSelector, show.music.positionMs(), 0);
  return 0;
}

// The show as the viewer plays it: the choice, the window, the set-up and the loop, then the
// music stopped and full screen left.
int playShow() {
  ShowState state;
  web::ConsoleInput input;
  std::istream in(&input);
  const Resolution resolution = askResolution(in, std::cout);
  web::publish("loading", 0, 0, 0);

  platform::Window platformWindow(platform::VideoBackend::Display);
  GLWindow window(state, platformWindow);
  if (!window.create("tavrinel", resolution.width, resolution.height, 32, true)) {
    sayWindowFailure(platformWindow);
    web::publish("ended", 0, 0, 0);
    return 1;
  }
  platform::SoundOutput sound;
  Show show(state, sound, std::cout, std::cerr);
  setUpShow(show, window, std::cerr);

  LoopParts parts{state, window, show.music, show.sync, show.engine, show.scenes};
  std::int64_t frames = 0;
  bool escape = window.escapePressed();
  while (!escape && !state.quit) {
    FrameInfo info;
    escape = runFrame(parts, &info);
    ++frames;
    web::publish("playing", state.sceneSelector,
                 info.eventTaken ? info.positionMs : show.music.positionMs(), frames);
  }
  web::notePrograms(gl11::programsMadeWhileDrawing());
  show.music.stop();
  show.music.close();
  window.destroy();
  web::publish("ended", state.sceneSelector, show.music.positionMs(), frames);
  return 0;
}

// The studio over the folder the page put in its file system. Without --size the viewer picks
// the picture's size from the show's own menu, as the player does.
int playStudio(int argc, char** argv) {
  studio::Options options;
  std::string error;
  if (!studio::parseOptions(argc, argv, options, error)) {
    web::say(("The studio cannot start: " + error + ".").c_str());
    web::publish("ended", 0, 0, 0);
    return 1;
  }
  if (std::none_of(argv + 1, argv + argc,
                   [](const char* a) { return std::string(a) == "--size"; })) {
    web::ConsoleInput input;
    std::istream in(&input);
    const Resolution resolution = askResolution(in, std::cout);
    options.width = resolution.width;
    options.height = resolution.height;
  }
  web::PageHost host;
  options.host = &host;
  web::publish("studio", 0, 0, 0);
  const int status = studio::run(options, std::cout, std::cerr);
  web::publish("ended", 0, 0, 0);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--studio") return playStudio(argc, argv);
  }
  StillsOptions stills;
  if (parseStills(argc, argv, stills)) return playStills(stills);
  return playShow();
}
