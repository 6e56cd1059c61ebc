// The Windows backend's feeder over stand-ins for waveOut (wave_out_stand_in.h) and for the MP3
// decoder, defined here in place of platform/win32/mp3_decoder_acm.cpp: ten seconds that count
// their frames, each sample the number of its frame, read at a gate the test can shut.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "platform/mp3_decoder.h"
#include "platform/sound.h"
#include "tests/win32/wave_out_stand_in.h"

namespace tav::platform {
namespace {

struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool shut = false;
  bool waiting = false;  // a read stands at the shut gate
} gate;

}  // namespace

struct Mp3Decoder::State {
  std::int64_t next = 0;
};

Mp3Decoder::Mp3Decoder() = default;
Mp3Decoder::~Mp3Decoder() = default;

bool Mp3Decoder::open(std::span<const std::uint8_t>, int rate) {
  state_ = std::make_unique<State>();
  lengthFrames_ = 10 * std::int64_t{rate};
  return true;
}

void Mp3Decoder::close() {
  state_.reset();
}

std::size_t Mp3Decoder::read(std::int16_t* out, std::size_t frames) {
  {
    std::unique_lock lock(gate.mutex);
    gate.waiting = gate.shut;
    gate.changed.notify_all();
    gate.changed.wait(lock, [] { return !gate.shut; });
    gate.waiting = false;
  }
  const auto n =
      std::min<std::int64_t>(static_cast<std::int64_t>(frames), lengthFrames_ - state_->next);
  for (std::int64_t i = 0; i < n; ++i)
    out[2 * i] = out[2 * i + 1] = static_cast<std::int16_t>((state_->next + i) % 32768);
  state_->next += n;
  return static_cast<std::size_t>(n);
}

bool Mp3Decoder::rewind() {
  return seek(0);
}

bool Mp3Decoder::seek(std::int64_t frame) {
  state_->next = std::clamp<std::int64_t>(frame, 0, lengthFrames_);
  return true;
}

namespace {

using namespace std::chrono_literals;
const std::uint8_t kBlock[1] = {};

class SoundFeederWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    std::lock_guard lock(stand_in::lock);
    stand_in::record = {};
  }
  void TearDown() override { openGate(); }

  // Shuts the gate and waits for the feeder's next read to stand at it.
  static bool holdNextRead(SoundOutput& sound) {
    std::unique_lock lock(gate.mutex);
    gate.shut = true;
    lock.unlock();
    if (!sound.play(false)) return false;
    lock.lock();
    return gate.changed.wait_for(lock, 2s, [] { return gate.waiting; });
  }
  static void openGate() {
    std::lock_guard lock(gate.mutex);
    gate.shut = false;
    gate.changed.notify_all();
  }
};

TEST_F(SoundFeederWin32, ThePositionIsReadWhileABufferDecodes) {
  SoundOutput sound;
  ASSERT_TRUE(sound.init(44100, 200));
  ASSERT_TRUE(sound.openStream(kBlock));
  ASSERT_TRUE(holdNextRead(sound));
  auto reading = std::async(std::launch::async, [&] { return sound.positionMs(); });
  const bool prompt = reading.wait_for(500ms) == std::future_status::ready;
  openGate();
  EXPECT_TRUE(prompt) << "the position waited for a buffer to decode";
  EXPECT_EQ(reading.get(), 0);
}

TEST_F(SoundFeederWin32, AFailedWaitLeavesTheFeederOnItsOwnPaceNotSpinning) {
  stand_in::record.waitsFail = true;
  SoundOutput sound;
  ASSERT_TRUE(sound.init(44100, 200));
  ASSERT_TRUE(sound.openStream(kBlock));
  ASSERT_TRUE(sound.play(false));
  std::this_thread::sleep_for(300ms);
  const stand_in::Record got = stand_in::snapshot();
  EXPECT_EQ(got.handed.size(), 2u * 441000) << "the whole stream, fed all the same";
  EXPECT_LT(got.waits, 100) << "a round every 25 ms";
}

TEST_F(SoundFeederWin32, WithoutAWakeEventNoDeviceOpensAndTheShowRunsSilent) {
  stand_in::record.noEvent = true;
  SoundOutput sound;
  EXPECT_FALSE(sound.init(44100, 200));
  EXPECT_EQ(sound.error(), kSoundDeviceFailed);
  EXPECT_NE(sound.detail().find("event"), std::string::npos) << sound.detail();
  EXPECT_TRUE(sound.silent());
}

}  // namespace
}  // namespace tav::platform
