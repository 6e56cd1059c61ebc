#include "tests/win32/wave_out_stand_in.h"

#include "platform/win32/wave_out.h"

namespace tav::platform {

namespace stand_in {

std::mutex lock;
Record record;

Record snapshot() {
  std::lock_guard guard(lock);
  return record;
}

}  // namespace stand_in

using stand_in::lock;
using stand_in::record;

WakeEvent::WakeEvent() {
  std::lock_guard guard(lock);
  if (record.noEvent) {
    error_ = "refused by the test";
  } else {
    handle_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  }
}

WakeEvent::~WakeEvent() {
  if (handle_) CloseHandle(handle_);
}

void WakeEvent::set() {
  if (handle_) SetEvent(handle_);
}

bool WakeEvent::wait(DWORD ms) {
  {
    std::lock_guard guard(lock);
    ++record.waits;
    if (record.waitsFail) return false;
  }
  return WaitForSingleObject(handle_, ms) != WAIT_FAILED;
}

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
  std::lock_guard guard(lock);
  const auto buffer = freeBuffer();
  record.handed.insert(record.handed.end(), buffer.begin(), buffer.end());
  queued_[next_] = true;
  headers_[next_].dwFlags = record.paused ? 0 : WHDR_DONE;
  next_ = (next_ + 1) % headers_.size();
  return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::pause() {
  std::lock_guard guard(lock);
  record.paused = true;
  return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::restart() {
  std::lock_guard guard(lock);
  record.paused = false;
  for (WAVEHDR& header : headers_)
    header.dwFlags = WHDR_DONE;
  SetEvent(settings_.wake);
  return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::reset() {
  std::lock_guard guard(lock);
  for (WAVEHDR& header : headers_)
    header.dwFlags = WHDR_DONE;
  next_ = 0;
  record.handed.clear();
  record.played = 0;
  ++record.resets;
  return MMSYSERR_NOERROR;
}

MMRESULT WaveOut::played(std::int64_t& frames) {
  std::lock_guard guard(lock);
  frames = record.played;
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

}  // namespace tav::platform
