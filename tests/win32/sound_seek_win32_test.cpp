// The Windows backend's seek over a stand-in for winmm's wave output, defined here in place of
// platform/win32/wave_out.cpp: it always opens, sounds nothing and keeps what the feeder hands
// it. Running, it gives each buffer back at once, so the feeder hands it the whole stream; paused,
// it keeps the buffers it holds; it has played what the test says. The MP3 is made on Linux
// (TAVRINEL_MP3_FIXTURES names where).
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
#include "platform/win32/wave_out.h"

namespace tav::platform {
namespace {

struct StandIn {
  std::vector<std::int16_t> handed;  // since the latest reset
  int resets = 0;
  bool paused = false;
  std::int64_t played = 0;
};
std::mutex standInMutex;  // the feeder hands buffers from a thread of its own
StandIn standIn;

StandIn record() {
  std::lock_guard lock(standInMutex);
  return standIn;
}

}  // namespace

WaveOut::~WaveOut() = default;

MMRESULT WaveOut::open(const WaveOutSettings& settings) {
  settings_ = settings;
  handle_ = reinterpret_cast<HWAVEOUT>(std::uintptr_t{0x5eed});
  samples_.assign(static_cast<std::size_t>(settings.buffers * settings.bufferFrames * 2), 0);
  headers_.assign(static_cast<std::size_t>(settings.buffers), WAVEHDR{});
  queued_.assign(headers_.size(), false);
  return MMSYSERR_NOERROR;
}

std::span<std::int16_t> WaveOut::freeBuffer() {
  if (queued_[next_] && !(headers_[next_].dwFlags & WHDR_DONE)) return {};
  const auto samples = static_cast<std::size_t>(settings_.bufferFrames) * 2;
  return {samples_.data() + next_ * samples, samples};
}

MMRESULT WaveOut::queue() {
  std::lock_guard lock(standInMutex);
  const auto buffer = freeBuffer();
  standIn.handed.insert(standIn.handed.end(), buffer.begin(), buffer.end());
  queued_[next_] = true;
  headers_[next_].dwFlags = standIn.paused ? 0 : WHDR_DONE;
  next_ = (next_ + 1) % headers_.size();
  return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::pause() {
  std::lock_guard lock(standInMutex);
  standIn.paused = true;
  return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::restart() {
  std::lock_guard lock(standInMutex);
  standIn.paused = false;
  for (WAVEHDR& header : headers_)
    header.dwFlags = WHDR_DONE;
  SetEvent(settings_.wake);
  return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::reset() {
  std::lock_guard lock(standInMutex);
  for (WAVEHDR& header : headers_)
    header.dwFlags = WHDR_DONE;
  next_ = 0;
  standIn.handed.clear();
  standIn.played = 0;
  ++standIn.resets;
  return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::played(std::int64_t& frames) {
  std::lock_guard lock(standInMutex);
  frames = standIn.played;
  return MMSYSERR_NOERROR;
}

std::uint32_t WaveOut::id() const {
  return 1;
}
std::string WaveOut::errorText(MMRESULT result) {
  return std::to_string(result);
}
// It never goes away.
void WaveOutReopen::start(std::unique_ptr<WaveOut>) {}
std::unique_ptr<WaveOut> WaveOutReopen::take() {
  return nullptr;
}
void WaveOutReopen::stop() {}

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
    std::lock_guard lock(standInMutex);
    standIn = {};
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
    StandIn got = record();
    for (int wait = 0; wait < 500 && got.handed.size() < want.size(); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      got = record();
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
    std::lock_guard lock(standInMutex);
    standIn.played = 4410;
  }
  EXPECT_EQ(sound.positionMs(), 1600);

  sound.setPaused(true);
  sound.seek(251);  // back, paused
  EXPECT_TRUE(record().paused);
  EXPECT_EQ(sound.positionMs(), 251);
  expectHanded(11069, 4 * 2205);  // the buffers it holds while paused
  EXPECT_EQ(record().handed.size(), 2u * 4 * 2205);
  sound.setPaused(false);
  expectHanded(11069, -1);
  EXPECT_EQ(record().resets, 4);  // the stream's opening, play and each seek
}

}  // namespace
}  // namespace tav::platform
