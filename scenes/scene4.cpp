#include "scenes/scene4.h"

#include <cmath>

#include "engine/render/projection.h"
#include "platform/clock.h"

namespace tav::scenes {

void Scene4::frame(Engine& engine, std::int32_t event) {
  start.begin(engine);
  const std::int32_t t = start.elapsed();

  viewModel(engine, missing_, 5);
  RenderSettings& settings = engine.renderSettings[0];
  settings.clear(engine.gl);
  engine.setMaterialParameters("distort_1", 2.0f, 100.0f, 1.0f);
  engine.setCameraPosition(130.0f, 140.0f, 60.0f);
  engine.setCameraTarget(0.0f, 50.0f, 20.0f);
  engine.drawOverlay({0, 0, 0}, {0, 0, 0}, {1, -1, 1}, 2.0f, "e22");
  const double beat = 0.4 * (1.0 + std::sin(0.005 * t) * std::sin(0.0005 * t));
  engine.drawOverlay({0, 0, 0}, {0, 0, 0}, {1, -1, 1}, static_cast<float>(beat), "e22over");
  // Without a "wanted" object the current one turns instead.
  engine.findObject("wanted");
  engine.setObjectRotation(0.0f, 0.0f, static_cast<float>(0.05 * t));
  engine.render();

  drawSlidingText(engine, missing_, {7, 2, 0.0f, 2.0f, -130.0f, 0.05f},
                  static_cast<float>(144.0 - 0.015 * t));
  fadeFromWhite(engine, 0.001 * t);

  switch (event) {
    case 37:
      stepScene(context_.state, engine, -1);
      break;
    case 39:
      stepScene(context_.state, engine, +1);
      setShowProjection(engine.gl, 1.0, 1900.0);
      break;
    case 8:
      engine.advancePathParameter(1.0);
      break;
    case 51:
      engine.setCameraPathTrack(2);
      break;
    default:
      break;
  }
}

}  // namespace tav::scenes
