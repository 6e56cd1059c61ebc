#pragma once
// After the show's audio device went away: closes it and opens the default device again, once a
// second until one opens, on a thread of its own, since opening a device can take long enough to
// stall a frame. The device it opens starts paused; its owner takes it and sets it playing.
#include <SDL2/SDL_audio.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace tav::platform {

class AudioReopen {
 public:
  AudioReopen() = default;
  ~AudioReopen() { stop(); }
  AudioReopen(const AudioReopen&) = delete;
  AudioReopen& operator=(const AudioReopen&) = delete;

  // Closes `lost`, then tries `wanted` on the default device until one opens or stop() is called.
  void start(SDL_AudioDeviceID lost, const SDL_AudioSpec& wanted);
  bool running() const { return thread_.joinable(); }
  // The device opened since start(), paused, with what it gives; 0 while there is none yet.
  SDL_AudioDeviceID take(SDL_AudioSpec& obtained);
  // Gives up: ends the thread and closes a device it opened that was not taken.
  void stop();

 private:
  void run(SDL_AudioDeviceID lost, SDL_AudioSpec wanted);

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  SDL_AudioDeviceID opened_ = 0;
  SDL_AudioSpec obtained_{};
  std::thread thread_;
};

}  // namespace tav::platform
