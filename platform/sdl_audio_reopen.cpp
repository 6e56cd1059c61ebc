#include "platform/sdl_audio_reopen.h"

#include <chrono>

namespace tav::platform {

void AudioReopen::start(SDL_AudioDeviceID lost, const SDL_AudioSpec& wanted) {
  stop();
  stopping_ = false;
  thread_ = std::thread(&AudioReopen::run, this, lost, wanted);
}

void AudioReopen::run(SDL_AudioDeviceID lost, SDL_AudioSpec wanted) {
  // Closing waits for the lost device's own thread, which may sleep a buffer's length.
  SDL_CloseAudioDevice(lost);
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    SDL_AudioSpec obtained{};
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    lock.lock();
    if (device != 0) {
      opened_ = device;
      obtained_ = obtained;
      return;
    }
    wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; });
  }
}

SDL_AudioDeviceID AudioReopen::take(SDL_AudioSpec& obtained) {
  SDL_AudioDeviceID device = 0;
  {
    std::lock_guard lock(mutex_);
    std::swap(device, opened_);
    obtained = obtained_;
  }
  if (device != 0 && thread_.joinable()) thread_.join();
  return device;
}

void AudioReopen::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  SDL_AudioSpec unused;
  if (SDL_AudioDeviceID left = take(unused)) SDL_CloseAudioDevice(left);
}

}  // namespace tav::platform
