// Seek times on the show's own data, headless (Mesa's software rasteriser): a seek to every whole
// second of the show in a shuffled order, each timed from the call to the drawn frame finished
// (seek, one frame drawn, glFinish). The first round starts with no snapshot but the first, so it
// pays for the snapshots it keeps; the second round finds them all. Prints the median and worst
// of each round, the snapshots and their memory.
// Usage: seek [SHOW_DIR] [WxH] [FPS]   (defaults: build/show, 1024x768, 60)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/gl.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "scenes/show_state.h"
#include "shell/gl_window.h"
#include "shell/main_loop.h"
#include "shell/show.h"
#include "shell/timeline.h"

using namespace tav;
using Clock = std::chrono::steady_clock;

namespace {

struct Round {
  double medianMs;
  double worstMs;
  std::int64_t worstAt;
};

Round round(Timeline& timeline, const std::vector<std::int64_t>& seconds) {
  std::vector<double> times;
  Round r{0, 0, 0};
  for (std::int64_t s : seconds) {
    const auto begun = Clock::now();
    timeline.seek(s * 1000);
    timeline.step(true);
    glFinish();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begun).count();
    times.push_back(ms);
    if (ms > r.worstMs) r = {0, ms, s};
  }
  std::sort(times.begin(), times.end());
  r.medianMs = times[times.size() / 2];
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path show = argc > 1 ? argv[1] : "build/show";
  int width = 1024, height = 768, fps = 60;
  if (argc > 2 && std::sscanf(argv[2], "%dx%d", &width, &height) != 2) {
    std::fprintf(stderr, "usage: seek [SHOW_DIR] [WxH] [FPS]\n");
    return 2;
  }
  if (argc > 3) fps = std::max(1, std::atoi(argv[3]));
  std::error_code ec;
  std::filesystem::current_path(show, ec);
  if (ec) {
    std::fprintf(stderr, "seek: cannot enter %s: %s\n", show.c_str(), ec.message().c_str());
    return 1;
  }
  ShowState state;
  platform::Window headless(platform::VideoBackend::Headless);
  GLWindow window(state, headless);
  if (!window.create("tavrinel", width, height, 32, true)) {
    std::fprintf(stderr, "seek: no headless OpenGL context (%s)\n", headless.lastError().c_str());
    return 1;
  }
  platform::clock::setVirtualMs(kShowClockBase);
  platform::SoundOutput sound(platform::SoundMode::Silent);
  std::ostringstream quiet;
  Show tavShow(state, sound, quiet, quiet);
  setUpShow(tavShow, window, quiet);
  LoopParts parts{state, window, tavShow.music, tavShow.sync, tavShow.engine, tavShow.scenes};
  const std::int64_t musicMs = tavShow.music.lengthMs();
  // Both made at the set-up's state: one finds where the show ends by itself (a seek past the
  // music), the other is timed from scratch.
  Timeline probe(parts, tavShow, {.fps = fps});
  Timeline timed(parts, tavShow, {.fps = fps});
  probe.seek(musicMs > 0 ? musicMs + 60000 : 30 * 60 * 1000);
  const std::int64_t end = probe.timeOf(probe.endFrame().value_or(probe.nextFrame()));
  timed.leave();  // the probe moved the show: start from a snapshot

  std::vector<std::int64_t> seconds;
  for (std::int64_t s = 0; s * 1000 <= end; ++s)
    seconds.push_back(s);
  std::shuffle(seconds.begin(), seconds.end(), std::mt19937(1));

  std::printf(
      "show of %.3f s at %dx%d, %d frames a second: a seek to each of its %zu whole seconds\n",
      static_cast<double>(end) / 1000.0, width, height, fps, seconds.size());
  const Round first = round(timed, seconds);
  std::printf(
      "first round (keeping snapshots as it goes): median %.1f ms, worst %.1f ms (at %lld s)\n",
      first.medianMs, first.worstMs, static_cast<long long>(first.worstAt));
  const Round second = round(timed, seconds);
  std::printf(
      "second round (every snapshot kept):         median %.1f ms, worst %.1f ms (at %lld s)\n",
      second.medianMs, second.worstMs, static_cast<long long>(second.worstAt));
  std::printf("snapshots: %zu, one every %lld ms, %.2f MB in all (limit 64 MB)\n",
              timed.snapshotCount(), static_cast<long long>(timed.snapshotSpacingMs()),
              static_cast<double>(timed.snapshotBytes()) / (1024.0 * 1024.0));
  std::printf("goals: median under 100 ms, worst under 250 ms, snapshots under 64 MB\n");
  platform::clock::useRealTime();
  return 0;
}
