#include "platform/win32/wave_out.h"

#include <atomic>
#include <chrono>

#include "platform/win32/win32_text.h"

namespace tav::platform {

WakeEvent::WakeEvent() : handle_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
  if (!handle_) error_ = win32::lastErrorText();
}

WakeEvent::~WakeEvent() {
  if (handle_) CloseHandle(handle_);
}

void WakeEvent::set() {
  if (handle_) SetEvent(handle_);
}

bool WakeEvent::wait(DWORD ms) {
  return handle_ && WaitForSingleObject(handle_, ms) != WAIT_FAILED;
}

WaveOut::~WaveOut() {
  shut();
}

MMRESULT WaveOut::open(const WaveOutSettings& settings) {
  shut();
  settings_ = settings;
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = static_cast<DWORD>(settings.rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  MMRESULT result = waveOutOpen(&handle_, WAVE_MAPPER, &format,
                                reinterpret_cast<DWORD_PTR>(settings.wake), 0, CALLBACK_EVENT);
  if (result != MMSYSERR_NOERROR) {
    handle_ = nullptr;
    return result;
  }
  const auto frames = static_cast<std::size_t>(settings.bufferFrames);
  const auto count = static_cast<std::size_t>(settings.buffers);
  samples_.assign(count * frames * 2, 0);
  headers_.assign(count, WAVEHDR{});
  queued_.assign(count, false);
  next_ = 0;
  lastCount_ = 0;
  count_ = 0;
  for (std::size_t i = 0; i < count; ++i) {
    headers_[i].lpData = reinterpret_cast<LPSTR>(samples_.data() + i * frames * 2);
    headers_[i].dwBufferLength = static_cast<DWORD>(frames * 4);
    result = waveOutPrepareHeader(handle_, &headers_[i], sizeof(WAVEHDR));
    if (result != MMSYSERR_NOERROR) {
      shut();
      return result;
    }
  }
  return MMSYSERR_NOERROR;
}

void WaveOut::shut() {
  if (!handle_) return;
  waveOutReset(handle_);
  for (WAVEHDR& header : headers_) {
    if (header.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(handle_, &header, sizeof(WAVEHDR));
  }
  waveOutClose(handle_);
  handle_ = nullptr;
}

std::span<std::int16_t> WaveOut::freeBuffer() {
  if (!handle_ || headers_.empty()) return {};
  // The device sets WHDR_DONE from a thread of its own.
  if (queued_[next_] &&
      !(std::atomic_ref(headers_[next_].dwFlags).load(std::memory_order_acquire) & WHDR_DONE)) {
    return {};
  }
  const auto frames = static_cast<std::size_t>(settings_.bufferFrames);
  return {samples_.data() + next_ * frames * 2, frames * 2};
}

MMRESULT WaveOut::queue() {
  MMRESULT result = waveOutWrite(handle_, &headers_[next_], sizeof(WAVEHDR));
  if (result == MMSYSERR_NOERROR) {
    queued_[next_] = true;
    next_ = (next_ + 1) % headers_.size();
  }
  return result;
}

MMRESULT WaveOut::pause() {
  return waveOutPause(handle_);
}

MMRESULT WaveOut::restart() {
  return waveOutRestart(handle_);
}

MMRESULT WaveOut::reset() {
  MMRESULT result = waveOutReset(handle_);
  next_ = 0;
  lastCount_ = 0;
  count_ = 0;
  return result;
}

MMRESULT WaveOut::played(std::int64_t& frames) {
  MMTIME time{};
  time.wType = TIME_SAMPLES;
  MMRESULT result = waveOutGetPosition(handle_, &time, sizeof time);
  if (result != MMSYSERR_NOERROR) return result;
  // A device may answer in bytes or milliseconds instead.
  const std::uint32_t now = time.wType == TIME_BYTES ? time.u.cb
                            : time.wType == TIME_MS  ? time.u.ms
                                                     : time.u.sample;
  const std::uint32_t step = now - lastCount_;
  if (step < 0x80000000u) {  // a count that seems to go back is not taken
    count_ += step;
    lastCount_ = now;
  }
  frames = time.wType == TIME_BYTES ? count_ / 4
           : time.wType == TIME_MS  ? count_ * settings_.rate / 1000
                                    : count_;
  return MMSYSERR_NOERROR;
}

std::uint32_t WaveOut::id() const {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle_));
}

std::string WaveOut::errorText(MMRESULT result) {
  char text[MAXERRORLENGTH] = {};
  std::string words = waveOutGetErrorTextA(result, text, sizeof text) == MMSYSERR_NOERROR
                          ? std::string(text)
                          : std::string("unknown error");
  return words + " (winmm error " + std::to_string(result) + ")";
}

void WaveOutReopen::start(std::unique_ptr<WaveOut> lost) {
  stop();
  stopping_ = false;
  thread_ = std::thread(&WaveOutReopen::run, this, std::move(lost));
}

void WaveOutReopen::run(std::unique_ptr<WaveOut> lost) {
  const WaveOutSettings settings = lost->settings();
  lost.reset();
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    auto device = std::make_unique<WaveOut>();
    const bool opened = device->open(settings) == MMSYSERR_NOERROR;
    lock.lock();
    if (opened) {
      opened_ = std::move(device);
      return;
    }
    wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; });
  }
}

std::unique_ptr<WaveOut> WaveOutReopen::take() {
  std::unique_ptr<WaveOut> device;
  {
    std::lock_guard lock(mutex_);
    device = std::move(opened_);
  }
  if (device && thread_.joinable()) thread_.join();
  return device;
}

void WaveOutReopen::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  opened_.reset();
}

}  // namespace tav::platform
