#pragma once
// Scene 2, the sprite box: model 2's drifting sprite objects in front of the "hissen" backdrop and
// three spiralling columns of "disc" quads; a white flash opens it, codes 40 and 51 flicker.
#include "scenes/scene_kit.h"

namespace tav::scenes {

// What scene 2 keeps from frame to frame: a snapshot of the show copies it.
struct Scene2State {
  bool started = false;
  double sceneStart = 0.0;
  double flickerStart = 0.0;
};

class Scene2 : public Scene, public Scene2State {
 public:
  explicit Scene2(SceneContext context) : context_(context) {}
  void frame(Engine& engine, std::int32_t event) override;

 private:
  SceneContext context_;
};

}  // namespace tav::scenes
