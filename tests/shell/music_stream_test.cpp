#include "shell/music_stream.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/clock.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"

namespace tav {
namespace {

TEST(SoundErrorText, EveryCodeOfTheTableAndUnknownOutsideIt) {
  const char* const expected[] = {
      "No errors",
      "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
      "This command failed because FSOUND_Init was not called or called properly",
      "Error initializing output device.",
      "The output device is already in use and cannot be reused.",
      "Playing the sound failed.",
      "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
      "Error setting cooperative level for hardware.",
      "Error creating hardware sound buffer.",
      "File not found",
      "Unknown file format",
      "Error loading file",
      "Not enough memory ",
      "The version number of this file format is not supported",
      "An invalid parameter was passed to this function",
      "Tried to use an EAX command on a non EAX enabled channel or output.",
      "Failed to allocate a new channel",
      "Recording not supported on this device",
      "Required Mediaplayer codec is not installed",
  };
  for (int code = 0; code < 19; ++code)
    EXPECT_STREQ(soundErrorText(code), expected[code]);
  EXPECT_STREQ(soundErrorText(19), "Unknown error");
  EXPECT_STREQ(soundErrorText(-1), "Unknown error");
  EXPECT_STREQ(soundErrorText(INT32_MIN), "Unknown error");
}

class MusicStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
  void TearDown() override {
    platform::clock::useRealTime();
    unsetenv("SDL_AUDIODRIVER");
  }

  test::TempDir dir;
  std::ostringstream console;
  std::ostringstream diagnostics;
  platform::SoundOutput sound;
  MusicStream music{sound, console, diagnostics};
};

TEST_F(MusicStreamTest, AMissingFilePrintsTheTwoLinesAndTheShowRunsOnTheClock) {
  EXPECT_FALSE(music.open(dir.file("forest.mp3").c_str()));
  EXPECT_EQ(console.str(), "Error!\nFile Not Found\n");

  platform::clock::setVirtualMs(5000);
  music.play();
  music.enableSpectrum();
  music.setVolume(255);
  EXPECT_EQ(music.positionMs(), 0);
  platform::clock::setVirtualMs(5000 + 61'000);
  EXPECT_EQ(music.positionMs(), 61'000);
  music.stop();
  music.close();
}

TEST_F(MusicStreamTest, NoAudioDeviceOrAnUnreadableFileAreSaidAsWrittenAndPlayOnTheClock) {
  test::writeFile(dir.file("forest.mp3"), test::encodeTone({.seconds = 1.0}));
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_FALSE(music.open(dir.file("forest.mp3").c_str()));
  EXPECT_EQ(console.str(), "Error!\nError initializing output device.\n");
  EXPECT_NE(diagnostics.str().find("no-such-driver"), std::string::npos) << diagnostics.str();
  platform::clock::setVirtualMs(100);
  music.play();
  platform::clock::setVirtualMs(2100);
  EXPECT_EQ(music.positionMs(), 2000);
  music.stop();
  music.close();

  // A folder where the music file should be: there, but it cannot be read.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  std::filesystem::create_directory(dir.file("folder.mp3"));
  std::ostringstream lines, why;
  platform::SoundOutput output;
  MusicStream folder{output, lines, why};
  EXPECT_FALSE(folder.open(dir.file("folder.mp3").c_str()));
  EXPECT_EQ(lines.str(), "Error!\nFile Not Found\n");
  EXPECT_NE(why.str().find("not a regular file"), std::string::npos) << why.str();
}

TEST_F(MusicStreamTest, PlaysAnMp3FileInStepWithTheWallClock) {
  test::writeFile(dir.file("forest.mp3"), test::encodeTone({.seconds = 4.0}));
  ASSERT_TRUE(music.open(dir.file("forest.mp3").c_str()));
  EXPECT_EQ(console.str(), "");
  EXPECT_TRUE(sound.silent());  // the dummy driver: the position follows the clock

  auto start = std::chrono::steady_clock::now();
  music.play();
  music.enableSpectrum();
  EXPECT_TRUE(sound.spectrumActive());
  music.setVolume(255);
  EXPECT_LT(music.positionMs(), 20);  // just started: events near 0 come out in the first frames
  std::int32_t last = 0;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
    std::int32_t now = music.positionMs();
    ASSERT_GE(now, last);
    last = now;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  double wall =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::int32_t position = music.positionMs();
  EXPECT_NEAR(position / wall, 1.0, 0.02);

  music.stop();
  std::int32_t stopped = music.positionMs();
  EXPECT_GE(stopped, position);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(music.positionMs(), stopped);
  music.close();
}

TEST_F(MusicStreamTest, AFileThatIsNotMp3IsReportedAndPlaysSilently) {
  test::writeFile(dir.file("forest.mp3"), std::vector<std::uint8_t>(3000, 'z'));
  EXPECT_FALSE(music.open(dir.file("forest.mp3").c_str()));
  EXPECT_EQ(console.str(), "");
  EXPECT_NE(diagnostics.str().find("Unknown file format"), std::string::npos) << diagnostics.str();
  platform::clock::setVirtualMs(100);
  music.play();
  platform::clock::setVirtualMs(350);
  EXPECT_EQ(music.positionMs(), 250);
}

}  // namespace
}  // namespace tav
