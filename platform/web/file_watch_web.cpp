#include <emscripten.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/file_watch.h"

// In the page, the viewer's folder is copied into the program's own file system by the page,
// which also finds what changed in it: polling the folder's files through the handle the browser
// gave, or the folder given again. A watch takes the page's word for it. The page writes each
// file whole before it says so, so nothing needs to settle.
namespace tav::platform {
namespace {

// clang-format off
// 1 when the page can tell the folder's changes.
EM_JS(int, pageWatchesFolder, (), {
  return Module.tavrinelFolder && Module.tavrinelFolder.changes ? 1 : 0;
});
// The paths changed since the last call, one a line, then "*" alone on a line when anything may
// have changed; malloc'd UTF-8 that the caller frees, or null when there is nothing.
EM_JS(char*, pageTakeChanges, (), {
  const text = Module.tavrinelFolder.changes();
  if (!text) return 0;
  const size = lengthBytesUTF8(text) + 1;
  const out = _malloc(size);
  stringToUTF8(text, out, size);
  return out;
});
// clang-format on

}  // namespace

struct FileWatch::Impl {
  bool watching = false;
};

FileWatch::FileWatch() : impl_(std::make_unique<Impl>()) {}
FileWatch::~FileWatch() = default;

bool FileWatch::start(const std::filesystem::path& folder, std::string& error) {
  impl_->watching = pageWatchesFolder() != 0;
  if (!impl_->watching) {
    error = "the page has no folder of the viewer's to watch for " + folder.string();
  }
  return impl_->watching;
}

void FileWatch::stop() {
  impl_->watching = false;
}

bool FileWatch::watching() const {
  return impl_->watching;
}

FileChanges FileWatch::poll() {
  FileChanges changes;
  if (!impl_->watching) return changes;
  char* text = pageTakeChanges();
  if (!text) return changes;
  std::string all(text);
  std::free(text);
  for (std::size_t from = 0; from < all.size();) {
    std::size_t end = all.find('\n', from);
    if (end == std::string::npos) end = all.size();
    const std::string line = all.substr(from, end - from);
    if (line == "*") {
      changes.rescan = true;
    } else if (!line.empty()) {
      changes.files.push_back(line);
    }
    from = end + 1;
  }
  std::sort(changes.files.begin(), changes.files.end());
  changes.files.erase(std::unique(changes.files.begin(), changes.files.end()), changes.files.end());
  return changes;
}

}  // namespace tav::platform
