#include "tools/examine/sync_convert.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>

#include "shell/sync_text.h"
#include "shell/sync_track.h"
#include "tools/examine/name_text.h"

namespace tav::inspect {
namespace {

namespace fs = std::filesystem;

// Names are UTF-8 everywhere in the show; Windows takes them as UTF-16 through the wide calls.
fs::path pathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// Up to `limit` bytes of a regular file; false, with the reason in `error`, when it cannot be read.
bool readUpTo(const std::string& path, std::size_t limit, std::string& bytes, std::string& error) {
  std::error_code ec;
  fs::file_status status = fs::status(pathOf(path), ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  if (!fs::is_regular_file(status)) {
    error = "not a regular file";
    return false;
  }
  std::ifstream file(pathOf(path), std::ios::binary);
  bytes.resize(limit);
  file.read(bytes.data(), static_cast<std::streamsize>(limit));
  if (file.bad() || !file.is_open()) {
    error = "cannot read it";
    return false;
  }
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  return true;
}

// Writes `bytes` to a fresh file beside `path`, then renames it over `path`. Returns what went
// wrong, empty when nothing did; on failure `path` is untouched and the fresh file is gone.
std::string replaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const fs::path target = pathOf(path);
  fs::path name = ".";
  name += target.filename();
  name += "." + std::to_string(std::random_device{}()) + ".tmp";
  fs::path temporary = target;
  temporary.replace_filename(name);
  std::error_code ec;
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    if (!file) return std::string("cannot write beside it: ") + std::strerror(errno);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      fs::remove(temporary, ec);
      return "cannot write it whole";
    }
  }
  fs::rename(temporary, target, ec);
  if (ec) {
    std::string problem = "cannot replace it: " + ec.message();
    fs::remove(temporary, ec);
    return problem;
  }
  return {};
}

}  // namespace

int printSyncText(const std::string& datPath, std::ostream& out, std::ostream& err) {
  // The show never reads past a full table; one byte more tells whether the file goes on.
  constexpr std::size_t kFullTable = 4 + 8 * static_cast<std::size_t>(SyncTrack::kCapacity);
  std::string bytes, error;
  if (!readUpTo(datPath, kFullTable + 1, bytes, error)) {
    err << "tavrinel-inspect: " << shownName(datPath) << ": " << error << "\n";
    return 1;
  }
  SyncTrack track;
  std::string problem =
      track.parse({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  std::vector<SyncEvent> events;
  for (std::int32_t i = 0; i < track.count(); ++i)
    events.push_back(track.event(i));
  out << writeSyncText(events);
  if (problem.empty() && bytes.size() > 4 + 8 * events.size())
    problem = "has bytes past its last event, which the show does not read";
  if (problem.empty()) return 0;
  err << "tavrinel-inspect: " << shownName(datPath) << ": " << problem << "\n";
  return 1;
}

int writeSyncDat(const std::string& textPath, const std::string& datPath, std::ostream& err) {
  // Far more than a full table with comments on every line needs.
  constexpr std::size_t kLargestText = 4 << 20;
  std::string text, error;
  if (!readUpTo(textPath, kLargestText + 1, text, error)) {
    err << "tavrinel-inspect: " << shownName(textPath) << ": " << error << "; nothing written\n";
    return 1;
  }
  if (text.size() > kLargestText) {
    err << "tavrinel-inspect: " << shownName(textPath)
        << ": larger than 4 MiB, not an event table; nothing written\n";
    return 1;
  }
  SyncTextRead read = readSyncText(text);
  if (!read.problem.empty()) {
    err << "tavrinel-inspect: " << shownName(textPath) << ": " << read.problem
        << "; nothing written\n";
    return 1;
  }
  std::string problem = replaceFile(datPath, syncDatBytes(read.events));
  if (!problem.empty()) {
    err << "tavrinel-inspect: " << shownName(datPath) << ": " << problem << "\n";
    return 1;
  }
  return 0;
}

}  // namespace tav::inspect
