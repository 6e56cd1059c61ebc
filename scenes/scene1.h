#pragma once
// Scene 1, the intro: model 3 through its own cameras, stepping every 5.2 s, with blinking titles
// and pulsing sprites; after 16 s the title model 11 slides along x with distance-faded sprites.
#include "scenes/scene_kit.h"

namespace tav::scenes {

// What scene 1 keeps from frame to frame: a snapshot of the show copies it.
// Set on the first frame: the camera timer 2 s ahead of the clock, the phase timer at it.
struct Scene1State {
  bool started = false;
  double cameraTimer = 0.0;
  double phaseTimer = 0.0;
  std::int32_t cameraIndex = 0;
};

class Scene1 : public Scene, public Scene1State {
 public:
  explicit Scene1(SceneContext context)
      : context_(context), missing_(context.diagnostics, "scene 1") {}
  void frame(Engine& engine, std::int32_t event) override;

 private:
  SceneContext context_;
  MissingItems missing_;
};

}  // namespace tav::scenes
