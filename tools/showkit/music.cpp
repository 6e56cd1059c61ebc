#include "tools/showkit/music.h"

#include <lame/lame.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <numbers>

#include "tools/showkit/timeline.h"

namespace tav::showkit {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double midiHz(double note) {
  return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}
std::int64_t sampleAt(double seconds) {
  return std::llround(seconds * kSampleRate);
}

// Deterministic noise: the same soundtrack on every run.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state_(seed ? seed : 1) {}
  float next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<float>(state_) / 2147483648.0f - 1.0f;
  }
  int below(int n) { return static_cast<int>((next() * 0.5f + 0.5f) * static_cast<float>(n)) % n; }

 private:
  std::uint32_t state_;
};

// Attack, then a hold at full level, then a release to silence: no step at either edge, so no
// click, wherever a note starts or ends.
float envelope(double t, double length, double attack, double release) {
  if (t < 0.0 || t >= length) return 0.0f;
  double gain = std::min(1.0, t / attack);
  double untilEnd = length - t;
  if (untilEnd < release) gain *= untilEnd / release;
  return static_cast<float>(gain);
}

// A saw with its step smoothed (polyBLEP), so high notes do not alias harshly.
double saw(double phase, double increment) {
  double value = 2.0 * phase - 1.0;
  if (phase < increment) {
    double t = phase / increment;
    value -= t + t - t * t - 1.0;
  } else if (phase > 1.0 - increment) {
    double t = (phase - 1.0) / increment;
    value -= t * t + t + t + 1.0;
  }
  return value;
}

class Mixer {
 public:
  explicit Mixer(double seconds)
      : left_(static_cast<std::size_t>(sampleAt(seconds)), 0.0f), right_(left_.size(), 0.0f) {}

  // Adds `length` seconds of `voice(t)` from `start`, panned (-1 left .. 1 right).
  template <typename Voice>
  void add(double start, double length, float gain, float pan, Voice voice) {
    std::int64_t from = sampleAt(start),
                 to = std::min<std::int64_t>(sampleAt(start + length),
                                             static_cast<std::int64_t>(left_.size()));
    const float l = gain * std::sqrt(0.5f * (1.0f - pan)),
                r = gain * std::sqrt(0.5f * (1.0f + pan));
    for (std::int64_t i = std::max<std::int64_t>(from, 0); i < to; ++i) {
      float v = voice(static_cast<double>(i - from) / kSampleRate);
      left_[static_cast<std::size_t>(i)] += v * l;
      right_[static_cast<std::size_t>(i)] += v * r;
    }
  }

  Stereo take() { return {std::move(left_), std::move(right_)}; }
  std::vector<float>& left() { return left_; }
  std::vector<float>& right() { return right_; }

 private:
  std::vector<float> left_, right_;
};

void kick(Mixer& m, double at, float gain) {
  m.add(at, 0.45, gain, 0.0f, [](double t) {
    double phase = kTwoPi * (45.0 * t + (120.0 - 45.0) * 0.03 * (1.0 - std::exp(-t / 0.03)));
    return static_cast<float>(std::sin(phase) * std::exp(-t / 0.16)) *
           envelope(t, 0.45, 0.001, 0.02);
  });
}

void snare(Mixer& m, double at, float gain, Noise& noise) {
  float last = 0.0f;
  m.add(at, 0.3, gain, 0.1f, [&](double t) {
    float n = noise.next();
    float bright = n - last;  // a first difference: the hiss without the rumble
    last = n;
    double tone = std::sin(kTwoPi * 185.0 * t) * std::exp(-t / 0.05);
    return (static_cast<float>(std::exp(-t / 0.09)) * bright * 0.6f +
            static_cast<float>(tone) * 0.5f) *
           envelope(t, 0.3, 0.001, 0.03);
  });
}

void hat(Mixer& m, double at, float gain, double decay, Noise& noise) {
  float last = 0.0f;
  m.add(at, decay * 5.0, gain, 0.35f, [&, decay](double t) {
    float n = noise.next();
    float bright = n - last;
    last = n;
    return bright * static_cast<float>(std::exp(-t / decay)) *
           envelope(t, decay * 5.0, 0.0005, 0.01);
  });
}

void bass(Mixer& m, double at, double length, double note, float gain) {
  const double hz = midiHz(note), increment = hz / kSampleRate;
  double phase = 0.0, low = 0.0;
  m.add(at, length, gain, 0.0f, [&, hz, increment, length](double t) {
    phase += increment;
    if (phase >= 1.0) phase -= 1.0;
    double raw = 0.6 * saw(phase, increment) + 0.8 * std::sin(kTwoPi * hz * t);
    low += (raw - low) * 0.12;  // a soft low-pass
    return static_cast<float>(low) * envelope(t, length, 0.004, 0.03);
  });
}

// A chord of detuned saws under a slow low-pass: wide, soft, and faded in and out.
void pad(Mixer& m, double at, double length, const std::vector<int>& notes, float gain) {
  for (std::size_t v = 0; v < notes.size(); ++v) {
    for (float side : {-1.0f, 1.0f}) {
      const double hz = midiHz(notes[v]) * (1.0 + side * 0.004), increment = hz / kSampleRate;
      double phase = static_cast<double>(v) * 0.37 + (side > 0 ? 0.5 : 0.0), low = 0.0;
      m.add(at, length, gain / static_cast<float>(notes.size()), side * 0.6f,
            [&, increment, length](double t) {
              phase += increment;
              if (phase >= 1.0) phase -= 1.0;
              low += (saw(phase, increment) - low) * 0.05;
              return static_cast<float>(low) * envelope(t, length, 0.35, 0.6);
            });
    }
  }
}

void lead(Mixer& m, double at, double length, double note, float gain) {
  const double hz = midiHz(note);
  double phase = 0.0;
  m.add(at, length, gain, -0.25f, [&, hz, length](double t) {
    double vibrato = 1.0 + 0.006 * std::sin(kTwoPi * 5.5 * t) * std::min(1.0, t / 0.3);
    phase += hz * vibrato / kSampleRate;
    if (phase >= 1.0) phase -= 1.0;
    // A rounded square: a triangle's body with a little odd-harmonic edge.
    double tri = 4.0 * std::abs(phase - 0.5) - 1.0;
    double edge = std::tanh(3.0 * std::sin(kTwoPi * phase)) * 0.35;
    return static_cast<float>(tri * 0.7 + edge) * envelope(t, length, 0.012, 0.08);
  });
}

// The chords of A minor the sections move through, one a bar.
const std::array<std::vector<int>, 4> kChords = {
    {{57, 60, 64, 69}, {53, 57, 60, 65}, {48, 55, 60, 64}, {55, 59, 62, 67}}};
const std::array<std::vector<int>, 4> kDarkChords = {
    {{50, 57, 62, 65}, {57, 60, 64, 69}, {52, 56, 59, 64}, {57, 60, 64, 69}}};
const std::array<int, 8> kScale = {57, 60, 62, 64, 67, 69, 72, 74};  // A minor pentatonic and more

struct Arrangement {
  bool kick4, kickHalf, snare, hats16, hats8, bass, leadLine, dark;
  float padGain;
};

Arrangement arrangementOf(int scene) {
  switch (scene) {
    case 1:
      return {false, false, false, false, false, false, true, false, 0.55f};
    case 2:
      return {false, true, false, false, true, true, false, false, 0.45f};
    case 3:
      return {true, false, true, true, false, true, true, false, 0.4f};
    case 4:
      return {false, true, true, false, true, true, false, true, 0.45f};
    case 5:
      return {true, false, true, false, true, true, true, false, 0.4f};
    case 6:
      return {false, false, false, false, true, false, true, true, 0.55f};
    case 7:
      return {true, false, true, true, false, true, false, false, 0.4f};
    case 8:
      return {true, false, true, true, false, true, true, true, 0.4f};
    default:
      return {false, false, false, false, false, true, true, false, 0.55f};
  }
}

void section(Mixer& m, int scene, Noise& noise) {
  const Arrangement a = arrangementOf(scene);
  const int bars = kSceneBars[static_cast<std::size_t>(scene - 1)];
  const double start = sceneStart(scene), beat = kSecondsPerBeat, bar = kSecondsPerBar;
  const auto& chords = a.dark ? kDarkChords : kChords;
  for (int b = 0; b < bars; ++b) {
    const double t = start + b * bar;
    const std::vector<int>& chord = chords[static_cast<std::size_t>(b % 4)];
    pad(m, t, bar + 0.6, chord, a.padGain);
    // Scene 1 lets the drums in only for its last bars; scene 9 lets them go.
    const bool drums = !(scene == 1 && b < 10) && !(scene == 9 && b >= 4);
    if (a.bass && drums) {
      for (int e = 0; e < 8; ++e) {
        double note = chord[0] - 12 + (e % 4 == 3 ? 7 : 0);
        bass(m, t + e * beat / 2, beat / 2 * 0.9, note, 0.32f);
      }
    }
    if (drums) {
      for (int q = 0; q < 4; ++q) {
        if (a.kick4 || (a.kickHalf && q % 2 == 0) || (scene == 1 && q == 0))
          kick(m, t + q * beat, 0.8f);
        if (a.snare && q % 2 == 1) snare(m, t + q * beat, 0.35f, noise);
      }
      if (a.hats16)
        for (int s = 0; s < 16; ++s)
          hat(m, t + s * beat / 4, s % 2 ? 0.06f : 0.1f, 0.025, noise);
      if (a.hats8)
        for (int s = 0; s < 8; ++s)
          hat(m, t + s * beat / 2, 0.08f, 0.035, noise);
    }
    if (a.leadLine && (b % 2 == 1 || scene == 3 || scene == 8)) {
      // A walk on the scale, two notes a beat at most, resting now and then.
      int degree = 3 + noise.below(3);
      for (int s = 0; s < 8; ++s) {
        if (noise.below(5) == 0) continue;
        degree = std::clamp(degree + noise.below(5) - 2, 0, static_cast<int>(kScale.size()) - 1);
        lead(m, t + s * beat / 2, beat / 2 * 0.85, kScale[static_cast<std::size_t>(degree)] + 12,
             0.12f);
      }
    }
  }
}

}  // namespace

Stereo composeSoundtrack() {
  Mixer mixer(musicSeconds());
  Noise noise(20261207);
  for (int scene = 1; scene <= 9; ++scene)
    section(mixer, scene, noise);
  // A crash of noise where scene 8 releases its spheres.
  hat(mixer, sceneStart(8) + 2 * kSecondsPerBar, 0.3f, 0.5, noise);

  // Fade the last two bars out, then bring the peak to -1.5 dBFS.
  std::vector<float>& left = mixer.left();
  std::vector<float>& right = mixer.right();
  const std::size_t fadeFrom =
      static_cast<std::size_t>(sampleAt(musicSeconds() - 2 * kSecondsPerBar));
  for (std::size_t i = fadeFrom; i < left.size(); ++i) {
    float g = 1.0f - static_cast<float>(i - fadeFrom) / static_cast<float>(left.size() - fadeFrom);
    left[i] *= g;
    right[i] *= g;
  }
  float peak = 0.0f;
  for (std::size_t i = 0; i < left.size(); ++i)
    peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
  const float target = std::pow(10.0f, -1.5f / 20.0f);
  if (peak > 0.0f) {
    for (std::size_t i = 0; i < left.size(); ++i) {
      left[i] *= target / peak;
      right[i] *= target / peak;
    }
  }
  return mixer.take();
}

bool writeMp3(const std::filesystem::path& file, const Stereo& music, std::string& error) {
  std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), &lame_close);
  lame_set_in_samplerate(lame.get(), kSampleRate);
  lame_set_out_samplerate(lame.get(), kSampleRate);
  lame_set_num_channels(lame.get(), 2);
  lame_set_VBR(lame.get(), vbr_default);
  lame_set_VBR_quality(lame.get(), 3.0f);
  lame_set_bWriteVbrTag(lame.get(), 1);  // the tag with the encoder delay and padding: gapless
  if (lame_init_params(lame.get()) < 0) {
    error = "the MP3 encoder would not start";
    return false;
  }
  const auto frames = static_cast<int>(music.left.size());
  std::vector<unsigned char> out(static_cast<std::size_t>(frames) * 5 / 4 + 7200 + 16384);
  int n = lame_encode_buffer_ieee_float(lame.get(), music.left.data(), music.right.data(), frames,
                                        out.data(), static_cast<int>(out.size()));
  if (n < 0) {
    error = "the MP3 encoder failed (" + std::to_string(n) + ")";
    return false;
  }
  int m = lame_encode_flush(lame.get(), out.data() + n, static_cast<int>(out.size()) - n);
  if (m < 0) {
    error = "the MP3 encoder failed to flush";
    return false;
  }
  out.resize(static_cast<std::size_t>(n + m));
  std::vector<unsigned char> tag(4096);
  std::size_t tagSize = lame_get_lametag_frame(lame.get(), tag.data(), tag.size());
  if (tagSize > 0 && tagSize <= out.size()) std::copy_n(tag.begin(), tagSize, out.begin());
  std::ofstream stream(file, std::ios::binary);
  stream.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  if (!stream) {
    error = "cannot write " + file.string();
    return false;
  }
  return true;
}

}  // namespace tav::showkit
