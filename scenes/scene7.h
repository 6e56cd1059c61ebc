#pragma once
// Scene 7, parallax rows: the "history" pictures of model 1 with three rows of "ssmall" halos
// drifting right at three speeds, shaken by codes 50 and 51, and the text model 10 between the
// rows. Codes 37, 39 and 49 set the projection.
#include "scenes/scene_kit.h"

namespace tav::scenes {

// What scene 7 keeps from frame to frame: a snapshot of the show copies it.
struct Scene7State {
  bool started = false;
  double sceneStart = 0.0;
  double shakeStart = 0.0;
};

class Scene7 : public Scene, public Scene7State {
 public:
  explicit Scene7(SceneContext context)
      : context_(context), missing_(context.diagnostics, "scene 7") {}
  void frame(Engine& engine, std::int32_t event) override;

 private:
  SceneContext context_;
  MissingItems missing_;
};

}  // namespace tav::scenes
