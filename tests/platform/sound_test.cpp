#include "platform/sound.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <SDL2/SDL.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "platform/clock.h"
#include "platform/mp3_decoder.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"

namespace tav::platform {
namespace {

using Clock = std::chrono::steady_clock;

class SoundOutputTest : public ::testing::Test {
 protected:
  void TearDown() override {
    clock::useRealTime();
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
  }
};

TEST_F(SoundOutputTest, DummyDriverPlaysSilentlyInStepWithTheClockUpToTheStreamsEnd) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::vector<std::uint8_t> mp3 = test::encodeTone({.seconds = 2.0});
  SoundOutput sound;
  ASSERT_TRUE(sound.init(44100, 200));
  EXPECT_TRUE(sound.silent());
  ASSERT_TRUE(sound.openStream(mp3));

  clock::setVirtualMs(0xFFFFFF00u);  // the clock wraps during play
  ASSERT_TRUE(sound.play(true));
  clock::setVirtualMs(0xFFFFFF00u + 500);
  EXPECT_EQ(sound.positionMs(), 0);  // paused
  sound.setPaused(false);
  clock::setVirtualMs(0xFFFFFF00u + 1250);
  EXPECT_EQ(sound.positionMs(), 750);
  clock::setVirtualMs(0xFFFFFF00u + 1000);  // a clock that seems to go back
  EXPECT_EQ(sound.positionMs(), 750);
  clock::setVirtualMs(0xFFFFFF00u + 9000);
  EXPECT_EQ(sound.positionMs(), 2000);  // the end of the stream

  sound.stop();
  clock::setVirtualMs(0xFFFFFF00u + 20000);
  EXPECT_EQ(sound.positionMs(), 2000);
  sound.closeStream();
  sound.close();
}

TEST_F(SoundOutputTest, WithoutAStreamPlayRunsASilentClockWithNoEnd) {
  SoundOutput sound;  // not even started: the music file was missing
  clock::setVirtualMs(1000);
  ASSERT_TRUE(sound.play(true));
  sound.setPaused(false);
  clock::setVirtualMs(1000 + 3'600'000);
  EXPECT_EQ(sound.positionMs(), 3'600'000);
  sound.stop();
  clock::setVirtualMs(1000 + 7'200'000);
  EXPECT_EQ(sound.positionMs(), 3'600'000);
}

TEST_F(SoundOutputTest, ReportsTheShowsErrorCodes) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  SoundOutput sound;
  std::vector<std::uint8_t> mp3 = test::encodeTone({.seconds = 0.2});
  EXPECT_FALSE(sound.openStream(mp3));
  EXPECT_EQ(sound.error(), kSoundNotInitialised);
  EXPECT_FALSE(sound.init(44100, 0));
  EXPECT_EQ(sound.error(), kSoundInvalidParameter);
  ASSERT_TRUE(sound.init(44100, 200));
  EXPECT_FALSE(sound.init(44100, 200));
  EXPECT_EQ(sound.error(), kSoundAlreadyInitialised);
  std::vector<std::uint8_t> junk(1000, 0x55);
  EXPECT_FALSE(sound.openStream(junk));
  EXPECT_EQ(sound.error(), kSoundUnknownFormat);
  EXPECT_FALSE(sound.detail().empty());
}

// SDL's disk driver is a real device that paces itself in real time and writes what it is given
// to a file: the device path, end to end, without a sound card.
TEST_F(SoundOutputTest, DeviceGetsTheDecodedStreamAtItsVolumeAndThePositionFollowsIt) {
  test::TempDir dir;
  std::string out = dir.file("out.raw");
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  test::Tone tone{.seconds = 1.0, .frequency = 300.0, .amplitude = 0.8};
  std::vector<std::uint8_t> mp3 = test::encodeTone(tone);

  SoundOutput sound;
  ASSERT_TRUE(sound.init(44100, 200));
  ASSERT_FALSE(sound.silent()) << sound.detail();
  ASSERT_TRUE(sound.openStream(mp3));
  sound.setVolume(128);
  auto start = Clock::now();
  ASSERT_TRUE(sound.play(true));
  sound.setPaused(false);
  std::int32_t last = 0;
  while (Clock::now() - start < std::chrono::seconds(4) && last < 1000) {
    std::int32_t ms = sound.positionMs();
    auto wallMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    ASSERT_GE(ms, last);
    ASSERT_LE(ms, wallMs + 1) << "the position ran ahead of real time";
    last = ms;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(last, 1000);
  sound.stop();
  sound.closeStream();
  sound.close();

  Mp3Decoder decoder;
  ASSERT_TRUE(decoder.open(mp3, 44100));
  std::vector<std::int16_t> expected(2 * 44100);
  ASSERT_EQ(decoder.read(expected.data(), 44100), 44100u);
  std::vector<std::uint8_t> raw = test::readFile(out);
  const auto* written = reinterpret_cast<const std::int16_t*>(raw.data());
  std::size_t samples = raw.size() / 2;
  // SDL feeds a paused device silence, so the stream starts after whatever silence came first.
  std::size_t first = 0;
  while (first < samples && written[first] == 0)
    first += 2;
  ASSERT_GE(samples, first + expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(written[first + i], expected[i] * 128 / 255) << "sample " << i;
  }
  // After the stream, silence.
  for (std::size_t i = first + expected.size(); i < samples; ++i)
    ASSERT_EQ(written[i], 0);
}

// Headphones unplugged in the middle of the show: SDL posts the removal and calls the device no
// more. Here the disk driver stands in for the device, and the removal is posted as SDL posts it.
TEST_F(SoundOutputTest, AfterTheDeviceGoesAwayThePositionCarriesOnAndTheMusicResumesOnANewOne) {
  test::TempDir dir;
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", dir.file("out.raw").c_str(), 1);
  std::vector<std::uint8_t> mp3 = test::encodeTone({.seconds = 2.0});
  std::ostringstream said;
  SoundOutput sound(SoundMode::Device, &said);
  ASSERT_TRUE(sound.init(44100, 200));
  ASSERT_TRUE(sound.openStream(mp3));
  ASSERT_TRUE(sound.play(false));
  auto start = Clock::now();
  auto wallMs = [&] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  };
  std::int32_t last = 0;
  while (last < 400 && wallMs() < 3000) {
    last = sound.positionMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const std::uint32_t lost = sound.outputDevice();
  SDL_Event removal{};
  removal.type = SDL_AUDIODEVICEREMOVED;
  removal.adevice.which = lost;
  ASSERT_EQ(SDL_PushEvent(&removal), 1);
  const std::int32_t removedAt = sound.positionMs();
  EXPECT_GE(removedAt, last);
  EXPECT_NE(said.str().find("went away"), std::string::npos) << said.str();

  // The disk driver opens again at once: the music plays on to its end, in step with real time.
  const std::int64_t removedWall = wallMs();
  while (last < 2000 && wallMs() < 6000) {
    std::int32_t ms = sound.positionMs();
    ASSERT_GE(ms, last) << "the position went back";
    last = ms;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(last, 2000);
  EXPECT_NEAR(static_cast<double>(wallMs() - removedWall), 2000.0 - removedAt, 400.0);
  EXPECT_NE(said.str().find("plays on from"), std::string::npos) << said.str();
  EXPECT_NE(sound.outputDevice(), 0u);  // SDL may give the new device the old one's id
  sound.stop();
  sound.closeStream();
  sound.close();
  // The new device got the rest of the stream, not the whole of it again.
  const std::size_t frames = test::readFile(dir.file("out.raw")).size() / 4;
  EXPECT_LT(frames, static_cast<std::size_t>(44100 * (2000 - removedAt + 600) / 1000));
}

}  // namespace
}  // namespace tav::platform
