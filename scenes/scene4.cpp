#include "scenes/scene4.h"

#include <cmath>

#include "engine/render/projection.h"
#include "platform/clock.h"

namespace tav::scenes {

void Scene4::frame(Engine& engine, std::int32_t event) {
  if (!started) {
    sceneStart = platform::clock::nowMs();
    started = true;
  }
  if (frameCounter == 0) engine.restartPaths();
  ++frameCounter;
  const auto t = static_cast<std::int32_t>(platform::clock::nowMs() - sceneStart);

  engine.selectModel(5);
  engine.setCameraPathTrack(-1);
  engine.setTargetPathTrack(-1);
  engine.selectCamera(0);
  RenderSettings& settings = engine.renderSettings[0];
  settings.clear();
  engine.setMaterialParameters("distort_1", 2.0f, 100.0f, 1.0f);
  if (missing_.camera(engine, 0)) {
    engine.setCameraPosition(130.0f, 140.0f, 60.0f);
    engine.setCameraTarget(0.0f, 50.0f, 20.0f);
  }
  engine.drawOverlay({0, 0, 0}, {0, 0, 0}, {1, -1, 1}, 2.0f, "e22");
  const double beat = 0.4 * (1.0 + std::sin(0.005 * t) * std::sin(0.0005 * t));
  engine.drawOverlay({0, 0, 0}, {0, 0, 0}, {1, -1, 1}, static_cast<float>(beat), "e22over");
  // Without a "wanted" object the current one turns instead.
  engine.findObject("wanted");
  engine.setObjectRotation(0.0f, 0.0f, static_cast<float>(0.05 * t));
  engine.render();

  engine.selectModel(7);
  engine.setCameraPathTrack(-1);
  engine.setTargetPathTrack(-1);
  engine.selectCamera(0);
  missing_.camera(engine, 0);
  const auto x = static_cast<float>(144.0 - 0.015 * t);
  placeObject(engine, missing_, 0, x, 0.0f, 0.0f);
  placeObject(engine, missing_, 1, x, 0.0f, 0.0f);
  settings.spriteSize = 2.0f;
  settings.fadeCentreX = -130.0f;
  settings.fadeRate = 0.05f;
  settings.flags |= render_flags::kSpriteFade;
  engine.render();
  settings.flags &= ~render_flags::kSpriteFade;
  fadeFromWhite(engine, 0.001 * t);

  switch (event) {
    case 37:
      stepScene(context_.state, engine, -1);
      break;
    case 39:
      stepScene(context_.state, engine, +1);
      setShowProjection(1.0, 1900.0);
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
