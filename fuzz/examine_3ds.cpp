// Fuzzes the inspector's whole path: bytes, the loader and the post-load pass, then the JSON text
// with and without geometry. Names are bytes in any code page; the JSON writer must never see
// anything but UTF-8.
#include <cstddef>
#include <cstdint>

#include "engine/engine.h"
#include "tools/examine/model_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tav::Engine engine;
  engine.textureMode = tav::TextureMode::None;
  engine.addModel();
  tav::LoadReport report;
  engine.models[0] = engine.loader.parse({data, size}, &report);
  engine.prepareModel();
  for (bool geometry : {false, true})
    tav::inspect::fileJson("fuzzed.3ds", report, engine.model(), geometry).dump(2);
  return 0;
}
