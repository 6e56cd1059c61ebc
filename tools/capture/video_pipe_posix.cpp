// The encoder started with posix_spawn, its standard input a pipe.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/capture/frame_output.h"

extern char** environ;

namespace tav::capture {

bool isProgram(const std::filesystem::path& file) {
  return access(file.c_str(), X_OK) == 0;
}

bool VideoPipe::open(const std::string& ffmpeg, const std::filesystem::path& file, int width,
                     int height, int fps, const std::string& audio, std::int64_t audioStartMs,
                     std::string& error) {
  std::vector<std::string> args =
      videoArguments(ffmpeg, file, width, height, fps, audio, audioStartMs);
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
  pid_t child = -1;
  int spawned = posix_spawn(&child, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[0]);
  if (spawned != 0) {
    ::close(fds[1]);
    error = "cannot start " + ffmpeg + ": " + std::strerror(spawned);
    return false;
  }
  child_ = child;
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
  const pid_t child = static_cast<pid_t>(child_);
  child_ = -1;
  if (waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    error = "ffmpeg failed to make the video (exit status " +
            std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
    return false;
  }
  return true;
}

}  // namespace tav::capture
