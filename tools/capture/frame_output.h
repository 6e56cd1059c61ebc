#pragma once
// Where captured frames go: numbered PNG files, stills at chosen show times, and a video made by
// the ffmpeg program from raw frames on a pipe.
#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace tav::capture {

bool writePng(const std::filesystem::path& file, int width, int height,
              const std::vector<std::uint8_t>& rgb, std::string& error);

// The ffmpeg program's path from PATH, or empty.
std::string findProgram(const std::string& name);

// ffmpeg reading raw RGB frames on its standard input and writing H.264 (yuv420p), with `audio`
// muxed in from `audioStartMs` when it is not empty.
class VideoPipe {
 public:
  ~VideoPipe();
  bool open(const std::string& ffmpeg, const std::filesystem::path& file, int width, int height,
            int fps, const std::string& audio, std::int64_t audioStartMs, std::string& error);
  bool write(const std::vector<std::uint8_t>& rgb);
  // Waits for ffmpeg; false when it failed.
  bool close(std::string& error);
  bool isOpen() const { return stream_ != nullptr; }

 private:
  std::FILE* stream_ = nullptr;
  pid_t child_ = -1;
};

}  // namespace tav::capture
