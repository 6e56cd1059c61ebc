#include "platform/sound.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

#include "platform/clock.h"
#include "platform/mp3_decoder.h"
#include "platform/sdl/audio_reopen.h"
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
    AudioDeviceWatch::setOpenedHook(nullptr);
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
  EXPECT_EQ(sound.lengthMs(), -1);
  clock::setVirtualMs(1000);
  ASSERT_TRUE(sound.play(true));
  sound.setPaused(false);
  clock::setVirtualMs(1000 + 3'600'000);
  EXPECT_EQ(sound.positionMs(), 3'600'000);
  sound.stop();
  clock::setVirtualMs(1000 + 7'200'000);
  EXPECT_EQ(sound.positionMs(), 3'600'000);
  sound.seek(9'000'000);  // no end to stop at
  EXPECT_EQ(sound.positionMs(), 9'000'000);
}

TEST_F(SoundOutputTest, SilentPlaySeeksItsClockKeepingThePlayStateWithinTheStream) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::vector<std::uint8_t> mp3 = test::encodeTone({.seconds = 2.0});
  SoundOutput sound;
  ASSERT_TRUE(sound.init(44100, 200));
  ASSERT_TRUE(sound.openStream(mp3));
  EXPECT_EQ(sound.lengthMs(), 2000);
  clock::setVirtualMs(1000);
  ASSERT_TRUE(sound.play(false));
  sound.seek(1500);
  clock::setVirtualMs(1100);
  EXPECT_EQ(sound.positionMs(), 1600);
  sound.setPaused(true);
  sound.seek(-40);
  clock::setVirtualMs(2000);
  EXPECT_EQ(sound.positionMs(), 0);
  sound.setPaused(false);
  sound.seek(99'999);
  clock::setVirtualMs(3000);
  EXPECT_EQ(sound.positionMs(), 2000);
  sound.stop();
  sound.seek(700);
  clock::setVirtualMs(4000);
  EXPECT_EQ(sound.positionMs(), 700);  // stopped stays stopped
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

// What the device wrote, walked as silence and runs of the stream, each from the next of `starts`
// on while the frames follow the stream: each run's frames, and whether every frame fitted.
struct Runs {
  std::vector<std::int64_t> frames;
  bool whole = false;
};
Runs walkRuns(const std::vector<std::uint8_t>& raw, const std::vector<std::int16_t>& stream,
              const std::vector<std::int64_t>& starts) {
  const auto* written = reinterpret_cast<const std::int16_t*>(raw.data());
  const auto count = static_cast<std::int64_t>(raw.size() / 4);
  auto same = [&](std::int64_t at, std::int64_t frame) {
    return 2 * frame < std::ssize(stream) && written[2 * at] == stream[2 * frame] &&
           written[2 * at + 1] == stream[2 * frame + 1];
  };
  auto begins = [&](std::int64_t at, std::int64_t frame) {
    for (int i = 0; i < 16; ++i)
      if (at + i >= count || !same(at + i, frame + i)) return false;
    return true;
  };
  Runs runs;
  std::int64_t frame = -1, at = 0;
  for (; at < count; ++at) {
    const std::size_t next = runs.frames.size();
    if (next < starts.size() && begins(at, starts[next])) {
      frame = starts[next];
      runs.frames.push_back(0);
    }
    if (frame >= 0 && same(at, frame)) {
      ++frame;
      ++runs.frames.back();
    } else if (written[2 * at] != 0 || written[2 * at + 1] != 0) {
      break;
    }
  }
  runs.whole = at == count;
  return runs;
}

// A studio seeks forward and back while playing and while paused: the position answers the time
// at once, and the device gets the stream from that time's sample on, to the frame.
TEST_F(SoundOutputTest, ASeekPlaysOnFromTheSampleOfItsTimeForwardBackAndWhilePaused) {
  test::TempDir dir;
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", dir.file("out.raw").c_str(), 1);
  // A sweep: no stretch of it repeats another, so each run is found where it is.
  test::Tone tone{.seconds = 4.0, .frequency = 200.0, .amplitude = 0.8, .endFrequency = 3000.0};
  std::vector<std::uint8_t> mp3 = test::encodeTone(tone);
  SoundOutput sound;
  ASSERT_TRUE(sound.init(44100, 200));
  ASSERT_FALSE(sound.silent()) << sound.detail();
  ASSERT_TRUE(sound.openStream(mp3));
  EXPECT_EQ(sound.lengthMs(), 4000);
  auto start = Clock::now();
  auto reach = [&](std::int32_t ms) {
    while (sound.positionMs() < ms && Clock::now() - start < std::chrono::seconds(15))
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
  };
  std::vector<std::int64_t> heardAt;  // the stream's frame heard when each seek came
  auto seek = [&](std::int32_t ms) {
    heardAt.push_back(std::int64_t{sound.positionMs()} * 441 / 10);
    sound.seek(ms);
    EXPECT_EQ(sound.positionMs(), ms);
  };

  ASSERT_TRUE(sound.play(false));
  reach(300);
  seek(2500);
  reach(2800);
  seek(700);
  reach(1000);
  sound.setPaused(true);
  seek(3001);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(sound.positionMs(), 3001) << "a paused seek played on";
  sound.setPaused(false);
  reach(3300);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(15));
  sound.stop();
  sound.close();

  Mp3Decoder decoder;
  ASSERT_TRUE(decoder.open(mp3, 44100));
  std::vector<std::int16_t> stream(2 * 176400);
  ASSERT_EQ(decoder.read(stream.data(), 176400), 176400u);
  const std::vector<std::int64_t> starts{0, 2500 * 441 / 10, 700 * 441 / 10, 3001 * 441 / 10};
  const Runs runs = walkRuns(test::readFile(dir.file("out.raw")), stream, starts);
  EXPECT_TRUE(runs.whole) << "the device got frames that are not the stream's from a seek";
  ASSERT_EQ(runs.frames.size(), starts.size());
  // SDL cannot take back what its callback was given: at most two buffers of it play on.
  std::int64_t after = 0;
  for (std::size_t i = 0; i + 1 < starts.size(); ++i)
    after = std::max(after, starts[i] + runs.frames[i] - heardAt[i]);
  RecordProperty("played_after_seek_ms", std::to_string(after * 10 / 441));
  EXPECT_LE(after, 2 * 8192 + 44);
}

void pushRemoval(SDL_AudioDeviceID device) {
  SDL_Event removal{};
  removal.type = SDL_AUDIODEVICEREMOVED;
  removal.adevice.which = device;
  EXPECT_EQ(SDL_PushEvent(&removal), 1);
}

std::atomic<int> devicesOpened{0};
// The first device opened after the loss goes too, before the sound layer can take it.
void removeTheFirstReplacement(SDL_AudioDeviceID device) {
  if (devicesOpened++ == 0) pushRemoval(device);
}

// Headphones unplugged in the middle of the show: SDL posts the removal and calls the device no
// more. Here the disk driver stands in for the device, and the removal is posted as SDL posts it.
TEST_F(SoundOutputTest, AfterTheDeviceGoesAwayThePositionCarriesOnAndTheMusicResumesOnANewOne) {
  test::TempDir dir;
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", dir.file("out.raw").c_str(), 1);
  std::vector<std::uint8_t> mp3 = test::encodeTone({.seconds = 4.0});
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
  devicesOpened = 0;
  AudioDeviceWatch::setOpenedHook(removeTheFirstReplacement);
  pushRemoval(sound.outputDevice());
  const std::int32_t removedAt = sound.positionMs();
  EXPECT_GE(removedAt, last);
  EXPECT_NE(said.str().find("went away"), std::string::npos) << said.str();

  // Another device opens a second later: the music plays on to its end, in step with real time.
  // The position never holds: each rise is checked against the time since the one before, so a
  // late look on a busy machine does not count as a hold.
  const std::int64_t removedWall = wallMs();
  std::int64_t seenWall = removedWall, hold = 0;
  while (last < 4000 && wallMs() < 9000) {
    std::int32_t ms = sound.positionMs();
    ASSERT_GE(ms, last) << "the position went back";
    if (ms > last) {
      const std::int64_t now = wallMs();
      hold = std::max(hold, now - seenWall - (ms - last));
      seenWall = now;
    }
    last = ms;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(last, 4000);
  EXPECT_NEAR(static_cast<double>(wallMs() - removedWall), 4000.0 - removedAt, 400.0);
  RecordProperty("largest_hold_ms", std::to_string(hold));
  EXPECT_LT(hold, 8192 * 1000 / 44100) << "held longer than one device buffer";
  EXPECT_EQ(devicesOpened, 2) << "the device removed as it opened was used";
  EXPECT_NE(said.str().find("plays on from"), std::string::npos) << said.str();
  EXPECT_NE(sound.outputDevice(), 0u);  // SDL may give the new device the old one's id
  sound.stop();
  sound.closeStream();
  sound.close();
  // The last device, opened a second or more after the loss, got the rest of the stream from
  // where the show had got to by then (each device opened rewrote the file).
  const std::vector<std::uint8_t> raw = test::readFile(dir.file("out.raw"));
  const auto* written = reinterpret_cast<const std::int16_t*>(raw.data());
  const auto* end = written + raw.size() / 2;
  auto sounding = [](std::int16_t sample) { return sample != 0; };
  const auto* first = std::find_if(written, end, sounding);
  ASSERT_NE(first, end) << "no music came back";
  const auto* after =
      std::find_if(std::make_reverse_iterator(end), std::make_reverse_iterator(first), sounding)
          .base();
  EXPECT_LT((after - first) / 2, 44100 * (4000 - removedAt - 1000) / 1000);
}

// SDL itself gives up on a device that fails, as the disk driver does on a full disk, each time
// one opens: every removal comes as the device opens, and the position must never wait on it.
TEST_F(SoundOutputTest, ADeviceThatFailsAsSoonAsItOpensNeverHoldsThePosition) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", "/dev/full", 1);
  std::vector<std::uint8_t> mp3 = test::encodeTone({.seconds = 3.0});
  std::ostringstream said;
  SoundOutput sound(SoundMode::Device, &said);
  ASSERT_TRUE(sound.init(44100, 200));
  ASSERT_TRUE(sound.openStream(mp3));
  auto start = Clock::now();
  ASSERT_TRUE(sound.play(false));
  std::int32_t last = 0;
  std::int64_t wallMs = 0;
  while (wallMs < 2500) {
    last = sound.positionMs();
    wallMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_NEAR(last, static_cast<double>(wallMs), 150.0) << said.str();
  EXPECT_NE(said.str().find("went away"), std::string::npos) << said.str();

  // Whether the device is lost, awaited or taking over, a seek moves the position, which runs on
  // (held at most a buffer while a device takes over).
  sound.seek(1000);
  EXPECT_EQ(sound.positionMs(), 1000);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_NEAR(sound.positionMs(), 1220.0, 200.0);
}

}  // namespace
}  // namespace tav::platform
