#include "scenes/scene2.h"

#include <algorithm>
#include <cmath>

#include "engine/render/projection.h"
#include "platform/clock.h"

namespace tav::scenes {

void Scene2::frame(Engine& engine, std::int32_t event) {
  const auto now = static_cast<std::int32_t>(platform::clock::nowMs());
  if (!started) {
    sceneStart = flickerStart = now;
    started = true;
  }
  const double p = (now - sceneStart) * 0.0001;  // tenths of the seconds since the start

  engine.selectModel(2);
  engine.setCameraPathTrack(-1);
  engine.setTargetPathTrack(-1);
  RenderSettings& settings = engine.renderSettings[0];
  settings.clear(engine.gl);
  engine.selectObject(0);
  settings.spriteAlpha = 1.0f;

  // A flicker for 200 ms after its start.
  double v = 0.0;
  const double r = 10.0 - (now - flickerStart) * 0.05;
  if (r > 0.0) v = std::clamp(std::sin(100.0 * (now % 100)) * r * 0.05, 0.0, 0.2);
  settings.spriteSize = 0.2f;
  engine.drawOverlay({0, 0, -5}, {0, 0, 0}, {1, 1, 1}, static_cast<float>(0.6 + 0.5 * v), "hissen");

  const auto h = static_cast<float>(0.5 * p);
  const auto g = static_cast<float>(300.0 * p);
  const auto discAlpha = static_cast<float>(v + 0.2);
  const float columnX[3] = {-30.0f, 0.0f, 30.0f};
  for (int column = 0; column < 3; ++column) {
    for (int n = 0; n < 20; ++n) {
      const auto fn = static_cast<float>(n);
      const float x =
          2.0f * fn * std::sin(fn * h + 10.0f * static_cast<float>(column)) + columnX[column];
      engine.drawOverlay({x, -5.0f * fn * h, 60.0f - fn * h}, {0.0f, 0.0f, 10.0f * fn + g},
                         {0.75f, 1.0f, 1.0f}, discAlpha, "disc");
    }
  }

  // The four sprite objects drift along x; their y and z stay as they are.
  if (Model* model = engine.findModel()) {
    const auto x = static_cast<float>(20.0 - 145.0 * p);
    for (std::size_t i = 0; i < 4 && i < model->meshes.size(); ++i)
      model->meshes[i].position.x = x;
  }
  settings.fadeRate = 0.2f;
  settings.flags |= render_flags::kSpriteFade;
  settings.fadeCentreX = static_cast<float>(10.0 * std::sin(5.0 * p) * std::sin(2.5 * p) - 180.0);
  engine.render();
  settings.flags &= ~render_flags::kSpriteFade;

  if (10.0 * p < 1.570795) whiteFlash(engine, static_cast<float>(1.0 - std::sin(10.0 * p)));

  switch (event) {
    case 37:
      stepScene(context_.state, engine, -1);
      break;
    case 39:
      stepScene(context_.state, engine, +1);
      setShowProjection(engine.gl, 1.0, 900.0);
      break;
    case 40:
    case 51:
      flickerStart = now;
      break;
    default:
      break;
  }
}

}  // namespace tav::scenes
