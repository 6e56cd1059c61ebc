#pragma once
// Where captured frames go: numbered PNG files, stills at chosen show times, and a video made by
// the ffmpeg program from raw frames on a pipe.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace tav::capture {

// Encodes in memory and writes with every write and the close checked: a full disk is a failure
// naming the file, never a frame reported written.
bool writePng(const std::filesystem::path& file, int width, int height,
              const std::vector<std::uint8_t>& rgb, std::string& error);

// The program's path from PATH (on Windows also with ".exe"), or empty.
std::string findProgram(const std::string& name);
// Whether `file` is a program this system can start.
bool isProgram(const std::filesystem::path& file);

// ffmpeg's arguments for raw RGB frames on its standard input, written as H.264 (yuv420p), with
// `audio` muxed in from `audioStartMs` when it is not empty.
std::vector<std::string> videoArguments(const std::string& ffmpeg,
                                        const std::filesystem::path& file, int width, int height,
                                        int fps, const std::string& audio,
                                        std::int64_t audioStartMs);

// The encoder as a child process fed through a pipe; how it is started is the platform's.
class VideoPipe {
 public:
  VideoPipe() = default;
  ~VideoPipe();
  VideoPipe(const VideoPipe&) = delete;
  VideoPipe& operator=(const VideoPipe&) = delete;

  bool open(const std::string& ffmpeg, const std::filesystem::path& file, int width, int height,
            int fps, const std::string& audio, std::int64_t audioStartMs, std::string& error);
  // False, with the reason, when ffmpeg did not take the whole frame.
  bool write(const std::vector<std::uint8_t>& rgb, std::string& error);
  // Ends ffmpeg's input and waits for it; false, with the reason, when it failed: it ended
  // before its input did (whatever its status), it failed, or it left no video, or an empty one.
  bool close(std::string& error);
  // Ends ffmpeg at once, from any thread: a write or close blocked on it then returns.
  void stop();
  bool isOpen() const { return stream_ != nullptr; }
  const std::filesystem::path& file() const { return file_; }

 private:
  // Closes ffmpeg's input; what it could not take, in words, or empty.
  std::string closeStream();
  // Whether ffmpeg has ended already, without waiting or reaping it.
  bool childEnded();
  // Why the run that ends with `exitFailure` (empty: ffmpeg said it succeeded) made no video;
  // empty when the video is there.
  std::string outcome(bool endedEarly, const std::string& exitFailure) const;

  std::FILE* stream_ = nullptr;
  std::filesystem::path file_;
  // Held while the child is signalled or released, so that stop() never reaches another process.
  std::mutex childMutex_;
  std::intptr_t child_ = -1;  // the process id, or on Windows the process handle
};

}  // namespace tav::capture
