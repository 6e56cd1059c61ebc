#include "tests/win32/wave_out_stand_in.h"

#include <mutex>

#include "platform/win32/wave_out.h"

namespace tav::test::wave_out {
namespace {

std::mutex mutex;
Record current;

}  // namespace

Record record() {
  std::lock_guard lock(mutex);
  return current;
}

void setPlayed(std::int64_t frames) {
  std::lock_guard lock(mutex);
  current.played = frames;
}

void clear() {
  std::lock_guard lock(mutex);
  current = {};
}

}  // namespace tav::test::wave_out

namespace tav::platform {

using test::wave_out::current;
using test::wave_out::mutex;

WaveOut::~WaveOut() = default;

MMRESULT WaveOut::open(const WaveOutSettings& settings) {
  settings_ = settings;
  handle_ = reinterpret_cast<HWAVEOUT>(std::uintptr_t{0x5eed});
  const auto frames = static_cast<std::size_t>(settings.bufferFrames);
  const auto count = static_cast<std::size_t>(settings.buffers);
  samples_.assign(count * frames * 2, 0);
  headers_.assign(count, WAVEHDR{});
  queued_.assign(count, false);
  next_ = 0;
  return MMSYSERR_NOERROR;
}

std::span<std::int16_t> WaveOut::freeBuffer() {
  if (queued_[next_] && !(headers_[next_].dwFlags & WHDR_DONE)) return {};
  const auto frames = static_cast<std::size_t>(settings_.bufferFrames);
  return {samples_.data() + next_ * frames * 2, frames * 2};
}

MMRESULT WaveOut::queue() {
  std::lock_guard lock(mutex);
  const auto samples = static_cast<std::ptrdiff_t>(settings_.bufferFrames) * 2;
  const auto first = samples_.begin() + static_cast<std::ptrdiff_t>(next_) * samples;
  current.handed.insert(current.handed.end(), first, first + samples);
  queued_[next_] = true;
  headers_[next_].dwFlags = current.paused ? 0 : WHDR_DONE;
  next_ = (next_ + 1) % headers_.size();
  return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::pause() {
  std::lock_guard lock(mutex);
  current.paused = true;
  return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::restart() {
  {
    std::lock_guard lock(mutex);
    current.paused = false;
  }
  for (WAVEHDR& header : headers_)
    header.dwFlags = WHDR_DONE;
  SetEvent(settings_.wake);
  return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::reset() {
  std::lock_guard lock(mutex);
  for (WAVEHDR& header : headers_)
    header.dwFlags = WHDR_DONE;
  next_ = 0;
  current.handed.clear();
  current.played = 0;
  ++current.resets;
  return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::played(std::int64_t& frames) {
  std::lock_guard lock(mutex);
  frames = current.played;
  return MMSYSERR_NOERROR;
}

std::uint32_t WaveOut::id() const {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle_));
}

std::string WaveOut::errorText(MMRESULT result) {
  return "stand-in error " + std::to_string(result);
}

// It never goes away, so nothing is reopened.
void WaveOutReopen::start(std::unique_ptr<WaveOut>) {}
std::unique_ptr<WaveOut> WaveOutReopen::take() {
  return nullptr;
}
void WaveOutReopen::stop() {}

}  // namespace tav::platform
