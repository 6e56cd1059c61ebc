#include "tests/support/mp3_fixture.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <stdexcept>
#include <string>

#include "platform/mp3_frames.h"

namespace tav::test {

double toneSample(const Tone& tone, std::int64_t frame) {
  double cycles = tone.frequency * static_cast<double>(frame) / tone.rate;
  if (tone.endFrequency > 0) {
    double t = static_cast<double>(frame) / tone.rate;
    cycles += 0.5 * (tone.endFrequency - tone.frequency) / tone.seconds * t * t;
  }
  return tone.amplitude * std::sin(2.0 * std::numbers::pi * cycles);
}

std::vector<std::uint8_t> encodeTone(const Tone& tone, const Mp3Options& options) {
  lame_global_flags* lame = lame_init();
  lame_set_in_samplerate(lame, tone.rate);
  lame_set_out_samplerate(lame, tone.rate);
  lame_set_num_channels(lame, options.channels);
  if (options.channels == 1) lame_set_mode(lame, MONO);
  if (options.vbr) {
    lame_set_VBR(lame, vbr_default);
    lame_set_VBR_quality(lame, 2);
  } else {
    // MPEG-2 rates (below 32 kHz) top out at 160 kbit/s.
    lame_set_brate(lame, tone.rate >= 32000 ? 192 : 64);
  }
  lame_set_quality(lame, 5);
  lame_set_bWriteVbrTag(lame, 1);
  if (lame_init_params(lame) < 0) throw std::runtime_error("lame_init_params failed");

  auto frames = static_cast<std::int64_t>(tone.seconds * tone.rate);
  std::vector<short> pcm(static_cast<std::size_t>(frames));
  for (std::int64_t i = 0; i < frames; ++i)
    pcm[static_cast<std::size_t>(i)] =
        static_cast<short>(std::lround(toneSample(tone, i) * 32767.0));
  std::vector<std::uint8_t> out(static_cast<std::size_t>(frames) * 5 / 4 + 7200 * 2 + 16384);
  // Both channels from one buffer; a mono encoder reads only the first.
  int n = lame_encode_buffer(lame, pcm.data(), pcm.data(), static_cast<int>(frames), out.data(),
                             static_cast<int>(out.size()));
  if (n < 0) throw std::runtime_error("lame_encode_buffer failed");
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

std::vector<std::uint8_t> damaged(std::vector<std::uint8_t> mp3, Damage damage, std::size_t frame,
                                  std::size_t junkBytes) {
  platform::mp3::Stream stream;
  std::string error;
  if (!platform::mp3::scanStream(mp3, stream, error) || frame >= stream.frames.size())
    throw std::runtime_error("no frame " + std::to_string(frame) + " to damage");
  auto bytes = [&](std::size_t i) {
    return std::span(mp3).subspan(stream.frames[i].offset, stream.frames[i].bytes);
  };
  auto isSync = [](std::uint8_t a, std::uint8_t b) { return a == 0xff && (b & 0xe0) == 0xe0; };
  while (damage == Damage::FlippedHeader && frame + 1 < stream.frames.size() &&
         std::ranges::adjacent_find(bytes(frame).subspan(1), isSync) != bytes(frame).end())
    ++frame;
  auto at = mp3.begin() + static_cast<std::ptrdiff_t>(stream.frames[frame].offset);
  if (damage == Damage::FlippedHeader) {
    at[1] ^= 0xff;
    at[2] ^= 0xff;
  } else if (damage == Damage::DroppedFrame) {
    mp3.erase(at, at + static_cast<std::ptrdiff_t>(stream.frames[frame].bytes));
  } else {
    mp3.insert(at, junkBytes, std::uint8_t{'j'});
  }
  return mp3;
}

}  // namespace tav::test
