#pragma once
// The show's one timeline: the music's sections are the scenes, and the sync table's events fall
// on its beats. The soundtrack and "sync.dat" are both made from it, so they cannot disagree.
#include <array>
#include <cstdint>
#include <vector>

namespace tav::showkit {

inline constexpr double kBeatsPerMinute = 120.0;
inline constexpr double kSecondsPerBeat = 60.0 / kBeatsPerMinute;
inline constexpr int kBeatsPerBar = 4;
inline constexpr double kSecondsPerBar = kSecondsPerBeat * kBeatsPerBar;

// Bars of each scene, 1 to 9. Scene 1 needs about 28 s for its title to cross the view, scene 3
// about 27 s, and scene 9 ends the show by itself 21.47 s after it starts.
inline constexpr std::array<int, 9> kSceneBars = {14, 10, 15, 10, 10, 8, 10, 12, 12};

struct SyncEvent {
  std::int32_t timeMs;
  std::int32_t code;
};

// Seconds at which scene n (1 to 9) starts; sceneStart(10) is the end of the music.
double sceneStart(int scene);
// The music's length in seconds.
double musicSeconds();
// Every event, in time order: code 39 at each scene change, and the scenes' own cues.
std::vector<SyncEvent> syncEvents();

}  // namespace tav::showkit
