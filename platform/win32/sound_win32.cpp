// The show's sound on Windows: winmm's waveOut, fed from the MP3 decoder by a thread of our own
// that the device wakes through an event whenever it hands a buffer back. The position is what
// the device says it has played (waveOutGetPosition): that count holds while the device is
// paused and stalls when it starves, so it needs no guess at the device's latency.
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/mp3_decoder.h"
#include "platform/silent_clock.h"
#include "platform/sound.h"
#include "platform/win32/wave_out.h"

namespace tav::platform {
namespace {

// Buffers that together hold the asked buffer length: the device plays one while we fill another.
constexpr int kBuffers = 4;
constexpr int kMinBufferFrames = 256;

}  // namespace

struct SoundOutput::Impl {
  enum class State { Idle, Paused, Playing, Stopped };

  // Set by the device when a buffer comes back, and by us to wake the feeder. First of the
  // members, so that it outlives every device that may still set it.
  WakeEvent wake;

  bool silentOnly = false;
  std::ostream* diagnostics = &std::cerr;
  bool initialised = false;
  bool stream = false;  // the decoder holds a stream (kept by the main thread)
  int rate = 44100;
  int error = kSoundOk;
  std::string detail;
  bool spectrum = false;
  std::atomic<int> volume{255};

  // Shared with the feeder thread. `mutex` guards the device (every waveOut call is made under it)
  // and the play state, and is all the position takes; `decoding` guards the decoder, and the
  // feeder holds only it while it decodes a buffer. The main thread takes both to move the stream.
  std::mutex mutex;
  std::mutex decoding;
  std::unique_ptr<WaveOut> device;
  Mp3Decoder decoder;
  // Changed under both locks whenever the stream moves: a buffer decoded before is not queued.
  std::uint64_t generation = 0;
  State state = State::Idle;
  bool ended = false;  // the decoder has given its last frame
  bool lost = false;   // a waveOut call failed: the device is gone
  bool quitting = false;
  std::int64_t baseFrame = 0;     // the stream's frame where the device's count starts
  std::int64_t streamFrames = 0;  // the stream's frames queued since then, without the silence
  std::thread feeder;
  std::vector<std::int16_t> decoded;  // the feeder's, between its decoding and its queueing
  DWORD pollMs = 1;                   // the feeder's pace should its event fail it

  SilentClock silentClock;
  std::int32_t lastMs = 0;
  WaveOutReopen reopen;

  bool usesDevice() const { return device && stream; }
  bool live() const { return state == State::Playing || state == State::Paused; }
  std::int64_t streamMs() const {
    return stream && decoder.lengthFrames() >= 0 ? decoder.lengthFrames() * 1000 / rate : -1;
  }

  // Under the lock: a failed call means the device is gone; the main thread acts on it.
  bool check(MMRESULT result) {
    if (result != MMSYSERR_NOERROR) lost = true;
    return result == MMSYSERR_NOERROR;
  }

  void runFeeder() {
    // Late buffers are heard as gaps: the feeder goes before the frame's work.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    do {
      // A failed wait returns at once: the feeder then keeps its own pace instead of spinning.
      if (!wake.wait(INFINITE)) Sleep(pollMs);
    } while (feed());
  }

  // Under `mutex`: the device wants what the decoder gives (while paused too, so that the music
  // starts at once when play goes on).
  bool feeding() const { return device && !lost && !ended && stream && live(); }

  // Fills and queues every buffer the device has handed back; false once the feeder is to end.
  bool feed() {
    for (;;) {
      std::uint64_t pass = 0;
      std::size_t frames = 0;
      {
        std::lock_guard lock(mutex);
        if (quitting) return false;
        if (!feeding()) return true;
        frames = device->freeBuffer().size() / 2;
        if (frames == 0) return true;
        pass = generation;
      }
      std::size_t got = 0;
      {
        std::lock_guard lock(decoding);
        if (pass != generation) continue;
        decoded.resize(frames * 2);
        got = decoder.read(decoded.data(), frames);
      }
      const int gain = volume.load(std::memory_order_relaxed);
      if (gain != 255) {
        for (std::size_t i = 0; i < got * 2; ++i)
          decoded[i] = static_cast<std::int16_t>(decoded[i] * gain / 255);
      }
      std::lock_guard lock(mutex);
      if (pass != generation || !feeding()) continue;
      ended = got < frames;
      if (got == 0) return true;
      // Nobody else queues: the buffer is still the one the device handed back.
      std::span<std::int16_t> out = device->freeBuffer();
      std::copy_n(decoded.begin(), got * 2, out.begin());
      std::fill(out.begin() + static_cast<std::ptrdiff_t>(got * 2), out.end(), std::int16_t{0});
      streamFrames += static_cast<std::int64_t>(got);
      if (!check(device->queue())) return true;
    }
  }

  // Under the lock: milliseconds of the stream heard, never past what of it was queued.
  bool heard(std::int64_t& ms) {
    std::int64_t played = 0;
    if (!check(device->played(played))) return false;
    ms = (baseFrame + std::min(played, streamFrames)) * 1000 / rate;
    return true;
  }

  std::int32_t remember(std::int64_t ms) {
    lastMs = std::max(lastMs, static_cast<std::int32_t>(std::min<std::int64_t>(ms, INT32_MAX)));
    return lastMs;
  }

  // On the main thread, before the position or the play state is used.
  void followDevice() {
    bool gone = false;
    if (device) {
      std::lock_guard lock(mutex);
      gone = lost;
    }
    if (gone) loseDevice();
    if (!device && reopen.running()) {
      if (std::unique_ptr<WaveOut> found = reopen.take()) adopt(std::move(found));
    }
  }

  // The device is gone: the position carries on from what was heard, on the clock, and another
  // device is looked for.
  void loseDevice() {
    const bool wasHeard = usesDevice() && live();
    std::unique_ptr<WaveOut> gone;
    {
      std::lock_guard lock(mutex);
      std::int64_t ms = 0;
      if (wasHeard && heard(ms)) remember(ms);
      gone = std::move(device);
      lost = false;
    }
    // Without a stream the silent clock already keeps the position.
    if (wasHeard) {
      silentClock.restart(lastMs, streamMs());
      if (state == State::Playing) silentClock.run();
    }
    reopen.start(std::move(gone));
    say("the audio device went away at " + seconds(lastMs) +
        ": playing on silently, in step with the clock, and looking for another once a second");
  }

  // A device found after a loss: the music plays on from where the show has got to.
  void adopt(std::unique_ptr<WaveOut> found) {
    const bool resume = stream && live();
    const std::int64_t ms = resume ? std::max<std::int64_t>(silentClock.ms(), lastMs) : lastMs;
    if (resume) silentClock.hold();
    const std::int64_t frame = (ms * rate + 999) / 1000;
    {
      std::scoped_lock lock(mutex, decoding);
      device = std::move(found);
      check(device->pause());
      if (stream) decoder.seek(frame);
      ++generation;
      baseFrame = frame;
      streamFrames = 0;
      ended = false;
      if (resume && state == State::Playing) check(device->restart());
    }
    wake.set();
    say("an audio device opened again: the music plays on from " + seconds(ms));
  }

  void say(const std::string& text) const { *diagnostics << "sound: " << text << std::endl; }
  static std::string seconds(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(ms) / 1000.0);
    return text;
  }
};

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
  if (!s.wake.handle()) {
    s.detail = "no event to wake the audio feeder: " + s.wake.error();
    s.error = kSoundDeviceFailed;
    close();
    return false;
  }
  const auto frames = static_cast<std::int64_t>(rate) * bufferMs / 1000 / kBuffers;
  WaveOutSettings settings;
  settings.rate = rate;
  settings.bufferFrames =
      static_cast<int>(std::clamp<std::int64_t>(frames, kMinBufferFrames, 1 << 20));
  settings.buffers = kBuffers;
  settings.wake = s.wake.handle();
  // Half a buffer's time: the device never runs out between two rounds.
  s.pollMs = static_cast<DWORD>(std::max<std::int64_t>(1, settings.bufferFrames * 500LL / rate));
  auto opened = std::make_unique<WaveOut>();
  if (MMRESULT result = opened->open(settings); result != MMSYSERR_NOERROR) {
    s.detail = "no audio device: " + WaveOut::errorText(result);
    s.error = kSoundDeviceFailed;
    close();
    return false;
  }
  {
    std::lock_guard lock(s.mutex);
    s.device = std::move(opened);
    s.lost = false;
    s.quitting = false;
  }
  s.feeder = std::thread(&Impl::runFeeder, &s);
  return true;
}

void SoundOutput::close() {
  Impl& s = *impl_;
  s.reopen.stop();
  if (s.feeder.joinable()) {
    {
      std::lock_guard lock(s.mutex);
      s.quitting = true;
    }
    s.wake.set();
    s.feeder.join();
  }
  std::unique_ptr<WaveOut> closing;
  {
    std::lock_guard lock(s.mutex);
    closing = std::move(s.device);
    s.lost = false;
    s.quitting = false;
  }
  closing.reset();
  s.initialised = false;
}

bool SoundOutput::openStream(std::span<const std::uint8_t> block) {
  Impl& s = *impl_;
  if (!s.initialised) {
    s.error = kSoundNotInitialised;
    return false;
  }
  {
    std::scoped_lock lock(s.mutex, s.decoding);
    if (s.device) s.check(s.device->reset());
    s.stream = s.decoder.open(block, s.rate);
    ++s.generation;
    s.state = Impl::State::Idle;
    s.ended = false;
  }
  if (!s.stream) {
    s.error = kSoundUnknownFormat;
    s.detail = s.decoder.error();
  }
  return s.stream;
}

void SoundOutput::closeStream() {
  Impl& s = *impl_;
  std::scoped_lock lock(s.mutex, s.decoding);
  // Nothing more of a closed stream is heard.
  if (s.device) s.check(s.device->reset());
  s.decoder.close();
  ++s.generation;
  s.stream = false;
  s.state = Impl::State::Idle;
}

bool SoundOutput::play(bool paused) {
  Impl& s = *impl_;
  s.followDevice();
  s.lastMs = 0;
  if (s.usesDevice()) {
    {
      std::scoped_lock lock(s.mutex, s.decoding);
      s.check(s.device->reset());
      s.check(s.device->pause());
      s.decoder.rewind();
      ++s.generation;
      s.baseFrame = 0;
      s.streamFrames = 0;
      s.ended = false;
      s.state = paused ? Impl::State::Paused : Impl::State::Playing;
      if (!paused) s.check(s.device->restart());
    }
    s.wake.set();
    s.followDevice();  // a call that failed: on silently from here
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
  if (!s.live()) return;
  if (s.usesDevice()) {
    {
      std::lock_guard lock(s.mutex);
      s.state = paused ? Impl::State::Paused : Impl::State::Playing;
      s.check(paused ? s.device->pause() : s.device->restart());
    }
    s.wake.set();
    s.followDevice();
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
  if (!s.live()) return;
  positionMs();  // the position stays where the stop found it
  if (s.usesDevice()) {
    std::lock_guard lock(s.mutex);
    s.state = Impl::State::Stopped;
    s.check(s.device->reset());
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
    {
      std::scoped_lock lock(s.mutex, s.decoding);
      // The buffers queued from before are dropped; the feeder fills them from `to` on.
      s.check(s.device->reset());
      s.check(s.device->pause());
      const std::int64_t frame = to * s.rate / 1000;
      s.decoder.seek(frame);
      ++s.generation;
      s.baseFrame = frame;
      s.streamFrames = 0;
      s.ended = false;
      if (s.state == Impl::State::Playing) s.check(s.device->restart());
    }
    s.wake.set();
    s.followDevice();  // a call that failed: on silently from `to`
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
  if (!s.live()) return s.lastMs;
  if (s.usesDevice()) {
    std::int64_t ms = 0;
    bool heard = false;
    {
      std::lock_guard lock(s.mutex);
      heard = s.heard(ms);
    }
    if (heard) return s.remember(ms);
    s.followDevice();  // gone: on from what was heard, on the clock
  }
  return s.remember(s.silentClock.ms());
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
  return !impl_->device;
}
std::uint32_t SoundOutput::outputDevice() const {
  return impl_->device ? impl_->device->id() : 0;
}

}  // namespace tav::platform
