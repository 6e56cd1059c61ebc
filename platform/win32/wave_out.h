#pragma once
// winmm's default wave output, opened for 16-bit stereo PCM, with a ring of buffers handed to it
// in turn and the count of frames it has played. A WaveOut is not thread-safe: its owner makes
// every call under one lock, and never from a winmm callback (the device only signals a
// WakeEvent).
#include <windows.h>

#include <mmsystem.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace tav::platform {

// An auto-reset event: set by the device whenever it hands a buffer back, and by the device's owner
// to wake whoever feeds it.
class WakeEvent {
 public:
  WakeEvent();
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  // Null when the system made none; error() then says why.
  HANDLE handle() const { return handle_; }
  const std::string& error() const { return error_; }
  void set();
  // Waits until the event is set or `ms` have passed; false when the wait itself failed.
  bool wait(DWORD ms);

 private:
  HANDLE handle_ = nullptr;
  std::string error_;
};

struct WaveOutSettings {
  int rate = 44100;
  int bufferFrames = 2205;
  int buffers = 4;
  HANDLE wake = nullptr;  // set by the device whenever it hands a buffer back
};

class WaveOut {
 public:
  WaveOut() = default;
  // Stops the device, takes every buffer back and closes it.
  ~WaveOut();
  WaveOut(const WaveOut&) = delete;
  WaveOut& operator=(const WaveOut&) = delete;

  // Opens the default device (WAVE_MAPPER) and prepares the buffers.
  MMRESULT open(const WaveOutSettings& settings);
  const WaveOutSettings& settings() const { return settings_; }

  // The next buffer in play order, when the device does not hold it: room for bufferFrames
  // stereo frames. Empty while every buffer is queued.
  std::span<std::int16_t> freeBuffer();
  // Hands the buffer freeBuffer() gave to the device.
  MMRESULT queue();
  MMRESULT pause();
  MMRESULT restart();
  // Stops at once, hands every buffer back and counts played frames from 0 again.
  MMRESULT reset();
  // Frames played since open or the latest reset; never less than the previous answer.
  MMRESULT played(std::int64_t& frames);
  // The handle's value, by which winmm names the open device; 0 when closed.
  std::uint32_t id() const;

  // winmm's own words for `result`.
  static std::string errorText(MMRESULT result);

 private:
  WaveOutSettings settings_;
  HWAVEOUT handle_ = nullptr;
  std::vector<std::int16_t> samples_;
  std::vector<WAVEHDR> headers_;
  std::vector<bool> queued_;
  std::size_t next_ = 0;
  // The device's own count (in the unit it chose), which wraps at 32 bits, and its sum.
  std::uint32_t lastCount_ = 0;
  std::int64_t count_ = 0;

  void shut();
};

// After the device went away: closes it and opens the default device again once a second, on a
// thread of its own, since closing or opening a device can take long enough to stall a frame.
class WaveOutReopen {
 public:
  WaveOutReopen() = default;
  ~WaveOutReopen() { stop(); }
  WaveOutReopen(const WaveOutReopen&) = delete;
  WaveOutReopen& operator=(const WaveOutReopen&) = delete;

  void start(std::unique_ptr<WaveOut> lost);
  bool running() const { return thread_.joinable(); }
  // The device opened since start(), or null while there is none yet.
  std::unique_ptr<WaveOut> take();
  // Gives up: ends the thread and closes a device it opened that was not taken.
  void stop();

 private:
  void run(std::unique_ptr<WaveOut> lost);

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::unique_ptr<WaveOut> opened_;
  std::thread thread_;
};

}  // namespace tav::platform
