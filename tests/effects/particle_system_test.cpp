#include "effects/particle_system.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tav {
namespace {

Particle at(Vector3 position, float radius, Vector3 velocity = {}, float mass = 3.0f) {
  Particle p;
  p.position = p.startPosition = position;
  p.velocity = p.startVelocity = velocity;
  p.radius = radius;
  p.mass = mass;
  return p;
}

// Equal but for the rounding of d·v / |d|² in single precision.
void expectFloatEq(const Vector3& a, const Vector3& b) {
  EXPECT_NEAR(a.x, b.x, 1e-5f);
  EXPECT_NEAR(a.y, b.y, 1e-5f);
  EXPECT_NEAR(a.z, b.z, 1e-5f);
}

TEST(ParticleSystem, StepsSemiImplicitlyFromTheLastEvent) {
  platform::CRandom random;
  ParticleSystem system(random, 1, 0);
  system.particles[0] = at({0, 0, 10}, 0.5f, {1, 0, 0});
  system.integrate(0, 100, 5.0);  // dt = 1
  EXPECT_EQ(system.particles[0].position, (Vector3{1, 0, 5}));
  EXPECT_EQ(system.particles[0].velocity, (Vector3{1, 0, -5}));
  EXPECT_EQ(system.particles[0].startPosition, system.particles[0].position);
  EXPECT_EQ(system.particles[0].eventTime, 100);
  system.integrate(0, 100, 5.0);  // dt = 0: nothing moves
  EXPECT_EQ(system.particles[0].position, (Vector3{1, 0, 5}));
}

TEST(ParticleSystem, TheFloorBouncesEveryStepThatEndsBelowIt) {
  platform::CRandom random;
  ParticleSystem system(random, 1, 0, true, 0.0);
  system.particles[0] = at({0, 0, 10.5f}, 1.0f, {2, 0, -10});
  system.integrate(0, 100, 0.0);  // reaches z 0.5
  EXPECT_EQ(system.particles[0].position, (Vector3{2, 0, 1}));
  EXPECT_FLOAT_EQ(system.particles[0].velocity.x, 1.6f);
  EXPECT_FLOAT_EQ(system.particles[0].velocity.z, 6.0f);
  // Below the floor and already rising: bounced all the same, and placed on the floor.
  system.particles[0] = at({0, 0, -3}, 1.0f, {0, 0, 4});
  system.integrate(0, 0, 0.0);
  EXPECT_FLOAT_EQ(system.particles[0].velocity.z, -2.4f);
  EXPECT_FLOAT_EQ(system.particles[0].position.z, 1.0f);
  ParticleSystem off(random, 1, 0, false, 0.0);
  off.particles[0] = at({0, 0, -3}, 1.0f);
  off.integrate(0, 0, 0.0);
  EXPECT_EQ(off.particles[0].position.z, -3.0f);
}

TEST(ParticleSystem, OverlapsArePushedApartByTheWholeDepthEach) {
  platform::CRandom random;
  ParticleSystem system(random, 2, 1);
  system.particles[0] = at({0, 0, 0}, 1.0f);
  system.particles[1] = at({1.5f, 0, 0}, 1.0f);
  EXPECT_TRUE(system.separateParticles(0, 1));
  EXPECT_FLOAT_EQ(system.particles[0].position.distance(system.particles[1].position), 2.5f);
  EXPECT_FALSE(system.separateParticles(0, 1));

  system.particles[0] = at({0, 0, 0}, 1.0f);
  system.obstacles[0] = at({1.5f, 0, 0}, 1.0f);
  EXPECT_TRUE(system.separateFromObstacle(0, 0));
  EXPECT_EQ(system.particles[0].position, (Vector3{-1, 0, 0}));
  EXPECT_EQ(system.obstacles[0].position, (Vector3{1.5f, 0, 0}));
  // Coincident centres touch but have no direction to be pushed in.
  system.particles[1] = at({-1, 0, 0}, 1.0f);
  EXPECT_TRUE(system.separateParticles(0, 1));
  EXPECT_EQ(system.particles[0].position, (Vector3{-1, 0, 0}));
}

TEST(ParticleSystem, HeadOnCollisionsExchangeVelocitiesAndObstaclesMirrorThemLosingATenth) {
  platform::CRandom random;
  ParticleSystem system(random, 2, 1);
  system.particles[0] = at({0, 0, 0}, 1.0f, {3, 0, 0});
  system.particles[1] = at({1.5f, 0, 0}, 1.0f, {-1, 0, 0});
  EXPECT_EQ(system.collideParticles(0, 42), 1);
  expectFloatEq(system.particles[0].velocity, {-1, 0, 0});
  expectFloatEq(system.particles[1].velocity, {3, 0, 0});
  EXPECT_EQ(system.particles[1].startVelocity, system.particles[1].velocity);
  EXPECT_EQ(system.particles[0].eventTime, 42);

  system.particles[0] = at({0, 0, 0}, 1.0f, {2, 0, 0});
  system.particles[1] = at({50, 0, 0}, 1.0f);
  system.obstacles[0] = at({1.5f, 0, 0}, 1.0f);
  EXPECT_EQ(system.collideObstacles(0, 7), 1);
  EXPECT_FLOAT_EQ(system.particles[0].velocity.x, -1.8f);
  EXPECT_EQ(system.collideObstacles(0, 7), 0);

  ParticleSystem bare(random, 1, 0);
  bare.particles[0] = at({0, 0, 0}, 1.0f);
  EXPECT_EQ(bare.collideObstacles(0, 0), 0);
}

TEST(ParticleSystem, PersistentOverlapsStopAfterElevenPasses) {
  // Coincident spheres of masses 1 and 2: each pass scales the light one's velocity by 4.
  platform::CRandom random;
  ParticleSystem system(random, 2, 0);
  system.particles[0] = at({0, 0, 0}, 1.0f, {1, 0, 0}, 1.0f);
  system.particles[1] = at({0, 0, 0}, 1.0f, {}, 2.0f);
  system.update(0, 0.0);
  EXPECT_EQ(system.particles[0].velocity.x, std::pow(4.0f, 11.0f));
}

TEST(ParticleSystem, MassesAreDrawnParticlesFirstThenObstaclesAndEachResetDrawsTwoFactors) {
  platform::CRandom random;
  platform::CRandom expected = random;
  ParticleSystem system(random, 2, 2);
  for (const std::vector<Particle>* group : {&system.particles, &system.obstacles}) {
    for (const Particle& p : *group)
      EXPECT_EQ(p.mass, static_cast<float>(expected.next() % 10 + 1));
  }
  EXPECT_EQ(random, expected);

  system.particles[0].homePosition = {1, 2, 3};
  system.particles[0].homeVelocity = {0, -100, 0};
  system.particles[0].position = {9, 9, 9};
  system.particles[0].eventTime = 77;
  // A copy of the system draws from the same sequence.
  ParticleSystem copy = system;
  copy.resetToHome();
  const Particle& p = copy.particles[0];
  EXPECT_EQ(p.position, (Vector3{1, 2, 3}));
  EXPECT_EQ(p.startPosition, (Vector3{1, 2, 3}));
  EXPECT_FLOAT_EQ(p.velocity.y,
                  -100.0f * (0.8f + 0.02f * static_cast<float>(expected.next() % 10)));
  EXPECT_FLOAT_EQ(p.startVelocity.y,
                  -100.0f * (0.8f + 0.02f * static_cast<float>(expected.next() % 10)));
  EXPECT_EQ(p.eventTime, 0);
  // The second particle's home velocity is zero: still two draws.
  EXPECT_EQ(copy.particles[1].velocity, Vector3{});
  expected.next();
  expected.next();
  EXPECT_EQ(random, expected);
}

TEST(ParticleSystem, BindingTakesTheMeshPositionAndItsLongestVertex) {
  MeshObject mesh;
  mesh.position = {5, 6, 7};
  mesh.vertices = {{1, 0, 0}, {0, -3, 4}, {2, 2, 0}};
  mesh.vertexCount = 3;
  Particle p;
  ParticleSystem::bindMeshObject(p, mesh, {0, -120, 0});
  EXPECT_EQ(p.position, (Vector3{5, 6, 7}));
  EXPECT_EQ(p.homePosition, (Vector3{5, 6, 7}));
  EXPECT_EQ(p.homeVelocity, (Vector3{0, -120, 0}));
  EXPECT_EQ(p.startVelocity, (Vector3{0, -120, 0}));
  EXPECT_EQ(p.radius, 5.0f);
  EXPECT_EQ(p.mass, 3.0f);
  ParticleSystem::bindMeshObject(p, MeshObject{}, {});
  EXPECT_EQ(p.radius, 0.0f);
}

}  // namespace
}  // namespace tav
