#pragma once
// A stand-in for winmm's wave output: a test program that links wave_out_stand_in.cpp instead of
// platform/win32/wave_out.cpp gets a WaveOut that always opens, sounds nothing and keeps what it
// is handed. While it runs each buffer comes back at once, so the feeder hands it the whole
// stream; paused, it keeps the buffers it holds. It has played what the test says it has.
#include <cstdint>
#include <vector>

namespace tav::test::wave_out {

struct Record {
  std::vector<std::int16_t> handed;  // stereo samples handed since the latest reset
  int resets = 0;
  bool paused = false;
  std::int64_t played = 0;  // what the device says it has played; a reset counts from 0 again
};

// A copy: the feeder hands buffers from a thread of its own.
Record record();
void setPlayed(std::int64_t frames);
void clear();

}  // namespace tav::test::wave_out
