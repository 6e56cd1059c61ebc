#include "tools/showkit/timeline.h"

#include <algorithm>
#include <cmath>

namespace tav::showkit {
namespace {

std::int32_t ms(double seconds) {
  return static_cast<std::int32_t>(std::lround(seconds * 1000.0));
}

// The time of beat `beat` (counting from 0) of bar `bar` of scene `scene`.
double at(int scene, int bar, double beat = 0.0) {
  return sceneStart(scene) + bar * kSecondsPerBar + beat * kSecondsPerBeat;
}

}  // namespace

double sceneStart(int scene) {
  int bars = 0;
  for (int s = 1; s < scene && s <= 9; ++s)
    bars += kSceneBars[static_cast<std::size_t>(s - 1)];
  return bars * kSecondsPerBar;
}

double musicSeconds() {
  return sceneStart(10);
}

std::vector<SyncEvent> syncEvents() {
  std::vector<SyncEvent> events;
  for (int scene = 2; scene <= 9; ++scene)
    events.push_back({ms(sceneStart(scene)), 39});
  // Scene 2: the backdrop and discs flicker on every downbeat after the first bar.
  for (int bar = 1; bar < kSceneBars[1]; ++bar)
    events.push_back({ms(at(2, bar)), bar % 2 ? 40 : 51});
  // Scene 3: the camera jumps a key ahead every four bars.
  for (int bar = 4; bar < kSceneBars[2]; bar += 4)
    events.push_back({ms(at(3, bar)), 8});
  // Scene 5: the camera's circle restarts on the third and seventh bars.
  for (int bar : {3, 7})
    events.push_back({ms(at(5, bar)), 40});
  // Scene 7: the far plane comes in at 1000 on the first beat; the rows shake on beats 2 and 4.
  events.push_back({ms(at(7, 0, 0.25)), 49});
  for (int bar = 1; bar < kSceneBars[6]; ++bar) {
    events.push_back({ms(at(7, bar, 1)), 50});
    events.push_back({ms(at(7, bar, 3)), 51});
  }
  // Scene 8: the spheres are released two bars in.
  events.push_back({ms(at(8, 2)), 40});
  std::stable_sort(events.begin(), events.end(),
                   [](const SyncEvent& a, const SyncEvent& b) { return a.timeMs < b.timeMs; });
  return events;
}

}  // namespace tav::showkit
