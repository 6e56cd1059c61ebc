#include "platform/files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace tav::platform {
namespace {

namespace fs = std::filesystem;

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
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) {
    if (missing) *missing = errno == ENOENT;
    error = std::strerror(errno);
    return false;
  }
  // A folder opens too, and then reports a nonsense size.
  struct stat status {};
  if (fstat(fileno(file.get()), &status) != 0 || !S_ISREG(status.st_mode)) {
    error = "not a regular file";
    return false;
  }
  long size = -1;
  if (std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
  if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
    error = "cannot find its size";
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
  if (path.empty() || fs::exists(path, ec)) return path;
  fs::path resolved;
  for (const fs::path& part : fs::path(path)) {
    fs::path exact = resolved / part;
    if (part == "/" || part == "." || part == ".." || fs::exists(exact, ec)) {
      resolved = exact;
      continue;
    }
    // Directory order is arbitrary: of several matches the first in name order wins, every time.
    std::string wanted = part.string(), best;
    fs::path dir = resolved.empty() ? fs::path(".") : resolved;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, ec)) {
      std::string name = entry.path().filename().string();
      if (equalIgnoringCase(name, wanted) && (best.empty() || name < best)) best = name;
    }
    if (best.empty()) return path;
    resolved /= best;
  }
  return resolved.string();
}

}  // namespace tav::platform
