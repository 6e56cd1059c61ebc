#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>

#include "platform/mp3_decoder.h"
#include "platform/play_position.h"
#include "platform/sdl/audio_reopen.h"
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

  // Keeps the position while there is no device, and, after one is found, until its first
  // callback takes over; read there too, so changed under the device lock while `handover`.
  SilentClock silentClock;
  bool handover = false;

  std::int32_t lastMs = 0;

  // Removals of devices, watched for as long as any is open, and the search for another device
  // after ours went away.
  AudioDeviceWatch watch;
  AudioDeviceWatch::Device opened;
  AudioReopen reopen{watch};

  bool usesDevice() const { return device != 0 && decoder.isOpen(); }
  void runSilentClock(bool run) { run ? silentClock.run() : silentClock.hold(); }
  bool live() const { return state == State::Playing || state == State::Paused; }
  std::int64_t streamMs() const {
    const std::int64_t frames = decoder.isOpen() ? decoder.lengthFrames() : -1;
    return frames >= 0 ? frames * 1000 / rate : -1;
  }
  void remember(std::int64_t ms) {
    lastMs = std::max(lastMs, static_cast<std::int32_t>(std::min<std::int64_t>(ms, INT32_MAX)));
  }

  // Under the device lock: what has been heard, or the silent clock until the device takes over.
  std::int64_t heardMs() {
    return handover ? silentClock.ms() : position->ms(SDL_GetPerformanceCounter());
  }

  // On the main thread, before the position or the play state is used.
  void followDevice() {
    if (device != 0 && watch.removed(opened)) loseDevice();
    if (device == 0 && reopen.running()) {
      const AudioDeviceWatch::Device found = reopen.take();
      if (found.id != 0 && watch.removed(found)) {
        reopen.start(found.id, wanted);
        say("the audio device that opened went away at once: looking for another");
      } else if (found.id != 0) {
        adopt(found);
      }
    }
  }

  // The device is gone and its callback will not come again: the position carries on from what
  // was heard, on the clock, and another device is looked for.
  void loseDevice() {
    SDL_PauseAudioDevice(device, 1);  // takes the device lock: no callback runs after this
    if (usesDevice() && live()) {
      SDL_LockAudioDevice(device);
      remember(heardMs());
      handover = false;
      SDL_UnlockAudioDevice(device);
      // Without a stream the silent clock already keeps the position.
      silentClock.restart(lastMs, streamMs());
      if (state == State::Playing) silentClock.run();
    }
    reopen.start(device, wanted);
    device = 0;
    opened = {};
    position.reset();
    say("the audio device went away at " + seconds(lastMs) +
        ": playing on silently, in step with the clock, and looking for another once a second");
  }

  // A device found after a loss, paused. The silent clock keeps the position until the device's
  // first callback, which starts the music from wherever the show has got to by then.
  void adopt(const AudioDeviceWatch::Device& found) {
    device = found.id;
    opened = found;
    position.emplace(rate, found.obtained.samples, SDL_GetPerformanceFrequency());
    SDL_LockAudioDevice(device);
    handover = usesDevice() && live();
    const bool playing = handover && state == State::Playing;
    const std::int64_t ms = handover ? silentClock.ms() : lastMs;
    SDL_UnlockAudioDevice(device);
    if (playing) SDL_PauseAudioDevice(device, 0);
    say("an audio device opened again: the music plays on from the show's position, now " +
        seconds(ms));
  }

  void say(const std::string& text) const { *diagnostics << "sound: " << text << std::endl; }
  static std::string seconds(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(ms) / 1000.0);
    return text;
  }

  void fill(Uint8* bytes, int length) {
    const std::uint64_t now = SDL_GetPerformanceCounter();
    if (handover && state == State::Playing) {
      // The device takes over at the show's position now.
      handover = false;
      const std::int64_t heard = (silentClock.ms() * rate + 999) / 1000;
      decoder.seek(position->takeOver(heard, decoder.lengthFrames()));
    }
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
      position->handed(static_cast<std::int64_t>(frames), static_cast<std::int64_t>(got), now);
    }
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
  s.watch.start();
  s.opened = s.watch.open(s.wanted);
  s.device = s.opened.id;
  if (s.device == 0) {
    s.detail = std::string("no audio device (") + SDL_GetError() + ")";
    s.error = kSoundDeviceFailed;
    close();
    return false;
  }
  s.position.emplace(rate, s.opened.obtained.samples, SDL_GetPerformanceFrequency());
  return true;
}

void SoundOutput::close() {
  Impl& s = *impl_;
  s.reopen.stop();
  if (s.device != 0) {
    SDL_CloseAudioDevice(s.device);
    s.device = 0;
  }
  s.opened = {};
  s.handover = false;
  s.watch.stop();
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
  s.handover = false;
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
  s.handover = false;
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
    s.handover = false;
    s.state = paused ? Impl::State::Paused : Impl::State::Playing;
    SDL_UnlockAudioDevice(s.device);
    if (!paused) SDL_PauseAudioDevice(s.device, 0);
    return true;
  }
  // Silent: no device, or no stream at all (which then has no end).
  s.silentClock.restart(0, s.streamMs());
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
    if (s.handover) s.runSilentClock(!paused);
    SDL_UnlockAudioDevice(s.device);
    SDL_PauseAudioDevice(s.device, paused ? 1 : 0);
    return;
  }
  s.runSilentClock(!paused);
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
    s.handover = false;
    SDL_UnlockAudioDevice(s.device);
    return;
  }
  s.silentClock.hold();
  s.state = Impl::State::Stopped;
}

void SoundOutput::seek(std::int32_t ms) {
  Impl& s = *impl_;
  s.followDevice();
  const std::int64_t length = s.streamMs();
  const std::int64_t to = std::clamp<std::int64_t>(ms, 0, length >= 0 ? length : INT32_MAX);
  s.lastMs = static_cast<std::int32_t>(to);
  if (!s.live()) return;
  if (s.usesDevice()) {
    // A seek only finds the frame; decoding waits for the callback. A device still waiting to
    // take over from the silent clock starts at `to` instead.
    const std::int64_t frame = to * s.rate / 1000;
    SDL_LockAudioDevice(s.device);
    s.handover = false;
    s.decoder.seek(frame);
    s.position->seek(frame);
    SDL_UnlockAudioDevice(s.device);
    return;
  }
  s.silentClock.restart(to, length);
  if (s.state == Impl::State::Playing) s.silentClock.run();
}

std::int32_t SoundOutput::lengthMs() const {
  return static_cast<std::int32_t>(std::min<std::int64_t>(impl_->streamMs(), INT32_MAX));
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
    ms = s.heardMs();
    SDL_UnlockAudioDevice(s.device);
  } else {
    ms = s.silentClock.ms();
  }
  s.remember(ms);
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
