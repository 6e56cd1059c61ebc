#pragma once
// MPEG audio Layer III frames found in a block of memory, the encoder's Xing/Info and LAME tag,
// and the gapless arithmetic that turns a plain frame decode into libmpg123's gapless output.
// Portable: it only reads bytes and never past the block it is given.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tav::platform::mp3 {

struct FrameHeader {
  int version = 1;  // 1: MPEG-1, 2: MPEG-2, 3: MPEG-2.5
  int bitrate = 0;  // bits per second
  int sampleRate = 0;
  int channels = 0;
  int samplesPerFrame = 0;
  std::size_t frameBytes = 0;  // header included
  bool crc = false;
  int sideInfoBytes = 0;  // after the header (and its CRC)
};

// The Layer III header at the start of `bytes`; nothing for anything else (free format included).
std::optional<FrameHeader> parseHeader(std::span<const std::uint8_t> bytes);

// What the first frame of an encode says about the rest, as libmpg123 reads it.
struct InfoTag {
  std::int64_t frames = 0;  // audio frames after this one; 0 when not given
  int delay = -1;           // encoder delay and padding in samples; -1 without a LAME tag
  int padding = -1;
};

// The Xing/Info tag in `frame` (one whole frame with the header `header`), if it is one.
std::optional<InfoTag> parseInfoTag(std::span<const std::uint8_t> frame, const FrameHeader& header);

struct Frame {
  std::size_t offset = 0;
  std::size_t bytes = 0;
  int mainDataBegin = 0;  // how far back into earlier frames its audio data starts, in bytes
};

struct Stream {
  FrameHeader format;         // of the first audio frame; every frame shares its rate and channels
  std::vector<Frame> frames;  // the audio frames, the tag frame left out
  std::optional<InfoTag> tag;
};

// The frames of the MP3 in `data`, after any ID3v2 tags or leading junk. Past a damaged header
// the stream goes on at the next frame found within libmpg123's resync limit, as it plays on; it
// ends at a cut frame or where none is found. False with `error` set when there is no Layer III
// stream.
bool scanStream(std::span<const std::uint8_t> data, Stream& stream, std::string& error);

// Where samples decoded at the stream's rate land at the output rate, as libmpg123 converts:
// kept as they are, every 2nd or 4th kept (halving and quartering), or each input sample repeated
// or dropped by its fixed-point N-to-M stepping.
class RateMap {
 public:
  // Nothing where libmpg123 cannot convert `from` to `to`.
  static std::optional<RateMap> make(int from, int to);
  // Output samples before input sample `in` (counted from the first audio frame); input sample i
  // gives the outputs [outsBefore(i), outsBefore(i + 1)).
  std::int64_t outsBefore(std::int64_t in) const;
  // libmpg123's count of output samples for `in` input samples, used for the gapless bounds.
  std::int64_t insToOuts(std::int64_t in) const;

 private:
  int shift_ = 0;               // halving steps
  std::uint64_t ntomStep_ = 0;  // output samples per input sample in 1/32768; 0 when unused
};

// The stretch of decoded output that gapless playback keeps, in output samples counted from the
// first audio frame, as libmpg123 computes it.
struct GaplessWindow {
  std::int64_t begin = 0;    // encoder and decoder delay cut from the start
  std::int64_t end = 0;      // where the encoder's padding starts
  std::int64_t fullEnd = 0;  // the end of the frames the tag counts; later frames play whole
  std::int64_t total = 0;    // all output samples the frames make
  bool active = false;

  bool keeps(std::int64_t out) const {
    return !active || (out >= begin && (out < end || out >= fullEnd));
  }
  // One past the last output sample kept: decoding can stop there.
  std::int64_t stop() const { return active && total <= fullEnd ? std::min(end, total) : total; }
  // The gapless length (mpg123_length).
  std::int64_t length() const;
  // The output sample that gapless position `position` plays (mpg123_seek's target).
  std::int64_t unadjust(std::int64_t position) const;
};

GaplessWindow gaplessWindow(const Stream& stream, const RateMap& map);

}  // namespace tav::platform::mp3
