#pragma once
// MP3 data made at test time with libmp3lame: tones of known length, frequency and level.
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

}  // namespace tav::test
