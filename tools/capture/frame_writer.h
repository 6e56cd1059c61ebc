#pragma once
// Writes captured frames on a thread of its own, so that drawing the next frame does not wait for
// PNG compression or for the encoder to take a frame: frames queue up to a few deep.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/capture/frame_output.h"

namespace tav::capture {

struct FrameJob {
  std::vector<std::uint8_t> rgb;  // top row first, 3 bytes a pixel
  int width = 0;
  int height = 0;
  std::vector<std::filesystem::path> pngs;  // the frame as each of these files
  bool toVideo = false;
};

class FrameWriter {
 public:
  // `video` may be closed or null; it must outlive the writer's finish().
  explicit FrameWriter(VideoPipe* video, std::size_t depth = 3);
  ~FrameWriter();
  FrameWriter(const FrameWriter&) = delete;
  FrameWriter& operator=(const FrameWriter&) = delete;

  // Queues a frame, waiting while the queue is full; returns the milliseconds waited.
  double push(FrameJob job);
  // Waits until every queued frame is written; false, with the first failure, when one was not.
  bool finish(std::string& error);
  bool failed();
  // Milliseconds the writer spent writing, and frames written.
  double busyMs();
  std::int64_t written();

 private:
  void run();

  VideoPipe* video_;
  std::size_t depth_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<FrameJob> queue_;
  bool closing_ = false;
  std::string error_;
  double busyMs_ = 0.0;
  std::int64_t written_ = 0;
  std::thread thread_;
};

}  // namespace tav::capture
