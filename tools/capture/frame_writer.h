#pragma once
// Writes captured frames on a thread of its own, so that drawing the next frame does not wait for
// PNG compression or for the encoder to take a frame: frames queue up to a few deep. The encoder
// is watched from the drawing side: one that takes nothing for too long is stopped, and fails.
#include <chrono>
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
  static constexpr std::chrono::milliseconds kEncoderPatience{60000};

  // `video` may be closed or null; when open, finish() closes it, and it must outlive that.
  // `patience`: how long the encoder may take no frame, or not end after the last, before it is
  // stopped and the capture fails.
  explicit FrameWriter(VideoPipe* video, std::chrono::milliseconds patience = kEncoderPatience,
                       std::size_t depth = 3);
  ~FrameWriter();
  FrameWriter(const FrameWriter&) = delete;
  FrameWriter& operator=(const FrameWriter&) = delete;

  // Queues a frame, waiting while the queue is full; returns the milliseconds waited. After a
  // failure the frame is dropped.
  double push(FrameJob job);
  // Writes every queued frame and ends the video; false, with the first failure, when one failed.
  bool finish(std::string& error);
  bool failed();
  // Milliseconds the writer spent writing, and frames written whole (every file and the video).
  double busyMs();
  std::int64_t written();

 private:
  using Clock = std::chrono::steady_clock;
  // What the writer's thread is doing; only the encoder's steps are watched for a stall.
  enum class Step { Other, Feeding, Ending };

  void run();
  void write(const FrameJob& job, std::string& error);
  void endVideo();
  void enter(Step step);
  // Waits until `done`; stops the encoder and returns false when it stalls.
  template <class Done>
  bool watch(std::unique_lock<std::mutex>& lock, Done done);

  VideoPipe* video_;
  std::chrono::milliseconds patience_;
  std::size_t depth_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<FrameJob> queue_;  // the front is the frame being written
  bool closing_ = false;
  bool done_ = false;
  bool stalled_ = false;
  bool videoBroken_ = false;  // the writer's thread only
  Step step_ = Step::Other;
  Clock::time_point stepBegan_;
  std::string error_;
  double busyMs_ = 0.0;
  std::int64_t written_ = 0;
  std::thread thread_;
};

}  // namespace tav::capture
