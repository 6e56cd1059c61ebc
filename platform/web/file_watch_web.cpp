#include "platform/file_watch.h"

// The page reads its show from a preloaded package, which nothing saves into; a watch over the
// viewer's own folder comes with the page's studio.
namespace tav::platform {

struct FileWatch::Impl {};

FileWatch::FileWatch() : impl_(std::make_unique<Impl>()) {}
FileWatch::~FileWatch() = default;

bool FileWatch::start(const std::filesystem::path&, std::string& error) {
  error = "watching a folder is not available in the page";
  return false;
}

void FileWatch::stop() {}

bool FileWatch::watching() const {
  return false;
}

FileChanges FileWatch::poll() {
  return {};
}

}  // namespace tav::platform
