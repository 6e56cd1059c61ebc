#pragma once
// Scene 4, wanting: model 5 from a fixed camera over the "e22" pictures, its "wanted" object
// spinning and its "distort_1" material rippling; then the text model 7 slides along x.
#include "scenes/scene_kit.h"

namespace tav::scenes {

// What scene 4 keeps from frame to frame: a snapshot of the show copies it.
struct Scene4State {
  SceneStart start;
};

class Scene4 : public Scene, public Scene4State {
 public:
  explicit Scene4(SceneContext context)
      : context_(context), missing_(context.diagnostics, "scene 4") {}
  void frame(Engine& engine, std::int32_t event) override;

 private:
  SceneContext context_;
  MissingItems missing_;
};

}  // namespace tav::scenes
