#include "platform/mp3_decoder.h"

#include <mpg123.h>
#include <sys/types.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace tav::platform {
namespace {

mpg123_ssize_t readSource(void* handle, void* buffer, size_t bytes) {
  auto* source = static_cast<Mp3Decoder::Source*>(handle);
  std::size_t left = source->data.size() - source->offset;
  std::size_t n = std::min(bytes, left);
  if (n > 0) std::memcpy(buffer, source->data.data() + source->offset, n);
  source->offset += n;
  return static_cast<mpg123_ssize_t>(n);
}

off_t seekSource(void* handle, off_t offset, int whence) {
  auto* source = static_cast<Mp3Decoder::Source*>(handle);
  off_t base = whence == SEEK_SET   ? 0
               : whence == SEEK_CUR ? static_cast<off_t>(source->offset)
               : whence == SEEK_END ? static_cast<off_t>(source->data.size())
                                    : -1;
  if (base < 0) return -1;
  off_t target = base + offset;
  if (target < 0 || target > static_cast<off_t>(source->data.size())) return -1;
  source->offset = static_cast<std::size_t>(target);
  return target;
}

}  // namespace

struct Mp3Decoder::State {
  mpg123_handle* handle = nullptr;
  Source source;
  bool ended = false;

  State() = default;
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  ~State() {
    if (handle) {
      mpg123_close(handle);
      mpg123_delete(handle);
    }
  }
};

Mp3Decoder::Mp3Decoder() = default;

Mp3Decoder::~Mp3Decoder() {
  close();
}

bool Mp3Decoder::open(std::span<const std::uint8_t> data, int rate) {
  close();
  error_.clear();
  auto state = std::make_unique<State>();
  int status = MPG123_OK;
  mpg123_handle* handle = state->handle = mpg123_new(nullptr, &status);
  if (!handle) {
    error_ = mpg123_plain_strerror(status);
    return false;
  }
  state->source = Source{data, 0};
  long flags = MPG123_GAPLESS | MPG123_QUIET | MPG123_FORCE_STEREO;
  bool ok = mpg123_param(handle, MPG123_ADD_FLAGS, flags, 0) == MPG123_OK &&
            mpg123_format_none(handle) == MPG123_OK &&
            mpg123_format(handle, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK &&
            mpg123_replace_reader_handle(handle, readSource, seekSource, nullptr) == MPG123_OK &&
            mpg123_open_handle(handle, &state->source) == MPG123_OK;
  long decodedRate = 0;
  int channels = 0, encoding = 0;
  // Scanning the whole stream gives the exact gapless length; it reads only frame headers.
  ok = ok && mpg123_scan(handle) == MPG123_OK &&
       mpg123_getformat(handle, &decodedRate, &channels, &encoding) == MPG123_OK;
  if (!ok) {
    int code = mpg123_errcode(handle);
    error_ =
        code == MPG123_OK || code == MPG123_ERR ? "not an MP3 stream" : mpg123_strerror(handle);
    return false;
  }
  if (decodedRate != rate || channels != 2 || encoding != MPG123_ENC_SIGNED_16) {
    error_ = "cannot decode to 16-bit stereo at " + std::to_string(rate) + " Hz";
    return false;
  }
  off_t length = mpg123_length(handle);
  lengthFrames_ = length >= 0 ? static_cast<std::int64_t>(length) : -1;
  state_ = std::move(state);
  return true;
}

void Mp3Decoder::close() {
  state_.reset();
  lengthFrames_ = -1;
}

std::size_t Mp3Decoder::read(std::int16_t* out, std::size_t frames) {
  if (!state_ || state_->ended) return 0;
  constexpr std::size_t kFrameBytes = 2 * sizeof(std::int16_t);
  auto* bytes = reinterpret_cast<unsigned char*>(out);
  std::size_t wanted = frames * kFrameBytes;
  std::size_t got = 0;
  while (got < wanted) {
    size_t done = 0;
    int status = mpg123_read(state_->handle, bytes + got, wanted - got, &done);
    got += done;
    if (status == MPG123_NEW_FORMAT || (status == MPG123_OK && done > 0)) continue;
    if (status != MPG123_OK || done == 0) {
      // The end, or damage the decoder cannot pass: either way the stream is over.
      state_->ended = true;
      break;
    }
  }
  return got / kFrameBytes;
}

bool Mp3Decoder::rewind() {
  return seek(0);
}

bool Mp3Decoder::seek(std::int64_t frame) {
  if (!state_) return false;
  state_->ended = false;
  if (lengthFrames_ >= 0) frame = std::min(frame, lengthFrames_);
  return mpg123_seek(state_->handle, static_cast<off_t>(std::max<std::int64_t>(frame, 0)),
                     SEEK_SET) >= 0;
}

}  // namespace tav::platform
