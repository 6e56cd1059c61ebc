// Fuzzes the .3ds loader and the post-load pass (re-centring, tracks, normals) over what it read.
#include <cstddef>
#include <cstdint>

#include "engine/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tav::Engine engine;
  engine.textureMode = tav::TextureMode::None;
  engine.addModel();
  engine.models[0] = engine.loader.parse({data, size});
  engine.prepareModel();
  return 0;
}
