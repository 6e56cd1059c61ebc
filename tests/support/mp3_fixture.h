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
};

// Stereo CBR MP3 with the encoder's gapless tag, so a decoder knows the exact length.
std::vector<std::uint8_t> encodeTone(const Tone& tone);

// The tone's samples as the encoder was given them, one channel.
double toneSample(const Tone& tone, std::int64_t frame);

}  // namespace tav::test
