#pragma once
// The studio's running state, for its two halves: studio.cpp plays and draws the show and takes
// the keys; studio_files.cpp takes in the files saved while it runs.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/file_watch.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "scenes/show_state.h"
#include "shell/gl_window.h"
#include "shell/main_loop.h"
#include "shell/show.h"
#include "shell/timeline.h"
#include "studio/host.h"
#include "studio/overlay.h"
#include "studio/show_clock.h"
#include "studio/studio.h"
#include "studio/transport.h"

namespace tav::studio {

using Steady = std::chrono::steady_clock;

// Seeks land on frames of this rate, as tavrinel-capture plays them by default.
inline constexpr int kFps = 60;

class Studio {
 public:
  Studio(const Options& options, std::ostream& out, std::ostream& err)
      : options_(options), out_(out), err_(err) {}

  int run();

 private:
  bool start();
  void takeMessages();
  void takeRequests();
  void command(Command c);
  // Sends the show to `ms` (clamped to its end), drawn at once, the music with it.
  void seekTo(std::int64_t ms);
  void setPlaying(bool playing);
  // While playing: the timeline's frame the clock has reached, the frames before it undrawn.
  void playFrame();
  void drawHeld();
  // While paused: the timeline played on undrawn past its last snapshot, keeping snapshots up to
  // the show's end so that any seek starts near its frame, then the held frame drawn again.
  // False once they reach the end.
  bool playAhead();
  void present(Steady::time_point begun);
  void say(const std::string& line, bool problem);
  Position position() const { return {standingMs_, shownFrame_, kFps, playing_}; }
  std::optional<std::int64_t> heard();
  LoopParts parts() {
    return {state_, window_, show_->music, show_->sync, show_->engine, show_->scenes};
  }

  // studio_files.cpp
  void watchFolder();
  void takeChanges();
  // Reads sync.txt, or sync.dat without one, into `table_`; false, said, when it does not read.
  bool readTable();
  void installTable(StudioHost::TableFrom from);
  // The problems of every file the show loads, in the inspector's words.
  std::vector<std::string> showProblems();
  // `tableRead`: the table was read from the folder with the data, not kept from before.
  void reloadData(bool tableRead);
  void reloadMusic();

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
  Overlay overlay_;

  platform::FileWatch watch_;
  bool watching_ = false;
  Steady::time_point nextWatchTry_{};
  // The soundtrack as last loaded, to tell whether a rescan must load it again.
  std::optional<std::filesystem::file_time_type> musicWritten_;
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

}  // namespace tav::studio
