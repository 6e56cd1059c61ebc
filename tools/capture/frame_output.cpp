#include "tools/capture/frame_output.h"

#include <stb_image_write.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tav::capture {

bool writePng(const std::filesystem::path& file, int width, int height,
              const std::vector<std::uint8_t>& rgb, std::string& error) {
  std::vector<std::uint8_t> png;
  auto append = [](void* context, void* data, int size) {
    auto* bytes = static_cast<const std::uint8_t*>(data);
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    out->insert(out->end(), bytes, bytes + size);
  };
  if (!stbi_write_png_to_func(append, &png, width, height, 3, rgb.data(), width * 3)) {
    error = "cannot encode " + file.string();
    return false;
  }
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (out)
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  if (out) out.close();
  if (!out) {
    const int why = errno;
    error = "cannot write " + file.string() + (why ? std::string(": ") + std::strerror(why) : "");
    return false;
  }
  return true;
}

std::string findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
#ifdef _WIN32
  const char separator = ';';
  const std::vector<std::string> names = {name + ".exe", name};
#else
  const char separator = ':';
  const std::vector<std::string> names = {name};
#endif
  std::stringstream dirs(path ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, separator)) {
    for (const std::string& file : names) {
      std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / file;
      if (isProgram(candidate)) return candidate.string();
    }
  }
  return {};
}

std::vector<std::string> videoArguments(const std::string& ffmpeg,
                                        const std::filesystem::path& file, int width, int height,
                                        int fps, const std::string& audio,
                                        std::int64_t audioStartMs) {
  std::vector<std::string> args = {ffmpeg,
                                   "-hide_banner",
                                   "-loglevel",
                                   "error",
                                   "-y",
                                   "-f",
                                   "rawvideo",
                                   "-pix_fmt",
                                   "rgb24",
                                   "-s",
                                   std::to_string(width) + "x" + std::to_string(height),
                                   "-framerate",
                                   std::to_string(fps),
                                   "-i",
                                   "-"};
  if (!audio.empty()) {
    char start[32];
    std::snprintf(start, sizeof start, "%.3f", static_cast<double>(audioStartMs) / 1000.0);
    args.insert(args.end(), {"-ss", start, "-i", audio});
  }
  // Fast enough to keep up with the show beside the software renderer on two cores: x264's
  // default "medium" takes about 24 ms of CPU a frame at 1024 x 768, "veryfast" 13, "ultrafast"
  // 7. What ultrafast leaves out that the show's dark gradients need comes back: the deblocking
  // filter, and adaptive quantisation that spends bits on dark areas; a low constant rate
  // factor keeps the rest clean.
  args.insert(args.end(), {"-c:v", "libx264", "-preset", "ultrafast", "-crf", "18", "-x264-params",
                           "aq-mode=3:deblock=1,0,0", "-pix_fmt", "yuv420p"});
  if (!audio.empty()) args.insert(args.end(), {"-c:a", "aac", "-shortest"});
  args.push_back(file.string());
  return args;
}

bool VideoPipe::write(const std::vector<std::uint8_t>& rgb, std::string& error) {
  if (stream_ && std::fwrite(rgb.data(), 1, rgb.size(), stream_) == rgb.size()) return true;
  error = std::string("ffmpeg stopped taking frames (") + std::strerror(errno) + ")";
  return false;
}

std::string VideoPipe::outcome(bool endedEarly, const std::string& exitFailure) const {
  // An encoder reads its input to the end: one that ended sooner made the video of part of it at
  // best, whatever it says.
  if (endedEarly)
    return "ffmpeg ended before its input did" +
           (exitFailure.empty() ? "" : " (" + exitFailure + ")");
  if (!exitFailure.empty()) return exitFailure;
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file_, ec);
  if (ec) return "ffmpeg said it succeeded but made no video file";
  if (size == 0) return "ffmpeg said it succeeded but left the video file empty";
  return "";
}

std::string VideoPipe::closeStream() {
  std::string unsent;
  if (stream_ && std::fclose(stream_) != 0) {
    unsent = std::string("ffmpeg stopped taking frames (") + std::strerror(errno) + ")";
  }
  stream_ = nullptr;
  return unsent;
}

VideoPipe::~VideoPipe() {
  std::string ignored;
  close(ignored);
}

}  // namespace tav::capture
