#include "tools/capture/frame_writer.h"

#include <cstdio>

namespace tav::capture {
namespace {

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

std::string secondsText(std::chrono::milliseconds ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", static_cast<double>(ms.count()) / 1000.0);
  return text;
}

}  // namespace

FrameWriter::FrameWriter(VideoPipe* video, std::chrono::milliseconds patience, std::size_t depth)
    : video_(video), patience_(patience), depth_(depth), thread_(&FrameWriter::run, this) {}

FrameWriter::~FrameWriter() {
  std::string ignored;
  finish(ignored);
}

template <class Done>
bool FrameWriter::watch(std::unique_lock<std::mutex>& lock, Done done) {
  while (!done()) {
    if (stalled_ || step_ == Step::Other) {
      changed_.wait(lock);
      continue;
    }
    const Clock::time_point deadline = stepBegan_ + patience_;
    if (Clock::now() < deadline) {
      changed_.wait_until(lock, deadline);
      continue;
    }
    // Stopping the encoder is what makes its blocked write or wait return on the writer's thread.
    stalled_ = true;
    const std::string what =
        step_ == Step::Feeding
            ? "took no frame for " + secondsText(patience_)
            : "did not end within " + secondsText(patience_) + " of its last frame";
    if (error_.empty()) {
      error_ = "cannot make the video " + video_->file().string() + ": ffmpeg " + what +
               ", so it was stopped";
    }
    video_->stop();
    return false;
  }
  return true;
}

double FrameWriter::push(FrameJob job) {
  const auto start = Clock::now();
  std::unique_lock lock(mutex_);
  const bool room = watch(lock, [this] { return queue_.size() < depth_ || closing_; });
  if (room && !closing_ && error_.empty()) {
    queue_.push_back(std::move(job));
    changed_.notify_all();
  }
  return msSince(start);
}

void FrameWriter::enter(Step step) {
  std::lock_guard lock(mutex_);
  step_ = step;
  stepBegan_ = Clock::now();
  changed_.notify_all();
}

void FrameWriter::write(const FrameJob& job, std::string& error) {
  for (const std::filesystem::path& png : job.pngs) {
    if (!writePng(png, job.width, job.height, job.rgb, error)) return;
  }
  if (!job.toVideo || !video_ || !video_->isOpen()) return;
  enter(Step::Feeding);
  std::string why;
  if (!video_->write(job.rgb, why)) {
    videoBroken_ = true;
    error = "cannot make the video " + video_->file().string() + ": " + why;
  }
}

void FrameWriter::run() {
  for (;;) {
    FrameJob job;
    bool skip = false;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return !queue_.empty() || closing_; });
      if (queue_.empty()) break;
      job = std::move(queue_.front());
      skip = !error_.empty();  // after a failure the rest only drains
    }
    const auto start = Clock::now();
    std::string error;
    if (!skip) write(job, error);
    const double ms = msSince(start);
    std::lock_guard lock(mutex_);
    queue_.pop_front();
    step_ = Step::Other;
    busyMs_ += ms;
    if (!skip && error.empty()) ++written_;
    if (error_.empty()) error_ = error;
    changed_.notify_all();
  }
  endVideo();
}

void FrameWriter::endVideo() {
  std::string why;
  bool ended = true;
  if (video_ && video_->isOpen()) {
    // ffmpeg finishes the file once its input ends; that wait is watched like a frame.
    enter(Step::Ending);
    ended = video_->close(why);
  }
  std::lock_guard lock(mutex_);
  step_ = Step::Other;
  if (!ended && !stalled_) {
    if (error_.empty()) {
      error_ = "cannot make the video " + video_->file().string() + ": " + why;
    } else if (videoBroken_) {
      error_ += "; " + why;  // how it ended tells why it stopped taking frames
    }
  }
  done_ = true;
  changed_.notify_all();
}

bool FrameWriter::finish(std::string& error) {
  {
    std::unique_lock lock(mutex_);
    closing_ = true;
    changed_.notify_all();
    // After a stall the stopped encoder releases the writer; it is waited for, not watched again.
    watch(lock, [this] { return done_; });
    changed_.wait(lock, [this] { return done_; });
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
