#include "tools/capture/frame_writer.h"

#include <chrono>

namespace tav::capture {
namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

FrameWriter::FrameWriter(VideoPipe* video, std::size_t depth)
    : video_(video), depth_(depth), thread_(&FrameWriter::run, this) {}

FrameWriter::~FrameWriter() {
  std::string ignored;
  finish(ignored);
}

double FrameWriter::push(FrameJob job) {
  const auto start = Clock::now();
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.size() < depth_ || closing_; });
  if (closing_) return msSince(start);
  queue_.push_back(std::move(job));
  changed_.notify_all();
  return msSince(start);
}

void FrameWriter::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !queue_.empty() || closing_; });
    if (queue_.empty()) return;
    FrameJob job = std::move(queue_.front());
    const bool skip = !error_.empty();  // after a failure the rest only drains
    lock.unlock();
    const auto start = Clock::now();
    std::string error;
    if (!skip) {
      for (const std::filesystem::path& png : job.pngs) {
        if (error.empty()) writePng(png, job.width, job.height, job.rgb, error);
      }
      if (error.empty() && job.toVideo && video_ && !video_->write(job.rgb)) {
        error = "ffmpeg stopped taking frames";
      }
    }
    const double ms = msSince(start);
    lock.lock();
    queue_.pop_front();
    busyMs_ += ms;
    ++written_;
    if (error_.empty() && !error.empty()) error_ = error;
    changed_.notify_all();
  }
}

bool FrameWriter::finish(std::string& error) {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty(); });
    closing_ = true;
    changed_.notify_all();
  }
  if (thread_.joinable()) thread_.join();
  std::lock_guard lock(mutex_);
  if (error_.empty()) return true;
  error = error_;
  return false;
}

bool FrameWriter::failed() {
  std::lock_guard lock(mutex_);
  return !error_.empty();
}

double FrameWriter::busyMs() {
  std::lock_guard lock(mutex_);
  return busyMs_;
}

std::int64_t FrameWriter::written() {
  std::lock_guard lock(mutex_);
  return written_;
}

}  // namespace tav::capture
