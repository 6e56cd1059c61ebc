// Folder changes on Windows: one overlapped ReadDirectoryChangesW over the whole tree, its results
// collected without waiting whenever the show polls, and the next read issued at once.
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <set>
#include <vector>

#include "platform/change_settler.h"
#include "platform/file_watch.h"
#include "platform/win32/win32_text.h"

namespace tav::platform {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kChanges =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_DIR_NAME;
// 64 KiB: the most a read over a network share accepts. Whole words: the call wants them aligned.
constexpr std::size_t kBufferWords = 64 * 1024 / sizeof(DWORD);
constexpr std::size_t kNameOffset = offsetof(FILE_NOTIFY_INFORMATION, FileName);

std::string textOf(const fs::path& path) {
  std::optional<std::string> text = win32::toUtf8(path.native());
  return text ? *text : std::string("a folder whose name is not valid Unicode");
}

std::string joined(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : folder + "/" + name;
}

bool isWithin(const std::string& path, const std::string& folder) {
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '/');
}

}  // namespace

struct FileWatch::Impl {
  fs::path root;
  HANDLE directory = INVALID_HANDLE_VALUE;
  HANDLE done = nullptr;  // set when the read in flight completes
  OVERLAPPED overlapped{};
  bool reading = false;
  std::vector<DWORD> buffer = std::vector<DWORD>(kBufferWords);
  std::set<std::string> folders;  // relative: a removed name says nothing of what it was
  ChangeSettler settler;

  ~Impl() { close(); }

  void close() {
    if (reading) {
      // The system writes into `buffer` until the cancelled read has really ended.
      CancelIoEx(directory, &overlapped);
      DWORD ignored = 0;
      GetOverlappedResult(directory, &overlapped, &ignored, TRUE);
      reading = false;
    }
    if (directory != INVALID_HANDLE_VALUE) CloseHandle(directory);
    if (done) CloseHandle(done);
    directory = INVALID_HANDLE_VALUE;
    done = nullptr;
    folders.clear();
    settler.clear();
  }

  bool read() {
    overlapped = OVERLAPPED{};
    overlapped.hEvent = done;
    reading = ReadDirectoryChangesW(directory, buffer.data(),
                                    static_cast<DWORD>(buffer.size() * sizeof(DWORD)), TRUE,
                                    kChanges, nullptr, &overlapped, nullptr) != 0;
    return reading;
  }

  fs::path fullPath(const std::string& relative) const {
    std::optional<std::wstring> wide = win32::toUtf16(relative);
    return wide ? root / *wide : root;
  }

  bool isFolder(const std::string& relative) const {
    const DWORD attributes = GetFileAttributesW(fullPath(relative).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  // Learns the folders below `relative`; with `announce`, the files found count as new (a folder
  // moved in brings them without a word each).
  void walk(const std::string& relative, std::uint32_t nowMs, bool announce) {
    std::error_code ec;
    for (fs::directory_iterator it(fullPath(relative), ec), end; !ec && it != end;
         it.increment(ec)) {
      std::optional<std::string> name = win32::toUtf8(it->path().filename().native());
      if (!name) continue;
      const std::string path = joined(relative, *name);
      std::error_code kind;
      if (!it->is_symlink(kind) && it->is_directory(kind)) {
        folders.insert(path);
        walk(path, nowMs, announce);
      } else if (announce) {
        settler.note(path, FileEvent::Appeared, nowMs);
      }
    }
  }

  void forget(const std::string& relative) {
    for (auto it = folders.begin(); it != folders.end();)
      it = isWithin(*it, relative) ? folders.erase(it) : std::next(it);
  }

  void handle(DWORD action, const std::string& path, std::uint32_t nowMs) {
    switch (action) {
      case FILE_ACTION_ADDED:
      case FILE_ACTION_RENAMED_NEW_NAME:
        if (isFolder(path)) {
          folders.insert(path);
          walk(path, nowMs, true);
        } else {
          settler.note(path, FileEvent::Appeared, nowMs);
        }
        break;
      case FILE_ACTION_MODIFIED:
        // A folder's own time changes with its contents, which are reported by name.
        if (!folders.count(path) && !isFolder(path)) settler.note(path, FileEvent::Written, nowMs);
        break;
      case FILE_ACTION_REMOVED:
      case FILE_ACTION_RENAMED_OLD_NAME:
        if (!folders.count(path)) {
          settler.note(path, FileEvent::Removed, nowMs);
          break;
        }
        // A folder moved out of the tree is told as removed, like an empty one deleted: either
        // way its files may have gone unnamed.
        forget(path);
        settler.noteLost();
        break;
    }
  }

  void take(std::size_t bytes, std::uint32_t nowMs) {
    const auto* base = reinterpret_cast<const unsigned char*>(buffer.data());
    std::size_t offset = 0;
    for (;;) {
      FILE_NOTIFY_INFORMATION info;
      if (bytes - offset < kNameOffset) break;
      std::memcpy(&info, base + offset, kNameOffset);
      if (info.FileNameLength > bytes - offset - kNameOffset) {
        settler.noteLost();
        return;
      }
      std::wstring name(info.FileNameLength / sizeof(wchar_t), L'\0');
      std::memcpy(name.data(), base + offset + kNameOffset, name.size() * sizeof(wchar_t));
      for (wchar_t& c : name)
        if (c == L'\\') c = L'/';
      std::optional<std::string> path = win32::toUtf8(name);
      // A name that is not valid UTF-16 cannot be told to the show: it must look for itself.
      if (path && !path->empty())
        handle(info.Action, *path, nowMs);
      else
        settler.noteLost();
      if (info.NextEntryOffset == 0) return;
      if (info.NextEntryOffset > bytes - offset) {
        settler.noteLost();
        return;
      }
      offset += info.NextEntryOffset;
    }
  }

  void collect(std::uint32_t nowMs) {
    while (reading) {
      DWORD bytes = 0;
      if (GetOverlappedResult(directory, &overlapped, &bytes, FALSE)) {
        // Nothing at all: more changed than the system's buffer held (it says no more).
        if (bytes == 0)
          settler.noteLost();
        else
          take(std::min<std::size_t>(bytes, buffer.size() * sizeof(DWORD)), nowMs);
      } else if (GetLastError() == ERROR_IO_INCOMPLETE) {
        return;
      } else {
        settler.noteLost();  // ERROR_NOTIFY_ENUM_DIR: the same overflow, told as an error
      }
      reading = false;
      // The folder itself went: there is nothing more to watch.
      if (!read()) settler.noteLost();
    }
  }
};

FileWatch::FileWatch() : impl_(std::make_unique<Impl>()) {}
FileWatch::~FileWatch() = default;

bool FileWatch::start(const fs::path& folder, std::string& error) {
  stop();
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    error = "cannot watch " + textOf(folder) + ": no such folder";
    return false;
  }
  Impl& watch = *impl_;
  watch.root = folder;
  watch.directory = CreateFileW(
      folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  if (watch.directory != INVALID_HANDLE_VALUE)
    watch.done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  // Reading first, then listing: a folder made in between is both read of and listed.
  if (watch.directory == INVALID_HANDLE_VALUE || !watch.done || !watch.read()) {
    error = "cannot watch " + textOf(folder) + ": " + win32::lastErrorText();
    watch.close();
    return false;
  }
  watch.walk("", settleClockMs(), false);
  return true;
}

void FileWatch::stop() {
  impl_->close();
}

bool FileWatch::watching() const {
  return impl_->reading;
}

FileChanges FileWatch::poll() {
  FileChanges changes;
  if (impl_->directory == INVALID_HANDLE_VALUE) return changes;
  const std::uint32_t now = settleClockMs();
  impl_->collect(now);
  changes.files = impl_->settler.takeSettled(now);
  changes.rescan = impl_->settler.takeLost();
  return changes;
}

}  // namespace tav::platform
