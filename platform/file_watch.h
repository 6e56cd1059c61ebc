#pragma once
// Watching a show folder for saved files, with the system's own notifications (inotify on Linux,
// ReadDirectoryChangesW on Windows; the page has none yet). A save counts once however the editor
// made it: written in place, written under another name and renamed over, deleted and re-created.
//
//   start(folder, error)  watches the folder and every folder below it, later ones included
//   stop()                ends the watch; start may be called again
//   poll()                never blocks: the files changed since the last poll, once settled
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tav::platform {

struct FileChanges {
  // Relative to the folder, '/' separators, UTF-8, sorted, each once: files saved, made, or gone
  // (after a grace, in case they come back). Editors' side files may be among them.
  std::vector<std::string> files;
  // Changes were lost (the system's queue overflowed, a folder moved away, the folder itself went,
  // a new folder could not be watched): any file may have changed.
  bool rescan = false;

  bool empty() const { return files.empty() && !rescan; }
};

class FileWatch {
 public:
  FileWatch();
  ~FileWatch();
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

  // False, with `error` in words naming the folder, when it is missing or the system refuses.
  bool start(const std::filesystem::path& folder, std::string& error);
  void stop();
  // False before start, after stop, and once the folder itself is gone.
  bool watching() const;

  FileChanges poll();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tav::platform
