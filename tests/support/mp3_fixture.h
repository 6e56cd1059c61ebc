#pragma once
// MP3 data made at test time with libmp3lame: tones of known length, frequency and level.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace tav::test {

struct Tone {
  double seconds = 1.0;
  double frequency = 441.0;
  double amplitude = 0.5;  // of full scale
  int rate = 44100;
  // When set, the tone sweeps linearly to this frequency, so no stretch of it repeats a later one.
  double endFrequency = 0.0;
};

struct Mp3Options {
  bool vbr = false;
  int channels = 2;
};

// CBR (or VBR) MP3 with the encoder's gapless tag, so a decoder knows the exact length; every
// channel carries the tone.
std::vector<std::uint8_t> encodeTone(const Tone& tone, const Mp3Options& options = {});

// The tone's samples as the encoder was given them, one channel.
double toneSample(const Tone& tone, std::int64_t frame);

// Damage as MP3s are found with it, at one frame of the stream.
enum class Damage {
  FlippedHeader,  // the frame's header bytes inverted, its audio data left
  DroppedFrame,   // the whole frame cut out
  Junk,           // bytes that hold no sync word, before the frame
};

// `mp3` with `damage` at audio frame `frame` (the tag frame not counted). A flipped header goes
// on the first frame from there whose bytes hold no sync word: libmpg123 would decode a false
// header found in them as a frame of noise.
std::vector<std::uint8_t> damaged(std::vector<std::uint8_t> mp3, Damage damage, std::size_t frame,
                                  std::size_t junkBytes = 700);

}  // namespace tav::test
