// The studio taking in files saved while it runs: the show's time never moves. A sync table is
// put in by restoring the timeline's first snapshot; a model, a texture or the whole folder by
// setting the show up again from its files; the music by opening it again. A file that no longer
// loads keeps the last good version and is named, in the inspector's words.
#include <set>

#include "platform/clock.h"
#include "platform/files.h"
#include "shell/scene_bands.h"
#include "shell/sync_text.h"
#include "studio/show_files.h"
#include "studio/studio_app.h"
#include "tools/examine/file_check.h"

namespace tav::studio {
namespace {

namespace fs = std::filesystem;

std::optional<fs::file_time_type> writtenAt(const char* file) {
  std::error_code ec;
  const fs::file_time_type at = fs::last_write_time(file, ec);
  return ec ? std::nullopt : std::optional(at);
}

}  // namespace

void Studio::watchFolder() {
  if (watching_ && watch_.watching()) return;
  const Steady::time_point now = Steady::now();
  if (now < nextWatchTry_) return;
  nextWatchTry_ = now + std::chrono::seconds(1);
  std::error_code ec;
  std::string error;
  const bool was = watching_;
  watching_ = watch_.start(fs::current_path(ec), error);
  if (was && !watching_) say("the show folder is no longer watched: " + error, true);
}

void Studio::takeChanges() {
  watchFolder();
  if (!watching_) return;
  const platform::FileChanges changes = watch_.poll();
  if (changes.empty()) return;
  const auto begun = Steady::now();
  bool data = false, music = false, table = false;
  std::vector<std::string> names;
  if (changes.rescan) {
    // Changes were lost: everything is loaded again, once everything loads.
    const std::vector<std::string> problems = showProblems();
    if (!problems.empty()) {
      say(problems.front() + (problems.size() > 1 ? " (and more)" : "") +
              "; the last good version stays",
          true);
      return;
    }
    data = table = true;
    music = writtenAt("forest.mp3") != musicWritten_;
    names.push_back("the show folder");
  }
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
  if (data) reloadData(table);
  if (music) reloadMusic();
  if (table && !data) installTable(StudioHost::TableFrom::Folder);
  if (!data) timeline_->forgetPlayed();
  seekTo(at);
  std::string joined;
  for (const std::string& name : names)
    joined += (joined.empty() ? "" : ", ") + name;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - begun);
  say("reloaded " + joined + " at " + syncTimeText(static_cast<std::int32_t>(at)) + " (" +
          std::to_string(ms.count()) + " ms)",
      false);
}

std::vector<std::string> Studio::showProblems() {
  std::vector<std::string> problems;
  auto check = [&](const ShowFile& file) {
    const std::string problem = loadProblem(file);
    if (!problem.empty()) problems.push_back(file.path + ": " + problem);
  };
  for (const char* model : kModelFiles)
    check(showFile(model));
  for (const std::string& texture : texturesInUse(show_->engine)) {
    check({ShowFile::Kind::Texture, -1, "data/textures/" + texture});
  }
  check(showFile("forest.mp3"));
  if (!fs::exists("sync.txt")) check(showFile("sync.dat"));
  return problems;
}

void Studio::installTable(StudioHost::TableFrom from) {
  show_->sync.parse(syncDatBytes(table_));
  tableScenes_ = syncDeliveryScenes(table_);
  eventTimes_.clear();
  for (const SyncEvent& e : table_)
    eventTimes_.push_back(e.timeMs);
  transport_.setEvents(eventTimes_);
  if (options_.host) {
    options_.host->tableChanged(table_, sceneBands(table_, kFps, show_->music.lengthMs()), from);
  }
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

void Studio::reloadData(bool tableRead) {
  // The show is set up again from its files, as at start-up, the music left playing.
  platform::clock::setVirtualMs(kShowClockBase);
  resetShow(*show_);
  loadShowData(*show_, err_);
  installTable(tableRead ? StudioHost::TableFrom::Folder : StudioHost::TableFrom::Kept);
  startShow(*show_, nullptr);
  timeline_.emplace(parts(), *show_, Timeline::Settings{.fps = kFps});
}

void Studio::reloadMusic() {
  Show& show = *show_;
  show.music.close();
  show.music.open("forest.mp3");
  startMusic(show);
  musicWritten_ = writtenAt("forest.mp3");
}

}  // namespace tav::studio
