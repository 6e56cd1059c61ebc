#pragma once
// Reads .3ds files into models: the subset of chunks the show uses, in one flat walk over the
// file held in memory. Every read stays inside its chunk and the file. A damaged file keeps every
// whole object: a chunk longer than its parent (a file cut short) is cut to its parent and still
// walked; a chunk whose data does not fit in it, or that nests too deep, is skipped; a mesh's list
// or matrix outside any mesh is skipped; a mesh with damage inside its chunk is left empty, since
// it could not be drawn as it was meant. Only a chunk shorter than its own header ends the walk.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/records.h"

namespace tav {

enum class LoadStatus {
  Ok,
  Skipped,     // the load mode asked for an empty model
  Unreadable,  // the file could not be opened or read
  NotA3ds,     // no main chunk at the start
  Damaged,     // the file is cut short or malformed; the model holds every whole object
};

struct LoadReport {
  LoadStatus status = LoadStatus::Ok;
  // In words: the first damage with its byte offset and how many more came after it.
  std::string problem;
  // The meshes left empty: the first few by index (their names stay in the model), and how many.
  std::vector<std::int32_t> leftEmpty;
  std::size_t leftEmptyCount = 0;
};

// The report in words with the meshes left empty named, each name through `name` where one is
// given (a name's bytes are whatever its file holds; a printer decides each on its own).
std::string describe(const LoadReport& report, const Model& model,
                     const std::function<std::string(std::string_view)>& name = {});

class ModelLoader {
 public:
  // Mode 0 reads the file; any other mode gives an empty model without touching it.
  Model load(const std::string& path, std::int32_t mode, LoadReport* report = nullptr);
  // The model in the bytes of a .3ds file.
  Model parse(std::span<const std::uint8_t> bytes, LoadReport* report = nullptr);

  // Map file names seen since the last material name: the first goes to texture0File, later ones
  // to texture1File.
  std::int32_t mapCounter() const { return mapCounter_; }

 private:
  std::int32_t mapCounter_ = 0;
};

// A track through the first n - 1 of `vertices` (a path object's last vertex is not a key), with
// the handles of the inner keys from their neighbours and the track's tension.
void buildTrack(Track& track, const std::vector<Vector3>& vertices, std::int32_t n);

// Chunk ids the loader reads.
namespace chunk {
inline constexpr std::uint16_t kMain = 0x4D4D;
inline constexpr std::uint16_t kEditor = 0x3D3D;
inline constexpr std::uint16_t kNamedObject = 0x4000;
inline constexpr std::uint16_t kTriangleMesh = 0x4100;
inline constexpr std::uint16_t kVertexList = 0x4110;
inline constexpr std::uint16_t kFaceList = 0x4120;
inline constexpr std::uint16_t kFaceMaterial = 0x4130;
inline constexpr std::uint16_t kTexCoords = 0x4140;
inline constexpr std::uint16_t kSmoothingGroups = 0x4150;
inline constexpr std::uint16_t kMeshMatrix = 0x4160;
inline constexpr std::uint16_t kLight = 0x4600;
inline constexpr std::uint16_t kCamera = 0x4700;
inline constexpr std::uint16_t kMaterial = 0xAFFF;
inline constexpr std::uint16_t kMaterialName = 0xA000;
inline constexpr std::uint16_t kAmbient = 0xA010;
inline constexpr std::uint16_t kShininess = 0xA040;
inline constexpr std::uint16_t kTransparency = 0xA050;
inline constexpr std::uint16_t kTextureMap = 0xA200;
inline constexpr std::uint16_t kReflectionMap = 0xA220;
inline constexpr std::uint16_t kMapFile = 0xA300;
}  // namespace chunk

}  // namespace tav
