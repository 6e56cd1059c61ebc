#pragma once
// The soundtrack: original music synthesised from the show's timeline (drums, bass, chords, a
// lead), one section a scene, encoded to MP3 with the encoder's gapless tag.
#include <filesystem>
#include <string>
#include <vector>

namespace tav::showkit {

inline constexpr int kSampleRate = 44100;

struct Stereo {
  std::vector<float> left;
  std::vector<float> right;
};

// The whole soundtrack, peaking at -1.5 dBFS (MP3 decoding may add a little; the decoded peak
// stays at or below -1 dBFS).
Stereo composeSoundtrack();

// Writes `music` as a 44.1 kHz stereo MP3 with the gapless (LAME) tag; false with a reason.
bool writeMp3(const std::filesystem::path& file, const Stereo& music, std::string& error);

}  // namespace tav::showkit
