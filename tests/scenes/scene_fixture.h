#pragma once
// An engine shaped like the show's data, for driving scenes without files, and a reader of the
// screen quads the recording GL saw.
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "scenes/scene_kit.h"

namespace tav::test {

// Fifteen models, each with one light, cameras, named materials whose texture ids tell them
// apart, and enough mesh objects for its scene:
//   model 0: 15 objects and a 6-key track; "bron" 31, "bronover" 32
//   model 1: "history" 11, "ssmall" 12      model 2: 4 objects; "hissen" 21, "disc" 22
//   model 3: 3 cameras, objects "Text02", "Text03", "Text06"
//   model 4: "mast" 41                      model 5: objects "wanted", ...; "distort_1", "e22" 51,
//   "e22over" 52 model 8: "distort1", "white" 81          model 13: "floor", "csphere", 26 more; a
//   track
// Other models: 4 objects, 1 camera, 1 light.
Engine showEngine();

struct Overlay {
  int texture = -1;           // -1: untextured
  float x = 0, y = 0, z = 0;  // the position given to drawOverlay
  float rotationZ = 0;
  float alpha = 0;
};
// The screen quads among recorded calls, in order.
std::vector<Overlay> overlays(const std::vector<std::string>& calls);
// The eye positions of the renders among recorded calls ("x, y, z").
std::vector<std::string> views(const std::vector<std::string>& calls);
// The perspective projections set among recorded calls.
std::vector<std::string> projections(const std::vector<std::string>& calls);

// A scene's surroundings: the show state and where it reports.
struct SceneHarness {
  ShowState state;
  std::ostringstream diagnostics;
  scenes::SceneContext context{state, diagnostics};
  Engine engine = showEngine();
};

}  // namespace tav::test
