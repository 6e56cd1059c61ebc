#include "platform/sdl/audio_reopen.h"

namespace tav::platform {
namespace {

std::atomic<void (*)(SDL_AudioDeviceID)> openedHook{nullptr};

}  // namespace

void AudioDeviceWatch::start() {
  if (watching_) return;
  SDL_AddEventWatch(watch, this);
  watching_ = true;
}

void AudioDeviceWatch::stop() {
  if (!watching_) return;
  // SDL calls watches under its own lock, which this takes: none is running after it.
  SDL_DelEventWatch(watch, this);
  watching_ = false;
}

// On the poster's thread, as each event is posted: SDL posts a removal from its audio threads.
int SDLCALL AudioDeviceWatch::watch(void* userdata, SDL_Event* event) {
  if (event->type != SDL_AUDIODEVICEREMOVED || event->adevice.iscapture) return 0;
  auto* self = static_cast<AudioDeviceWatch*>(userdata);
  std::lock_guard lock(self->mutex_);
  self->lastRemoval_[event->adevice.which] = ++self->count_;
  return 0;
}

AudioDeviceWatch::Device AudioDeviceWatch::open(const SDL_AudioSpec& wanted) {
  Device device;
  device.removalsBefore = count_.load();
  device.id = SDL_OpenAudioDevice(nullptr, 0, &wanted, &device.obtained, 0);
  if (auto hook = openedHook.load(); hook && device.id != 0) hook(device.id);
  return device;
}

bool AudioDeviceWatch::removed(const Device& device) const {
  if (count_.load() == device.removalsBefore) return false;  // the common case, without the lock
  std::lock_guard lock(mutex_);
  auto found = lastRemoval_.find(device.id);
  return found != lastRemoval_.end() && found->second > device.removalsBefore;
}

void AudioDeviceWatch::setOpenedHook(void (*hook)(SDL_AudioDeviceID)) {
  openedHook = hook;
}

void AudioReopen::start(SDL_AudioDeviceID lost, const SDL_AudioSpec& wanted) {
  stop();
  stopping_ = false;
  thread_ = std::thread(&AudioReopen::run, this, lost, wanted);
}

void AudioReopen::run(SDL_AudioDeviceID lost, SDL_AudioSpec wanted) {
  // Closing waits for the lost device's own thread, which may sleep a buffer's length.
  SDL_CloseAudioDevice(lost);
  std::unique_lock lock(mutex_);
  while (
      !wake_.wait_until(lock, lastTry_ + std::chrono::seconds(1), [this] { return stopping_; })) {
    lastTry_ = std::chrono::steady_clock::now();
    lock.unlock();
    AudioDeviceWatch::Device device = watch_.open(wanted);
    lock.lock();
    if (device.id != 0) {
      opened_ = device;
      return;
    }
  }
}

AudioDeviceWatch::Device AudioReopen::take() {
  AudioDeviceWatch::Device device;
  {
    std::lock_guard lock(mutex_);
    std::swap(device, opened_);
  }
  if (device.id != 0 && thread_.joinable()) thread_.join();
  return device;
}

void AudioReopen::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  if (AudioDeviceWatch::Device left = take(); left.id != 0) SDL_CloseAudioDevice(left.id);
}

}  // namespace tav::platform
