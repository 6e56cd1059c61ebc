#include "effects/particle_system.h"

#include <algorithm>
#include <cmath>

namespace tav {
namespace {

float dot(const Vector3& a, const Vector3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The unit vector along d, or zero for coincident centres (no push direction).
Vector3 direction(const Vector3& d) {
  float length = d.length();
  return length > 0.0f ? d * (1.0f / length) : Vector3{};
}

// 1 / (d · d), or 1 when d is zero, which makes the normal parts of a response zero.
float inverseSquare(const Vector3& d) {
  float q = dot(d, d);
  return q == 0.0f ? 1.0f : 1.0f / q;
}

void markEvent(Particle& p, std::int32_t now) {
  p.startVelocity = p.velocity;
  p.eventTime = now;
}

float randomFactor(platform::CRandom& random) {
  return 0.8f + 0.02f * static_cast<float>(random.next() % 10);
}

}  // namespace

ParticleSystem::ParticleSystem(platform::CRandom& random, std::int32_t particleCount,
                               std::int32_t obstacleCount, bool floorEnabled, double floorHeight)
    : floorEnabled(floorEnabled), floorHeight(floorHeight), random_(&random) {
  particles.resize(static_cast<std::size_t>(std::max(particleCount, 0)));
  obstacles.resize(static_cast<std::size_t>(std::max(obstacleCount, 0)));
  for (Particle& p : particles)
    p.mass = static_cast<float>(random.next() % 10 + 1);
  for (Particle& p : obstacles)
    p.mass = static_cast<float>(random.next() % 10 + 1);
}

void ParticleSystem::update(std::int32_t now, double gravity) {
  const auto count = static_cast<std::int32_t>(particles.size());
  for (std::int32_t i = 0; i < count; ++i)
    integrate(i, now, gravity);
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    std::int32_t collisions = 0;
    for (std::int32_t j = 0; j < count; ++j) {
      collisions += collideParticles(j, now);
      collisions += collideObstacles(j, now);
    }
    if (collisions == 0) break;
  }
}

void ParticleSystem::integrate(std::int32_t i, std::int32_t now, double gravity) {
  Particle& p = particles[static_cast<std::size_t>(i)];
  const float dt = static_cast<float>(now - p.eventTime) * 0.01f;
  // Semi-implicit: the whole step uses the new vertical velocity.
  p.velocity.z = static_cast<float>(p.startVelocity.z - gravity * dt);
  p.position = p.startPosition + p.velocity * dt;
  p.startVelocity = p.velocity;
  p.startPosition = p.position;
  p.eventTime = now;
  if (floorEnabled && p.position.z - p.radius < floorHeight) {
    p.velocity.x *= 0.8f;
    p.velocity.y *= 0.8f;
    p.velocity.z = -p.velocity.z * 0.6f;
    p.startVelocity = p.velocity;
    p.position.z = static_cast<float>(floorHeight + p.radius);
    p.startPosition = p.position;
    p.eventTime = now;
  }
}

bool ParticleSystem::separateParticles(std::int32_t a, std::int32_t b) {
  Particle& pa = particles[static_cast<std::size_t>(a)];
  Particle& pb = particles[static_cast<std::size_t>(b)];
  const Vector3 d = pa.position - pb.position;
  const float dist = d.length();
  const float r = pa.radius + pb.radius;
  if (dist >= r) return false;
  // Each sphere moves the whole overlap: they end apart by the overlap, not just touching.
  const Vector3 n = direction(d);
  const float depth = std::fabs(r - dist);
  pa.startPosition = pa.position + n * depth;
  pb.startPosition = pb.position - n * depth;
  pa.position = pa.startPosition;
  pb.position = pb.startPosition;
  return true;
}

std::int32_t ParticleSystem::collideParticles(std::int32_t a, std::int32_t now) {
  std::int32_t count = 0;
  for (std::int32_t j = 0; j < static_cast<std::int32_t>(particles.size()); ++j) {
    if (j == a || !separateParticles(a, j)) continue;
    Particle& pa = particles[static_cast<std::size_t>(a)];
    Particle& pj = particles[static_cast<std::size_t>(j)];
    const Vector3 d = pa.position - pj.position;
    const float inv = inverseSquare(d);
    const Vector3 na = d * (dot(d, pa.velocity) * inv);
    const Vector3 nj = d * (dot(d, pj.velocity) * inv);
    const Vector3 ta = pa.velocity - na;
    const Vector3 tj = pj.velocity - nj;
    // The normal parts are exchanged; each tangential part scales by the mass ratio.
    pa.velocity = nj + ta * (pj.mass / pa.mass);
    pj.velocity = na + tj * (pa.mass / pj.mass);
    markEvent(pa, now);
    markEvent(pj, now);
    ++count;
  }
  return count;
}

bool ParticleSystem::separateFromObstacle(std::int32_t i, std::int32_t o) {
  Particle& p = particles[static_cast<std::size_t>(i)];
  const Particle& obstacle = obstacles[static_cast<std::size_t>(o)];
  const Vector3 d = p.position - obstacle.position;
  const float dist = d.length();
  if (dist >= p.radius + obstacle.radius) return false;
  const float depth = std::fabs(p.radius + obstacle.radius - dist);
  p.startPosition = p.position + direction(d) * (2.0f * depth);
  p.position = p.startPosition;
  return true;
}

std::int32_t ParticleSystem::collideObstacles(std::int32_t i, std::int32_t now) {
  std::int32_t count = 0;
  for (std::int32_t o = 0; o < static_cast<std::int32_t>(obstacles.size()); ++o) {
    if (!separateFromObstacle(i, o)) continue;
    Particle& p = particles[static_cast<std::size_t>(i)];
    const Vector3 d = p.position - obstacles[static_cast<std::size_t>(o)].position;
    const Vector3 vn = d * (dot(d, p.velocity) * inverseSquare(d));
    const Vector3 vt = p.velocity - vn;
    // Mirrored at the tangent plane, losing a tenth.
    p.velocity = (vt - vn) * 0.9f;
    markEvent(p, now);
    ++count;
  }
  return count;
}

void ParticleSystem::resetToHome() {
  for (Particle& p : particles) {
    p.position = p.homePosition;
    p.startPosition = p.homePosition;
    const float s1 = randomFactor(*random_);
    p.velocity = p.homeVelocity * s1;
    const float s2 = randomFactor(*random_);
    p.startVelocity = p.homeVelocity * s2;
    p.eventTime = 0;
  }
}

void ParticleSystem::bindMeshObject(Particle& p, const MeshObject& mesh, const Vector3& v) {
  p.position = p.startPosition = p.homePosition = mesh.position;
  p.velocity = p.startVelocity = p.homeVelocity = v;
  float radius = 0.0f;
  for (const Vector3& vertex : mesh.vertices)
    radius = std::max(radius, vertex.length());
  p.radius = radius;
  p.mass = 3.0f;
  p.eventTime = 0;
}

}  // namespace tav
