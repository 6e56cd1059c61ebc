#include "tools/capture/capture.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif
#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gl.h"
#include "platform/mp3_decoder.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "scenes/show_state.h"
#include "shell/gl_window.h"
#include "shell/main_loop.h"
#include "shell/show.h"
#include "shell/timeline.h"
#include "tools/capture/frame_output.h"
#include "tools/capture/frame_writer.h"

namespace tav::capture {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
  int width = 1024;
  int height = 768;
  int fps = 60;
  std::int64_t fromMs = 0;
  std::optional<std::int64_t> toMs;
  std::int64_t limitMs = 30 * 60 * 1000;
  fs::path data;
  fs::path pngDir;
  std::vector<std::int64_t> stills;
  fs::path video;
  fs::path report;
  double encoderSeconds = 60.0;
  bool quiet = false;
};

struct FrameRecord {
  std::int64_t frame;
  std::int64_t timeMs;
  int scene;
  std::optional<std::int32_t> event;
  double renderMs;
};

bool parseSize(const std::string& text, int& width, int& height) {
  int w = 0, h = 0;
  char x = 0, rest = 0;
  if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X')) {
    return false;
  }
  if (w < 16 || h < 16 || w > 8192 || h > 8192) return false;
  width = w;
  height = h;
  return true;
}

// The largest 4:3 picture inside the frame: what the show's scenes are made for.
platform::Size pictureIn(int width, int height) {
  if (width * 3 >= height * 4) return {height * 4 / 3, height};
  return {width, width * 3 / 4};
}

std::string clockText(double seconds) {
  char text[32];
  auto whole = static_cast<long>(seconds);
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

bool stderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

// The show lasts about as long as its music: the total a long capture's progress is told against.
std::optional<std::int64_t> musicLengthMs(const char* file) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  platform::Mp3Decoder decoder;
  constexpr int kRate = 44100;
  if (!platform::readWholeFile(file, bytes, error) || !decoder.open(bytes, kRate) ||
      decoder.lengthFrames() <= 0) {
    return std::nullopt;
  }
  return decoder.lengthFrames() * 1000 / kRate;
}

// How far a capture has got: on a terminal one line rewritten in place, otherwise a line every
// 10 s (a log or a pipe), or nothing at all.
class Progress {
 public:
  enum class Mode { Quiet, Live, Periodic };

  Progress(std::ostream& err, Mode mode, std::optional<std::int64_t> totalMs)
      : err_(err), mode_(mode), totalMs_(totalMs) {}

  void update(std::int64_t written, std::int64_t timeMs) {
    if (mode_ == Mode::Quiet) return;
    const auto now = Clock::now();
    const auto every =
        mode_ == Mode::Live ? std::chrono::milliseconds(200) : std::chrono::milliseconds(10000);
    if (now - lastShown_ < every) return;
    lastShown_ = now;
    const double elapsed = std::chrono::duration<double>(now - started_).count();
    // Show time made per second of real time; the show always runs from its start.
    const double speed = elapsed > 0 ? static_cast<double>(timeMs) / 1000.0 / elapsed : 0.0;
    std::string line = std::to_string(written) + " frames written, show " +
                       clockText(static_cast<double>(timeMs) / 1000.0);
    if (totalMs_) line += " of " + clockText(static_cast<double>(*totalMs_) / 1000.0);
    char rest[64];
    std::snprintf(rest, sizeof rest, ", %.2fx real time", speed);
    line += rest;
    if (totalMs_ && speed > 0) {
      const double left = static_cast<double>(std::max<std::int64_t>(*totalMs_ - timeMs, 0));
      line += ", " + clockText(left / 1000.0 / speed) + " left";
    }
    if (mode_ == Mode::Live) {
      shown_ = std::max(shown_, line.size());
      err_ << "\r" << line << std::string(shown_ - line.size(), ' ') << std::flush;
    } else {
      err_ << "tavrinel-capture: " << line << std::endl;
    }
  }

  void finish(std::int64_t drawn, std::int64_t written, std::int64_t lastMs, const char* ending) {
    if (mode_ == Mode::Quiet) return;
    if (shown_ > 0) err_ << "\r" << std::string(shown_, ' ') << "\r";
    const double elapsed = std::chrono::duration<double>(Clock::now() - started_).count();
    char line[240];
    std::snprintf(line, sizeof line,
                  "tavrinel-capture: %lld frames drawn (show 0 to %.2f s) in %.1f s, %.1f "
                  "frames/s; %lld frames written; %s\n",
                  static_cast<long long>(drawn), static_cast<double>(lastMs) / 1000.0, elapsed,
                  elapsed > 0 ? static_cast<double>(drawn) / elapsed : 0.0,
                  static_cast<long long>(written), ending);
    err_ << line << std::flush;
  }

 private:
  std::ostream& err_;
  Mode mode_;
  std::optional<std::int64_t> totalMs_;
  Clock::time_point started_ = Clock::now();
  Clock::time_point lastShown_ = Clock::now();
  std::size_t shown_ = 0;  // the longest line written in place
};

bool writeReport(const Options& options, const std::vector<FrameRecord>& frames, const char* ending,
                 std::string& error) {
  nlohmann::ordered_json report;
  report["size"] = {options.width, options.height};
  report["fps"] = options.fps;
  report["endedBy"] = ending;
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  std::map<int, std::vector<double>> perScene;
  auto round = [](double ms) { return std::round(ms * 1000.0) / 1000.0; };
  for (const FrameRecord& f : frames) {
    nlohmann::ordered_json entry = {{"frame", f.frame}, {"timeMs", f.timeMs}, {"scene", f.scene}};
    entry["event"] = f.event ? nlohmann::ordered_json(*f.event) : nlohmann::ordered_json(nullptr);
    entry["renderMs"] = round(f.renderMs);
    list.push_back(std::move(entry));
    if (f.scene > 0) perScene[f.scene].push_back(f.renderMs);
  }
  nlohmann::ordered_json scenes = nlohmann::ordered_json::array();
  for (auto& [scene, times] : perScene) {
    std::sort(times.begin(), times.end());
    scenes.push_back({{"scene", scene},
                      {"frames", times.size()},
                      {"medianMs", round(times[times.size() / 2])},
                      {"worstMs", round(times.back())}});
  }
  report["scenes"] = std::move(scenes);
  report["frames"] = std::move(list);
  std::ofstream file(options.report);
  file << report.dump(1) << "\n";
  if (!file) {
    error = "cannot write the report " + options.report.string();
    return false;
  }
  return true;
}

}  // namespace

int run(int argc, const char* const* argv, std::ostream& err) {
  CLI::App app{
      "Plays the tavrinel show headless, frame by frame, on a virtual clock: frame k is at show\n"
      "time k x 1000 / fps ms and the music position is that same time, so a capture is exactly\n"
      "reproducible and its sync events fire when they would in real play. The show always runs\n"
      "from its start; --from only chooses the first frame written.",
      "tavrinel-capture"};
  Options options;
  std::string size = "1024x768", at;
  app.add_option("--size", size,
                 "frame size WxH; the picture keeps its 4:3 shape (default 1024x768)");
  app.add_option("--fps", options.fps, "frames per second of show time (default 60)")
      ->check(CLI::Range(1, 1000));
  app.add_option("--from", options.fromMs, "show time in ms of the first frame written (default 0)")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--to", options.toMs, "show time in ms to stop at (default: the show's end)")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--data", options.data,
                 "folder the show's files are read from (default: the working directory)");
  app.add_option("--png", options.pngDir, "write every frame as DIR/frame_000000.png ...");
  app.add_option("--at", at,
                 "only stills at these show times, MS[,MS...], named still_MS.png "
                 "(in the --png folder, else the working directory)");
  app.add_option("--video", options.video,
                 "a video (for example show.mp4) made with ffmpeg, "
                 "H.264 with forest.mp3 as its sound");
  app.add_option(
      "--report", options.report,
      "JSON: per frame the show time, scene, sync event and render time in ms; per scene "
      "the median and worst render time");
  app.add_option("--limit", options.limitMs,
                 "show time in ms after which a show that has not ended is an error (default "
                 "1800000)")
      ->check(CLI::PositiveNumber);
  app.add_option("--encoder-timeout", options.encoderSeconds,
                 "seconds ffmpeg may take no frame, or not end after the last, before the capture "
                 "stops it and fails (default 60)")
      ->check(CLI::PositiveNumber);
  app.add_flag("--quiet", options.quiet, "no progress and no summary; problems only");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, err, err);
  }
  auto fail = [&err](const std::string& message) {
    err << "tavrinel-capture: " << message << std::endl;
    return 1;
  };
  if (!parseSize(size, options.width, options.height)) {
    return fail("--size wants WxH between 16x16 and 8192x8192, not \"" + size + "\"");
  }
  for (std::size_t start = 0; !at.empty() && start <= at.size();) {
    std::size_t comma = std::min(at.find(',', start), at.size());
    try {
      std::size_t used = 0;
      std::string item = at.substr(start, comma - start);
      long long ms = std::stoll(item, &used);
      if (used != item.size() || ms < 0) throw std::invalid_argument(item);
      options.stills.push_back(ms);
    } catch (const std::exception&) {
      return fail("--at wants show times in ms separated by commas, not \"" + at + "\"");
    }
    start = comma + 1;
  }
  std::sort(options.stills.begin(), options.stills.end());
  if (options.toMs && *options.toMs < options.fromMs) return fail("--to comes before --from");
  if (!options.stills.empty() && options.stills.front() < options.fromMs) {
    return fail("the still at " + std::to_string(options.stills.front()) +
                " ms comes before --from: frames are written from --from on");
  }

  // Output paths are taken from where the program was started, before --data moves there; the
  // working directory is put back on return.
  std::error_code ec;
  const fs::path startDir = fs::current_path(ec);
  if (ec) return fail("cannot tell the working directory: " + ec.message());
  struct Return {
    const fs::path& to;
    ~Return() {
      std::error_code ignored;
      fs::current_path(to, ignored);
    }
  } returnToStart{startDir};
  auto anchored = [&startDir](fs::path& p) {
    if (!p.empty() && p.is_relative()) p = startDir / p;
  };
  anchored(options.pngDir);
  anchored(options.video);
  anchored(options.report);
  const fs::path stillsDir = options.pngDir.empty() ? startDir : options.pngDir;
  const bool everyFrame = !options.pngDir.empty() && options.stills.empty();
  std::string ffmpeg;
  if (!options.video.empty()) {
    ffmpeg = findProgram("ffmpeg");
    if (ffmpeg.empty()) {
#ifdef _WIN32
      return fail("--video needs the ffmpeg program, and no ffmpeg.exe is on the PATH");
#else
      return fail(
          "--video needs the ffmpeg program, which is not on the PATH (Debian: apt-get "
          "install ffmpeg)");
#endif
    }
    if (options.width % 2 || options.height % 2) {
      return fail("--video needs an even width and height for H.264 (yuv420p)");
    }
  }
  if (!options.pngDir.empty() && !fs::is_directory(options.pngDir)) {
    fs::create_directories(options.pngDir, ec);
    if (ec) return fail("cannot make the folder " + options.pngDir.string() + ": " + ec.message());
  }
  if (!options.data.empty()) {
    fs::current_path(options.data, ec);
    if (ec)
      return fail("cannot read the show folder " + options.data.string() + ": " + ec.message());
  }
#ifdef SIGPIPE
  std::signal(SIGPIPE, SIG_IGN);  // a failing ffmpeg is reported, not fatal
#endif

  ShowState state;
  platform::Window platformWindow(platform::VideoBackend::Headless);
  platformWindow.setHeadlessSize({options.width, options.height});
  GLWindow window(state, platformWindow);
  const platform::Size picture = pictureIn(options.width, options.height);
  if (!window.create("tavrinel", picture.width, picture.height, 32, true)) {
    return fail("no headless OpenGL context (" + platformWindow.lastError() + ")");
  }
  platform::clock::setVirtualMs(kShowClockBase);
  platform::SoundOutput sound(platform::SoundMode::Silent);
  Show show(state, sound, err, err);
  setUpShow(show, window, err);

  VideoPipe video;
  std::string error;
  if (!ffmpeg.empty()) {
    std::string audio = fs::exists("forest.mp3") ? fs::absolute("forest.mp3").string() : "";
    if (audio.empty())
      err << "tavrinel-capture: no forest.mp3: the video has no sound" << std::endl;
    if (!video.open(ffmpeg, options.video, options.width, options.height, options.fps, audio,
                    options.fromMs, error)) {
      return fail(error);
    }
  }

  std::vector<FrameRecord> frames;
  std::size_t nextStill = 0;
  const Progress::Mode mode = options.quiet        ? Progress::Mode::Quiet
                              : stderrIsTerminal() ? Progress::Mode::Live
                                                   : Progress::Mode::Periodic;
  Progress progress(err, mode,
                    options.toMs || options.quiet ? options.toMs : musicLengthMs("forest.mp3"));
  const bool toVideo = video.isOpen();
  // Frames are read back a frame behind and written on the writer's thread, while the next ones
  // are drawn; they come out exactly as they were drawn, in order.
  const auto patience = std::chrono::milliseconds(std::llround(options.encoderSeconds * 1000.0));
  FrameWriter writer(toVideo ? &video : nullptr, std::max(patience, std::chrono::milliseconds(1)));
  bool pending = false;
  FrameJob next;  // what the frame being read back is for
  double readMs = 0.0, waitMs = 0.0;
  auto collect = [&] {
    if (!pending) return;
    const auto begun = Clock::now();
    platform::Size got;
    FrameJob job = std::move(next);
    pending = false;
    if (!platformWindow.takeReadback(job.rgb, got)) {
      error = "cannot read a frame back";
      return;
    }
    job.width = got.width;
    job.height = got.height;
    readMs += std::chrono::duration<double, std::milli>(Clock::now() - begun).count();
    waitMs += writer.push(std::move(job));
  };
  // Frame 0 is the black frame the set-up presents; the main loop's frames follow.
  auto emit = [&](std::int64_t k, std::int64_t t) {
    if (t < options.fromMs) return;
    FrameJob job;
    char name[64];
    if (everyFrame) {
      std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(k));
      job.pngs.push_back(options.pngDir / name);
    }
    for (; nextStill < options.stills.size() && options.stills[nextStill] <= t; ++nextStill) {
      std::snprintf(name, sizeof name, "still_%07lld.png",
                    static_cast<long long>(options.stills[nextStill]));
      job.pngs.push_back(stillsDir / name);
    }
    job.toVideo = toVideo;
    if (job.pngs.empty() && !job.toVideo) return;
    const auto begun = Clock::now();
    platformWindow.startReadback();
    readMs += std::chrono::duration<double, std::milli>(Clock::now() - begun).count();
    collect();  // the frame before this one
    next = std::move(job);
    pending = true;
  };
  emit(0, 0);

  LoopParts parts{state, window, show.music, show.sync, show.engine, show.scenes};
  const char* ending = nullptr;
  // With stills alone to make, each is reached by a seek: the frames before it are played without
  // drawing, from the nearest snapshot of the show's state.
  const bool stillsOnly =
      !everyFrame && !toVideo && options.report.empty() && !options.stills.empty();
  std::int64_t k = 1, lastMs = 0, seeksDrawn = 0;
  if (stillsOnly) {
    Timeline timeline(parts, show, {.fps = options.fps, .limitMs = options.limitMs});
    while (nextStill < options.stills.size() && error.empty() && !writer.failed()) {
      const std::int64_t wanted = options.stills[nextStill];
      if (options.toMs && wanted > *options.toMs) {
        ending = "reached --to";
        break;
      }
      timeline.seek(wanted);
      k = timeline.nextFrame();
      const std::int64_t t = timeline.timeOf(k);
      const auto begun = Clock::now();
      FrameInfo info;
      if (!timeline.step(true, &info)) break;
      glFinish();
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begun).count();
      frames.push_back(
          {k, t, info.scene, info.eventTaken ? std::optional(info.event) : std::nullopt, ms});
      ++seeksDrawn;
      window.swapBuffers();
      emit(k, t);
      lastMs = t;
      if (t < wanted) break;  // the show ended first, or the limit came
    }
    if (nextStill == options.stills.size()) ending = "all stills written";
    if (state.quit && !ending) ending = "ended by the show's end";
    k = timeline.nextFrame();
  }
  for (; !stillsOnly; ++k) {
    if (state.quit) {
      ending = "ended by the show's end";
      break;
    }
    const std::int64_t t = k * 1000 / options.fps;
    if (options.toMs && t > *options.toMs) {
      ending = "reached --to";
      break;
    }
    if (t > options.limitMs) break;
    if (writer.failed() || !error.empty()) break;
    platform::clock::setVirtualMs(kShowClockBase + static_cast<std::uint32_t>(t));
    auto begun = Clock::now();
    FrameInfo info;
    runFrame(parts, &info);
    glFinish();
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - begun).count();
    frames.push_back(
        {k, t, info.scene, info.eventTaken ? std::optional(info.event) : std::nullopt, ms});
    emit(k, t);
    lastMs = t;
    progress.update(writer.written(), t);
  }
  const std::int64_t drawn = (stillsOnly ? seeksDrawn + 1 : k);  // with the black frame 0
  collect();
  // The writer ends the video too: every failure of the output, the encoder's included, is here.
  std::string outputError;
  if (!writer.finish(outputError) && error.empty()) error = outputError;
  std::string reportError;
  if (!options.report.empty() &&
      !writeReport(options, frames, ending ? ending : "failed", reportError)) {
    if (error.empty()) error = reportError;
  }
  platform::clock::useRealTime();
  if (!error.empty()) {
    progress.finish(drawn, writer.written(), lastMs, "stopped by a failure");
    return fail(error);
  }
  if (!ending) {
    progress.finish(drawn, writer.written(), lastMs, "did not end");
    return fail("the show did not end within " + std::to_string(options.limitMs) +
                " ms of show time (--limit); no scene set the quit flag");
  }
  if (nextStill < options.stills.size()) {
    err << "tavrinel-capture: "
        << (std::strcmp(ending, "reached --to") == 0 ? "--to came before the still at "
                                                     : "the show ended before the still at ")
        << options.stills[nextStill] << " ms" << std::endl;
  }
  progress.finish(drawn, writer.written(), lastMs, ending);
  if (!options.quiet && writer.written() > 0) {
    double renderMs = 0.0;
    for (const FrameRecord& f : frames)
      renderMs += f.renderMs;
    const auto perFrame = [&](double ms) { return ms / static_cast<double>(writer.written()); };
    char line[200];
    std::snprintf(line, sizeof line,
                  "tavrinel-capture: drawing %.1f ms a frame; per frame written: read-back %.1f "
                  "ms, output %.1f ms on its own thread (drawing waited %.1f ms for it)\n",
                  renderMs / static_cast<double>(std::max<std::size_t>(frames.size(), 1)),
                  perFrame(readMs), perFrame(writer.busyMs()), perFrame(waitMs));
    err << line << std::flush;
  }
  return 0;
}

}  // namespace tav::capture
