// The show's sound in the browser: Web Audio decodes the MP3 block and plays it; the position is
// the audio context's time since the start, as heard. With no audio context, a silent mode, no
// stream, or a context the browser keeps suspended, play is silent and follows the clock.
#include <emscripten.h>

#include <algorithm>
#include <climits>
#include <iostream>

#include "platform/clock.h"
#include "platform/silent_clock.h"
#include "platform/sound.h"

namespace tav::platform {

// clang-format off
EM_JS(int, audioOpen, (), {
  try {
    const ctx = new (window.AudioContext || window.webkitAudioContext)();
    const gain = ctx.createGain();
    gain.connect(ctx.destination);
    Module.tavrinelAudio = {ctx: ctx, gain: gain, buffer: null, source: null, startedAt: 0};
    return 1;
  } catch (e) {
    return 0;
  }
});
// The stream's length in ms, or -1 when the browser cannot decode it.
EM_ASYNC_JS(double, audioDecode, (const unsigned char* data, int length), {
  const a = Module.tavrinelAudio;
  if (!a) return -1;
  try {
    a.buffer = await a.ctx.decodeAudioData(HEAPU8.slice(data, data + length).buffer);
    return a.buffer.duration * 1000;
  } catch (e) {
    a.buffer = null;
    return -1;
  }
});
EM_JS(void, audioStart, (), {
  const a = Module.tavrinelAudio;
  if (!a || !a.buffer) return;
  if (a.ctx.state !== "running") a.ctx.resume().catch(() => {});
  a.source = a.ctx.createBufferSource();
  a.source.buffer = a.buffer;
  a.source.connect(a.gain);
  a.startedAt = a.ctx.currentTime;
  a.source.start();
});
EM_JS(int, audioRunning, (), {
  const a = Module.tavrinelAudio;
  return a && a.ctx.state === "running" ? 1 : 0;
});
// Milliseconds of the stream that have reached the speakers.
EM_JS(double, audioHeardMs, (), {
  const a = Module.tavrinelAudio;
  if (!a || !a.source) return 0;
  let t = a.ctx.currentTime;
  if (a.ctx.getOutputTimestamp) {
    const stamp = a.ctx.getOutputTimestamp();
    if (stamp.contextTime > 0) t = stamp.contextTime;
  }
  return Math.max(0, (t - a.startedAt) * 1000);
});
EM_JS(void, audioSuspend, (int suspend), {
  const a = Module.tavrinelAudio;
  if (!a) return;
  (suspend ? a.ctx.suspend() : a.ctx.resume()).catch(() => {});
});
EM_JS(void, audioStop, (), {
  const a = Module.tavrinelAudio;
  if (a && a.source) { try { a.source.stop(); } catch (e) {} }
});
EM_JS(void, audioVolume, (double gain), {
  if (Module.tavrinelAudio) Module.tavrinelAudio.gain.gain.value = gain;
});
EM_JS(void, audioClose, (), {
  const a = Module.tavrinelAudio;
  if (a) { a.ctx.close().catch(() => {}); delete Module.tavrinelAudio; }
});
// clang-format on

namespace {

// A context still suspended this long after play is one the browser will not start by itself
// (no gesture from the viewer): the show then goes on silently rather than wait.
constexpr std::uint32_t kSuspendedGraceMs = 1500;

}  // namespace

struct SoundOutput::Impl {
  enum class State { Idle, Paused, Playing, Stopped };

  bool silentOnly = false;
  std::ostream* diagnostics = &std::cerr;
  bool initialised = false;
  bool audio = false;  // a Web Audio context is open
  bool stream = false;
  double lengthMs = -1.0;
  int error = kSoundOk;
  std::string detail;
  bool spectrum = false;
  State state = State::Idle;
  bool heard = false;  // the position comes from the audio context
  bool started = false;
  std::uint32_t playedAt = 0;
  SilentClock silentClock;
  std::int32_t lastMs = 0;

  void goSilent(const char* why) {
    heard = false;
    silentClock.restart(lastMs, stream ? static_cast<std::int64_t>(lengthMs) : -1);
    if (state == State::Playing) silentClock.run();
    *diagnostics << "sound: " << why << ": playing silently, in step with the clock" << std::endl;
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
  s.error = kSoundOk;
  s.detail.clear();
  if (s.silentOnly) {
    s.initialised = true;
    return true;
  }
  if (!audioOpen()) {
    s.error = kSoundDeviceFailed;
    s.detail = "the browser gives no Web Audio context";
    return false;
  }
  s.audio = true;
  s.initialised = true;
  return true;
}

void SoundOutput::close() {
  Impl& s = *impl_;
  if (s.audio) audioClose();
  s.audio = false;
  s.stream = false;
  s.heard = false;
  s.initialised = false;
}

bool SoundOutput::openStream(std::span<const std::uint8_t> block) {
  Impl& s = *impl_;
  if (!s.initialised) {
    s.error = kSoundNotInitialised;
    return false;
  }
  if (!s.audio) {
    // Silent by choice: the stream's length is not known without decoding it.
    s.stream = false;
    return true;
  }
  s.lengthMs = audioDecode(block.data(), static_cast<int>(block.size()));
  s.stream = s.lengthMs >= 0.0;
  s.state = Impl::State::Idle;
  if (!s.stream) {
    s.error = kSoundUnknownFormat;
    s.detail = "the browser cannot decode it as audio";
  }
  return s.stream;
}

void SoundOutput::closeStream() {
  Impl& s = *impl_;
  if (s.stream) audioStop();
  s.stream = false;
  s.state = Impl::State::Idle;
}

bool SoundOutput::play(bool paused) {
  Impl& s = *impl_;
  s.lastMs = 0;
  s.heard = s.audio && s.stream;
  s.silentClock.restart(0, -1);
  s.state = Impl::State::Paused;
  setPaused(paused);
  return true;
}

void SoundOutput::setPaused(bool paused) {
  Impl& s = *impl_;
  if (s.state != Impl::State::Paused && s.state != Impl::State::Playing) return;
  const bool starting = s.state == Impl::State::Paused && !paused;
  s.state = paused ? Impl::State::Paused : Impl::State::Playing;
  if (!s.heard) {
    paused ? s.silentClock.hold() : s.silentClock.run();
    return;
  }
  if (starting && !s.started) {
    audioStart();
    s.started = true;
    s.playedAt = clock::nowMs();
  } else {
    audioSuspend(paused ? 1 : 0);
  }
}

void SoundOutput::stop() {
  Impl& s = *impl_;
  if (s.state == Impl::State::Idle || s.state == Impl::State::Stopped) return;
  positionMs();  // the position stays where the stop found it
  if (s.heard) audioStop();
  s.silentClock.hold();
  s.state = Impl::State::Stopped;
}

void SoundOutput::setVolume(int volume) {
  if (impl_->audio) audioVolume(std::clamp(volume, 0, 255) / 255.0);
}

std::int32_t SoundOutput::positionMs() {
  Impl& s = *impl_;
  if (s.state == Impl::State::Idle || s.state == Impl::State::Stopped) return s.lastMs;
  double ms = 0.0;
  if (s.heard && !audioRunning() && s.state == Impl::State::Playing &&
      clock::nowMs() - s.playedAt > kSuspendedGraceMs) {
    s.goSilent("the browser keeps the audio suspended until the viewer acts");
  }
  if (s.heard) {
    ms = std::min(audioHeardMs(), s.lengthMs);
  } else {
    ms = static_cast<double>(s.silentClock.ms());
  }
  s.lastMs = std::max(s.lastMs, static_cast<std::int32_t>(std::min<double>(ms, INT32_MAX)));
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
  return !impl_->heard;
}
std::uint32_t SoundOutput::outputDevice() const {
  return impl_->audio ? 1 : 0;
}

}  // namespace tav::platform
