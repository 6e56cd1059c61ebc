#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>

#include "platform/mp3_decoder.h"
#include "platform/play_position.h"
#include "platform/sdl_audio_reopen.h"
#include "platform/silent_clock.h"
#include "platform/sound.h"

namespace tav::platform {

struct SoundOutput::Impl {
  enum class State { Idle, Paused, Playing, Stopped };

  bool silentOnly = false;
  std::ostream* diagnostics = &std::cerr;
  bool initialised = false;
  bool audioStarted = false;
  SDL_AudioDeviceID device = 0;
  SDL_AudioSpec wanted{};  // what the device was opened with, to open another the same way
  int rate = 44100;
  int error = kSoundOk;
  std::string detail;
  bool spectrum = false;
  std::atomic<int> volume{255};

  // Shared with the device callback; changed only under the device lock.
  Mp3Decoder decoder;
  State state = State::Idle;
  std::optional<PlayPosition> position;

  SilentClock silentClock;

  std::int32_t lastMs = 0;

  // A removal notice for our device (from whichever thread SDL posts it on), and the search for
  // another device that follows it.
  std::atomic<SDL_AudioDeviceID> watched{0};
  std::atomic<bool> removed{false};
  AudioReopen reopen;

  bool usesDevice() const { return device != 0 && decoder.isOpen(); }

  // On the main thread, before the position or the play state is used.
  void followDevice() {
    if (device != 0 && removed.exchange(false)) loseDevice();
    if (device == 0 && reopen.running()) {
      SDL_AudioSpec obtained{};
      if (SDL_AudioDeviceID found = reopen.take(obtained)) adopt(found, obtained);
    }
  }

  // The device is gone and its callback will not come again: the position carries on from what
  // was heard, on the clock, and another device is looked for.
  void loseDevice() {
    SDL_LockAudioDevice(device);
    if (position && (state == State::Playing || state == State::Paused)) {
      lastMs = std::max(lastMs, position->ms(SDL_GetPerformanceCounter()));
    }
    SDL_UnlockAudioDevice(device);
    SDL_PauseAudioDevice(device, 1);  // takes the device lock: no callback runs after this
    watched = 0;
    const std::int64_t frames = decoder.isOpen() ? decoder.lengthFrames() : -1;
    silentClock.restart(lastMs, frames >= 0 ? frames * 1000 / rate : -1);
    if (state == State::Playing) silentClock.run();
    reopen.start(device, wanted);
    device = 0;
    position.reset();
    say("the audio device went away at " + seconds(lastMs) +
        ": playing on silently, in step with the clock, and looking for another once a second");
  }

  // A device found after a loss, paused: the music plays on from where the show has got to.
  void adopt(SDL_AudioDeviceID found, const SDL_AudioSpec& obtained) {
    device = found;
    watched = found;
    const bool live = state == State::Playing || state == State::Paused;
    const std::int64_t ms = live ? std::max<std::int64_t>(silentClock.ms(), lastMs) : lastMs;
    if (live) silentClock.hold();
    const std::int64_t frame = (ms * rate + 999) / 1000;
    position.emplace(rate, obtained.samples, SDL_GetPerformanceFrequency());
    SDL_LockAudioDevice(device);
    if (decoder.isOpen()) decoder.seek(frame);
    position->startAt(frame);
    SDL_UnlockAudioDevice(device);
    if (usesDevice() && state == State::Playing) SDL_PauseAudioDevice(device, 0);
    say("an audio device opened again: the music plays on from " + seconds(ms));
  }

  void say(const std::string& text) const { *diagnostics << "sound: " << text << std::endl; }
  static std::string seconds(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(ms) / 1000.0);
    return text;
  }

  void fill(Uint8* bytes, int length) {
    auto* out = reinterpret_cast<std::int16_t*>(bytes);
    std::size_t frames = static_cast<std::size_t>(length) / (2 * sizeof(std::int16_t));
    std::size_t got = state == State::Playing ? decoder.read(out, frames) : 0;
    std::memset(out + got * 2, 0, (frames - got) * 2 * sizeof(std::int16_t));
    int gain = volume.load(std::memory_order_relaxed);
    if (gain != 255) {
      for (std::size_t i = 0; i < got * 2; ++i)
        out[i] = static_cast<std::int16_t>(out[i] * gain / 255);
    }
    if (state == State::Playing && position) {
      position->handed(static_cast<std::int64_t>(frames), static_cast<std::int64_t>(got),
                       SDL_GetPerformanceCounter());
    }
  }
};

namespace {

void SDLCALL fillAudio(void* userdata, Uint8* stream, int length) {
  static_cast<SoundOutput::Impl*>(userdata)->fill(stream, length);
}

// Sees every event as it is posted, on the poster's thread: SDL posts a removal from its audio
// threads, and the show's window takes one message a frame.
int SDLCALL watchRemoval(void* userdata, SDL_Event* event) {
  auto* s = static_cast<SoundOutput::Impl*>(userdata);
  if (event->type == SDL_AUDIODEVICEREMOVED && !event->adevice.iscapture &&
      event->adevice.which != 0 && event->adevice.which == s->watched.load()) {
    s->removed = true;
  }
  return 0;
}

// The largest power of two not above `frames`: SDL wants buffer lengths in powers of two.
Uint16 bufferFrames(int frames) {
  Uint16 size = 256;
  while (size < 32768 && size * 2 <= frames)
    size = static_cast<Uint16>(size * 2);
  return size;
}

}  // namespace

SoundOutput::SoundOutput(SoundMode mode, std::ostream* diagnostics)
    : impl_(std::make_unique<Impl>()) {
  impl_->silentOnly = mode == SoundMode::Silent;
  if (diagnostics) impl_->diagnostics = diagnostics;
}

SoundOutput::~SoundOutput() {
  closeStream();
  close();
}

bool SoundOutput::init(int rate, int bufferMs) {
  Impl& s = *impl_;
  if (s.initialised) {
    s.error = kSoundAlreadyInitialised;
    return false;
  }
  if (rate <= 0 || bufferMs <= 0) {
    s.error = kSoundInvalidParameter;
    return false;
  }
  s.rate = rate;
  s.error = kSoundOk;
  s.detail.clear();
  s.initialised = true;
  if (s.silentOnly) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    s.detail = std::string("no audio output (") + SDL_GetError() + ")";
    s.error = kSoundDeviceFailed;
    s.initialised = false;
    return false;
  }
  s.audioStarted = true;
  const char* driver = SDL_GetCurrentAudioDriver();
  if (driver && std::strcmp(driver, "dummy") == 0) {
    s.detail = "SDL's dummy audio driver: playing silently, in step with the clock";
    return true;
  }
  s.wanted = SDL_AudioSpec{};
  s.wanted.freq = rate;
  s.wanted.format = AUDIO_S16SYS;
  s.wanted.channels = 2;
  s.wanted.samples = bufferFrames(rate * bufferMs / 1000);
  s.wanted.callback = fillAudio;
  s.wanted.userdata = impl_.get();
  SDL_AudioSpec obtained{};
  s.device = SDL_OpenAudioDevice(nullptr, 0, &s.wanted, &obtained, 0);
  if (s.device == 0) {
    s.detail = std::string("no audio device (") + SDL_GetError() + ")";
    s.error = kSoundDeviceFailed;
    close();
    return false;
  }
  s.position.emplace(rate, obtained.samples, SDL_GetPerformanceFrequency());
  s.watched = s.device;
  SDL_AddEventWatch(watchRemoval, impl_.get());
  return true;
}

void SoundOutput::close() {
  Impl& s = *impl_;
  s.reopen.stop();
  if (s.audioStarted) SDL_DelEventWatch(watchRemoval, impl_.get());
  s.watched = 0;
  s.removed = false;
  if (s.device != 0) {
    SDL_CloseAudioDevice(s.device);
    s.device = 0;
  }
  if (s.audioStarted) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    s.audioStarted = false;
  }
  s.position.reset();
  s.initialised = false;
}

bool SoundOutput::openStream(std::span<const std::uint8_t> block) {
  Impl& s = *impl_;
  if (!s.initialised) {
    s.error = kSoundNotInitialised;
    return false;
  }
  if (s.device != 0) SDL_LockAudioDevice(s.device);
  bool ok = s.decoder.open(block, s.rate);
  s.state = Impl::State::Idle;
  if (s.device != 0) SDL_UnlockAudioDevice(s.device);
  if (!ok) {
    s.error = kSoundUnknownFormat;
    s.detail = s.decoder.error();
  }
  return ok;
}

void SoundOutput::closeStream() {
  Impl& s = *impl_;
  if (s.device != 0) SDL_LockAudioDevice(s.device);
  s.decoder.close();
  s.state = Impl::State::Idle;
  if (s.device != 0) SDL_UnlockAudioDevice(s.device);
}

bool SoundOutput::play(bool paused) {
  Impl& s = *impl_;
  s.followDevice();
  s.lastMs = 0;
  if (s.usesDevice()) {
    SDL_PauseAudioDevice(s.device, 1);
    SDL_LockAudioDevice(s.device);
    s.decoder.rewind();
    s.position->reset();
    s.state = paused ? Impl::State::Paused : Impl::State::Playing;
    SDL_UnlockAudioDevice(s.device);
    if (!paused) SDL_PauseAudioDevice(s.device, 0);
    return true;
  }
  // Silent: no device, or no stream at all (which then has no end).
  std::int64_t frames = s.decoder.isOpen() ? s.decoder.lengthFrames() : -1;
  s.silentClock.restart(0, frames >= 0 ? frames * 1000 / s.rate : -1);
  s.state = Impl::State::Paused;
  setPaused(paused);
  return true;
}

void SoundOutput::setPaused(bool paused) {
  Impl& s = *impl_;
  s.followDevice();
  if (s.state != Impl::State::Paused && s.state != Impl::State::Playing) return;
  if (s.usesDevice()) {
    SDL_LockAudioDevice(s.device);
    s.state = paused ? Impl::State::Paused : Impl::State::Playing;
    SDL_UnlockAudioDevice(s.device);
    SDL_PauseAudioDevice(s.device, paused ? 1 : 0);
    return;
  }
  if (paused) {
    s.silentClock.hold();
  } else {
    s.silentClock.run();
  }
  s.state = paused ? Impl::State::Paused : Impl::State::Playing;
}

void SoundOutput::stop() {
  Impl& s = *impl_;
  s.followDevice();
  if (s.state == Impl::State::Idle || s.state == Impl::State::Stopped) return;
  positionMs();  // the position stays where the stop found it
  if (s.usesDevice()) {
    SDL_PauseAudioDevice(s.device, 1);
    SDL_LockAudioDevice(s.device);
    s.state = Impl::State::Stopped;
    SDL_UnlockAudioDevice(s.device);
    return;
  }
  s.silentClock.hold();
  s.state = Impl::State::Stopped;
}

void SoundOutput::setVolume(int volume) {
  impl_->volume.store(std::clamp(volume, 0, 255), std::memory_order_relaxed);
}

std::int32_t SoundOutput::positionMs() {
  Impl& s = *impl_;
  s.followDevice();
  if (s.state == Impl::State::Idle || s.state == Impl::State::Stopped) return s.lastMs;
  std::int64_t ms = 0;
  if (s.usesDevice()) {
    SDL_LockAudioDevice(s.device);
    ms = s.position->ms(SDL_GetPerformanceCounter());
    SDL_UnlockAudioDevice(s.device);
  } else {
    ms = std::min<std::int64_t>(s.silentClock.ms(), INT32_MAX);
  }
  s.lastMs = std::max(s.lastMs, static_cast<std::int32_t>(ms));
  return s.lastMs;
}

void SoundOutput::setSpectrumActive(bool active) {
  impl_->spectrum = active;
}
bool SoundOutput::spectrumActive() const {
  return impl_->spectrum;
}
int SoundOutput::error() const {
  return impl_->error;
}
const std::string& SoundOutput::detail() const {
  return impl_->detail;
}
bool SoundOutput::silent() const {
  return impl_->device == 0;
}
std::uint32_t SoundOutput::outputDevice() const {
  return impl_->device;
}

}  // namespace tav::platform
