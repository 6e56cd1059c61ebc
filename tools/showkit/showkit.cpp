#include "tools/showkit/showkit.h"

#include <chrono>
#include <fstream>
#include <ostream>

#include "tools/showkit/models.h"
#include "tools/showkit/music.h"
#include "tools/showkit/textures.h"
#include "tools/showkit/timeline.h"

namespace tav::showkit {
namespace {

namespace fs = std::filesystem;

void putInt32(std::ofstream& out, std::int32_t value) {
  auto u = static_cast<std::uint32_t>(value);
  const char bytes[4] = {static_cast<char>(u), static_cast<char>(u >> 8),
                         static_cast<char>(u >> 16), static_cast<char>(u >> 24)};
  out.write(bytes, 4);
}

std::uintmax_t folderBytes(const fs::path& dir) {
  std::uintmax_t total = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) total += entry.file_size();
  }
  return total;
}

}  // namespace

bool writeSyncTable(const fs::path& file) {
  std::vector<SyncEvent> events = syncEvents();
  std::ofstream out(file, std::ios::binary);
  putInt32(out, static_cast<std::int32_t>(events.size()));
  for (const SyncEvent& e : events) {
    putInt32(out, e.timeMs);
    putInt32(out, e.code);
  }
  return static_cast<bool>(out);
}

bool makeShow(const fs::path& dir, std::ostream& log) {
  using Clock = std::chrono::steady_clock;
  const auto started = Clock::now();
  auto elapsed = [&started] {
    return std::chrono::duration<double>(Clock::now() - started).count();
  };
  std::error_code ec;
  const fs::path models = dir / "data/3d/in_demo", textures = dir / "data/textures";
  fs::create_directories(models, ec);
  fs::create_directories(textures, ec);
  if (ec) {
    log << "showkit: cannot make " << dir.string() << ": " << ec.message() << std::endl;
    return false;
  }
  try {
    log << "showkit: models ..." << std::flush;
    std::size_t modelCount = writeModels(models).size();
    log << " " << modelCount << "; textures ..." << std::flush;
    std::size_t textureCount = writeTextures(textures).size();
    log << " " << textureCount << "; sync table ..." << std::flush;
    if (!writeSyncTable(dir / "sync.dat")) throw std::runtime_error("cannot write sync.dat");
    log << " " << syncEvents().size() << " events; music, " << musicSeconds() << " s ..."
        << std::flush;
    Stereo music = composeSoundtrack();
    log << " encoding ..." << std::flush;
    std::string error;
    if (!writeMp3(dir / "forest.mp3", music, error)) throw std::runtime_error(error);
  } catch (const std::exception& e) {
    log << "\nshowkit: " << e.what() << std::endl;
    return false;
  }
  log << " done in " << static_cast<int>(elapsed() * 10) / 10.0 << " s; " << folderBytes(dir) / 1024
      << " KiB in " << dir.string() << std::endl;
  return true;
}

}  // namespace tav::showkit
