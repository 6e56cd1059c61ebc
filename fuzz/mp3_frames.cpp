// Fuzzes the MP3 frame and tag reader and the gapless arithmetic on what it found. The input is
// the file, so that plain MP3s seed it; its length picks the output rate.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <string>

#include "platform/mp3_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace mp3 = tav::platform::mp3;
  static constexpr int kRates[] = {44100, 8000, 11025, 22050, 32000, 48000, 44000, 0};
  std::span<const std::uint8_t> file(data, size);
  mp3::Stream stream;
  std::string error;
  if (!mp3::scanStream(file, stream, error)) return 0;
  for (const mp3::Frame& frame : stream.frames) {
    if (frame.offset + frame.bytes > size) __builtin_trap();
  }
  std::optional<mp3::RateMap> map =
      mp3::RateMap::make(stream.format.sampleRate, kRates[size % std::size(kRates)]);
  if (!map) return 0;
  mp3::GaplessWindow window = mp3::gaplessWindow(stream, *map);
  std::int64_t length = window.length();
  for (std::int64_t position : {std::int64_t{0}, length / 2, length, length + 1}) {
    std::int64_t out = window.unadjust(position);
    window.keeps(out);
    map->outsBefore(out);
  }
  window.stop();
  return 0;
}
