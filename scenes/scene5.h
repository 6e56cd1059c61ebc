#pragma once
// Scene 5, surrounded: over the "mast" picture, the text model 6 slides along x, then model 4
// with two objects swinging along x while its camera circles the origin; code 40 restarts the
// circle.
#include "scenes/scene_kit.h"

namespace tav::scenes {

// What scene 5 keeps from frame to frame: a snapshot of the show copies it.
struct Scene5State {
  SceneStart start;
  std::uint32_t orbitStart = 0;
};

class Scene5 : public Scene, public Scene5State {
 public:
  explicit Scene5(SceneContext context)
      : context_(context), missing_(context.diagnostics, "scene 5") {}
  void frame(Engine& engine, std::int32_t event) override;

 private:
  SceneContext context_;
  MissingItems missing_;
};

}  // namespace tav::scenes
