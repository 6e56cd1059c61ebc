#pragma once
// A stand-in for winmm's wave output, linked by the sound backend's tests in place of
// platform/win32/wave_out.cpp: it always opens, sounds nothing and keeps what the feeder hands
// it. Running, it gives each buffer back at once, so the feeder hands it the whole stream; paused,
// it keeps the buffers it holds; it has played what the test says. Its wake event works unless
// the test says otherwise.
#include <cstdint>
#include <mutex>
#include <vector>

namespace tav::platform::stand_in {

struct Record {
  std::vector<std::int16_t> handed;  // since the latest reset
  int resets = 0;
  bool paused = false;
  std::int64_t played = 0;
  bool noEvent = false;    // the next wake event is not made
  bool waitsFail = false;  // every wait on it fails at once
  int waits = 0;
};

// The feeder hands buffers from a thread of its own: the record is used under `lock`.
extern std::mutex lock;
extern Record record;

// A copy, taken under the lock.
Record snapshot();

}  // namespace tav::platform::stand_in
