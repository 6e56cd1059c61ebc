#include "tools/capture/frame_output.h"

#include <spawn.h>
#include <stb_image_write.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sstream>

extern char** environ;

namespace tav::capture {

bool writePng(const std::filesystem::path& file, int width, int height,
              const std::vector<std::uint8_t>& rgb, std::string& error) {
  if (!stbi_write_png(file.c_str(), width, height, 3, rgb.data(), width * 3)) {
    error = "cannot write " + file.string();
    return false;
  }
  return true;
}

std::string findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

VideoPipe::~VideoPipe() {
  std::string ignored;
  close(ignored);
}

bool VideoPipe::open(const std::string& ffmpeg, const std::filesystem::path& file, int width,
                     int height, int fps, const std::string& audio, std::int64_t audioStartMs,
                     std::string& error) {
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
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  int fds[2];
  if (pipe(fds) != 0) {
    error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  int spawned = posix_spawn(&child_, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[0]);
  if (spawned != 0) {
    ::close(fds[1]);
    child_ = -1;
    error = "cannot start " + ffmpeg + ": " + std::strerror(spawned);
    return false;
  }
  stream_ = fdopen(fds[1], "wb");
  return stream_ != nullptr;
}

bool VideoPipe::write(const std::vector<std::uint8_t>& rgb) {
  return stream_ && std::fwrite(rgb.data(), 1, rgb.size(), stream_) == rgb.size();
}

bool VideoPipe::close(std::string& error) {
  if (!stream_) return true;
  std::fclose(stream_);
  stream_ = nullptr;
  int status = 0;
  if (waitpid(child_, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = "ffmpeg failed to make the video (exit status " +
            std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
    child_ = -1;
    return false;
  }
  child_ = -1;
  return true;
}

}  // namespace tav::capture
