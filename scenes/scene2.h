#pragma once
// Scene 2, the sprite box: model 2's drifting sprite objects in front of the "hissen" backdrop and
// three spiralling columns of "disc" quads; a white flash opens it, codes 40 and 51 flicker.
#include "scenes/scene_kit.h"

namespace tav::scenes {

class Scene2 : public Scene {
 public:
  explicit Scene2(SceneContext context) : context_(context) {}
  void frame(Engine& engine, std::int32_t event) override;

  bool started = false;
  double sceneStart = 0.0;
  double flickerStart = 0.0;

 private:
  SceneContext context_;
};

}  // namespace tav::scenes
