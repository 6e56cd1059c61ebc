#pragma once
// Scene 3, the falling spheres: model 0 through a camera flying its path, ten of its objects
// driven as spheres by the particle system, over the "bron" backdrop; after 14 s the text model
// 12 slides in. The spheres are put back every 9 s, each time with a white flash.
#include "effects/particle_system.h"
#include "scenes/scene_kit.h"

namespace tav::scenes {

// What scene 3 keeps from frame to frame: a snapshot of the show copies it.
struct Scene3State {
  SceneStart start;
  std::uint32_t resetBase = 0;  // the clock at the last reset of the spheres
};

class Scene3 : public Scene, public Scene3State {
 public:
  Scene3(SceneContext context, ParticleSystem& particles)
      : context_(context), particles_(particles), missing_(context.diagnostics, "scene 3") {}
  void frame(Engine& engine, std::int32_t event) override;

 private:
  SceneContext context_;
  ParticleSystem& particles_;
  MissingItems missing_;
};

}  // namespace tav::scenes
