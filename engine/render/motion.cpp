#include <algorithm>
#include <cmath>

#include "engine/engine.h"
#include "platform/clock.h"

namespace tav {
namespace {

// Bounds the stepping loop of the path follower. A track covers its length once per loop of its
// parameter; a track whose keys coincide covers next to nothing (only rounding noise) and would
// step for ever. The stepping stops after a loop that covered less than 1/10000 of the budget,
// and in any case after kMaxSteps (about a second's work).
class StepBound {
 public:
  StepBound(const Track& track, double step, double budget)
      : loopSteps_(
            static_cast<std::int64_t>(std::ceil(std::max(1, track.keyCount - 2) / step) + 1.0)),
        least_(budget * 1e-4) {}

  bool more(double travelled) {
    if (++steps_ > kMaxSteps) return false;
    if (steps_ % loopSteps_ == 0) {
      if (travelled - travelledAtLoop_ < least_) return false;
      travelledAtLoop_ = travelled;
    }
    return true;
  }

 private:
  static constexpr std::int64_t kMaxSteps = 20'000'000;
  std::int64_t loopSteps_;
  double least_;
  std::int64_t steps_ = 0;
  double travelledAtLoop_ = 0.0;
};

}  // namespace

void Engine::setObjectPosition(float x, float y, float z) {
  if (MeshObject* o = findCurrentObject()) o->position.set(x, y, z);
}
void Engine::setObjectRotation(float x, float y, float z) {
  if (MeshObject* o = findCurrentObject()) o->rotation.set(x, y, z);
}
void Engine::setObjectScale(float x, float y, float z) {
  if (MeshObject* o = findCurrentObject()) o->scale.set(x, y, z);
}
void Engine::setCameraPosition(float x, float y, float z) {
  if (Camera* c = findCurrentCamera()) c->position.set(x, y, z);
}
void Engine::setCameraTarget(float x, float y, float z) {
  if (Camera* c = findCurrentCamera()) c->target.set(x, y, z);
}
void Engine::setLightAmbient(float r, float g, float b) {
  if (Light* l = findCurrentLight()) l->ambient = {r, g, b, l->ambient.a};
}
void Engine::setLightDiffuse(float r, float g, float b) {
  if (Light* l = findCurrentLight()) l->diffuse = {r, g, b, l->diffuse.a};
}

Vector3 Track::evaluate(float t) const {
  if (keyCount < 3 || points.size() < static_cast<std::size_t>(keyCount) ||
      handles.size() < static_cast<std::size_t>(keyCount)) {
    return points.empty() ? Vector3{} : points[0];
  }
  const std::int64_t m = keyCount - 2;
  // Parameters are 0 or more; anything else is kept in range rather than read outside the keys.
  if (!(t >= 0.0f)) t = 0.0f;
  const std::int64_t n = static_cast<std::int64_t>(std::min(t, 1.0e15f));
  const float s = t - static_cast<float>(n);
  const auto i0 = static_cast<std::size_t>((n - 1) % m + 1);
  const auto i1 = static_cast<std::size_t>(n % m + 1);
  const Vector3& a = points[i0];
  const Vector3& b = handles[i0];
  const Vector3& d = points[i1];
  const Vector3 c = d - (handles[i1] - d);  // the handle of key i1 mirrored through the key
  auto bezier = [s](float A, float B, float C, float D) {
    return A + s * (s * (3 * A - s * A) - 3 * A) + s * (s * (3 * s - 6) * B + 3 * B) +
           s * s * (3 * C - 3 * s * C) + s * s * s * D;
  };
  return {bezier(a.x, b.x, c.x, d.x), bezier(a.y, b.y, c.y, d.y), bezier(a.z, b.z, c.z, d.z)};
}

Vector3 Engine::evaluateTrack(float t) {
  Model* current = findModel();
  if (!current || currentTrack < 0 || currentTrack >= current->trackCount()) return {};
  return current->tracks[static_cast<std::size_t>(currentTrack)].evaluate(t);
}

void Engine::followCameraPaths(double speed, double step) {
  PathClock& clock = pathClock;
  if (!clock.started) {
    clock.now = platform::clock::nowMs();
    clock.started = true;
  }
  // The distance to cover along the curve: the previous frame's time at this speed. Nothing
  // moves for a budget of 0 or less, or a step that could never reach it.
  const double budget = clock.frameSeconds * speed;
  const bool moving = clock.previous != clock.now && budget > 0.0 && step > 0.0;
  Model* current = findModel();
  // A track with no keys stands for a path object its file lost: it is followed as no path.
  auto trackOf = [current](std::int32_t index) -> const Track* {
    return current && index >= 0 && index < current->trackCount() &&
                   current->tracks[static_cast<std::size_t>(index)].keyCount > 0
               ? &current->tracks[static_cast<std::size_t>(index)]
               : nullptr;
  };

  if (cameraPathTrack != -1) {
    currentTrack = cameraPathTrack;
    const Track* track = trackOf(cameraPathTrack);
    if (moving && track) {
      Vector3 p1;
      double travelled = 0.0;
      for (StepBound bound(*track, step, budget); travelled < budget && bound.more(travelled);) {
        Vector3 p0 = evaluateTrack(static_cast<float>(cameraPathParameter));
        cameraPathParameter += step;
        p1 = evaluateTrack(static_cast<float>(cameraPathParameter));
        travelled += p0.distance(p1);
      }
      setCameraPosition(p1.x, p1.y, p1.z);
    }
  }

  if (targetPathTrack == cameraPathTrack && targetPathTrack != -1) {
    if (trackOf(targetPathTrack)) {
      Vector3 target = evaluateTrack(static_cast<float>(targetLead + cameraPathParameter));
      setCameraTarget(target.x, target.y, target.z);
    }
  } else if (targetPathTrack != -1) {
    currentTrack = targetPathTrack;
    const Track* track = trackOf(targetPathTrack);
    // A target on its own track stops for good near the track's end.
    if (track && track->keyCount - 3 > targetPathParameter && moving) {
      Vector3 p1;
      double travelled = 0.0;
      for (StepBound bound(*track, step, budget); travelled < budget && bound.more(travelled);) {
        Vector3 p0 = evaluateTrack(static_cast<float>(targetLead + targetPathParameter));
        targetPathParameter += step;
        p1 = evaluateTrack(static_cast<float>(targetPathParameter + targetLead));
        travelled += p0.distance(p1);
      }
      setCameraTarget(p1.x, p1.y, p1.z);
    }
  }

  clock.previous = clock.now;
  clock.now = platform::clock::nowMs();
  clock.frameSeconds = (clock.now - clock.previous) * 0.001;
}

}  // namespace tav
