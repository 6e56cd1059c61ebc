// The show's sound in the browser: Web Audio decodes the MP3 block and plays it; the position is
// the stream as heard. While the audio context is not running (no gesture from the viewer yet, a
// hidden tab, an interruption) the show goes on the silent clock; when the context runs again the
// music is started afresh at the show's position. With no audio context, a silent mode or no
// stream, play is silent and follows the clock throughout.
#include <emscripten.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <iostream>
#include <string>

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
    // offset: the stream's second `source` started at, at context time startedAt.
    const a = {ctx: ctx, gain: gain, buffer: null, source: null, offset: 0, startedAt: 0,
               wanted: false};
    // Seconds of the stream that have reached the speakers.
    a.heard = () => {
      if (!a.source) return 0;
      let t = ctx.currentTime;
      if (ctx.getOutputTimestamp) {
        // A stamp left from before a suspension is no measure of what is heard now.
        const stamp = ctx.getOutputTimestamp();
        if (stamp.contextTime > 0 && stamp.contextTime > t - 0.5) t = stamp.contextTime;
      }
      return Math.max(0, a.offset + t - a.startedAt);
    };
    // A browser that holds the audio until the viewer acts lets it run on a click or a key.
    const wake = () => { if (a.wanted && ctx.state !== "running") ctx.resume().catch(() => {}); };
    for (const type of ["click", "keydown", "touchend"]) {
      document.addEventListener(type, wake, true);
    }
    Module.tavrinelAudio = a;
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
// Whether the music should sound; asks the browser to run the context when it should.
EM_JS(void, audioWant, (int want), {
  const a = Module.tavrinelAudio;
  if (!a) return;
  a.wanted = !!want;
  if (a.wanted && a.ctx.state !== "running") a.ctx.resume().catch(() => {});
});
// Plays the stream from `fromMs` as heard: what starts now reaches the speakers after the
// output's latency, so it starts that much further on.
EM_JS(void, audioPlayFrom, (double fromMs), {
  const a = Module.tavrinelAudio;
  if (!a || !a.buffer) return;
  if (a.source) { try { a.source.stop(); } catch (e) {} }
  const lead = Math.min(0.5, (a.ctx.baseLatency || 0) + (a.ctx.outputLatency || 0)) + 0.005;
  a.offset = fromMs / 1000 + lead;
  a.source = null;
  if (a.offset >= a.buffer.duration) return;
  a.source = a.ctx.createBufferSource();
  a.source.buffer = a.buffer;
  a.source.connect(a.gain);
  a.startedAt = a.ctx.currentTime;
  a.source.start(0, a.offset);
});
EM_JS(int, audioRunning, (), {
  const a = Module.tavrinelAudio;
  return a && a.ctx.state === "running" ? 1 : 0;
});
EM_JS(double, audioHeardMs, (), {
  const a = Module.tavrinelAudio;
  return a ? a.heard() * 1000 : 0;
});
// The show's position as it last read it, and when: the page compares it with the music.
EM_JS(void, audioNoteShown, (double ms), {
  const a = Module.tavrinelAudio;
  if (a) { a.shownMs = ms; a.shownAt = performance.now(); }
});
EM_JS(void, audioStop, (), {
  const a = Module.tavrinelAudio;
  if (a && a.source) { try { a.source.stop(); } catch (e) {} a.source = null; }
});
EM_JS(void, audioVolume, (double gain), {
  if (Module.tavrinelAudio) Module.tavrinelAudio.gain.gain.value = gain;
});
EM_JS(void, audioClose, (), {
  const a = Module.tavrinelAudio;
  if (a) { a.wanted = false; a.ctx.close().catch(() => {}); delete Module.tavrinelAudio; }
});
// clang-format on

namespace {

// A stream started afresh whose position as heard has not caught up with the show by then is
// taken as it is: the show holds for that small gap rather than run on without the music.
constexpr std::uint32_t kHandoverMs = 500;

std::string seconds(std::int64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(ms) / 1000.0);
  return text;
}

}  // namespace

struct SoundOutput::Impl {
  enum class State { Idle, Paused, Playing, Stopped };
  // Where the position comes from while playing: the silent clock; the clock still, while a
  // stream just started catches up with it; the stream as heard.
  enum class Source { Clock, Handover, Heard };

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
  Source source = Source::Clock;
  bool toldHeld = false;  // the viewer has heard that the browser holds the audio
  std::uint32_t handoverAt = 0;
  SilentClock silentClock;
  std::int32_t lastMs = 0;

  bool audible() const { return audio && stream; }
  std::int64_t limitMs() const { return stream ? static_cast<std::int64_t>(lengthMs) : -1; }
  void keep(double ms) {
    lastMs = std::max(lastMs, static_cast<std::int32_t>(std::min<double>(ms, INT32_MAX)));
  }
  void say(const std::string& text) const { *diagnostics << "sound: " << text << std::endl; }

  // Follows the audio context's state both ways; called with every position read while playing.
  void follow() {
    const bool running = audioRunning();
    if (source == Source::Heard) {
      if (running) return;
      keep(std::min(audioHeardMs(), lengthMs));
      silentClock.restart(lastMs, limitMs());
      silentClock.run();
      source = Source::Clock;
      toldHeld = true;
      say("the browser suspended the audio at " + seconds(lastMs) +
          ": the show goes on, in step with the clock");
    } else if (source == Source::Clock) {
      if (running) {
        audioPlayFrom(static_cast<double>(silentClock.ms()));
        source = Source::Handover;
        handoverAt = clock::nowMs();
      } else if (!toldHeld) {
        toldHeld = true;
        say("the browser holds the audio until the viewer clicks or presses a key: the show goes "
            "on, in step with the clock");
      }
    } else if (!running) {
      audioStop();
      source = Source::Clock;
    } else if (audioHeardMs() >= static_cast<double>(silentClock.ms()) ||
               clock::nowMs() - handoverAt >= kHandoverMs) {
      source = Source::Heard;
      if (toldHeld) say("the audio runs again: the music plays on from " + seconds(lastMs));
      toldHeld = false;
    }
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
  s.source = Impl::Source::Clock;
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
  if (s.audible()) {
    audioWant(0);
    audioStop();
  }
  s.stream = false;
  s.source = Impl::Source::Clock;
  s.state = Impl::State::Idle;
}

bool SoundOutput::play(bool paused) {
  Impl& s = *impl_;
  if (s.audible()) audioStop();
  s.lastMs = 0;
  s.source = Impl::Source::Clock;
  s.toldHeld = false;
  s.silentClock.restart(0, s.limitMs());
  s.state = Impl::State::Paused;
  setPaused(paused);
  return true;
}

void SoundOutput::setPaused(bool paused) {
  Impl& s = *impl_;
  if (s.state != Impl::State::Paused && s.state != Impl::State::Playing) return;
  if (paused && s.state == Impl::State::Playing) {
    // The pause holds the show's position; going on starts the music afresh from there.
    positionMs();
    s.silentClock.restart(s.lastMs, s.limitMs());
    s.source = Impl::Source::Clock;
    if (s.audible()) audioStop();
  }
  s.state = paused ? Impl::State::Paused : Impl::State::Playing;
  paused ? s.silentClock.hold() : s.silentClock.run();
  if (s.audible()) audioWant(paused ? 0 : 1);
}

void SoundOutput::stop() {
  Impl& s = *impl_;
  if (s.state == Impl::State::Idle || s.state == Impl::State::Stopped) return;
  positionMs();  // the position stays where the stop found it
  if (s.audible()) {
    audioWant(0);
    audioStop();
  }
  s.silentClock.hold();
  s.state = Impl::State::Stopped;
}

void SoundOutput::seek(std::int32_t ms) {
  Impl& s = *impl_;
  const std::int64_t length = s.limitMs();
  const std::int64_t to = std::clamp<std::int64_t>(ms, 0, length >= 0 ? length : INT32_MAX);
  s.lastMs = static_cast<std::int32_t>(to);
  if (s.state != Impl::State::Paused && s.state != Impl::State::Playing) return;
  // The clock keeps the position from `to`; a source playing from before gives way to one
  // started there, heard once it has caught up, as after a suspension.
  s.silentClock.restart(to, length);
  s.source = Impl::Source::Clock;
  if (s.audible()) audioStop();
  if (s.state == Impl::State::Playing) {
    s.silentClock.run();
    if (s.audible()) s.follow();
  }
}

std::int32_t SoundOutput::lengthMs() const {
  return static_cast<std::int32_t>(std::min<std::int64_t>(impl_->limitMs(), INT32_MAX));
}

void SoundOutput::setVolume(int volume) {
  if (impl_->audio) audioVolume(std::clamp(volume, 0, 255) / 255.0);
}

std::int32_t SoundOutput::positionMs() {
  Impl& s = *impl_;
  if (s.state == Impl::State::Idle || s.state == Impl::State::Stopped) return s.lastMs;
  if (s.audible() && s.state == Impl::State::Playing) s.follow();
  if (s.source == Impl::Source::Heard) {
    s.keep(std::min(audioHeardMs(), s.lengthMs));
  } else {
    s.keep(static_cast<double>(s.silentClock.ms()));
  }
  if (s.audio) audioNoteShown(s.lastMs);
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
  return impl_->source != Impl::Source::Heard;
}
std::uint32_t SoundOutput::outputDevice() const {
  return impl_->audio ? 1 : 0;
}

}  // namespace tav::platform
