#include "platform/file_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string_view>

#include "platform/change_settler.h"

namespace tav::platform {
namespace {

namespace fs = std::filesystem;

// inotify watches folders, not names: a file replaced by a rename keeps being seen.
constexpr std::uint32_t kFolderEvents = IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB |
                                        IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                        IN_MOVE_SELF | IN_ONLYDIR;

std::string joined(const std::string& folder, std::string_view name) {
  return folder.empty() ? std::string(name) : folder + "/" + std::string(name);
}

bool isWithin(const std::string& path, const std::string& folder) {
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '/');
}

// A folder gone again before it could be watched leaves its own removal behind.
bool watchedOrGone(int code) {
  return code == 0 || code == ENOENT || code == ENOTDIR;
}

std::string refusal(int code) {
  if (code == ENOSPC)
    return "the system's limit of watched folders is reached (fs.inotify.max_user_watches)";
  return std::strerror(code);
}

}  // namespace

struct FileWatch::Impl {
  int queue = -1;
  fs::path root;
  std::map<int, std::string> folders;  // watch → folder relative to the root ("" the root)
  int rootWatch = -1;
  ChangeSettler settler;

  ~Impl() { closeQueue(); }

  void closeQueue() {
    if (queue >= 0) ::close(queue);
    queue = -1;
    rootWatch = -1;
    folders.clear();
    settler.clear();
  }

  // Watches `relative` and every folder below it, each before its listing so that nothing made
  // meanwhile is missed; with `announce`, the files found count as new. 0, or the errno of the
  // first folder refused, named in `failed`.
  int watchTree(const std::string& relative, std::uint32_t nowMs, bool announce,
                std::string& failed) {
    const fs::path folder = relative.empty() ? root : root / relative;
    const int watch = inotify_add_watch(queue, folder.c_str(), kFolderEvents);
    if (watch < 0) {
      failed = folder.string();
      return errno;
    }
    folders[watch] = relative;
    if (relative.empty()) rootWatch = watch;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string path = joined(relative, it->path().filename().string());
      std::error_code kind;
      if (!it->is_symlink(kind) && it->is_directory(kind)) {
        const int code = watchTree(path, nowMs, announce, failed);
        if (!watchedOrGone(code)) return code;
      } else if (announce) {
        settler.note(path, FileEvent::Appeared, nowMs);
      }
    }
    return 0;
  }

  void forgetTree(const std::string& relative) {
    for (auto it = folders.begin(); it != folders.end();) {
      if (isWithin(it->second, relative)) {
        inotify_rm_watch(queue, it->first);
        it = folders.erase(it);
      } else {
        ++it;
      }
    }
  }

  void folderEvent(std::uint32_t mask, const std::string& path, std::uint32_t nowMs) {
    if (mask & (IN_CREATE | IN_MOVED_TO)) {
      std::string failed;
      const int code = watchTree(path, nowMs, true, failed);
      if (!watchedOrGone(code)) settler.noteLost();
    } else if (mask & IN_MOVED_FROM) {
      // Its files moved with it, unnamed: only a rescan knows what went.
      forgetTree(path);
      settler.noteLost();
    } else if (mask & IN_DELETE) {
      forgetTree(path);  // its files were removed one by one before it
    }
  }

  void handle(const inotify_event& event, const char* name, std::uint32_t nowMs) {
    if (event.mask & IN_Q_OVERFLOW) {
      settler.noteLost();
      return;
    }
    const auto folder = folders.find(event.wd);
    if (folder == folders.end()) return;
    const bool isRoot = event.wd == rootWatch;
    if (event.mask & IN_IGNORED) {
      folders.erase(folder);
      if (isRoot) {
        rootWatch = -1;
        settler.noteLost();
      }
      return;
    }
    if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
      if (isRoot) settler.noteLost();  // a folder below is handled through its parent
      return;
    }
    const std::size_t length = strnlen(name, event.len);
    if (length == 0) return;
    const std::string path = joined(folder->second, std::string_view(name, length));
    if (event.mask & IN_ISDIR) {
      folderEvent(event.mask, path, nowMs);
    } else if (event.mask & IN_CREATE) {
      // Made by open(): its writer holds it until a close says the content is whole.
      settler.note(path, FileEvent::Appeared, nowMs);
      settler.note(path, FileEvent::Writing, nowMs);
    } else if (event.mask & IN_MOVED_TO) {
      settler.note(path, FileEvent::Appeared, nowMs);
    } else if (event.mask & IN_MODIFY) {
      settler.note(path, FileEvent::Writing, nowMs);
    } else if (event.mask & (IN_CLOSE_WRITE | IN_ATTRIB)) {
      settler.note(path, FileEvent::Written, nowMs);
    } else if (event.mask & (IN_DELETE | IN_MOVED_FROM)) {
      settler.note(path, FileEvent::Removed, nowMs);
    }
  }

  void drain(std::uint32_t nowMs) {
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
      const ssize_t count = ::read(queue, buffer, sizeof buffer);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) {
        if (errno != EAGAIN) settler.noteLost();
        return;
      }
      const std::size_t end = static_cast<std::size_t>(count);
      std::size_t offset = 0;
      while (end - offset >= sizeof(inotify_event)) {
        inotify_event event;
        std::memcpy(&event, buffer + offset, sizeof event);
        const std::size_t size = sizeof event + event.len;
        if (size > end - offset) {
          settler.noteLost();
          break;
        }
        handle(event, buffer + offset + sizeof event, nowMs);
        offset += size;
      }
    }
  }
};

FileWatch::FileWatch() : impl_(std::make_unique<Impl>()) {}
FileWatch::~FileWatch() = default;

bool FileWatch::start(const fs::path& folder, std::string& error) {
  stop();
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    error = "cannot watch " + folder.string() + ": no such folder";
    return false;
  }
  impl_->queue = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (impl_->queue < 0) {
    error = "cannot watch " + folder.string() + ": " + refusal(errno);
    return false;
  }
  impl_->root = folder;
  std::string failed;
  if (const int code = impl_->watchTree("", settleClockMs(), false, failed)) {
    error = "cannot watch " + failed + ": " + refusal(code);
    impl_->closeQueue();
    return false;
  }
  return true;
}

void FileWatch::stop() {
  impl_->closeQueue();
}

bool FileWatch::watching() const {
  return impl_->rootWatch >= 0;
}

FileChanges FileWatch::poll() {
  FileChanges changes;
  if (impl_->queue < 0) return changes;
  const std::uint32_t now = settleClockMs();
  impl_->drain(now);
  changes.files = impl_->settler.takeSettled(now);
  changes.rescan = impl_->settler.takeLost();
  return changes;
}

}  // namespace tav::platform
