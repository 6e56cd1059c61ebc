#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <optional>

#include "platform/clock.h"
#include "platform/mp3_decoder.h"
#include "platform/play_position.h"
#include "platform/sound.h"

namespace tav::platform {

struct SoundOutput::Impl {
  enum class State { Idle, Paused, Playing, Stopped };

  bool silentOnly = false;
  bool initialised = false;
  bool audioStarted = false;
  SDL_AudioDeviceID device = 0;
  int rate = 44100;
  int error = kSoundOk;
  std::string detail;
  bool spectrum = false;
  std::atomic<int> volume{255};

  // Shared with the device callback; changed only under the device lock.
  Mp3Decoder decoder;
  State state = State::Idle;
  std::optional<PlayPosition> position;

  // The silent clock: milliseconds run before `runningSince`, and whether it runs.
  std::uint32_t silentBefore = 0;
  std::uint32_t runningSince = 0;
  bool silentRunning = false;
  std::int64_t silentLimitMs = -1;  // the stream's length; -1 when there is no end

  std::int32_t lastMs = 0;

  bool usesDevice() const { return device != 0 && decoder.isOpen(); }

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

  std::int64_t silentMs() const {
    std::int64_t ms = silentBefore;
    if (silentRunning) ms += static_cast<std::uint32_t>(clock::nowMs() - runningSince);
    if (silentLimitMs >= 0) ms = std::min(ms, silentLimitMs);
    return ms;
  }

  void stopSilentClock() {
    silentBefore = static_cast<std::uint32_t>(silentMs());
    silentRunning = false;
  }
};

namespace {

void SDLCALL fillAudio(void* userdata, Uint8* stream, int length) {
  static_cast<SoundOutput::Impl*>(userdata)->fill(stream, length);
}

// The largest power of two not above `frames`: SDL wants buffer lengths in powers of two.
Uint16 bufferFrames(int frames) {
  Uint16 size = 256;
  while (size < 32768 && size * 2 <= frames)
    size = static_cast<Uint16>(size * 2);
  return size;
}

}  // namespace

SoundOutput::SoundOutput(SoundMode mode) : impl_(std::make_unique<Impl>()) {
  impl_->silentOnly = mode == SoundMode::Silent;
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
    s.detail = std::string("no audio output (") + SDL_GetError() + "): playing silently";
    return true;
  }
  s.audioStarted = true;
  const char* driver = SDL_GetCurrentAudioDriver();
  if (driver && std::strcmp(driver, "dummy") == 0) {
    s.detail = "SDL's dummy audio driver: playing silently, in step with the clock";
    return true;
  }
  SDL_AudioSpec wanted{}, obtained{};
  wanted.freq = rate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 2;
  wanted.samples = bufferFrames(rate * bufferMs / 1000);
  wanted.callback = fillAudio;
  wanted.userdata = impl_.get();
  s.device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (s.device == 0) {
    s.detail = std::string("no audio device (") + SDL_GetError() + "): playing silently";
    return true;
  }
  s.position.emplace(rate, obtained.samples, SDL_GetPerformanceFrequency());
  return true;
}

void SoundOutput::close() {
  Impl& s = *impl_;
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
  s.silentLimitMs = frames >= 0 ? frames * 1000 / s.rate : -1;
  s.silentBefore = 0;
  s.silentRunning = false;
  s.state = Impl::State::Paused;
  setPaused(paused);
  return true;
}

void SoundOutput::setPaused(bool paused) {
  Impl& s = *impl_;
  if (s.state != Impl::State::Paused && s.state != Impl::State::Playing) return;
  if (s.usesDevice()) {
    SDL_LockAudioDevice(s.device);
    s.state = paused ? Impl::State::Paused : Impl::State::Playing;
    SDL_UnlockAudioDevice(s.device);
    SDL_PauseAudioDevice(s.device, paused ? 1 : 0);
    return;
  }
  if (paused) {
    s.stopSilentClock();
  } else if (!s.silentRunning) {
    s.runningSince = clock::nowMs();
    s.silentRunning = true;
  }
  s.state = paused ? Impl::State::Paused : Impl::State::Playing;
}

void SoundOutput::stop() {
  Impl& s = *impl_;
  if (s.state == Impl::State::Idle || s.state == Impl::State::Stopped) return;
  positionMs();  // the position stays where the stop found it
  if (s.usesDevice()) {
    SDL_PauseAudioDevice(s.device, 1);
    SDL_LockAudioDevice(s.device);
    s.state = Impl::State::Stopped;
    SDL_UnlockAudioDevice(s.device);
    return;
  }
  s.stopSilentClock();
  s.state = Impl::State::Stopped;
}

void SoundOutput::setVolume(int volume) {
  impl_->volume.store(std::clamp(volume, 0, 255), std::memory_order_relaxed);
}

std::int32_t SoundOutput::positionMs() {
  Impl& s = *impl_;
  if (s.state == Impl::State::Idle || s.state == Impl::State::Stopped) return s.lastMs;
  std::int64_t ms = 0;
  if (s.usesDevice()) {
    SDL_LockAudioDevice(s.device);
    ms = s.position->ms(SDL_GetPerformanceCounter());
    SDL_UnlockAudioDevice(s.device);
  } else {
    ms = std::min<std::int64_t>(s.silentMs(), INT32_MAX);
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

}  // namespace tav::platform
