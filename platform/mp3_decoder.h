#pragma once
// MP3 decoding from a block of memory, gapless, to 16-bit stereo at a fixed rate: libmpg123 on
// Linux, the system's Audio Compression Manager codec on Windows, sample for sample alike.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tav::platform {

class Mp3Decoder {
 public:
  Mp3Decoder();
  ~Mp3Decoder();
  Mp3Decoder(const Mp3Decoder&) = delete;
  Mp3Decoder& operator=(const Mp3Decoder&) = delete;

  // Opens the MP3 data; the block is not copied and must outlive the decoder (or its close()).
  // False with error() set when the data cannot be decoded at `rate`.
  bool open(std::span<const std::uint8_t> data, int rate);
  void close();
  bool isOpen() const { return state_ != nullptr; }

  // Decodes up to `frames` stereo frames into `out`; fewer only at the end of the stream.
  std::size_t read(std::int16_t* out, std::size_t frames);
  // Back to the first frame.
  bool rewind();
  // To `frame` (clamped to the stream), for playing on from where the show has got to.
  bool seek(std::int64_t frame);
  // Frames in the whole stream, gapless; -1 when unknown.
  std::int64_t lengthFrames() const { return lengthFrames_; }
  const std::string& error() const { return error_; }

  // Where the reader stands in the block; public for the reader callbacks.
  struct Source {
    std::span<const std::uint8_t> data;
    std::size_t offset = 0;
  };

 private:
  // The backend's decoder and where it stands; null while closed.
  struct State;
  std::unique_ptr<State> state_;
  std::int64_t lengthFrames_ = -1;
  std::string error_;
};

}  // namespace tav::platform
