#include "platform/files.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace tav::platform {
namespace {

namespace fs = std::filesystem;

// Names are UTF-8 everywhere in the show; Windows takes them as UTF-16 through its wide calls.
fs::path pathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string textOf(const fs::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::FILE* openForReading(const std::string& path) {
#ifdef _WIN32
  return _wfopen(pathOf(path).c_str(), L"rb");
#else
  return std::fopen(path.c_str(), "rb");
#endif
}

// The size of an open regular file; -1 for anything else (a folder opens too, with a nonsense
// size). Sixty-four bits wide everywhere: Windows' long is 32.
std::int64_t regularFileSize(std::FILE* file) {
#ifdef _WIN32
  struct _stat64 status {};
  if (_fstat64(_fileno(file), &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) return -1;
#else
  struct stat status {};
  if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return -1;
#endif
  return static_cast<std::int64_t>(status.st_size);
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

}  // namespace

bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error,
                   bool* missing) {
  bytes.clear();
  if (missing) *missing = false;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openForReading(path), &std::fclose);
  if (!file) {
    if (missing) *missing = errno == ENOENT;
    error = std::strerror(errno);
    return false;
  }
  const std::int64_t size = regularFileSize(file.get());
  if (size < 0) {
    error = "not a regular file";
    return false;
  }
  if (static_cast<std::uint64_t>(size) > bytes.max_size()) {
    error = "too large to read into memory";
    return false;
  }
  bytes.resize(static_cast<std::size_t>(size));
  if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    error = "cannot read it whole";
    bytes.clear();
    return false;
  }
  return true;
}

std::string findIgnoringCase(const std::string& path) {
  std::error_code ec;
  if (path.empty() || fs::exists(pathOf(path), ec)) return path;
  fs::path resolved;
  for (const fs::path& part : pathOf(path)) {
    fs::path exact = resolved / part;
    if (part == "/" || part == "." || part == ".." || fs::exists(exact, ec)) {
      resolved = exact;
      continue;
    }
    // Directory order is arbitrary: of several matches the first in name order wins, every time.
    std::string wanted = textOf(part), best;
    fs::path dir = resolved.empty() ? fs::path(".") : resolved;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
      std::string name = textOf(entry.path().filename());
      if (equalIgnoringCase(name, wanted) && (best.empty() || name < best)) best = name;
    }
    if (best.empty()) return path;
    resolved /= pathOf(best);
  }
  return textOf(resolved);
}

}  // namespace tav::platform
