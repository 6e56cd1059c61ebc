#include "scenes/scene6.h"

#include <cmath>

#include "platform/clock.h"

namespace tav::scenes {

void Scene6::frame(Engine& engine, std::int32_t event) {
  start.begin(engine);
  const std::int32_t e = start.elapsed();
  RenderSettings& settings = engine.renderSettings[0];

  settings.clear(engine.gl);
  // Looked up in the model current as the frame starts: model 8 from the second frame on.
  engine.drawOverlay({0, 0, 0}, {0, 0, 0}, {1, -1, 1}, 2.0f, "white");

  drawSlidingText(engine, missing_, {9, 4, 0.0f, 2.0f, -100.0f, 0.05f},
                  static_cast<float>(246.0 - 0.07 * e));
  settings.clearDepth(engine.gl);

  viewModel(engine, missing_, 8);
  if (missing_.light(engine, engine.currentLight)) engine.setLightDiffuse(0.1f, 0.1f, 0.1f);
  const double b = 0.001 * e;
  settings.spriteSize = static_cast<float>((std::sin(0.003 * e) * std::sin(b) + 1.0) * 10.0);
  // An ellipse in the plane z = x / 2, one turn every 10π seconds.
  const double c = 0.0002 * e;
  engine.setCameraPosition(static_cast<float>(200.0 * std::sin(c)),
                           static_cast<float>(200.0 * std::cos(c)),
                           static_cast<float>(100.0 * std::sin(c)));
  engine.setMaterialParameters("distort1", 2.0f, 10.0f, 1.0f);
  engine.render();
  fadeFromWhite(engine, b);

  switch (event) {
    case 8:
      engine.advancePathParameter(1.0);
      break;
    case 37:
      stepScene(context_.state, engine, -1);
      break;
    case 39:
      stepScene(context_.state, engine, +1);
      break;
    case 51:
      engine.setCameraPathTrack(2);
      break;
    default:
      break;
  }
}

}  // namespace tav::scenes
