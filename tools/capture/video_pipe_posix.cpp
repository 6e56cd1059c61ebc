// The encoder started with posix_spawn, its standard input a pipe.
#include <signal.h>
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

  // A video left from before must not pass for this run's.
  std::error_code stale;
  std::filesystem::remove(file, stale);
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
  file_ = file;
  stream_ = fdopen(fds[1], "wb");
  if (!stream_) {
    error = std::string("cannot write to ") + ffmpeg + ": " + std::strerror(errno);
    ::close(fds[1]);
    std::string ignored;
    close(ignored);
    return false;
  }
  return true;
}

bool VideoPipe::childEnded() {
  siginfo_t info{};
  return child_ > 0 &&
         waitid(P_PID, static_cast<id_t>(child_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid != 0;
}

bool VideoPipe::close(std::string& error) {
  const bool endedEarly = childEnded();
  const std::string unsent = closeStream();
  const pid_t child = static_cast<pid_t>(child_);
  if (child <= 0) {
    error = unsent;
    return unsent.empty();
  }
  // Waited for without being released, so that stop() meanwhile still signals this process.
  siginfo_t info{};
  while (waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  int status = 0;
  pid_t waited = -1;
  {
    std::lock_guard lock(childMutex_);
    waited = waitpid(child, &status, 0);
    child_ = -1;
  }
  std::string failed;
  if (waited < 0) {
    failed = std::string("cannot wait for ffmpeg: ") + std::strerror(errno);
  } else if (WIFSIGNALED(status)) {
    failed = "ffmpeg was ended by signal " + std::to_string(WTERMSIG(status));
  } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    failed = "ffmpeg failed (exit status " +
             std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
  }
  // What it could not take says it all when it stopped taking frames.
  if (unsent.empty()) failed = outcome(endedEarly, failed);
  error = unsent.empty() || failed.empty() ? unsent + failed : unsent + "; " + failed;
  return error.empty();
}

void VideoPipe::stop() {
  std::lock_guard lock(childMutex_);
  if (child_ > 0) kill(static_cast<pid_t>(child_), SIGKILL);
}

}  // namespace tav::capture
