#include "tests/support/mp3_fixture.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace tav::test {

double toneSample(const Tone& tone, std::int64_t frame) {
  return tone.amplitude *
         std::sin(2.0 * std::numbers::pi * tone.frequency * static_cast<double>(frame) / tone.rate);
}

std::vector<std::uint8_t> encodeTone(const Tone& tone) {
  lame_global_flags* lame = lame_init();
  lame_set_in_samplerate(lame, tone.rate);
  lame_set_out_samplerate(lame, tone.rate);
  lame_set_num_channels(lame, 2);
  lame_set_brate(lame, 192);
  lame_set_quality(lame, 5);
  lame_set_bWriteVbrTag(lame, 1);
  if (lame_init_params(lame) < 0) throw std::runtime_error("lame_init_params failed");

  auto frames = static_cast<std::int64_t>(tone.seconds * tone.rate);
  std::vector<short> pcm(static_cast<std::size_t>(frames) * 2);
  for (std::int64_t i = 0; i < frames; ++i) {
    auto v = static_cast<short>(std::lround(toneSample(tone, i) * 32767.0));
    pcm[static_cast<std::size_t>(i) * 2] = v;
    pcm[static_cast<std::size_t>(i) * 2 + 1] = v;
  }
  std::vector<std::uint8_t> out(static_cast<std::size_t>(frames) * 5 / 4 + 7200 * 2 + 16384);
  int n = lame_encode_buffer_interleaved(lame, pcm.data(), static_cast<int>(frames), out.data(),
                                         static_cast<int>(out.size()));
  if (n < 0) throw std::runtime_error("lame_encode_buffer_interleaved failed");
  int m = lame_encode_flush(lame, out.data() + n, static_cast<int>(out.size()) - n);
  if (m < 0) throw std::runtime_error("lame_encode_flush failed");
  out.resize(static_cast<std::size_t>(n + m));
  // The first frame was kept free for the tag that carries the encoder delay and padding.
  std::vector<std::uint8_t> tag(4096);
  std::size_t tagSize = lame_get_lametag_frame(lame, tag.data(), tag.size());
  if (tagSize > 0 && tagSize <= out.size()) std::copy_n(tag.begin(), tagSize, out.begin());
  lame_close(lame);
  return out;
}

}  // namespace tav::test
