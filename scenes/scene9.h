#pragma once
// Scene 9, the close: four objects of model 14 sink while swinging, the picture fades in from
// white, fades out to white from 11 s on, and about 21.47 s after its start the show ends.
#include "scenes/scene_kit.h"

namespace tav::scenes {

class Scene9 : public Scene {
 public:
  explicit Scene9(SceneContext context)
      : context_(context), missing_(context.diagnostics, "scene 9") {}
  void frame(Engine& engine, std::int32_t event) override;

  SceneStart start;

 private:
  SceneContext context_;
  MissingItems missing_;
};

}  // namespace tav::scenes
