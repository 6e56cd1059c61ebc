#pragma once
// Scene 8, the sphere break: model 13 through a camera flying its path; 27 "csphere" objects held
// at home until code 40 releases them, then struck, scattered and put back every 4 s, under a
// pulsing white glow. The scene fades in from white over its first 7.85 s.
#include "effects/particle_system.h"
#include "scenes/scene_kit.h"

namespace tav::scenes {

// What scene 8 keeps from frame to frame: a snapshot of the show copies it.
struct Scene8State {
  SceneStart start;
  std::uint32_t resetBase = 0;  // the clock at the last reset of the spheres
  bool released = false;
};

class Scene8 : public Scene, public Scene8State {
 public:
  Scene8(SceneContext context, ParticleSystem& particles)
      : context_(context), particles_(particles), missing_(context.diagnostics, "scene 8") {}
  void frame(Engine& engine, std::int32_t event) override;

 private:
  SceneContext context_;
  ParticleSystem& particles_;
  MissingItems missing_;
  bool reportedNoSpheres_ = false;
};

}  // namespace tav::scenes
