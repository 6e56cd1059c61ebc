#pragma once
// What playing the show changes in the engine, as a value that can be kept and put back: the
// selections, the camera path follower, the render settings, the OpenGL state the frames leave,
// and each model's object placements, cameras, lights and material wave parameters. Geometry,
// textures and names are loaded once and never change while the show plays.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/engine.h"

namespace tav {

struct EngineState {
  struct Placement {
    Vector3 position;
    Vector3 rotation;
    Vector3 scale;
  };
  struct ModelState {
    std::vector<Placement> objects;
    std::vector<Camera> cameras;
    std::vector<Light> lights;
    std::vector<std::array<float, 3>> waves;  // each material's distortion parameters
  };

  EngineSelections selections;
  std::vector<RenderSettings> renderSettings;
  GlState gl;
  std::vector<ModelState> models;

  // What the value holds on the heap, for a bound on many of them.
  std::size_t heapBytes() const;
};

EngineState saveState(const Engine& engine);
// Puts `state` back. A model whose objects, cameras, lights or materials no longer match in
// number (it was loaded again since) keeps what it has; whether the GL state is sent to the
// context stays as it is.
void restoreState(Engine& engine, const EngineState& state);

}  // namespace tav
