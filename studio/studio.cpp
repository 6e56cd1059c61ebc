#include "studio/studio.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/gl.h"
#include "shell/scene_bands.h"
#include "shell/sync_text.h"
#include "studio/host.h"
#include "studio/studio_app.h"

namespace tav::studio {
namespace {

namespace fs = std::filesystem;

// What the device holds still plays after a seek: the studio keeps it short.
constexpr int kMusicBufferMs = 50;

// How long the timeline plays ahead at a time while the studio waits, so that a key or a request
// is seldom kept waiting for it.
constexpr auto kAheadWork = std::chrono::milliseconds(8);

std::string timeText(std::int64_t ms) {
  return syncTimeText(static_cast<std::int32_t>(ms));
}

}  // namespace

std::optional<std::int64_t> Studio::heard() {
  // The music is the clock while a device plays its stream; past its end, or with none, the show
  // goes on without it.
  const std::int32_t length = show_->music.lengthMs();
  if (sound_.silent() || length < 0) return std::nullopt;
  const std::int32_t position = show_->music.positionMs();
  if (position >= length) return std::nullopt;
  return position;
}

void Studio::say(const std::string& line, bool problem) {
  out_ << line << std::endl;
  line_ = line;
  lineIsProblem_ = problem;
  dirty_ = true;
}

bool Studio::start() {
  std::error_code ec;
  if (!options_.showDir.empty()) {
    fs::current_path(options_.showDir, ec);
    if (ec) {
      err_ << "tavrinel: cannot read the show folder " << options_.showDir.string() << ": "
           << ec.message() << std::endl;
      return false;
    }
  }
  if (!window_.create("tavrinel studio", options_.width, options_.height, 32, false)) {
    return false;
  }
  // The clock the scenes read is the show's time from here on: the set-up sees it at its start,
  // as a capture's does, so that the studio's frames are the capture's.
  platform::clock::setVirtualMs(kShowClockBase);
  show_.emplace(state_, sound_, out_, err_);
  show_->music.setBufferMs(kMusicBufferMs);
  setUpShow(*show_, window_, err_, [this](const std::string& path, const std::string& why) {
    say(path + ": " + why, true);
  });
  std::error_code unknown;
  musicWritten_ = fs::last_write_time("forest.mp3", unknown);
  if (unknown) musicWritten_.reset();
  overlay_.setMultitexture(show_->engine.gl.multitexture);
  overlayShown_ = options_.host == nullptr;
  // sync.dat as the set-up read it, unless a text form beside it reads well.
  for (std::int32_t i = 0; i < show_->sync.count(); ++i)
    table_.push_back(show_->sync.event(i));
  if (fs::exists("sync.txt")) readTable();
  installTable(StudioHost::TableFrom::Folder);
  timeline_.emplace(parts(), *show_, Timeline::Settings{.fps = kFps});

  watchFolder();
  playing_ = !options_.paused;
  seekTo(options_.atMs);
  out_ << "tavrinel studio: " << fs::current_path(ec).string() << " at " << timeText(standingMs_)
       << (playing_ ? ", playing" : ", paused")
       << (watching_ ? "; saved files are taken in as they change" : "") << std::endl;
  if (!watching_) say("saved files are not taken in: the show folder cannot be watched", true);
  return true;
}

void Studio::setPlaying(bool playing) {
  playing_ = playing;
  const std::optional<std::int64_t> end = timeline_->endFrame();
  if (playing && end && shownFrame_ >= *end) {
    seekTo(0);  // played again from the start once the show is over
  } else {
    // Paused, the picture stays the frame that was on screen.
    seekTo(playing ? standingMs_ : shownMs_);
  }
}

void Studio::seekTo(std::int64_t ms) {
  Timeline& timeline = *timeline_;
  timeline.seek(ms);
  shownFrame_ = timeline.nextFrame();
  shownMs_ = timeline.timeOf(shownFrame_);
  // Past the show's end (or its limit) the show stands at its last frame, and so does the time
  // the next move goes from.
  standingMs_ = timeline.frameAt(ms) > shownFrame_ ? shownMs_ : std::max<std::int64_t>(ms, 0);
  show_->music.seek(static_cast<std::int32_t>(shownMs_));
  show_->music.pause(!playing_);
  if (playing_) {
    clock_.play(shownMs_);
  } else {
    clock_.hold(shownMs_);
  }
  drawHeld();
}

void Studio::drawHeld() {
  const auto begun = Steady::now();
  timeline_->seek(shownMs_);
  timeline_->step(true);
  present(begun);
  dirty_ = false;
}

bool Studio::playAhead() {
  Timeline& timeline = *timeline_;
  const std::optional<std::int64_t> end = timeline.endFrame();
  const std::int64_t endMs = end ? timeline.timeOf(*end) : show_->music.lengthMs();
  const std::int64_t from = timeline.lastSnapshotFrame();
  if (endMs < 0 || timeline.timeOf(from) + timeline.snapshotSpacingMs() >= endMs) return false;
  const auto begun = Steady::now();
  timeline.seek(timeline.timeOf(from));
  while (Steady::now() - begun < kAheadWork && timeline.step(false)) {
  }
  drawHeld();
  return true;
}

void Studio::playFrame() {
  const std::int64_t t = clock_.nowMs();
  if (std::optional<std::int64_t> back = transport_.loopBack(t)) {
    seekTo(*back);
    return;
  }
  Timeline& timeline = *timeline_;
  std::int64_t frame = lastFrameBy(t, kFps);
  if (std::optional<std::int64_t> end = timeline.endFrame()) frame = std::min(frame, *end);
  if (frame < timeline.nextFrame()) {
    // The frame for this moment is on screen already.
    platformWindow_.rest(1);
    return;
  }
  const auto begun = Steady::now();
  standingMs_ = t;
  timeline.seek(timeline.timeOf(frame));  // the frames in between played without drawing
  shownFrame_ = timeline.nextFrame();
  shownMs_ = timeline.timeOf(shownFrame_);
  timeline.step(true);
  present(begun);
  if (state_.quit) {
    // The last scene ended the show: it holds on its last frame.
    playing_ = false;
    show_->music.pause(true);
    clock_.hold(shownMs_);
    standingMs_ = shownMs_;
  }
}

// The overlay tells the time the frame before took, from the start of its work to its
// presentation.
void Studio::present(Steady::time_point begun) {
  bool drawnOver = false;
  if (!sceneSelected(state_)) {
    // No scene draws: the picture is black rather than whatever the buffer held.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawnOver = true;
  }
  if (overlayShown_) {
    OverlayView view;
    view.showMs = shownMs_;
    // The show's length once its end is found, the music's until then.
    const std::optional<std::int64_t> end = timeline_->endFrame();
    view.lengthMs = end ? timeline_->timeOf(*end) : show_->music.lengthMs();
    view.frameMs = frameMs_;
    view.scene = sceneSelected(state_) ? state_.sceneSelector : 0;
    view.playing = playing_;
    const SyncTrack& sync = show_->sync;
    auto event = [&](std::int32_t i) -> std::optional<OverlayEvent> {
      if (i < 0 || i >= sync.count()) return std::nullopt;
      const SyncEvent& e = sync.event(i);
      const int scene = static_cast<std::size_t>(i) < tableScenes_.size()
                            ? tableScenes_[static_cast<std::size_t>(i)]
                            : 0;
      return OverlayEvent{e.timeMs, e.value, syncCodeMeaning(scene, e.value)};
    };
    view.lastEvent = event(sync.cursor() - 1);
    view.nextEvent = event(sync.cursor());
    view.loop = transport_.loop();
    view.line = line_;
    view.lineIsProblem = lineIsProblem_;
    view.snapshotBytes = timeline_->snapshotBytes();
    overlay_.draw(view, eventTimes_, window_.viewport());
    drawnOver = true;
  }
  // The show goes on from the state its own frames left.
  if (drawnOver) show_->engine.gl.apply();
  window_.swapBuffers();
  frameMs_ = std::chrono::duration<double, std::milli>(Steady::now() - begun).count();
  if (options_.host) {
    const std::optional<std::int64_t> end = timeline_->endFrame();
    options_.host->shown({shownMs_, shownFrame_,
                          end ? timeline_->timeOf(*end) : show_->music.lengthMs(),
                          sceneSelected(state_) ? state_.sceneSelector : 0, playing_,
                          show_->sync.cursor(), transport_.loop(), line_, lineIsProblem_});
  }
}

void Studio::takeRequests() {
  if (!options_.host) return;
  while (std::optional<HostRequest> request = options_.host->nextRequest()) {
    switch (request->kind) {
      case HostRequest::Kind::Command:
        command(request->command);
        break;
      case HostRequest::Kind::Seek:
        seekTo(request->ms);
        break;
      case HostRequest::Kind::Loop:
        transport_.setLoop(request->loop);
        dirty_ = true;
        break;
      case HostRequest::Kind::Table: {
        // An edited table: played again from the last snapshot before the edit can tell, the
        // show's time kept.
        const std::int64_t changed = firstFrameChanged(table_, request->table, kFps);
        table_ = std::move(request->table);
        installTable(StudioHost::TableFrom::Host);
        if (changed >= 0) timeline_->forgetFrom(changed);
        seekTo(standingMs_);
      } break;
    }
  }
}

void Studio::command(Command c) {
  const Move move = transport_.apply(c, position());
  if (move.toggleOverlay) {
    overlayShown_ = !overlayShown_;
    dirty_ = true;
  }
  if (move.play && *move.play != playing_) {
    setPlaying(*move.play);
  } else if (move.seekMs) {
    seekTo(*move.seekMs);
  } else {
    dirty_ = true;  // the loop region or the overlay changed
  }
}

void Studio::takeMessages() {
  platform::WindowMessage message;
  while (platformWindow_.nextMessage(message)) {
    using Kind = platform::WindowMessage::Kind;
    if (message.kind == Kind::Quit || message.kind == Kind::Close) {
      closed_ = true;
      return;
    }
    window_.handleMessage(message);
    if (message.kind == Kind::Size) {
      // The window's own projection is not the show's: the show's state goes back at once.
      show_->engine.gl.apply();
      dirty_ = true;
    } else if (message.kind == Kind::KeyDown) {
      if (std::optional<Command> c = commandFor(message.key, window_.keyDown(keys::kShift))) {
        command(*c);
      }
    } else if (message.kind == Kind::Activate) {
      dirty_ = true;
    }
  }
}

int Studio::run() {
  if (!start()) return 1;
  while (!closed_) {
    takeMessages();
    if (closed_ || window_.escapePressed()) break;
    takeRequests();
    takeChanges();
    if (playing_) {
      playFrame();
    } else if (dirty_) {
      drawHeld();
    } else if (!playAhead()) {
      platformWindow_.rest(5);
    }
  }
  out_ << "tavrinel studio: " << timeline_->snapshotCount() << " snapshots kept, "
       << timeline_->snapshotBytes() / 1024 << " KB" << std::endl;
  show_->music.stop();
  show_->music.close();
  platform::clock::useRealTime();
  return 0;
}

const char* usage() {
  return "tavrinel --studio [SHOW_DIR] [--at MS] [--paused] [--size WxH]\n"
         "  Plays the show folder SHOW_DIR (default: the working directory) in a window, for\n"
         "  making a show: every seek shows exactly the frame playing from the start shows,\n"
         "  saved files are taken in as they change, and an overlay tells where the show is.\n"
         "  --at MS      start at this show time\n"
         "  --paused     start paused\n"
         "  --size WxH   the window's size (default 1024x768)\n"
         "  Keys: Space play/pause; Left/Right 1 s (Shift: 10 s); Home the start; , and . one\n"
         "  frame (paused); Page Up/Down the previous/next sync event; [ and ] a loop region,\n"
         "  \\ clears it; Tab the overlay; Escape ends.\n";
}

bool parseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
  bool studio = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) {
        error = std::string(name) + " wants a value";
        return nullptr;
      }
      return argv[++i];
    };
    if (arg == "--studio") {
      studio = true;
    } else if (arg == "--paused") {
      options.paused = true;
    } else if (arg == "--at") {
      const char* text = value("--at");
      if (!text) return false;
      char* end = nullptr;
      const long long ms = std::strtoll(text, &end, 10);
      if (end == text || *end != '\0' || ms < 0) {
        error = std::string("--at wants a show time in ms, not \"") + text + "\"";
        return false;
      }
      options.atMs = ms;
    } else if (arg == "--size") {
      const char* text = value("--size");
      if (!text) return false;
      int w = 0, h = 0;
      char x = 0, rest = 0;
      if (std::sscanf(text, "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X') ||
          w < 16 || h < 16 || w > 8192 || h > 8192) {
        error = std::string("--size wants WxH between 16x16 and 8192x8192, not \"") + text + "\"";
        return false;
      }
      options.width = w;
      options.height = h;
    } else if (!arg.empty() && arg[0] != '-' && options.showDir.empty()) {
      options.showDir = arg;
    } else {
      error = "unknown argument \"" + arg + "\"";
      return false;
    }
  }
  if (!studio) {
    error = "the player takes no arguments; the studio's need --studio";
    return false;
  }
  return true;
}

int run(const Options& options, std::ostream& out, std::ostream& err) {
  Studio studio(options, out, err);
  return studio.run();
}

}  // namespace tav::studio
