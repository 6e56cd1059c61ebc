#include "scenes/scene7.h"

#include <cmath>

#include "engine/render/projection.h"
#include "platform/clock.h"

namespace tav::scenes {
namespace {

// One "ssmall" element: three layers added on top of each other, a soft glow.
void halo(Engine& engine, float x, float y, float z) {
  engine.drawOverlay({x, y, z}, {0, 0, 0}, {1.0f, 1.0f, 1.0f}, 0.3f, "ssmall");
  engine.drawOverlay({x, y, z}, {0, 0, 0}, {0.9f, 0.9f, 0.9f}, 0.2f, "ssmall");
  engine.drawOverlay({x, y, z}, {0, 0, 0}, {0.8f, 0.8f, 0.8f}, 0.1f, "ssmall");
}

// A row of `count` halos at depth z, moving right at `speed` × 10 units per scene unit.
void row(Engine& engine, int count, double speed, double s, double shake, float z) {
  for (int k = 0; k < count; ++k) {
    halo(engine, static_cast<float>(-20.0 * k + speed * s + shake),
         static_cast<float>(5.0 * std::sin(static_cast<double>(k * k))), z);
  }
}

}  // namespace

void Scene7::frame(Engine& engine, std::int32_t event) {
  const std::uint32_t clock = platform::clock::nowMs();
  const double c = clock;
  if (!started) {
    sceneStart = shakeStart = c;
    started = true;
  }
  const double s = (c - sceneStart) * 0.0001;  // scene time in units of ten seconds
  const double e = 10.0 - (c - shakeStart) * 0.05;
  const double shake =
      e > 0.0 ? e * std::sin(static_cast<double>(static_cast<std::int32_t>(clock) % 100)) : 0.0;
  const double farShake = 0.1 * shake;

  viewModel(engine, missing_, 1);
  if (missing_.light(engine, engine.currentLight)) engine.setLightAmbient(0.5f, 0.5f, 0.5f);
  RenderSettings& settings = engine.renderSettings[0];
  settings.clear(engine.gl);
  engine.drawOverlay({0, 0, 0}, {0, 0, 0}, {1, -1, 1}, 1.0f, "history");
  engine.drawOverlay({static_cast<float>(3.0 * s), 0, 0}, {0, 0, 180}, {2, -1, 1}, 0.2f, "history");
  row(engine, 10, 25.0, s, farShake, 20.0f);
  row(engine, 20, 50.0, s, farShake, 10.0f);

  drawSlidingText(engine, missing_, {10, 2, 50.0f, 2.0f, 0.0f, 0.02f},
                  static_cast<float>(150.0 - 60.0 * s));

  engine.selectModel(1);
  row(engine, 40, 100.0, s, shake, 0.0f);
  fadeFromWhite(engine, 10.0 * s);

  switch (event) {
    case 37:
      // The single-precision 0.1 widened, as the near plane has always been given.
      setShowProjection(engine.gl, static_cast<double>(0.1f), 1000.0);
      stepScene(context_.state, engine, -1);
      break;
    case 39:
      setShowProjection(engine.gl, 1.0, 1100.0);
      stepScene(context_.state, engine, +1);
      break;
    case 49:
      setShowProjection(engine.gl, 1.0, 1000.0);
      break;
    case 50:
    case 51:
      shakeStart = platform::clock::nowMs();
      break;
    default:
      break;
  }
}

}  // namespace tav::scenes
