// The MP3 decoder on Windows. The Audio Compression Manager's MPEG Layer-3 codec decodes the
// frames at the stream's own rate and channel count; mp3_frames finds the frames, and this file
// cuts and converts the codec's output the way libmpg123 does on Linux, so the show's timeline
// and sample counts are the same on both.
// clang-format off
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>
// clang-format on

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/mp3_decoder.h"
#include "platform/mp3_frames.h"

namespace tav::platform {
namespace {

// Frames handed to the codec per conversion: enough to keep the calls few, the buffers small.
constexpr std::size_t kFramesPerConvert = 8;
// The largest Layer III frame (320 kbit/s at 32 kHz, or 160 kbit/s at 8 kHz, padded).
constexpr std::size_t kMaxFrameBytes = 1441;
// Conversions in a row that take no input and give no output before the stream counts as over.
constexpr int kMaxStalls = 3;

std::string acmError(const char* what, MMRESULT result) {
  return std::string("the system's MP3 codec cannot ") + what + " (ACM error " +
         std::to_string(result) + ")";
}

// One conversion stream of the ACM codec, from the stream's MP3 frames to 16-bit PCM at its own
// rate and channel count, with the one header it converts through.
class AcmStream {
 public:
  AcmStream() = default;
  AcmStream(const AcmStream&) = delete;
  AcmStream& operator=(const AcmStream&) = delete;
  ~AcmStream() { close(); }

  bool open(const mp3::FrameHeader& format, std::string& error) {
    close();
    MPEGLAYER3WAVEFORMAT mp3{};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = static_cast<WORD>(format.channels);
    mp3.wfx.nSamplesPerSec = static_cast<DWORD>(format.sampleRate);
    mp3.wfx.nAvgBytesPerSec = static_cast<DWORD>(format.bitrate / 8);
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
    mp3.nBlockSize = static_cast<WORD>(format.frameBytes);
    mp3.nFramesPerBlock = 1;
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = static_cast<WORD>(format.channels);
    pcm.nSamplesPerSec = static_cast<DWORD>(format.sampleRate);
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = static_cast<WORD>(format.channels * 2);
    pcm.nAvgBytesPerSec = pcm.nSamplesPerSec * pcm.nBlockAlign;
    MMRESULT result = acmStreamOpen(&stream_, nullptr, &mp3.wfx, &pcm, nullptr, 0, 0,
                                    ACM_STREAMOPENF_NONREALTIME);
    if (result != MMSYSERR_NOERROR) {
      stream_ = nullptr;
      error = acmError("open this stream", result);
      return false;
    }
    input_.resize(kFramesPerConvert * kMaxFrameBytes);
    // Room for every sample of the frames one conversion takes, and what the codec asks for.
    DWORD outputBytes = 0;
    auto frameBytes = static_cast<std::size_t>(format.samplesPerFrame * format.channels * 2);
    std::size_t wanted = (kFramesPerConvert + 2) * frameBytes;
    if (acmStreamSize(stream_, static_cast<DWORD>(input_.size()), &outputBytes,
                      ACM_STREAMSIZEF_SOURCE) == MMSYSERR_NOERROR)
      wanted = std::max<std::size_t>(wanted, outputBytes);
    output_.resize(wanted);
    header_ = ACMSTREAMHEADER{};
    header_.cbStruct = sizeof(header_);
    header_.pbSrc = input_.data();
    header_.cbSrcLength = static_cast<DWORD>(input_.size());
    header_.pbDst = output_.data();
    header_.cbDstLength = static_cast<DWORD>(output_.size());
    result = acmStreamPrepareHeader(stream_, &header_, 0);
    if (result != MMSYSERR_NOERROR) {
      close();
      error = acmError("prepare its buffers", result);
      return false;
    }
    prepared_ = true;
    started_ = false;
    return true;
  }

  void close() {
    if (prepared_) {
      header_.cbSrcLength = static_cast<DWORD>(input_.size());
      header_.cbDstLength = static_cast<DWORD>(output_.size());
      acmStreamUnprepareHeader(stream_, &header_, 0);
      prepared_ = false;
    }
    if (stream_) acmStreamClose(stream_, 0);
    stream_ = nullptr;
  }

  std::size_t capacity() const { return input_.size(); }

  // Converts the first `bytes` of `in` (the last of the stream when `last`); `used` says how many
  // it took, the samples it gave are appended to `out`. False when the codec fails.
  bool convert(const std::uint8_t* in, std::size_t bytes, bool last, std::size_t& used,
               std::vector<std::int16_t>& out) {
    if (!prepared_ || bytes > input_.size()) return false;
    if (bytes > 0) std::memcpy(input_.data(), in, bytes);
    header_.cbSrcLength = static_cast<DWORD>(bytes);
    header_.cbDstLength = static_cast<DWORD>(output_.size());
    header_.cbSrcLengthUsed = 0;
    header_.cbDstLengthUsed = 0;
    DWORD flags = last ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN;
    if (!started_) flags |= ACM_STREAMCONVERTF_START;
    if (acmStreamConvert(stream_, &header_, flags) != MMSYSERR_NOERROR) return false;
    started_ = true;
    used = std::min<std::size_t>(header_.cbSrcLengthUsed, bytes);
    std::size_t samples = std::min<std::size_t>(header_.cbDstLengthUsed, output_.size()) / 2;
    std::size_t at = out.size();
    out.resize(at + samples);
    if (samples > 0) std::memcpy(out.data() + at, output_.data(), samples * 2);
    return true;
  }

 private:
  HACMSTREAM stream_ = nullptr;
  ACMSTREAMHEADER header_{};
  bool prepared_ = false;
  bool started_ = false;
  std::vector<std::uint8_t> input_;
  std::vector<std::uint8_t> output_;
};

// Audio data bytes of a frame, after its header, CRC and side information.
std::size_t payloadBytes(const mp3::Frame& frame, const mp3::FrameHeader& format) {
  std::size_t overhead = 4 + (format.crc ? 2 : 0) + static_cast<std::size_t>(format.sideInfoBytes);
  return frame.bytes > overhead ? frame.bytes - overhead : 0;
}

// Where to restart the codec so that frame `target` decodes as in a run from the start: it and
// the two frames before it (whose overlap and filter memory it inherits) must find all of their
// audio data, which may begin in earlier frames.
std::size_t warmUpStart(const mp3::Stream& stream, std::size_t target) {
  const std::vector<mp3::Frame>& frames = stream.frames;
  std::size_t first = target >= 2 ? target - 2 : 0;
  std::size_t start = first;
  auto reaches = [&](std::size_t from) {
    for (std::size_t j = first; j <= target && j < frames.size(); ++j) {
      std::size_t before = 0;
      for (std::size_t i = from; i < j; ++i)
        before += payloadBytes(frames[i], stream.format);
      if (before < static_cast<std::size_t>(frames[j].mainDataBegin)) return false;
    }
    return true;
  };
  while (start > 0 && !reaches(start))
    --start;
  // A frame with no data in earlier frames is a clean start for any codec; take one if near.
  for (std::size_t back = 0; back < 4 && start > back; ++back) {
    if (frames[start - back].mainDataBegin == 0) return start - back;
  }
  return start;
}

}  // namespace

struct Mp3Decoder::State {
  std::span<const std::uint8_t> data;
  mp3::Stream stream;
  mp3::RateMap map;
  mp3::GaplessWindow window;
  AcmStream codec;
  std::vector<std::uint8_t> pending;  // frame bytes the codec has not taken yet
  std::size_t nextFrame = 0;          // the next frame to hand over
  int stalls = 0;
  // Samples the codec gave, interleaved at the stream's channel count, and where reading stands:
  // the input sample at `decodedAt` and the next of its output samples.
  std::vector<std::int16_t> decoded;
  std::size_t decodedAt = 0;
  std::int64_t nextIn = 0;
  std::int64_t nextOut = 0;
  std::int64_t skipBefore = 0;  // output samples before a seek's target are decoded, not given
  bool ended = false;

  explicit State(mp3::RateMap rateMap) : map(rateMap) {}

  int channels() const { return stream.format.channels; }

  bool restart(std::size_t frame, std::string& error) {
    pending.clear();
    decoded.clear();
    decodedAt = 0;
    nextFrame = frame;
    stalls = 0;
    nextIn = static_cast<std::int64_t>(frame) * stream.format.samplesPerFrame;
    nextOut = map.outsBefore(nextIn);
    ended = false;
    return codec.open(stream.format, error);
  }

  // Has the codec convert more frames; false once it has given everything.
  bool decodeMore() {
    if (decodedAt > 0) {
      decoded.erase(decoded.begin(), decoded.begin() + static_cast<std::ptrdiff_t>(decodedAt));
      decodedAt = 0;
    }
    while (stalls < kMaxStalls) {
      while (nextFrame < stream.frames.size() &&
             pending.size() + stream.frames[nextFrame].bytes <= codec.capacity()) {
        const mp3::Frame& frame = stream.frames[nextFrame++];
        auto bytes = data.subspan(frame.offset, frame.bytes);
        pending.insert(pending.end(), bytes.begin(), bytes.end());
      }
      bool last = nextFrame == stream.frames.size();
      std::size_t used = 0;
      std::size_t before = decoded.size();
      if (!codec.convert(pending.data(), pending.size(), last, used, decoded)) return false;
      pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(used));
      // PCM comes in whole sample frames; a stray sample would swap the channels from then on.
      decoded.resize(decoded.size() - decoded.size() % static_cast<std::size_t>(channels()));
      if (decoded.size() > before) {
        stalls = 0;
        return true;
      }
      // Nothing out: fine while it still takes input, the end once it takes and gives nothing.
      if (used > 0) {
        stalls = 0;
      } else if (last && pending.empty()) {
        return false;
      } else {
        ++stalls;
      }
    }
    return false;
  }
};

Mp3Decoder::Mp3Decoder() = default;

Mp3Decoder::~Mp3Decoder() {
  close();
}

bool Mp3Decoder::open(std::span<const std::uint8_t> data, int rate) {
  close();
  error_.clear();
  mp3::Stream stream;
  if (!mp3::scanStream(data, stream, error_)) return false;
  std::optional<mp3::RateMap> map = mp3::RateMap::make(stream.format.sampleRate, rate);
  if (!map) {
    error_ = "cannot decode to 16-bit stereo at " + std::to_string(rate) + " Hz";
    return false;
  }
  auto state = std::make_unique<State>(*map);
  state->data = data;
  state->stream = std::move(stream);
  state->window = mp3::gaplessWindow(state->stream, state->map);
  if (!state->restart(0, error_)) return false;
  state->skipBefore = state->window.unadjust(0);
  std::int64_t length = state->window.length();
  lengthFrames_ = length >= 0 ? length : -1;
  state_ = std::move(state);
  return true;
}

void Mp3Decoder::close() {
  state_.reset();
  lengthFrames_ = -1;
}

std::size_t Mp3Decoder::read(std::int16_t* out, std::size_t frames) {
  if (!state_ || state_->ended) return 0;
  State& s = *state_;
  std::int64_t stop = s.window.stop();
  int channels = s.stream.format.channels;
  std::size_t produced = 0;
  while (produced < frames) {
    if (s.nextOut >= stop) {
      s.ended = true;
      break;
    }
    if (s.decodedAt == s.decoded.size()) {
      if (!s.decodeMore()) {
        s.ended = true;
        break;
      }
      continue;
    }
    // Input sample nextIn gives outputs up to `upTo`; mono plays on both sides.
    std::int64_t upTo = s.map.outsBefore(s.nextIn + 1);
    std::int16_t left = s.decoded[s.decodedAt];
    std::int16_t right = s.decoded[s.decodedAt + static_cast<std::size_t>(channels - 1)];
    for (; s.nextOut < upTo && produced < frames; ++s.nextOut) {
      if (s.nextOut < s.skipBefore || !s.window.keeps(s.nextOut)) continue;
      out[2 * produced] = left;
      out[2 * produced + 1] = right;
      ++produced;
    }
    if (s.nextOut >= upTo) {
      ++s.nextIn;
      s.decodedAt += static_cast<std::size_t>(channels);
    }
  }
  return produced;
}

bool Mp3Decoder::rewind() {
  return seek(0);
}

bool Mp3Decoder::seek(std::int64_t frame) {
  if (!state_) return false;
  State& s = *state_;
  if (lengthFrames_ >= 0) frame = std::min(frame, lengthFrames_);
  std::int64_t target = s.window.unadjust(std::max<std::int64_t>(frame, 0));
  // The frame whose samples make output `target`: the last one starting at or before it.
  std::int64_t spf = s.stream.format.samplesPerFrame;
  std::size_t low = 0, high = s.stream.frames.size();
  while (low < high) {
    std::size_t middle = (low + high + 1) / 2;
    if (s.map.outsBefore(static_cast<std::int64_t>(middle) * spf) <= target)
      low = middle;
    else
      high = middle - 1;
  }
  std::string error;
  if (!s.restart(warmUpStart(s.stream, low), error)) {
    error_ = error;
    s.ended = true;
    return false;
  }
  s.skipBefore = target;
  return true;
}

}  // namespace tav::platform
