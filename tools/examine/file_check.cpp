#include "tools/examine/file_check.h"

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/mp3_decoder.h"
#include "shell/sync_track.h"
#include "tools/examine/name_text.h"

namespace tav::inspect {

std::string modelProblem(const std::filesystem::path& file) {
  Engine engine;
  engine.textureMode = TextureMode::None;
  engine.loadModel(file.string());
  const LoadReport& report = engine.lastLoad();
  return report.status == LoadStatus::Ok ? "" : describe(report, engine.model(), shownName);
}

std::string textureProblem(const std::filesystem::path& file) {
  platform::RgbImage image;
  std::string error;
  if (platform::decodeImageFile(platform::findIgnoringCase(file.string()), 4, image, error)) {
    return "";
  }
  return error;
}

std::string musicProblem(const std::filesystem::path& file, double* lengthMs) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!platform::readWholeFile(file.string(), bytes, error)) return error;
  constexpr int kRate = 44100;
  platform::Mp3Decoder decoder;
  if (!decoder.open(bytes, kRate)) return "cannot be decoded: " + decoder.error();
  if (lengthMs) *lengthMs = static_cast<double>(decoder.lengthFrames()) * 1000.0 / kRate;
  return "";
}

std::string syncTableProblem(const std::filesystem::path& file) {
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!platform::readWholeFile(file.string(), bytes, error)) return error;
  SyncTrack sync;
  std::string bad = sync.parse(bytes);
  if (bad.empty() && bytes.size() > 4 + 8 * static_cast<std::size_t>(sync.count())) {
    bad = "has bytes past its last event";
  }
  return bad;
}

}  // namespace tav::inspect
