// How closely the music position follows real time: plays a generated MP3 for a while and samples
// the position every millisecond against a steady clock started at play.
// Usage: music_position [SECONDS] (the audio driver comes from SDL_AUDIODRIVER).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "platform/sound.h"
#include "shell/music_stream.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
  if (argc > 1 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::puts(
        "usage: music_position [SECONDS]\n"
        "Plays a generated MP3 for SECONDS (default 30) on the audio driver SDL_AUDIODRIVER\n"
        "names and prints how far the music position strays from a steady clock.");
    return 0;
  }
  double seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
  if (seconds <= 0) {
    std::fprintf(stderr, "music_position: SECONDS must be positive\n");
    return 2;
  }
  tav::test::TempDir dir;
  tav::test::writeFile(dir.file("forest.mp3"), tav::test::encodeTone({.seconds = seconds + 5}));

  std::ostringstream console, diagnostics;
  tav::platform::SoundOutput sound;
  tav::MusicStream music(sound, console, diagnostics);
  if (!music.open(dir.file("forest.mp3").c_str())) {
    std::fprintf(stderr, "music_position: %s%s", console.str().c_str(), diagnostics.str().c_str());
    return 1;
  }
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  std::printf("driver %s (%s)\n", driver ? driver : "default",
              sound.silent() ? "silent, on the clock" : "device");

  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  music.play();
  double ahead = -1e9, behind = -1e9;
  long samples = 0, decreases = 0;
  std::int32_t last = 0;
  while (Clock::now() - start < std::chrono::duration<double>(seconds)) {
    std::int32_t position = music.positionMs();
    double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    ahead = std::max(ahead, position - wall);
    behind = std::max(behind, wall - position);
    if (position < last) ++decreases;
    last = position;
    ++samples;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  double wall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  music.stop();
  music.close();
  std::printf("%ld samples over %.1f s; position at end %d ms, wall %.1f ms (ratio %.5f)\n",
              samples, wall / 1000, last, wall, last / wall);
  std::printf("largest lead of position over wall clock: %.1f ms; largest lag: %.1f ms\n", ahead,
              behind);
  std::printf("position decreased: %s\n", decreases ? "yes" : "never");
  return decreases ? 1 : 0;
}
