// The Windows backend's feeder over stand-ins for waveOut (wave_out_stand_in.h) and for the MP3
// decoder, defined here in place of platform/win32/mp3_decoder_acm.cpp: ten seconds of a constant,
// whose next read the test can hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <semaphore>
#include <thread>

#include "platform/mp3_decoder.h"
#include "platform/sound.h"
#include "tests/win32/wave_out_stand_in.h"

namespace tav::platform {
namespace {

std::atomic<bool> holdNextRead = false;
std::binary_semaphore readHeld{0}, readGoesOn{0};

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
  if (holdNextRead.exchange(false)) {
    readHeld.release();
    readGoesOn.acquire();
  }
  const auto n = std::min(static_cast<std::int64_t>(frames), lengthFrames_ - state_->next);
  std::fill_n(out, 2 * n, std::int16_t{1000});
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
};

TEST_F(SoundFeederWin32, ThePositionIsReadWhileABufferDecodes) {
  SoundOutput sound;
  ASSERT_TRUE(sound.init(44100, 200));
  ASSERT_TRUE(sound.openStream(kBlock));
  holdNextRead = true;
  ASSERT_TRUE(sound.play(false));
  ASSERT_TRUE(readHeld.try_acquire_for(2s));
  auto reading = std::async(std::launch::async, [&] { return sound.positionMs(); });
  const bool prompt = reading.wait_for(500ms) == std::future_status::ready;
  readGoesOn.release();
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
