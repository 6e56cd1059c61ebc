#include "studio/studio.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <ostream>
#include <thread>

#include "platform/clock.h"
#include "platform/file_watch.h"
#include "platform/files.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "scenes/show_state.h"
#include "shell/gl_window.h"
#include "shell/main_loop.h"
#include "shell/show.h"
#include "shell/sync_text.h"
#include "shell/timeline.h"
#include "studio/overlay.h"
#include "studio/show_clock.h"
#include "studio/show_files.h"
#include "studio/transport.h"
#include "tools/examine/file_check.h"

namespace tav::studio {
namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

// Seeks land on frames of this rate, as tavrinel-capture plays them by default.
constexpr int kFps = 60;
// What the device holds still plays after a seek: the studio keeps it short.
constexpr int kMusicBufferMs = 50;

std::string timeText(std::int64_t ms) {
  return syncTimeText(static_cast<std::int32_t>(ms));
}

class Studio {
 public:
  Studio(const Options& options, std::ostream& out, std::ostream& err)
      : options_(options), out_(out), err_(err) {}

  int run();

 private:
  bool start();
  void takeMessages();
  void command(Command c);
  void seekTo(std::int64_t ms);
  void setPlaying(bool playing);
  void playFrame();
  void drawHeld();
  void present(Steady::time_point begun);
  void takeChanges();
  bool readTable();
  void installTable();
  void reloadData();
  void reloadMusic();
  void say(const std::string& line, bool problem);
  Position position() const { return {standingMs_, shownFrame_, kFps, playing_}; }
  std::optional<std::int64_t> heard();

  Options options_;
  std::ostream& out_;
  std::ostream& err_;
  ShowState state_;
  platform::Window platformWindow_{platform::VideoBackend::Display};
  GLWindow window_{state_, platformWindow_};
  platform::SoundOutput sound_{platform::SoundMode::Device, &err_};
  std::optional<Show> show_;
  std::optional<Timeline> timeline_;
  Transport transport_;
  ShowClock clock_{[this] { return heard(); }};
  platform::FileWatch watch_;
  Overlay overlay_;
  std::vector<SyncEvent> table_;  // the sync table in use: sync.txt's when there is one
  std::vector<int> tableScenes_;  // the scene each event is delivered in
  std::vector<std::int32_t> eventTimes_;
  bool playing_ = false;
  bool closed_ = false;
  bool dirty_ = true;  // the held frame needs drawing again
  bool overlayShown_ = true;
  std::int64_t standingMs_ = 0;  // the time last asked for, or the time playing
  std::int64_t shownFrame_ = 1;
  std::int64_t shownMs_ = 0;
  double frameMs_ = 0.0;
  std::string line_;
  bool lineIsProblem_ = false;
};

std::optional<std::int64_t> Studio::heard() {
  // The music is the clock while a device plays it; past its end the show goes on without it.
  if (sound_.silent()) return std::nullopt;
  const std::int32_t position = show_->music.positionMs();
  const std::int32_t length = show_->music.lengthMs();
  if (length >= 0 && position >= length) return std::nullopt;
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
  setUpShow(*show_, window_, state_, err_, [this](const std::string& path, const std::string& why) {
    say(path + ": " + why, true);
  });
  overlay_.setMultitexture(show_->engine.gl.multitexture);
  // sync.dat as the set-up read it, unless a text form beside it reads well.
  for (std::int32_t i = 0; i < show_->sync.count(); ++i)
    table_.push_back(show_->sync.event(i));
  if (fs::exists("sync.txt")) readTable();
  installTable();
  LoopParts parts{state_, window_, show_->music, show_->sync, show_->engine, show_->scenes};
  timeline_.emplace(parts, *show_, Timeline::Settings{.fps = kFps});

  std::string error;
  const bool watching = watch_.start(fs::current_path(ec), error);
  playing_ = !options_.paused;
  seekTo(options_.atMs);
  out_ << "tavrinel studio: " << fs::current_path(ec).string() << " at " << timeText(standingMs_)
       << (playing_ ? ", playing" : ", paused")
       << (watching ? "; saved files are taken in as they change" : "") << std::endl;
  if (!watching) say("saved files are not taken in: " + error, true);
  return true;
}

void Studio::installTable() {
  show_->sync.parse(syncDatBytes(table_));
  tableScenes_ = syncDeliveryScenes(table_);
  eventTimes_.clear();
  for (const SyncEvent& e : table_)
    eventTimes_.push_back(e.timeMs);
  transport_.setEvents(eventTimes_);
}

bool Studio::readTable() {
  std::vector<std::uint8_t> bytes;
  std::string error;
  bool missing = false;
  if (platform::readWholeFile("sync.txt", bytes, error, &missing)) {
    SyncTextRead read =
        readSyncText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!read.problem.empty()) {
      say("sync.txt: " + read.problem + "; the last good table stays", true);
      return false;
    }
    table_ = std::move(read.events);
    return true;
  }
  if (!missing) {
    say("sync.txt: " + error + "; the last good table stays", true);
    return false;
  }
  // Without a text form the binary table is the source.
  const std::string problem = inspect::syncTableProblem("sync.dat");
  if (!problem.empty()) {
    say("sync.dat: " + problem + "; the last good table stays", true);
    return false;
  }
  SyncTrack read;
  read.load("sync.dat");
  table_.clear();
  for (std::int32_t i = 0; i < read.count(); ++i)
    table_.push_back(read.event(i));
  return true;
}

void Studio::setPlaying(bool playing) {
  playing_ = playing;
  // Paused, the picture is the frame of the timeline at the time reached.
  seekTo(standingMs_);
}

void Studio::seekTo(std::int64_t ms) {
  standingMs_ = ms;
  timeline_->seek(ms);
  shownFrame_ = timeline_->nextFrame();
  shownMs_ = timeline_->timeOf(shownFrame_);
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

void Studio::playFrame() {
  std::int64_t t = clock_.nowMs();
  if (std::optional<std::int64_t> back = transport_.loopBack(t)) {
    seekTo(*back);
    return;
  }
  const auto begun = Steady::now();
  Timeline& timeline = *timeline_;
  if (std::optional<std::int64_t> end = timeline.endFrame()) t = std::min(t, timeline.timeOf(*end));
  platform::clock::setVirtualMs(kShowClockBase + static_cast<std::uint32_t>(t));
  timeline.leave();
  shownMs_ = standingMs_ = t;
  shownFrame_ = timeline.frameAt(t);
  LoopParts parts{state_, window_, show_->music, show_->sync, show_->engine, show_->scenes};
  if (sceneSelected(state_)) playScene(parts, static_cast<std::int32_t>(t));
  present(begun);
  if (state_.quit) {
    // The last scene ended the show: it holds on its last frame.
    playing_ = false;
    seekTo(t);
  }
}

// The overlay tells the time the frame before took, from the start of its work to its
// presentation.
void Studio::present(Steady::time_point begun) {
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
    // The show goes on from the state its own frames left, not the overlay's.
    show_->engine.gl.apply();
  }
  window_.swapBuffers();
  frameMs_ = std::chrono::duration<double, std::milli>(Steady::now() - begun).count();
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

void Studio::takeChanges() {
  const platform::FileChanges changes = watch_.poll();
  if (changes.empty()) return;
  const auto begun = Steady::now();
  bool data = changes.rescan, music = changes.rescan, table = changes.rescan;
  std::vector<std::string> names;
  if (changes.rescan) names.push_back("the show folder");
  const std::set<std::string> textures = texturesInUse(show_->engine);
  for (const std::string& path : changes.files) {
    const ShowFile file = showFile(path);
    switch (file.kind) {
      case ShowFile::Kind::Other:
        continue;
      case ShowFile::Kind::Texture:
        if (!inUse(textures, path)) continue;
        [[fallthrough]];
      case ShowFile::Kind::Model:
      case ShowFile::Kind::Music: {
        const std::string problem = loadProblem(file);
        if (!problem.empty()) {
          say(path + ": " + problem + "; the last good version stays", true);
          continue;
        }
        (file.kind == ShowFile::Kind::Music ? music : data) = true;
        break;
      }
      case ShowFile::Kind::SyncTable:
        // The text form, when there is one, is the table's source.
        if (fs::exists("sync.txt")) continue;
        table = true;
        break;
      case ShowFile::Kind::SyncText:
        table = true;
        break;
    }
    names.push_back(path);
  }
  if (table && !readTable()) table = false;
  if (!data && !music && !table) return;

  const std::int64_t at = standingMs_;
  if (data) reloadData();
  if (music) reloadMusic();
  if (table && !data) installTable();
  if (!data) timeline_->forgetPlayed();
  seekTo(at);
  std::string joined;
  for (const std::string& name : names)
    joined += (joined.empty() ? "" : ", ") + name;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - begun);
  say("reloaded " + joined + " at " + timeText(at) + " (" + std::to_string(ms.count()) + " ms)",
      false);
}

void Studio::reloadData() {
  // The show is set up again from its files, as at start-up, the music left playing.
  platform::clock::setVirtualMs(kShowClockBase);
  resetShow(*show_, state_);
  loadShowData(*show_, err_);
  installTable();
  startShow(*show_, state_, nullptr);
  LoopParts parts{state_, window_, show_->music, show_->sync, show_->engine, show_->scenes};
  timeline_.emplace(parts, *show_, Timeline::Settings{.fps = kFps});
}

void Studio::reloadMusic() {
  Show& show = *show_;
  show.music.close();
  show.music.open("forest.mp3");
  show.music.play();
  show.music.enableSpectrum();
  show.music.setVolume(255);
}

int Studio::run() {
  if (!start()) return 1;
  while (!closed_) {
    takeMessages();
    if (closed_ || window_.escapePressed()) break;
    takeChanges();
    if (playing_) {
      playFrame();
    } else if (dirty_) {
      drawHeld();
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  out_ << "tavrinel studio: " << timeline_->snapshotCount() << " snapshots kept, "
       << timeline_->snapshotBytes() / 1024 << " KB" << std::endl;
  show_->music.stop();
  show_->music.close();
  platform::clock::useRealTime();
  return 0;
}

}  // namespace

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
