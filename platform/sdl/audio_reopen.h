#pragma once
// The show's audio device over SDL: opened with its removals watched from that moment, and, after
// it went away, opened again on a thread of its own, since opening a device can take long enough
// to stall a frame.
#include <SDL2/SDL_audio.h>
#include <SDL2/SDL_events.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace tav::platform {

// Every removal of an output device that SDL posts, from whichever thread posts it, counted. SDL
// gives a new device the id of a closed one, so each device opened here carries the count taken
// before it opened: a removal of its id counted after that is its own.
class AudioDeviceWatch {
 public:
  struct Device {
    SDL_AudioDeviceID id = 0;  // 0: none opened
    SDL_AudioSpec obtained{};
    std::uint64_t removalsBefore = 0;
  };

  AudioDeviceWatch() = default;
  ~AudioDeviceWatch() { stop(); }
  AudioDeviceWatch(const AudioDeviceWatch&) = delete;
  AudioDeviceWatch& operator=(const AudioDeviceWatch&) = delete;

  // Before the first device opens, so that no removal goes unseen; stop() after the last closes.
  void start();
  void stop();
  // The default output device, paused.
  Device open(const SDL_AudioSpec& wanted);
  bool removed(const Device& device) const;

  // For tests: called with each device opened here, before anything can use it.
  static void setOpenedHook(void (*hook)(SDL_AudioDeviceID));

 private:
  static int SDLCALL watch(void* userdata, SDL_Event* event);

  bool watching_ = false;
  std::atomic<std::uint64_t> count_{0};
  mutable std::mutex mutex_;
  std::unordered_map<SDL_AudioDeviceID, std::uint64_t> lastRemoval_;  // id: count at its removal
};

// After the show's audio device went away: closes it and opens the default device again until one
// opens, no more often than once a second. The device it opens starts paused; its owner takes it.
class AudioReopen {
 public:
  explicit AudioReopen(AudioDeviceWatch& watch) : watch_(watch) {}
  ~AudioReopen() { stop(); }
  AudioReopen(const AudioReopen&) = delete;
  AudioReopen& operator=(const AudioReopen&) = delete;

  // Closes `lost`, then tries `wanted` on the default device until one opens or stop() is called.
  void start(SDL_AudioDeviceID lost, const SDL_AudioSpec& wanted);
  bool running() const { return thread_.joinable(); }
  // The device opened since start(), paused; id 0 while there is none yet.
  AudioDeviceWatch::Device take();
  // Gives up: ends the thread and closes a device it opened that was not taken.
  void stop();

 private:
  void run(SDL_AudioDeviceID lost, SDL_AudioSpec wanted);

  AudioDeviceWatch& watch_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  AudioDeviceWatch::Device opened_;
  // Kept across starts: a device that goes as soon as it opens is not reopened at the frame rate.
  std::chrono::steady_clock::time_point lastTry_{};
  std::thread thread_;
};

}  // namespace tav::platform
