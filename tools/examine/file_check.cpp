#include "tools/examine/file_check.h"

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/image.h"
#include "platform/mp3_decoder.h"
#include "platform/mp3_frames.h"
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
#ifdef __EMSCRIPTEN__
  // The page's music is decoded by the browser: the check reads the stream's frames, as the
  // Windows decoder does, which gives the gapless length libmpg123 gives.
  platform::mp3::Stream stream;
  const std::optional<platform::mp3::RateMap> map =
      platform::mp3::scanStream(bytes, stream, error)
          ? platform::mp3::RateMap::make(stream.format.sampleRate, kRate)
          : std::nullopt;
  if (!map) return "cannot be decoded: " + (error.empty() ? "no rate it converts to" : error);
  const std::int64_t frames = platform::mp3::gaplessWindow(stream, *map).length();
#else
  platform::Mp3Decoder decoder;
  if (!decoder.open(bytes, kRate)) return "cannot be decoded: " + decoder.error();
  const std::int64_t frames = decoder.lengthFrames();
#endif
  if (lengthMs) *lengthMs = static_cast<double>(frames) * 1000.0 / kRate;
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
