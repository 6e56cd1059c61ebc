#pragma once
// A small rigid-sphere simulation: particles fall under gravity along -z, may bounce on a floor,
// and collide with one another and with fixed spherical obstacles. Each sphere stands for one mesh
// object; the owning scene drives it with its own time values and copies the positions back.
// Time values are the caller's, in whatever units it scales its milliseconds to.
#include <cstdint>
#include <vector>

#include "engine/records.h"
#include "platform/c_random.h"

namespace tav {

struct Particle {
  Vector3 position;
  Vector3 startPosition;  // at the last event; each step advances from here
  Vector3 homePosition;
  Vector3 velocity;
  Vector3 startVelocity;
  Vector3 homeVelocity;
  float radius = 0.0f;
  float mass = 0.0f;           // drawn when its system is built; bindMeshObject sets 3
  std::int32_t eventTime = 0;  // the caller's time value at the last event
};

class ParticleSystem {
 public:
  // Each particle, then each obstacle, takes a mass of 1 to 10 from `random`, which the system
  // keeps drawing from and must outlive it.
  ParticleSystem(platform::CRandom& random, std::int32_t particleCount, std::int32_t obstacleCount,
                 bool floorEnabled = false, double floorHeight = 0.0);

  // One step for every particle, then collision passes until one finds none (11 at most).
  void update(std::int32_t now, double gravity);
  // Every particle back home, with its home velocity scaled by two random factors in 0.80..0.98.
  // The caller restarts its time base at 0.
  void resetToHome();
  // Sets up `p` from a re-centred mesh: at its position, with velocity `v`, and the radius of the
  // smallest sphere about its pivot that holds its vertices.
  static void bindMeshObject(Particle& p, const MeshObject& mesh, const Vector3& v);

  void integrate(std::int32_t i, std::int32_t now, double gravity);
  std::int32_t collideParticles(std::int32_t a, std::int32_t now);
  std::int32_t collideObstacles(std::int32_t i, std::int32_t now);
  bool separateParticles(std::int32_t a, std::int32_t b);
  bool separateFromObstacle(std::int32_t i, std::int32_t o);

  std::vector<Particle> particles;
  std::vector<Particle> obstacles;
  bool floorEnabled;
  double floorHeight;

  static constexpr int kMaxPasses = 11;

 private:
  // The show's one sequence, shared by every system; a copy of the system draws from it too.
  platform::CRandom* random_;
};

}  // namespace tav
