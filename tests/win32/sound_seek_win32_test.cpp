// The Windows backend's seek over a stand-in for winmm's wave output (wave_out_stand_in.cpp) that
// keeps what the feeder hands it, with an MP3 made on Linux (TAVRINEL_MP3_FIXTURES names where).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/mp3_decoder.h"
#include "platform/sound.h"
#include "tests/win32/wave_out_stand_in.h"

namespace tav::platform {
namespace {

namespace stand_in = test::wave_out;

class SoundSeekWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* folder = std::getenv("TAVRINEL_MP3_FIXTURES");
    if (!folder || !*folder) GTEST_SKIP() << "TAVRINEL_MP3_FIXTURES is not set: no MP3 to play";
    // The build names a Linux path; Wine shows the Linux root as drive Z:.
    std::ifstream in((folder[0] == '/' ? "Z:" : "") + std::string(folder) + "/cbr.mp3",
                     std::ios::binary);
    mp3_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    Mp3Decoder decoder;
    ASSERT_TRUE(decoder.open(mp3_, 44100)) << decoder.error();
    length_ = decoder.lengthFrames();
    stand_in::clear();
  }

  // What the device holds once the feeder has handed it `frames` of the stream from `from`: a
  // decoder's frames from that sample exactly, then only the silence that fills the last buffer.
  // The codec's frames after a seek differ from a decode from the start by up to 3 (measured), so
  // the reference seeks too.
  void expectHanded(std::int64_t from, std::int64_t frames) {
    Mp3Decoder decoder;
    ASSERT_TRUE(decoder.open(mp3_, 44100) && decoder.seek(from));
    std::vector<std::int16_t> want(2 * static_cast<std::size_t>(frames));
    ASSERT_EQ(decoder.read(want.data(), want.size() / 2), want.size() / 2);
    stand_in::Record got = stand_in::record();
    for (int wait = 0; wait < 500 && got.handed.size() < want.size(); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      got = stand_in::record();
    }
    ASSERT_GE(got.handed.size(), want.size()) << "from frame " << from;
    EXPECT_TRUE(std::equal(want.begin(), want.end(), got.handed.begin())) << "from frame " << from;
    EXPECT_TRUE(std::all_of(got.handed.begin() + std::ssize(want), got.handed.end(),
                            [](std::int16_t sample) { return sample == 0; }));
  }

  std::vector<std::uint8_t> mp3_;
  std::int64_t length_ = 0;  // in frames
};

TEST_F(SoundSeekWin32, ASeekDropsWhatWasQueuedAndFeedsTheStreamFromTheSampleOfItsTime) {
  SoundOutput sound;
  ASSERT_TRUE(sound.init(44100, 200));
  ASSERT_TRUE(sound.openStream(mp3_));
  const std::int64_t length = length_;
  EXPECT_EQ(sound.lengthMs(), length * 1000 / 44100);
  ASSERT_TRUE(sound.play(false));
  expectHanded(0, length);
  stand_in::setPlayed(22050);
  EXPECT_EQ(sound.positionMs(), 500);

  sound.seek(1500);
  EXPECT_EQ(sound.positionMs(), 1500);
  expectHanded(66150, length - 66150);
  stand_in::setPlayed(4410);
  EXPECT_EQ(sound.positionMs(), 1600);

  sound.seek(251);  // back
  EXPECT_EQ(sound.positionMs(), 251);
  expectHanded(11069, length - 11069);

  sound.setPaused(true);
  sound.seek(1001);
  EXPECT_TRUE(stand_in::record().paused);
  EXPECT_EQ(sound.positionMs(), 1001);
  expectHanded(44144, 4 * 2205);  // the buffers it holds while paused
  EXPECT_EQ(stand_in::record().handed.size(), 2u * 4 * 2205);
  sound.setPaused(false);
  expectHanded(44144, length - 44144);

  sound.seek(-20);
  EXPECT_EQ(sound.positionMs(), 0);
  expectHanded(0, length);
  EXPECT_EQ(stand_in::record().resets, 6);  // the stream's opening, play and each seek
  sound.stop();
  sound.seek(700);  // stopped: only the position moves
  EXPECT_EQ(sound.positionMs(), 700);
  EXPECT_EQ(stand_in::record().resets, 7);  // the stop's
  sound.closeStream();
  sound.close();
}

}  // namespace
}  // namespace tav::platform
