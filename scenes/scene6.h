#pragma once
// Scene 6, uncertain: on the full-screen "white" picture, the text model 9 slides along x, then
// model 8, dimly lit, ripples its "distort1" material while its camera runs a slow ellipse.
#include "scenes/scene_kit.h"

namespace tav::scenes {

// What scene 6 keeps from frame to frame: a snapshot of the show copies it.
struct Scene6State {
  SceneStart start;
};

class Scene6 : public Scene, public Scene6State {
 public:
  explicit Scene6(SceneContext context)
      : context_(context), missing_(context.diagnostics, "scene 6") {}
  void frame(Engine& engine, std::int32_t event) override;

 private:
  SceneContext context_;
  MissingItems missing_;
};

}  // namespace tav::scenes
