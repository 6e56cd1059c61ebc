#pragma once
// Scene 9, the close: four objects of model 14 sink while swinging, the picture fades in from
// white, fades out to white from 11 s on, and about 21.47 s after its start the show ends.
#include "scenes/scene_kit.h"

namespace tav::scenes {

// What scene 9 keeps from frame to frame: a snapshot of the show copies it.
struct Scene9State {
  SceneStart start;
};

class Scene9 : public Scene, public Scene9State {
 public:
  explicit Scene9(SceneContext context)
      : context_(context), missing_(context.diagnostics, "scene 9") {}
  void frame(Engine& engine, std::int32_t event) override;

 private:
  SceneContext context_;
  MissingItems missing_;
};

}  // namespace tav::scenes
