#pragma once
// What the main loop asks of a scene. While the scene selector holds N (1 to 9), scene N's frame
// runs once a frame with the event code the sync track gave for it (-1: none). The scene draws the
// whole frame through the engine (it does not present it), steps the selector by +1 on code 39 and
// -1 on code 37 (restarting the camera paths when it does), and may change any engine state: the
// next scene starts with what it left.
#include <array>
#include <cstdint>

namespace tav {

class Engine;

class Scene {
 public:
  virtual ~Scene() = default;
  virtual void frame(Engine& engine, std::int32_t event) = 0;
};

// Scene N is entry N - 1; an empty entry runs no scene.
using SceneTable = std::array<Scene*, 9>;

}  // namespace tav
