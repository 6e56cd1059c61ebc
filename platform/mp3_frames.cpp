#include "platform/mp3_frames.h"

#include <algorithm>
#include <array>

namespace tav::platform::mp3 {
namespace {

// libmpg123's fixed decoder delay, which it adds to the encoder's delay when cutting.
constexpr std::int64_t kDecoderDelay = 529;
// Leading junk searched for a first frame, as far as libmpg123 looks before giving up.
constexpr std::size_t kJunkLimit = 65536;
// Bytes libmpg123 shifts through, one at a time, for the next header after a damaged one.
constexpr std::size_t kResyncLimit = 1023;
// N-to-M stepping in libmpg123: fixed point with this unit, at most 8 outputs per input.
constexpr std::uint64_t kNtomUnit = 32768;
constexpr std::uint64_t kNtomMaxStep = 8 * kNtomUnit;
constexpr int kNtomMaxRate = 96000;

constexpr std::array<int, 9> kOutputRates = {8000,  11025, 12000, 16000, 22050,
                                             24000, 32000, 44100, 48000};

std::uint32_t bigEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
         std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

bool sameFormat(const FrameHeader& a, const FrameHeader& b) {
  return a.version == b.version && a.sampleRate == b.sampleRate && a.channels == b.channels;
}

std::span<const std::uint8_t> from(std::span<const std::uint8_t> data, std::size_t at) {
  return at < data.size() ? data.subspan(at) : std::span<const std::uint8_t>{};
}

// The bytes of ID3v2 tags at `at` (several may follow one another); 0 when there is none.
std::size_t id3v2Bytes(std::span<const std::uint8_t> data, std::size_t at) {
  std::size_t skipped = 0;
  for (;;) {
    std::span<const std::uint8_t> tag = from(data, at + skipped);
    if (tag.size() < 10 || tag[0] != 'I' || tag[1] != 'D' || tag[2] != '3') return skipped;
    std::size_t size = 0;
    for (int i = 6; i < 10; ++i) {
      if (tag[i] & 0x80) return skipped;  // not a synchsafe size: not a tag
      size = size << 7 | tag[i];
    }
    skipped += 10 + size + ((tag[5] & 0x10) ? 10 : 0);
  }
}

// Where the stream's first frame starts: a header followed by one like it, or by the end of the
// data (a one-frame stream).
std::optional<std::size_t> findFirstFrame(std::span<const std::uint8_t> data, std::size_t at) {
  std::size_t limit = std::min(data.size(), at + kJunkLimit);
  for (std::size_t p = at; p < limit; ++p) {
    std::optional<FrameHeader> first = parseHeader(from(data, p));
    if (!first) continue;
    std::size_t next = p + first->frameBytes;
    if (next == data.size()) return p;
    std::optional<FrameHeader> second = parseHeader(from(data, next));
    if (second && sameFormat(*first, *second)) return p;
  }
  return std::nullopt;
}

// The next frame of the stream's format after damage at `at`, as libmpg123 looks for it. It takes
// any header it finds there, and decodes a false one in audio data as a frame of noise; we take
// one that the next header confirms (or the end of the data), and skip the false ones.
std::optional<std::size_t> resync(std::span<const std::uint8_t> data, std::size_t at,
                                  const FrameHeader& format) {
  auto sameAt = [&](std::size_t p) {
    std::optional<FrameHeader> header = parseHeader(from(data, p));
    return header && sameFormat(*header, format) ? header : std::nullopt;
  };
  std::size_t limit = std::min(data.size(), at + 1 + kResyncLimit);
  for (std::size_t p = at + 1; p < limit; ++p) {
    std::optional<FrameHeader> header = sameAt(p);
    if (header && (p + header->frameBytes == data.size() || sameAt(p + header->frameBytes)))
      return p;
  }
  return std::nullopt;
}

int mainDataBegin(std::span<const std::uint8_t> frame, const FrameHeader& header) {
  std::size_t at = header.crc ? 6 : 4;
  if (frame.size() < at + 2) return 0;
  // 9 bits in MPEG-1, 8 in MPEG-2 and 2.5.
  return header.version == 1 ? (frame[at] << 1 | frame[at + 1] >> 7) : frame[at];
}

}  // namespace

std::optional<FrameHeader> parseHeader(std::span<const std::uint8_t> bytes) {
  static constexpr std::array<std::array<int, 15>, 2> kBitrates = {{
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
  }};
  static constexpr std::array<std::array<int, 3>, 3> kRates = {{
      {44100, 48000, 32000},
      {22050, 24000, 16000},
      {11025, 12000, 8000},
  }};
  if (bytes.size() < 4 || bytes[0] != 0xff || (bytes[1] & 0xe0) != 0xe0) return std::nullopt;
  int versionBits = bytes[1] >> 3 & 3;
  int layerBits = bytes[1] >> 1 & 3;
  int bitrateIndex = bytes[2] >> 4;
  int rateIndex = bytes[2] >> 2 & 3;
  // Reserved version, any layer but III, free format, bad bitrate, reserved rate.
  if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 ||
      rateIndex == 3)
    return std::nullopt;
  FrameHeader header;
  header.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 3;
  bool mpeg1 = header.version == 1;
  header.bitrate = kBitrates[mpeg1 ? 0 : 1][bitrateIndex] * 1000;
  header.sampleRate = kRates[header.version - 1][rateIndex];
  header.channels = (bytes[3] >> 6) == 3 ? 1 : 2;
  header.samplesPerFrame = mpeg1 ? 1152 : 576;
  int padding = bytes[2] >> 1 & 1;
  header.frameBytes =
      static_cast<std::size_t>((mpeg1 ? 144 : 72) * header.bitrate / header.sampleRate + padding);
  header.crc = (bytes[1] & 1) == 0;
  header.sideInfoBytes = mpeg1 ? (header.channels == 1 ? 17 : 32) : (header.channels == 1 ? 9 : 17);
  return header;
}

std::optional<InfoTag> parseInfoTag(std::span<const std::uint8_t> frame,
                                    const FrameHeader& header) {
  // Offsets as libmpg123 reads them: from the end of the header, a CRC not accounted for.
  if (frame.size() < header.frameBytes || header.frameBytes < 4) return std::nullopt;
  std::span<const std::uint8_t> body = frame.subspan(4, header.frameBytes - 4);
  auto at = static_cast<std::size_t>(header.sideInfoBytes);
  if (body.size() < at + 8) return std::nullopt;
  // The side information of a tag frame is all zero (the CRC apart).
  for (std::size_t i = 2; i < at; ++i)
    if (body[i] != 0) return std::nullopt;
  auto named = [&](const char* name) { return std::equal(name, name + 4, body.begin() + at); };
  if (!named("Info") && !named("Xing")) return std::nullopt;
  InfoTag tag;
  std::uint32_t flags = bigEndian32(body, at + 4);
  at += 8;
  // Fields the flags announce but the frame cannot hold leave the rest unread.
  auto has = [&](std::size_t bytes) { return at + bytes <= body.size(); };
  if (flags & 1) {
    if (!has(4)) return tag;
    tag.frames = bigEndian32(body, at);
    at += 4;
  }
  for (auto [flag, bytes] : {std::pair{2u, 4u}, {4u, 100u}, {8u, 4u}}) {
    if (!(flags & flag)) continue;
    if (!has(bytes)) return tag;
    at += bytes;
  }
  // The LAME extension: an encoder name, then at bytes 21 to 23 two 12-bit counts.
  if (!has(24) || body[at] == 0) return tag;
  tag.delay = body[at + 21] << 4 | body[at + 22] >> 4;
  tag.padding = (body[at + 22] & 0x0f) << 8 | body[at + 23];
  return tag;
}

bool scanStream(std::span<const std::uint8_t> data, Stream& stream, std::string& error) {
  stream = Stream{};
  std::optional<std::size_t> start = findFirstFrame(data, id3v2Bytes(data, 0));
  if (!start) {
    error = "not an MP3 stream";
    return false;
  }
  std::optional<FrameHeader> first = parseHeader(from(data, *start));
  std::size_t at = *start;
  if ((stream.tag = parseInfoTag(from(data, at), *first))) at += first->frameBytes;
  for (;;) {
    std::span<const std::uint8_t> rest = from(data, at);
    std::optional<FrameHeader> header = parseHeader(rest);
    if (!header || !sameFormat(*header, *first)) {
      std::optional<std::size_t> next = resync(data, at, *first);
      if (!next) break;
      at = *next;
      continue;
    }
    if (header->frameBytes > rest.size()) break;
    stream.frames.push_back({at, header->frameBytes, mainDataBegin(rest, *header)});
    at += header->frameBytes;
  }
  if (stream.frames.empty()) {
    error = "no audio frames in the MP3 stream";
    return false;
  }
  stream.format = *parseHeader(from(data, stream.frames.front().offset));
  return true;
}

std::optional<RateMap> RateMap::make(int from, int to) {
  if (std::find(kOutputRates.begin(), kOutputRates.end(), to) == kOutputRates.end() || from <= 0 ||
      from > kNtomMaxRate)
    return std::nullopt;
  RateMap map;
  if (to == from) return map;
  if (to * 2 == from || to * 4 == from) {
    map.shift_ = to * 2 == from ? 1 : 2;
    return map;
  }
  map.ntomStep_ = static_cast<std::uint64_t>(to) * kNtomUnit / static_cast<std::uint64_t>(from);
  if (map.ntomStep_ > kNtomMaxStep) return std::nullopt;
  return map;
}

std::int64_t RateMap::outsBefore(std::int64_t in) const {
  if (in <= 0) return 0;
  if (ntomStep_ != 0) return insToOuts(in);
  return (in + (std::int64_t{1} << shift_) - 1) >> shift_;
}

std::int64_t RateMap::insToOuts(std::int64_t in) const {
  if (ntomStep_ == 0) return in >> shift_;
  if (in <= 0) return 0;
  // The stepping starts half a unit in at the first frame and carries on across frames.
  auto outs = (kNtomUnit / 2 + static_cast<std::uint64_t>(in) * ntomStep_) / kNtomUnit;
  return static_cast<std::int64_t>(outs);
}

std::int64_t GaplessWindow::length() const {
  if (!active) return total;
  if (total <= end) return total - begin;
  return total < fullEnd ? end - begin : total - (fullEnd - end + begin);
}

std::int64_t GaplessWindow::unadjust(std::int64_t position) const {
  if (!active) return position;
  std::int64_t out = position + begin;
  // Positions skip the padding: the one after the gapless end is the first after the tagged frames.
  return out >= end ? out + fullEnd - end : out;
}

GaplessWindow gaplessWindow(const Stream& stream, const RateMap& map) {
  GaplessWindow window;
  std::int64_t spf = stream.format.samplesPerFrame;
  std::int64_t decoded = static_cast<std::int64_t>(stream.frames.size()) * spf;
  window.total = map.insToOuts(decoded);
  if (!stream.tag || stream.tag->frames <= 0) return window;
  // A stream shorter than its tag says (cut off) plays whole, every delay sample included.
  std::int64_t tagged = stream.tag->frames * spf;
  if (tagged > decoded) return window;
  std::int64_t delay = std::max(stream.tag->delay, 0);
  std::int64_t padding = std::max(stream.tag->padding, 0);
  window.active = true;
  window.begin = map.insToOuts(delay + kDecoderDelay);
  window.end = map.insToOuts(tagged - padding + kDecoderDelay);
  window.fullEnd = map.insToOuts(tagged);
  return window;
}

}  // namespace tav::platform::mp3
