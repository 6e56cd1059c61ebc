#include "platform/sound.h"

#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/win32/wave_out.h"

namespace tav::platform {
namespace {

class SoundWin32Test : public ::testing::Test {
 protected:
  void TearDown() override { clock::useRealTime(); }
};

// Where no device opens (Wine with its audio driver off, a machine without a sound card), the
// shell prints the device error, and the reason names what winmm said.
TEST_F(SoundWin32Test, WithoutADeviceInitFailsWithWinmmsReasonAndPlayRunsOnTheClock) {
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
  HWAVEOUT probe = nullptr;
  const MMRESULT result = waveOutOpen(&probe, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
  if (result == MMSYSERR_NOERROR) {
    waveOutClose(probe);
    GTEST_SKIP() << "an audio device opens here";
  }
  char words[MAXERRORLENGTH] = {};
  ASSERT_EQ(waveOutGetErrorTextA(result, words, sizeof words), MMRESULT{MMSYSERR_NOERROR});

  std::ostringstream said;
  SoundOutput sound(SoundMode::Device, &said);
  EXPECT_FALSE(sound.init(44100, 200));
  EXPECT_EQ(sound.error(), kSoundDeviceFailed);
  EXPECT_NE(sound.detail().find(words), std::string::npos) << sound.detail();
  EXPECT_TRUE(sound.silent());
  EXPECT_EQ(sound.outputDevice(), 0u);
  sound.close();  // as the shell does after the error lines

  clock::setVirtualMs(0xFFFFFF00u);  // the clock wraps during play
  ASSERT_TRUE(sound.play(true));
  sound.setPaused(false);
  clock::setVirtualMs(0xFFFFFF00u + 1500);
  EXPECT_EQ(sound.positionMs(), 1500);
  sound.stop();
  EXPECT_TRUE(said.str().empty()) << said.str();  // no device was lost: none was there
}

// Captures and tests ask for no device at all: none is opened, whatever the machine has.
TEST_F(SoundWin32Test, SilentModeNeverOpensADeviceAndKeepsTheShowsErrorCodes) {
  SoundOutput sound(SoundMode::Silent);
  EXPECT_FALSE(sound.openStream({}));
  EXPECT_EQ(sound.error(), kSoundNotInitialised);
  EXPECT_FALSE(sound.init(44100, 0));
  EXPECT_EQ(sound.error(), kSoundInvalidParameter);
  ASSERT_TRUE(sound.init(44100, 200)) << sound.detail();
  EXPECT_EQ(sound.error(), kSoundOk);
  EXPECT_TRUE(sound.silent());
  EXPECT_EQ(sound.outputDevice(), 0u);
  EXPECT_FALSE(sound.init(44100, 200));
  EXPECT_EQ(sound.error(), kSoundAlreadyInitialised);
  sound.close();
}

TEST_F(SoundWin32Test, PositionHoldsWhilePausedNeverGoesBackAndStaysWhereStopFoundIt) {
  SoundOutput sound(SoundMode::Silent);
  ASSERT_TRUE(sound.init(44100, 200));
  clock::setVirtualMs(5000);
  EXPECT_EQ(sound.positionMs(), 0);  // not playing yet
  ASSERT_TRUE(sound.play(true));
  clock::setVirtualMs(5400);
  EXPECT_EQ(sound.positionMs(), 0);  // started paused
  sound.setPaused(false);
  clock::setVirtualMs(6000);
  EXPECT_EQ(sound.positionMs(), 600);
  sound.setPaused(true);
  clock::setVirtualMs(9000);
  EXPECT_EQ(sound.positionMs(), 600);
  sound.setPaused(false);
  clock::setVirtualMs(9250);
  EXPECT_EQ(sound.positionMs(), 850);
  clock::setVirtualMs(9100);  // a clock that seems to go back
  EXPECT_EQ(sound.positionMs(), 850);

  clock::setVirtualMs(9300);
  sound.stop();
  clock::setVirtualMs(20000);
  EXPECT_EQ(sound.positionMs(), 900);
  sound.setPaused(false);  // a stopped stream is not resumed
  clock::setVirtualMs(21000);
  EXPECT_EQ(sound.positionMs(), 900);

  ASSERT_TRUE(sound.play(false));  // play starts at the beginning again
  clock::setVirtualMs(21300);
  EXPECT_EQ(sound.positionMs(), 300);
  sound.seek(90'000);  // no stream: no end to stop at
  clock::setVirtualMs(21500);
  EXPECT_EQ(sound.positionMs(), 90'200);
  sound.setPaused(true);
  sound.seek(-3);
  clock::setVirtualMs(30000);
  EXPECT_EQ(sound.positionMs(), 0);
  sound.close();
}

// After a loss the default device is tried once a second on a thread of its own; closing the show
// must not wait out that second.
TEST(WaveOutReopenTest, StopsPromptlyWhileNoDeviceOpens) {
  HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  WaveOutSettings settings;
  settings.wake = wake;
  auto lost = std::make_unique<WaveOut>();
  if (lost->open(settings) == MMSYSERR_NOERROR) {
    lost.reset();
    CloseHandle(wake);
    GTEST_SKIP() << "an audio device opens here";
  }
  WaveOutReopen reopen;
  reopen.start(std::move(lost));
  EXPECT_TRUE(reopen.running());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // between two tries
  EXPECT_FALSE(reopen.take());
  const auto before = std::chrono::steady_clock::now();
  reopen.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
  EXPECT_FALSE(reopen.running());
  CloseHandle(wake);
}

}  // namespace
}  // namespace tav::platform
