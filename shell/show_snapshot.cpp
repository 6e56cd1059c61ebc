#include "shell/show_snapshot.h"

namespace tav {
namespace {

std::size_t bytesOf(const std::optional<ParticleSystem>& system) {
  if (!system) return 0;
  return (system->particles.capacity() + system->obstacles.capacity()) * sizeof(Particle);
}

}  // namespace

std::size_t ShowSnapshot::bytes() const {
  return sizeof(*this) + engine.heapBytes() + bytesOf(scene3Particles) + bytesOf(scene8Particles);
}

ShowSnapshot takeSnapshot(const Show& show, std::int64_t frame) {
  ShowSnapshot s;
  s.frame = frame;
  s.state = show.context.state;
  s.engine = saveState(show.engine);
  s.scene1 = show.scene1;
  s.scene2 = show.scene2;
  s.scene3 = show.scene3;
  s.scene4 = show.scene4;
  s.scene5 = show.scene5;
  s.scene6 = show.scene6;
  s.scene7 = show.scene7;
  if (show.scene8) s.scene8 = *show.scene8;
  s.scene9 = show.scene9;
  s.scene3Particles = show.scene3Particles;
  s.scene8Particles = show.scene8Particles;
  s.syncCursor = show.sync.cursor();
  return s;
}

void restoreSnapshot(Show& show, const ShowSnapshot& s) {
  show.context.state = s.state;
  restoreState(show.engine, s.engine);
  static_cast<scenes::Scene1State&>(show.scene1) = s.scene1;
  static_cast<scenes::Scene2State&>(show.scene2) = s.scene2;
  static_cast<scenes::Scene3State&>(show.scene3) = s.scene3;
  static_cast<scenes::Scene4State&>(show.scene4) = s.scene4;
  static_cast<scenes::Scene5State&>(show.scene5) = s.scene5;
  static_cast<scenes::Scene6State&>(show.scene6) = s.scene6;
  static_cast<scenes::Scene7State&>(show.scene7) = s.scene7;
  if (show.scene8) static_cast<scenes::Scene8State&>(*show.scene8) = s.scene8;
  static_cast<scenes::Scene9State&>(show.scene9) = s.scene9;
  if (s.scene3Particles) show.scene3Particles = *s.scene3Particles;
  if (s.scene8Particles && show.scene8Particles) *show.scene8Particles = *s.scene8Particles;
  show.sync.restoreCursor(s.syncCursor);
}

}  // namespace tav
