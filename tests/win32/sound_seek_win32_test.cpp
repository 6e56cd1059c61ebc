// The Windows backend's seek over a stand-in for winmm's wave output (wave_out_stand_in.h). The
// MP3 is made on Linux (TAVRINEL_MP3_FIXTURES names where).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/mp3_decoder.h"
#include "platform/sound.h"
#include "tests/win32/wave_out_stand_in.h"

namespace tav::platform {
namespace {

class SoundSeekWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* folder = std::getenv("TAVRINEL_MP3_FIXTURES");
    if (!folder || !*folder) GTEST_SKIP() << "TAVRINEL_MP3_FIXTURES is not set: no MP3 to play";
    // The build names a Linux path; Wine shows the Linux root as drive Z:.
    std::ifstream in((folder[0] == '/' ? "Z:" : "") + std::string(folder) + "/cbr.mp3",
                     std::ios::binary);
    mp3_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::lock_guard lock(stand_in::lock);
    stand_in::record = {};
  }

  // Once the feeder has handed `frames` from the stream's frame `from`: a decoder's frames from
  // that sample exactly, then only the silence that fills the last buffer. The codec's frames after
  // a seek differ from a decode from the start by up to 3 (measured), so the reference seeks too.
  void expectHanded(std::int64_t from, std::int64_t frames) {
    Mp3Decoder decoder;
    ASSERT_TRUE(decoder.open(mp3_, 44100) && decoder.seek(from));
    if (frames < 0) frames = decoder.lengthFrames() - from;
    std::vector<std::int16_t> want(2 * static_cast<std::size_t>(frames));
    ASSERT_EQ(decoder.read(want.data(), want.size() / 2), want.size() / 2);
    stand_in::Record got = stand_in::snapshot();
    for (int wait = 0; wait < 500 && got.handed.size() < want.size(); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      got = stand_in::snapshot();
    }
    ASSERT_GE(got.handed.size(), want.size()) << "from frame " << from;
    EXPECT_TRUE(std::equal(want.begin(), want.end(), got.handed.begin())) << "from frame " << from;
    EXPECT_TRUE(std::all_of(got.handed.begin() + std::ssize(want), got.handed.end(),
                            [](std::int16_t sample) { return sample == 0; }));
  }

  std::vector<std::uint8_t> mp3_;
};

TEST_F(SoundSeekWin32, ASeekDropsWhatWasQueuedAndFeedsTheStreamFromTheSampleOfItsTime) {
  SoundOutput sound;
  ASSERT_TRUE(sound.init(44100, 200));
  ASSERT_TRUE(sound.openStream(mp3_));
  EXPECT_EQ(sound.lengthMs(), 2000);
  ASSERT_TRUE(sound.play(false));
  expectHanded(0, -1);

  sound.seek(1500);
  EXPECT_EQ(sound.positionMs(), 1500);
  expectHanded(66150, -1);
  {
    std::lock_guard lock(stand_in::lock);
    stand_in::record.played = 4410;
  }
  EXPECT_EQ(sound.positionMs(), 1600);

  sound.setPaused(true);
  sound.seek(251);  // back, paused
  EXPECT_TRUE(stand_in::snapshot().paused);
  EXPECT_EQ(sound.positionMs(), 251);
  expectHanded(11069, 4 * 2205);  // the buffers it holds while paused
  EXPECT_EQ(stand_in::snapshot().handed.size(), 2u * 4 * 2205);
  sound.setPaused(false);
  expectHanded(11069, -1);
  EXPECT_EQ(stand_in::snapshot().resets, 4);  // the stream's opening, play and each seek
}

}  // namespace
}  // namespace tav::platform
